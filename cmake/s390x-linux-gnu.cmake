# Cross-build for a big-endian processor with Debian's s390x toolchain, so that every
# binary file is read and written with the other byte order too. Programs run under
# qemu-user. (32-bit PowerPC would be nearer the handheld, but Debian's powerpc libm uses
# a POWER9 form of mffs in sin and cos, which qemu-user's PowerPC models refuse.)
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(WAYFOLD_CROSS_TRIPLET s390x-linux-gnu)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-s390x -L /usr/${WAYFOLD_CROSS_TRIPLET})
include(${CMAKE_CURRENT_LIST_DIR}/cross-debian.cmake)
