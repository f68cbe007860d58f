# Project-wide warnings, applied per target with sorrel_warnings(<target>).
function(sorrel_warnings target)
  # -Wrestrict: GCC 12 reports false overlaps inside std::string (GCC bug 105329).
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-unused-parameter
    $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
endfunction()
