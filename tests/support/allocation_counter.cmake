# The counting global operator new and delete (support/allocation_counter.h), as an object
# library: a program that links it holds the replacement operators exactly once. Included by the
# tests and by the benchmarks, whichever the build has.
include_guard(GLOBAL)
add_library(panelink_allocation_counter OBJECT
  "${CMAKE_CURRENT_LIST_DIR}/allocation_counter.cpp")
target_include_directories(panelink_allocation_counter PUBLIC "${CMAKE_CURRENT_LIST_DIR}/..")
