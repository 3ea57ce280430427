# doctest is header-only but installed among the host's headers, which a cross compiler
# must not see (the host's C library headers would shadow its own): it gets a folder of
# the build's with doctest alone.
if(NOT DEFINED DOCTEST_INCLUDE_DIR AND EXISTS /usr/include/doctest/doctest.h)
  set(WAYFOLD_CROSS_INCLUDE ${CMAKE_BINARY_DIR}/cross-include)
  file(MAKE_DIRECTORY ${WAYFOLD_CROSS_INCLUDE})
  file(CREATE_LINK /usr/include/doctest ${WAYFOLD_CROSS_INCLUDE}/doctest SYMBOLIC)
  set(DOCTEST_INCLUDE_DIR ${WAYFOLD_CROSS_INCLUDE} CACHE PATH "doctest's headers for the cross build")
endif()
