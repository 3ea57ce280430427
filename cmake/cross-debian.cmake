# What every cross-build with a Debian cross toolchain shares, for the triplet in
# WAYFOLD_CROSS_TRIPLET: its compilers, and its own folder for headers and libraries.
set(CMAKE_C_COMPILER   ${WAYFOLD_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${WAYFOLD_CROSS_TRIPLET}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${WAYFOLD_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

include(${CMAKE_CURRENT_LIST_DIR}/cross-doctest.cmake)
