# Sanitizer configuration: the whole tree built with ASan and UBSan, every
# report fatal so that a test fails instead of printing and going on.
# GCC's "undefined" leaves out float-cast-overflow (a double made an
# integer it does not fit, as a mass of 1e30 made an index); it is named.
if(SORREL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined,float-cast-overflow -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined,float-cast-overflow)
endif()
