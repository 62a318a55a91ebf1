# Writes the import library of panelink.dll for callers that link against it with the public
# header: their stdcall calls reference decorated symbols (_DetectHID@12), while the DLL exports
# the undecorated names of panelink.def. dlltool --kill-at maps each decorated symbol to its
# undecorated export. The decorations (argument bytes) are read from the library's objects, so
# the def file keeps the plain names only.
#
#   cmake -DNM=... -DDLLTOOL=... -DDEF=panelink.def -DOBJECTS="a.obj|b.obj" -DDLL_NAME=panelink.dll
#         -DIMPLIB=libpanelink.dll.a -DWORK_DIR=... -P mingw-import-library.cmake
foreach(var NM DLLTOOL DEF OBJECTS DLL_NAME IMPLIB WORK_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "mingw-import-library: ${var} is not set")
  endif()
endforeach()

string(REPLACE "|" ";" object_list "${OBJECTS}")
execute_process(COMMAND "${NM}" --defined-only ${object_list}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE nm_result)
if(NOT nm_result EQUAL 0)
  message(FATAL_ERROR "mingw-import-library: ${NM} failed")
endif()

file(STRINGS "${DEF}" def_lines)
set(decorated_def "LIBRARY ${DLL_NAME}\nEXPORTS\n")
set(in_exports FALSE)
foreach(line IN LISTS def_lines)
  string(REGEX REPLACE ";.*$" "" line "${line}")
  string(STRIP "${line}" line)
  if(line STREQUAL "EXPORTS")
    set(in_exports TRUE)
  elseif(in_exports AND line MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
    if(symbols MATCHES " T _${line}@([0-9]+)\n")
      string(APPEND decorated_def "    ${line}@${CMAKE_MATCH_1}\n")
    else()
      message(FATAL_ERROR "mingw-import-library: no stdcall symbol for export ${line}")
    endif()
  endif()
endforeach()

file(WRITE "${WORK_DIR}/panelink-decorated.def" "${decorated_def}")
execute_process(COMMAND "${DLLTOOL}" --input-def "${WORK_DIR}/panelink-decorated.def"
  --dllname "${DLL_NAME}" --output-lib "${IMPLIB}" --kill-at RESULT_VARIABLE dlltool_result)
if(NOT dlltool_result EQUAL 0)
  message(FATAL_ERROR "mingw-import-library: ${DLLTOOL} failed")
endif()
