# Warnings for our own targets only; third-party headers come in as system headers.
function(vantrel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                         -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Wnull-dereference
                         -Werror)
endfunction()
