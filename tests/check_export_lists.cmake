# Checks that the export lists kept by hand agree with the public headers: the names declared
# with PANELINK_API are exactly
#   - the EXPORTS of the Windows .def file (panelink/panelink.def),
#   - the names the ELF version script lets out (panelink/panelink.map: its global patterns, a
#     '*' standing for any text; every declared name matched, every pattern matching one), and
#   - the names tests/windows/check-exports expects in panelink.dll's export table.
# library_exports (check_exports.cmake) checks the built library itself against the headers.
# Arguments: -DHEADERS=<header;header> -DDEF=<.def> -DMAP=<.map> -DWINDOWS_CHECK=<check-exports>
include("${CMAKE_CURRENT_LIST_DIR}/declared_exports.cmake")
panelink_declared_exports(declared ${HEADERS})
list(LENGTH declared declared_count)
if(declared_count LESS 20)
  message(FATAL_ERROR "only ${declared_count} declarations found in ${HEADERS}")
endif()

set(failures "")

# Compares a list of names with the declared ones.
function(compare what names)
  list(SORT names)
  if(NOT names STREQUAL declared)
    set(missing ${declared})
    list(REMOVE_ITEM missing ${names})
    set(extra ${names})
    list(REMOVE_ITEM extra ${declared})
    set(failures "${failures}\n ${what}: missing ${missing}; not declared ${extra}" PARENT_SCOPE)
  endif()
endfunction()

# The .def file: the names after EXPORTS, comments (from ';') dropped, read as
# cmake/windows-import-libraries.cmake reads them.
file(STRINGS "${DEF}" def_lines)
set(def_names "")
set(in_exports FALSE)
foreach(line IN LISTS def_lines)
  string(REGEX REPLACE ";.*$" "" line "${line}")
  string(STRIP "${line}" line)
  if(line STREQUAL "EXPORTS")
    set(in_exports TRUE)
  elseif(in_exports AND line MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
    list(APPEND def_names "${line}")
  elseif(in_exports AND NOT line STREQUAL "")
    set(failures "${failures}\n ${DEF}: '${line}' is no export name")
  endif()
endforeach()
compare("${DEF}" "${def_names}")

# The version script: the patterns between "global:" and "local:", comments dropped.
file(READ "${MAP}" map_text)
string(REGEX REPLACE "/\\*[^*]*\\*/" "" map_text "${map_text}")
if(NOT map_text MATCHES "global:(.*)local:")
  message(FATAL_ERROR "${MAP} has no global: ... local: section")
endif()
string(REGEX MATCHALL "[A-Za-z0-9_*]+" patterns "${CMAKE_MATCH_1}")
set(map_names "")
foreach(pattern ${patterns})
  string(REPLACE "*" "[A-Za-z0-9_]*" regex "${pattern}")
  set(matched FALSE)
  foreach(name ${declared})
    if(name MATCHES "^${regex}$")
      list(APPEND map_names "${name}")
      set(matched TRUE)
    endif()
  endforeach()
  if(NOT matched)
    set(failures "${failures}\n ${MAP}: '${pattern}' lets out no declared name")
  endif()
endforeach()
list(REMOVE_DUPLICATES map_names)
compare("${MAP}" "${map_names}")

# check-exports: the names of its expected="..." list.
file(READ "${WINDOWS_CHECK}" check_text)
if(NOT check_text MATCHES "\nexpected=\"([^\"]*)\"")
  message(FATAL_ERROR "${WINDOWS_CHECK} has no expected=\"...\" list")
endif()
string(REGEX MATCHALL "[A-Za-z0-9_]+" check_names "${CMAKE_MATCH_1}")
compare("${WINDOWS_CHECK}" "${check_names}")

if(failures)
  message(FATAL_ERROR "export lists differ from the headers' ${declared_count} declarations:"
          "${failures}")
endif()
message(STATUS "the .def, the .map and check-exports name exactly the ${declared_count} "
               "declared exports")
