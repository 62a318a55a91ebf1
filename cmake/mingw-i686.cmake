# Cross build of the 32-bit Windows library (panelink.dll) with Debian's mingw-w64.
#
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
#
# The -posix compilers are used because the tests (GoogleTest) need std::mutex and std::thread,
# which the default win32 thread model lacks. Programs and the library link the C and C++
# runtimes statically, so they depend on system DLLs only.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(PANELINK_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${PANELINK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PANELINK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PANELINK_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PANELINK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")

# Test programs (and GoogleTest's discovery step) run under Wine through a wrapper that sets up
# a quiet, prompt-free Wine environment.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../tests/windows/wine-run")

# Writes the DLL's import library for mingw (see windows-import-libraries.cmake).
set(CMAKE_DLLTOOL ${PANELINK_MINGW_TRIPLE}-dlltool)
