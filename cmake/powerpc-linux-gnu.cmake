# Cross-build for a big-endian processor with Debian's 32-bit PowerPC toolchain, so that
# every binary file is seen read and written with the other byte order. Programs run
# under qemu-user.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR powerpc)
set(WAYFOLD_CROSS_TRIPLET powerpc-linux-gnu)
set(CMAKE_C_COMPILER   ${WAYFOLD_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${WAYFOLD_CROSS_TRIPLET}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${WAYFOLD_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-ppc -L /usr/${WAYFOLD_CROSS_TRIPLET})
include(${CMAKE_CURRENT_LIST_DIR}/cross-doctest.cmake)
