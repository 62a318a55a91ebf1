# Read by cpack for each generator: .deb files only from a build configured for them, whose
# library folder (multiarch), udev rule folder and copyright files are the ones Debian expects.
if(CPACK_GENERATOR STREQUAL "DEB")
  if(NOT CPACK_PANELINK_INSTALL_PREFIX STREQUAL "/usr" OR NOT CPACK_PANELINK_DEBIAN_PACKAGES)
    message(FATAL_ERROR "Debian packages need a build configured with "
            "-DCMAKE_INSTALL_PREFIX=/usr -DPANELINK_DEBIAN_PACKAGES=ON (this one has the prefix "
            "'${CPACK_PANELINK_INSTALL_PREFIX}', PANELINK_DEBIAN_PACKAGES "
            "'${CPACK_PANELINK_DEBIAN_PACKAGES}')")
  endif()
endif()
