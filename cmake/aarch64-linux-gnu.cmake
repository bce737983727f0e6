# Cross compiling for 64-bit ARM Linux with Debian's cross compiler
# (g++-aarch64-linux-gnu), the programs run under qemu-user:
#
#   cmake -S . -B build-arm64 -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake -DTESSERA_PIXEL_ONLY=ON
#   cmake --build build-arm64
#   ctest --test-dir build-arm64        # each test under qemu-aarch64
#
# What this build is for: on ARM the x86 vector paths compile out and the
# plain per-pixel rules run, and ARM differs from x86 where C++ leaves
# things to the platform (plain `char` is unsigned there).  The pixel code is
# where both show, so this build is the pixel core alone (TESSERA_PIXEL_ONLY,
# see cmake/TesseraPixelOnly.cmake): it needs nothing but the C++ runtime,
# so no ARM builds of SQLite, SDL2, FreeType or FluidSynth have to be
# installed, and it stays short enough to run on every test run.
# GoogleTest is built from Debian's sources (/usr/src/googletest) with the
# cross compiler inside the build.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(TESSERA_CROSS_TRIPLE aarch64-linux-gnu)
find_program(CMAKE_C_COMPILER ${TESSERA_CROSS_TRIPLE}-gcc)
find_program(CMAKE_CXX_COMPILER ${TESSERA_CROSS_TRIPLE}-g++)
find_program(TESSERA_QEMU qemu-aarch64)
if(NOT CMAKE_C_COMPILER OR NOT CMAKE_CXX_COMPILER)
  message(FATAL_ERROR "The ARM cross build needs ${TESSERA_CROSS_TRIPLE}-gcc and -g++ "
                      "(Debian: apt-get install g++-aarch64-linux-gnu, or run scripts/setup)")
endif()
if(NOT TESSERA_QEMU)
  message(FATAL_ERROR "The ARM cross build runs its tests under qemu-aarch64 "
                      "(Debian: apt-get install qemu-user, or run scripts/setup)")
endif()

# The ARM C library and loader that Debian's cross toolchain installs; qemu
# finds the program's loader and shared libraries under it.
set(CMAKE_FIND_ROOT_PATH /usr/${TESSERA_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TESSERA_QEMU} -L /usr/${TESSERA_CROSS_TRIPLE})
