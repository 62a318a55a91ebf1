# GoogleTest for cross builds: compiled from Debian's sources (package googletest) with the
# cross toolchain, since the packaged libraries are built for the host. Provides the same
# GTest::gtest, GTest::gtest_main and GTest::gmock targets as find_package(GTest).
set(PANELINK_GOOGLETEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources")
if(NOT EXISTS "${PANELINK_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt")
  message(FATAL_ERROR "GoogleTest sources not found in ${PANELINK_GOOGLETEST_SOURCE_DIR} "
                      "(Debian package googletest)")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory("${PANELINK_GOOGLETEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest"
                 EXCLUDE_FROM_ALL SYSTEM)

# Our warning flags are for our code; GoogleTest's own warnings are not ours to fix.
foreach(target gtest gtest_main gmock gmock_main)
  if(TARGET ${target})
    target_compile_options(${target} PRIVATE -Wno-error)
  endif()
endforeach()
foreach(target gtest gtest_main gmock)
  if(NOT TARGET GTest::${target})
    add_library(GTest::${target} ALIAS ${target})
  endif()
endforeach()
