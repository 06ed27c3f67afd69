# 64-bit Windows with MinGW-w64 (posix threads). Every binary links the C++ runtime, libgcc
# and winpthread statically, so that it imports system DLLs only.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-static")
endforeach()

# The libraries cross-built from Debian's sources, made on first use (minutes) and cached.
# The dependencies' own builds set VANTREL_BUILDING_DEPENDENCIES and skip this.
if(NOT DEFINED ENV{VANTREL_BUILDING_DEPENDENCIES} AND NOT DEFINED ENV{VANTREL_WINDOWS_PREFIXES})
  execute_process(COMMAND ${CMAKE_CURRENT_LIST_DIR}/build-dependencies.sh
                  OUTPUT_VARIABLE prefixes RESULT_VARIABLE failed OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(failed)
    message(FATAL_ERROR "cannot build the Windows dependencies (see above)")
  endif()
  string(REPLACE "\n" ";" prefixes "${prefixes}")
  set(ENV{VANTREL_WINDOWS_PREFIXES} "${prefixes}")
endif()
list(APPEND CMAKE_FIND_ROOT_PATH $ENV{VANTREL_WINDOWS_PREFIXES} /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine, each with a prefix and a display of its own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/run-under-wine.sh)
