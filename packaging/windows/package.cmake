# The package for Windows users, included by panelink/CMakeLists.txt in Windows builds that have
# the MSVC import library: the target windows_package (part of every build) stages and zips
#   panelink-<version>-windows-<x86|x64>.zip
# in the build folder (make-package.cmake), with a README.txt for the architecture
# (README.txt.in). Its content is checked by the test windows_package.
set(VERSION ${PROJECT_VERSION})
set(ARCH ${PANELINK_WINDOWS_ARCH})
set(TRIPLE ${PANELINK_MINGW_TRIPLE})
if(ARCH STREQUAL "x86")
  set(BITS 32)
  set(OTHER_ARCH x64)
  set(OTHER_BITS 64)
  set(VS_PROMPT "Developer Command Prompt for VS, or vcvarsall.bat x86")
  set(LLVM_MACHINE i386)
  set(KILL_AT " -k")
  set(LINK_PROOF " (with /SAFESEH)")
  string(CONCAT CONVENTION
    "Every function is __stdcall (PANELINK_CALL in the header: the callee removes its\n"
    "arguments) and exported under its plain name (DetectHID). A compiler emits the decorated\n"
    "name for a call through the header (_DetectHID@12 in MSVC, DetectHID@12 in mingw-w64); both\n"
    "import libraries map it to the plain export, and panelink.lib keeps to the short import\n"
    "format, so /SAFESEH links accept it. A function pointer for GetProcAddress must be declared\n"
    "with PANELINK_CALL (__stdcall), e.g.\n"
    "\n"
    "    int32_t (PANELINK_CALL *detect)(int32_t *, DeviceRecord *, int32_t);")
else()
  set(BITS 64)
  set(OTHER_ARCH x86)
  set(OTHER_BITS 32)
  set(VS_PROMPT "x64 Native Tools Command Prompt for VS, or vcvarsall.bat x64")
  set(LLVM_MACHINE i386:x86-64)
  set(KILL_AT "")
  set(LINK_PROOF "")
  string(CONCAT CONVENTION
    "x64 has one calling convention: PANELINK_CALL is empty there, and every name is plain\n"
    "(DetectHID), in the DLL and in both import libraries. The records have the same layout as\n"
    "in the 32-bit library (DeviceRecord 848 bytes, its Handle a 4-byte number of the library's\n"
    "own); the header checks the layout when it is compiled.")
endif()
configure_file("${CMAKE_CURRENT_LIST_DIR}/README.txt.in"
               "${CMAKE_CURRENT_BINARY_DIR}/README-windows.txt" @ONLY)

set(PANELINK_PACKAGE_NAME "panelink-${PROJECT_VERSION}-windows-${ARCH}")
set(PANELINK_PACKAGE_ZIP "${CMAKE_BINARY_DIR}/${PANELINK_PACKAGE_NAME}.zip")
set(PANELINK_PACKAGE_ZIP "${PANELINK_PACKAGE_ZIP}" PARENT_SCOPE)
file(GLOB panelink_public_headers "${PROJECT_SOURCE_DIR}/panelink/include/panelink/*.h")
add_custom_command(OUTPUT "${PANELINK_PACKAGE_ZIP}"
  COMMAND "${CMAKE_COMMAND}" "-DNAME=${PANELINK_PACKAGE_NAME}" "-DOUT_DIR=${CMAKE_BINARY_DIR}"
    "-DDLL=$<TARGET_FILE:panelink>" "-DSTRIP=${CMAKE_STRIP}"
    "-DMSVC_IMPLIB=${PANELINK_MSVC_IMPLIB}" "-DMINGW_IMPLIB=$<TARGET_LINKER_FILE:panelink>"
    "-DDEF=${PANELINK_EXPORTS_DEF}" "-DINCLUDE_DIR=${PROJECT_SOURCE_DIR}/panelink/include"
    "-DEXAMPLE=${CMAKE_CURRENT_LIST_DIR}/example.c" "-DLICENSE=${PROJECT_SOURCE_DIR}/LICENSE"
    "-DREADME=${CMAKE_CURRENT_BINARY_DIR}/README-windows.txt"
    -P "${CMAKE_CURRENT_LIST_DIR}/make-package.cmake"
  DEPENDS panelink ${panelink_public_headers} "${CMAKE_CURRENT_LIST_DIR}/make-package.cmake"
    "${CMAKE_CURRENT_LIST_DIR}/example.c" "${PROJECT_SOURCE_DIR}/LICENSE"
    "${CMAKE_CURRENT_BINARY_DIR}/README-windows.txt"
  COMMENT "Packaging ${PANELINK_PACKAGE_NAME}.zip"
  VERBATIM)
add_custom_target(windows_package ALL DEPENDS "${PANELINK_PACKAGE_ZIP}")
