# Project-wide warnings, applied per target with sorrel_warnings(<target>).
function(sorrel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-unused-parameter)
endfunction()
