# Debian packages through CPack (`cpack -G DEB` in a build configured with the prefix /usr), one
# per install component:
#   runtime      -> libpanelink<major>   the versioned library and the udev rule
#   development  -> libpanelink-dev      the link name, headers, CMake package, pkg-config file
#                                        (and the HTML API reference when it is built)
#   inputscope   -> inputscope           the program, its desktop entry and icons
#   tools        -> panelink-tools       the command-line tool panelink and its man page,
#                                        panelink-uhid
#   python       -> python3-panelink     the Python package in /usr/lib/python3/dist-packages
#                                        (architecture all: ctypes, no compiled code)
#   service      -> panelinkd            the service, its systemd unit, its user and group
#                                        (sysusers.d), its man page, an example configuration
#                                        and the example MQTT client
# Dependencies on system libraries come from dpkg-shlibdeps; libpanelink-dev, inputscope (which
# loads the library at run time, so dpkg-shlibdeps cannot see it), panelink-tools and
# python3-panelink (which loads it through ctypes) depend on the library package of exactly their
# own version, as does panelinkd. panelinkd's postinst creates its user and group.
#
# The licence: share/doc/panelink/LICENSE; in the Debian packages' layout (PANELINK_DEBIAN_PACKAGES)
# share/doc/<package>/copyright in each package instead, as Debian wants one in every package.

set(PANELINK_RUNTIME_PACKAGE "libpanelink${PROJECT_VERSION_MAJOR}")
set(panelink_packages runtime ${PANELINK_RUNTIME_PACKAGE} development libpanelink-dev)
if(PANELINK_BUILD_INPUTSCOPE AND EXISTS "${PROJECT_SOURCE_DIR}/inputscope/CMakeLists.txt")
  list(APPEND panelink_packages inputscope inputscope)
endif()
if(PANELINK_BUILD_TOOLS AND NOT WIN32)
  list(APPEND panelink_packages tools panelink-tools)
  if(PANELINK_BUILD_SERVICE)
    list(APPEND panelink_packages service panelinkd)
  endif()
endif()
list(APPEND panelink_packages python python3-panelink)

if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(debian_layout_default ON)
else()
  set(debian_layout_default OFF)
endif()
option(PANELINK_DEBIAN_PACKAGES
       "Install as the Debian packages hold it: share/doc/<package>/copyright in each package"
       ${debian_layout_default})

if(PANELINK_DEBIAN_PACKAGES)
  set(PANELINK_INSTALLED_LICENSE "${CMAKE_INSTALL_DATAROOTDIR}/doc/${PANELINK_RUNTIME_PACKAGE}/copyright")
  set(rest ${panelink_packages})
  while(rest)
    list(POP_FRONT rest component package)
    install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" RENAME copyright
            DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/${package}" COMPONENT ${component})
  endwhile()
else()
  set(PANELINK_INSTALLED_LICENSE "${CMAKE_INSTALL_DOCDIR}/LICENSE")
  install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION ${CMAKE_INSTALL_DOCDIR}
          COMPONENT runtime)
endif()

if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  return()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME panelink)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The panelink developers")
set(CPACK_PACKAGE_CONTACT "The panelink developers <maintainers@panelink.invalid>")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The command-line tool links the library of this build, which no installed package provides yet:
# dpkg-shlibdeps finds it here, and the component dependency names its package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CMAKE_BINARY_DIR}/bin")
# A shlibs file, so that programs built against the library depend on this version or later.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_COMPONENTS_ALL)
set(rest ${panelink_packages})
while(rest)
  list(POP_FRONT rest component package)
  list(APPEND CPACK_COMPONENTS_ALL ${component})
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${package})
endwhile()
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_COMPONENT_INPUTSCOPE_DEPENDS runtime)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
set(CPACK_COMPONENT_PYTHON_DEPENDS runtime)
set(CPACK_COMPONENT_SERVICE_DEPENDS runtime)
# The maintainer script goes into the package under its own name, postinst.
file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/debian-control/panelinkd")
configure_file("${PROJECT_SOURCE_DIR}/packaging/linux/panelinkd.postinst"
               "${CMAKE_BINARY_DIR}/debian-control/panelinkd/postinst" COPYONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_SERVICE_PACKAGE_CONTROL_EXTRA "${CMAKE_BINARY_DIR}/debian-control/panelinkd/postinst")
set(CPACK_DEBIAN_SERVICE_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3")
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_INPUTSCOPE_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_SERVICE_PACKAGE_SECTION electronics)

# Descriptions: a summary line, then the long description (lines under 80 columns).
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
    "library for the panelink family of USB HID interface boards
The boards read switches, buttons and rotary encoders and drive LEDs,
seven-segment digits, LCDs and dot-matrix displays. The library finds them,
reads and decodes their input reports, queries their status and sends their
output commands, behind a flat C interface.
.
This package holds the shared library and the udev rule that gives the user
at the machine access to the boards' hidraw nodes.")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
    "library for the panelink family of USB HID interface boards (development)
The boards read switches, buttons and rotary encoders and drive LEDs,
seven-segment digits, LCDs and dot-matrix displays.
.
This package holds the C headers, the CMake package (panelink::panelink), the
pkg-config file, the link name for building programs against libpanelink and,
when built, the HTML API reference.")
set(CPACK_DEBIAN_INPUTSCOPE_DESCRIPTION
    "window for testing USB interface boards with inputs
inputscope lists the boards of the panelink family, shows the selected board's
identity and its switches, buttons and rotary encoders live, counts encoder
pulses and shows the report period.")
set(CPACK_DEBIAN_TOOLS_DESCRIPTION
    "command-line tools for the panelink family of USB interface boards
panelink lists the boards, watches their inputs, queries their status and
sends output commands. panelink-uhid serves virtual boards through /dev/uhid:
each becomes a HID device with its own hidraw node, which programs see as a
plugged-in board.")
set(CPACK_DEBIAN_PYTHON_DESCRIPTION
    "Python 3 package for the panelink family of USB interface boards
The module panelink finds the boards, polls and reads their inputs, sends
their output commands and asks their status, through the system's libpanelink
(ctypes, no compiled code). panelink.simulation plugs in virtual boards.")

set(CPACK_DEBIAN_SERVICE_DESCRIPTION
    "service that offers panelink USB interface boards through an MQTT broker
panelinkd owns the panelink boards of one computer and offers them to any
program on any machine through an MQTT broker: availability, identity and
input states as retained topics, each input change as an event, and output
commands and status requests from any client. It runs in the foreground or
as a systemd service under a user of its own.")

# Refuses to build .deb files from a build whose layout is not the packages' (checked by cpack).
set(CPACK_PANELINK_DEBIAN_PACKAGES "${PANELINK_DEBIAN_PACKAGES}")
set(CPACK_PANELINK_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_LIST_DIR}/debian_packages_check.cmake")
include(CPack)
