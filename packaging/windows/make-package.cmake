# Stages and zips the Windows package of panelink.dll (the build step of the target
# windows_package, see package.cmake):
#   <name>/bin/panelink.dll                   the DLL, stripped of its symbols and debug data
#   <name>/include/panelink/*.h               the public headers
#   <name>/lib/panelink.lib                   the MSVC import library
#   <name>/lib/libpanelink.dll.a              the mingw import library
#   <name>/lib/panelink.def                   the .def file both are made from
#   <name>/example.c, LICENSE, README.txt     (README.txt with Windows line ends)
# into OUT_DIR/<name>.zip, <name> being panelink-<version>-windows-<arch>.
#
#   cmake -DNAME=... -DOUT_DIR=... -DDLL=... -DSTRIP=... -DMSVC_IMPLIB=... -DMINGW_IMPLIB=...
#         -DDEF=... -DINCLUDE_DIR=... -DEXAMPLE=... -DLICENSE=... -DREADME=... -P make-package.cmake
foreach(var NAME OUT_DIR DLL STRIP MSVC_IMPLIB MINGW_IMPLIB DEF INCLUDE_DIR EXAMPLE LICENSE README)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "windows package: ${var} is not set")
  endif()
endforeach()

set(stage "${OUT_DIR}/${NAME}")
file(REMOVE_RECURSE "${stage}" "${OUT_DIR}/${NAME}.zip")
file(MAKE_DIRECTORY "${stage}/bin" "${stage}/lib" "${stage}/include")

execute_process(COMMAND "${STRIP}" --strip-all -o "${stage}/bin/panelink.dll" "${DLL}"
  RESULT_VARIABLE strip_result)
if(NOT strip_result EQUAL 0)
  message(FATAL_ERROR "windows package: ${STRIP} failed on ${DLL}")
endif()
file(COPY "${MSVC_IMPLIB}" "${MINGW_IMPLIB}" "${DEF}" DESTINATION "${stage}/lib")
file(COPY "${INCLUDE_DIR}/panelink" DESTINATION "${stage}/include" FILES_MATCHING PATTERN "*.h")
file(COPY "${EXAMPLE}" "${LICENSE}" DESTINATION "${stage}")
file(READ "${README}" readme)
string(REPLACE "\r\n" "\n" readme "${readme}")
string(REPLACE "\n" "\r\n" readme "${readme}")
file(WRITE "${stage}/README.txt" "${readme}")

execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${NAME}.zip" --format=zip "${NAME}"
  WORKING_DIRECTORY "${OUT_DIR}" RESULT_VARIABLE zip_result)
if(NOT zip_result EQUAL 0)
  message(FATAL_ERROR "windows package: zipping ${stage} failed")
endif()
