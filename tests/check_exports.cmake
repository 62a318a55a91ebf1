# Checks that the shared library exports exactly the functions its public headers declare with
# PANELINK_API: none missing, nothing else (no C++ or standard-library symbols).
# Arguments: -DLIBRARY=<file> -DNM=<nm> -DHEADERS=<header;header>
include("${CMAKE_CURRENT_LIST_DIR}/declared_exports.cmake")
panelink_declared_exports(declared ${HEADERS})

execute_process(COMMAND "${NM}" -D --defined-only "${LIBRARY}" OUTPUT_VARIABLE listing
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[ \t][TWDBRV][ \t]+[^\n]+" rows "${listing}")
set(exported "")
foreach(row ${rows})
  string(REGEX REPLACE "^[ \t][TWDBRV][ \t]+" "" name "${row}")
  list(APPEND exported "${name}")
endforeach()
list(SORT exported)

list(LENGTH declared declared_count)
if(declared_count LESS 20)
  message(FATAL_ERROR "only ${declared_count} declarations found in ${HEADERS}")
endif()
if(NOT declared STREQUAL exported)
  set(missing ${declared})
  list(REMOVE_ITEM missing ${exported})
  set(extra ${exported})
  list(REMOVE_ITEM extra ${declared})
  message(FATAL_ERROR "exports differ from the headers\n missing: ${missing}\n extra: ${extra}")
endif()
message(STATUS "${declared_count} exports, exactly as declared")
