# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (POSIX threads,
# so std::thread and std::mutex work) and runs what the build and the tests
# execute under wine. Programs link statically, so they run alone.
#   cmake -S . -B build-windows --toolchain cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ATTR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ATTR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ATTR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ATTR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ATTR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# wine with its own prefix in the build folder (scripts/test-windows.sh makes
# it beforehand and keeps its server running), quiet, and without the Mono
# and Gecko installers.
find_program(ATTR_WINE NAMES wine wine64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR env "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix"
    WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=" ${ATTR_WINE})

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Static archives only (zlib's import library would need zlib1.dll).
set(ZLIB_USE_STATIC_LIBS ON)
