# What every cross-build with a Debian cross toolchain shares, for the triplet in
# WAYFOLD_CROSS_TRIPLET: its compilers, and its own folder for headers and libraries.
set(CMAKE_C_COMPILER   ${WAYFOLD_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${WAYFOLD_CROSS_TRIPLET}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${WAYFOLD_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# doctest is header-only but installed among the host's headers, which a cross compiler
# must not see (the host's C library headers would shadow its own): it gets a folder of
# the build's with doctest alone.
if(NOT DEFINED DOCTEST_INCLUDE_DIR AND EXISTS /usr/include/doctest/doctest.h)
  set(WAYFOLD_CROSS_INCLUDE ${CMAKE_BINARY_DIR}/cross-include)
  file(MAKE_DIRECTORY ${WAYFOLD_CROSS_INCLUDE})
  file(CREATE_LINK /usr/include/doctest ${WAYFOLD_CROSS_INCLUDE}/doctest SYMBOLIC)
  set(DOCTEST_INCLUDE_DIR ${WAYFOLD_CROSS_INCLUDE} CACHE PATH "doctest's headers for the cross build")
endif()
