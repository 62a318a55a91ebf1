# Installs the build into a fresh prefix and builds a small C program (consumer.c) against the
# installed library twice, with the README's own snippets of "Use the library": its CMake lines
# (find_package, target_link_libraries) and its pkg-config command; then runs both on the demo
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
      "PANELINK_LOG_DIR=${WORK_DIR}" ${ARGN} "${program}")
  if(NOT run_output MATCHES "^${expected}$")
    message(FATAL_ERROR "the ${how} consumer printed '${run_output}'")
  endif()
  message(STATUS "${how}: ${run_output}")
  set(consumer_output "${run_output}" PARENT_SCOPE)
endfunction()

# The README's snippets: the first cmake block and the first sh block that runs "cc", of the
# section "Use the library".
get_filename_component(readme "${SOURCE_DIR}/../../README.md" ABSOLUTE)
file(READ "${readme}" readme_text)
string(FIND "${readme_text}" "\n## Use the library\n" section_start)
if(section_start LESS 0)
  message(FATAL_ERROR "${readme} has no section 'Use the library'")
endif()
string(SUBSTRING "${readme_text}" ${section_start} -1 section)
if(NOT section MATCHES "\n```cmake\n([^`]*)```")
  message(FATAL_ERROR "'Use the library' in ${readme} has no cmake snippet")
endif()
set(cmake_snippet "${CMAKE_MATCH_1}")
if(NOT section MATCHES "\n```sh\n(cc [^`]*)```")
  message(FATAL_ERROR "'Use the library' in ${readme} has no pkg-config snippet")
endif()
set(pkgconfig_snippet "${CMAKE_MATCH_1}")

# 1. Through the CMake package: a project around the README's lines, for a program named app.
set(cmake_source "${WORK_DIR}/cmake-source")
file(MAKE_DIRECTORY "${cmake_source}")
configure_file("${SOURCE_DIR}/consumer.c" "${cmake_source}/app.c" COPYONLY)
file(WRITE "${cmake_source}/CMakeLists.txt" "cmake_minimum_required(VERSION 3.25)\n"
     "project(app LANGUAGES C)\nadd_executable(app app.c)\n${cmake_snippet}")
run("configuring the CMake consumer" "${CMAKE_COMMAND}" -S "${cmake_source}" -B "${WORK_DIR}/cmake"
    -G "${GENERATOR}" "-DCMAKE_C_COMPILER=${C_COMPILER}" "-DCMAKE_PREFIX_PATH=${prefix}"
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF)
run("building the CMake consumer" "${CMAKE_COMMAND}" --build "${WORK_DIR}/cmake")
check_consumer("CMake package" "${WORK_DIR}/cmake/app")
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
# The README's command, as it stands, in a folder that holds app.c.
set(pkgconfig_dir "${WORK_DIR}/pkgconfig")
file(MAKE_DIRECTORY "${pkgconfig_dir}")
configure_file("${SOURCE_DIR}/consumer.c" "${pkgconfig_dir}/app.c" COPYONLY)
execute_process(COMMAND ${pc_env} sh -ec "${pkgconfig_snippet}" WORKING_DIRECTORY "${pkgconfig_dir}"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the README's pkg-config command failed (${status}):\n"
          "${pkgconfig_snippet}\n${out}\n${err}")
endif()
check_consumer("pkg-config" "${pkgconfig_dir}/app" "LD_LIBRARY_PATH=${pc_libdir}")
if(NOT consumer_output STREQUAL cmake_output)
  message(FATAL_ERROR "the two consumers differ: '${cmake_output}' and '${consumer_output}'")
endif()
