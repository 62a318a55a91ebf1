# Cross build of the 64-bit Windows library (panelink.dll for x64) with Debian's mingw-w64.
#
#   cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
#
# As cmake/mingw-i686.cmake: the -posix compilers (GoogleTest needs std::mutex and std::thread),
# the C and C++ runtimes linked statically. x64 has one calling convention, so the exports carry
# no decoration to map.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(PANELINK_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PANELINK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PANELINK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PANELINK_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PANELINK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")

# Test programs (and GoogleTest's discovery step) run under 64-bit Wine (a win64 configuration).
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../tests/windows/wine-run;--win64")

set(CMAKE_DLLTOOL ${PANELINK_MINGW_TRIPLE}-dlltool)
