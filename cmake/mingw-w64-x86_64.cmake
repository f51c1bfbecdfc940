# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads).
# The libraries the game links come from QORA_WIN_PREFIX (scripts/win-deps.sh
# builds them there); pkg-config looks only there.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QORA_WIN_HOST x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QORA_WIN_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QORA_WIN_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${QORA_WIN_HOST}-windres)
set(CMAKE_AR ${QORA_WIN_HOST}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${QORA_WIN_HOST}-gcc-ranlib-posix CACHE FILEPATH "")

if(NOT QORA_WIN_PREFIX AND DEFINED ENV{QORA_WIN_PREFIX})
  set(QORA_WIN_PREFIX $ENV{QORA_WIN_PREFIX})
endif()
set(QORA_WIN_PREFIX "${QORA_WIN_PREFIX}" CACHE PATH "Prefix of the cross-built libraries")
# try_compile projects see the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QORA_WIN_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${QORA_WIN_HOST} ${QORA_WIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(QORA_WIN_PREFIX)
  set(ENV{PKG_CONFIG_LIBDIR} "${QORA_WIN_PREFIX}/lib/pkgconfig")
  set(ENV{PKG_CONFIG_PATH} "")
  set(PKG_CONFIG_EXECUTABLE pkg-config CACHE FILEPATH "")
endif()

# Self-contained programs: the C and C++ runtimes and winpthreads linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
