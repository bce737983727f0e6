# Warnings are on for every target the project compiles, and the build is
# kept clean of them.
function(tessera_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
