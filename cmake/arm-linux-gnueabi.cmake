# Cross-build for the handheld's processor class with Debian's armel toolchain: 32-bit
# ARM, little-endian, ARMv5TE (XScale), ARM instruction set, no floating-point unit (soft
# float), no SSE2. Programs run under qemu-user as an XScale PXA270, which refuses any
# instruction a later architecture added.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv5te)
set(WAYFOLD_CROSS_TRIPLET arm-linux-gnueabi)
# -Wno-psabi: GCC notes where its ARM parameter passing changed in GCC 7.1, which matters
# only beside objects from older compilers; the build links none.
set(CMAKE_C_FLAGS_INIT   "-march=armv5te -mtune=xscale -marm -mfloat-abi=soft -Wno-psabi")
set(CMAKE_CXX_FLAGS_INIT "-march=armv5te -mtune=xscale -marm -mfloat-abi=soft -Wno-psabi")
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -cpu pxa270 -L /usr/${WAYFOLD_CROSS_TRIPLET})
include(${CMAKE_CURRENT_LIST_DIR}/cross-debian.cmake)
