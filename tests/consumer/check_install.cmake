# Installs the build into a fresh prefix and builds a small C program against the installed
# library twice, through the CMake package and through pkg-config, then runs both on the demo
# boards. Any failing step fails the test. With -DPREFIX=<folder>, checks a tree that is already
# installed there (e.g. unpacked Debian packages) instead, and BUILD_DIR is not needed.
# Arguments: -DBUILD_DIR=<build tree> or -DPREFIX=<installed prefix>
#            -DWORK_DIR=<scratch folder> -DSOURCE_DIR=<tests/consumer>
#            -DLIBDIR=<CMAKE_INSTALL_LIBDIR> -DINCLUDEDIR=<CMAKE_INSTALL_INCLUDEDIR>
#            -DLICENSE=<the licence's path in the prefix> -DC_COMPILER=<cc>
#            -DGENERATOR=<generator> -DPKG_CONFIG=<pkg-config> -DVERSION=<project version>
#            -DSOVERSION=<major>
cmake_minimum_required(VERSION 3.25)

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${ARGN}\n${out}\n${err}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
if(DEFINED PREFIX)
  set(prefix "${PREFIX}")
else()
  set(prefix "${WORK_DIR}/prefix")
  run("install" "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}")
endif()

# What a caller finds in the prefix: the runtime name is a link to the versioned file, the
# development name a link to the runtime name.
foreach(file
    "${LIBDIR}/libpanelink.so.${VERSION}"
    "${LIBDIR}/libpanelink.so.${SOVERSION}"
    "${LIBDIR}/libpanelink.so"
    "${INCLUDEDIR}/panelink/panelink.h"
    "${INCLUDEDIR}/panelink/simulation.h"
    "${LIBDIR}/cmake/panelink/panelinkConfig.cmake"
    "${LIBDIR}/cmake/panelink/panelinkConfigVersion.cmake"
    "${LIBDIR}/cmake/panelink/panelinkTargets.cmake"
    "${LIBDIR}/pkgconfig/panelink.pc"
    "${LICENSE}"
    "lib/udev/rules.d/70-panelink.rules")
  if(NOT EXISTS "${prefix}/${file}")
    message(FATAL_ERROR "the install into ${prefix} has no ${file}")
  endif()
endforeach()
file(READ_SYMLINK "${prefix}/${LIBDIR}/libpanelink.so" target)
if(NOT target STREQUAL "libpanelink.so.${SOVERSION}")
  message(FATAL_ERROR "libpanelink.so points to '${target}', not libpanelink.so.${SOVERSION}")
endif()
file(READ_SYMLINK "${prefix}/${LIBDIR}/libpanelink.so.${SOVERSION}" target)
if(NOT target STREQUAL "libpanelink.so.${VERSION}")
  message(FATAL_ERROR "libpanelink.so.${SOVERSION} points to '${target}'")
endif()

set(expected "panelink ${VERSION}: [1-9][0-9]* boards\n")

# Checks a built consumer: it needs the runtime name, and on the demo boards it reports the
# version and finds boards.
function(check_consumer how program)
  run("readelf (${how})" readelf -d "${program}")
  if(NOT run_output MATCHES "\\[libpanelink\\.so\\.${SOVERSION}\\]")
    message(FATAL_ERROR "the ${how} consumer does not need libpanelink.so.${SOVERSION}:\n"
            "${run_output}")
  endif()
  run("the ${how} consumer" "${CMAKE_COMMAND}" -E env PANELINK_SIMULATE=demo
      "PANELINK_LOG_DIR=${WORK_DIR}" "${program}")
  if(NOT run_output MATCHES "^${expected}$")
    message(FATAL_ERROR "the ${how} consumer printed '${run_output}'")
  endif()
  message(STATUS "${how}: ${run_output}")
  set(consumer_output "${run_output}" PARENT_SCOPE)
endfunction()

# 1. Through the CMake package.
run("configuring the CMake consumer" "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${WORK_DIR}/cmake"
    -G "${GENERATOR}" "-DCMAKE_C_COMPILER=${C_COMPILER}" "-DCMAKE_PREFIX_PATH=${prefix}"
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF)
run("building the CMake consumer" "${CMAKE_COMMAND}" --build "${WORK_DIR}/cmake")
check_consumer("CMake package" "${WORK_DIR}/cmake/consumer")
set(cmake_output "${consumer_output}")

# 2. Through pkg-config, with only the prefix's .pc files on its path.
set(pc_env "${CMAKE_COMMAND}" -E env "PKG_CONFIG_PATH=${prefix}/${LIBDIR}/pkgconfig"
    "PKG_CONFIG_LIBDIR=${prefix}/${LIBDIR}/pkgconfig")
run("pkg-config --modversion" ${pc_env} "${PKG_CONFIG}" --modversion panelink)
string(STRIP "${run_output}" modversion)
if(NOT modversion STREQUAL VERSION)
  message(FATAL_ERROR "pkg-config says version '${modversion}', not ${VERSION}")
endif()
run("pkg-config --variable=libdir" ${pc_env} "${PKG_CONFIG}" --variable=libdir panelink)
string(STRIP "${run_output}" pc_libdir)
if(NOT EXISTS "${pc_libdir}/libpanelink.so.${SOVERSION}")
  message(FATAL_ERROR "pkg-config's libdir '${pc_libdir}' has no libpanelink.so.${SOVERSION}")
endif()
run("pkg-config --cflags --libs" ${pc_env} "${PKG_CONFIG}" --cflags --libs panelink)
string(STRIP "${run_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
if(NOT flags MATCHES "-lpanelink")
  message(FATAL_ERROR "pkg-config gives no -lpanelink: ${flags}")
endif()
run("building the pkg-config consumer" "${C_COMPILER}" -std=c11 -Wall -Wextra -Werror
    "${SOURCE_DIR}/consumer.c" -o "${WORK_DIR}/pkgconfig-consumer" ${flags}
    "-Wl,-rpath,${pc_libdir}")
check_consumer("pkg-config" "${WORK_DIR}/pkgconfig-consumer")
if(NOT consumer_output STREQUAL cmake_output)
  message(FATAL_ERROR "the two consumers differ: '${cmake_output}' and '${consumer_output}'")
endif()
