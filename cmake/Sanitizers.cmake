# Sanitizer configuration: the whole tree built with ASan and UBSan, every
# report fatal so that a test fails instead of printing and going on.
if(SORREL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()
