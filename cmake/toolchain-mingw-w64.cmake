# mingw-w64 cross compilers for Windows; the presets name the target with
# TAMSEL_TARGET: i686-w64-mingw32 (x86) or x86_64-w64-mingw32 (x64).
if(NOT TAMSEL_TARGET MATCHES "^(i686|x86_64)-w64-mingw32$")
  message(FATAL_ERROR "TAMSEL_TARGET must be i686-w64-mingw32 or x86_64-w64-mingw32 (use a preset)")
endif()
# Also for CMake's own test projects, which read this file again.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TAMSEL_TARGET)

set(CMAKE_SYSTEM_NAME Windows)
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR "${TAMSEL_TARGET}")
set(TOOLCHAIN_PREFIX ${TAMSEL_TARGET})

set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# 64-bit Windows programs (tests, tools) run under wine64 through a wrapper that
# pins the project's own prefix; CMake configures the wrapper into the build
# tree. 32-bit ones cannot run on these machines: that build is checked statically.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(TAMSEL_RUNS_UNDER_WINE ON)
else()
  set(TAMSEL_RUNS_UNDER_WINE OFF)
endif()
