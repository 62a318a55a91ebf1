# Writes the import libraries of panelink.dll and the .def file shipped with them, after the DLL
# is linked (a POST_BUILD step of the panelink target):
#   - the mingw import library (libpanelink.dll.a), on x86 only: there the callers' stdcall calls
#     reference decorated symbols (_DetectHID@12), while the DLL exports the undecorated names of
#     panelink.def, and dlltool --kill-at maps each decorated symbol to its undecorated export
#     (on x64 the linker's own import library is right as it is);
#   - the MSVC import library (panelink.lib), with llvm-dlltool: short import objects only, as
#     Microsoft's tools write them, which link.exe and lld-link accept also under x86 /SAFESEH
#     (dlltool's long-format objects are refused there). On x86 each member's symbol is the
#     decorated name (_DetectHID@12) and its import name type "undecorate", so the loader binds
#     the plain export (DetectHID);
#   - the .def file both are made from (EXPORTS_DEF): on x86 with the decorations
#     (DetectHID@12, the form dlltool -k / llvm-dlltool -k read), on x64 the plain names.
# The decorations (argument bytes) are read from the library's objects, so panelink.def keeps
# the plain names only.
#
#   cmake -DARCH=x86|x64 -DNM=... -DDLLTOOL=... -DLLVM_DLLTOOL=... -DDEF=panelink.def
#         -DOBJECTS="a.obj|b.obj" -DDLL_NAME=panelink.dll -DIMPLIB=libpanelink.dll.a
#         -DMSVC_IMPLIB=panelink.lib -DEXPORTS_DEF=.../panelink.def -P windows-import-libraries.cmake
foreach(var ARCH NM DEF OBJECTS DLL_NAME EXPORTS_DEF)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "windows-import-libraries: ${var} is not set")
  endif()
endforeach()
if(NOT ARCH MATCHES "^(x86|x64)$")
  message(FATAL_ERROR "windows-import-libraries: ARCH is x86 or x64, not '${ARCH}'")
endif()

string(REPLACE "|" ";" object_list "${OBJECTS}")
execute_process(COMMAND "${NM}" --defined-only ${object_list}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE nm_result)
if(NOT nm_result EQUAL 0)
  message(FATAL_ERROR "windows-import-libraries: ${NM} failed")
endif()

file(STRINGS "${DEF}" def_lines)
set(exports_def "LIBRARY ${DLL_NAME}\nEXPORTS\n")
set(in_exports FALSE)
foreach(line IN LISTS def_lines)
  string(REGEX REPLACE ";.*$" "" line "${line}")
  string(STRIP "${line}" line)
  if(line STREQUAL "EXPORTS")
    set(in_exports TRUE)
  elseif(in_exports AND line MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
    if(ARCH STREQUAL "x86")
      if(symbols MATCHES " T _${line}@([0-9]+)\n")
        string(APPEND exports_def "    ${line}@${CMAKE_MATCH_1}\n")
      else()
        message(FATAL_ERROR "windows-import-libraries: no stdcall symbol for export ${line}")
      endif()
    elseif(symbols MATCHES " T ${line}\n")
      string(APPEND exports_def "    ${line}\n")
    else()
      message(FATAL_ERROR "windows-import-libraries: no symbol for export ${line}")
    endif()
  endif()
endforeach()
file(WRITE "${EXPORTS_DEF}" "${exports_def}")

if(ARCH STREQUAL "x86")
  if(NOT DLLTOOL OR NOT IMPLIB)
    message(FATAL_ERROR "windows-import-libraries: DLLTOOL and IMPLIB are needed on x86")
  endif()
  # --temp-prefix names the library's members (panelinks00001.o, ...), which would otherwise
  # carry the build folder's path; dlltool writes its temporary files into the working folder.
  get_filename_component(implib_dir "${IMPLIB}" DIRECTORY)
  execute_process(COMMAND "${DLLTOOL}" --input-def "${EXPORTS_DEF}" --dllname "${DLL_NAME}"
    --output-lib "${IMPLIB}" --kill-at --temp-prefix panelink
    WORKING_DIRECTORY "${implib_dir}" RESULT_VARIABLE dlltool_result)
  if(NOT dlltool_result EQUAL 0)
    message(FATAL_ERROR "windows-import-libraries: ${DLLTOOL} failed")
  endif()
endif()

if(LLVM_DLLTOOL AND MSVC_IMPLIB)
  if(ARCH STREQUAL "x86")
    set(machine i386)
    set(kill_at -k)
  else()
    set(machine i386:x86-64)
    set(kill_at)
  endif()
  file(REMOVE "${MSVC_IMPLIB}")
  execute_process(COMMAND "${LLVM_DLLTOOL}" -m ${machine} -d "${EXPORTS_DEF}" -D "${DLL_NAME}"
    -l "${MSVC_IMPLIB}" ${kill_at} RESULT_VARIABLE llvm_result)
  if(NOT llvm_result EQUAL 0 OR NOT EXISTS "${MSVC_IMPLIB}")
    message(FATAL_ERROR "windows-import-libraries: ${LLVM_DLLTOOL} failed")
  endif()
endif()
