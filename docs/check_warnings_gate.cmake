# Proves that the Doxyfile of the API reference fails on incomplete documentation: Doxygen runs
# with that Doxyfile (included, only INPUT and OUTPUT_DIRECTORY changed) over copies of the two
# public headers, each copy with one piece of documentation taken out, and must fail naming what
# is missing; over the unchanged headers it must pass without a warning and document every
# export.
# Arguments: -DDOXYGEN=<doxygen> -DDOXYFILE=<the configured Doxyfile>
#            -DHEADER_DIR=<panelink/include/panelink> -DWORK_DIR=<scratch folder>
cmake_minimum_required(VERSION 3.25)

set(failures 0)

# Takes `anchor` out of `text`: `line` removes the line that holds it, `text` the anchor itself,
# `comment` the documentation block right before it. The anchor must occur exactly once.
function(remove_documentation text_var kind anchor)
  set(text "${${text_var}}")
  string(FIND "${text}" "${anchor}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "'${anchor}' is not in the header")
  endif()
  string(LENGTH "${anchor}" anchor_length)
  math(EXPR after "${at} + ${anchor_length}")
  string(SUBSTRING "${text}" ${after} -1 rest)
  string(FIND "${rest}" "${anchor}" again)
  if(NOT again EQUAL -1)
    message(FATAL_ERROR "'${anchor}' occurs more than once in the header")
  endif()
  string(SUBSTRING "${text}" 0 ${at} before)

  if(kind STREQUAL "text")
    set(cut_from ${at})
    set(cut_to ${after})
  elseif(kind STREQUAL "line")
    string(FIND "${before}" "\n" line_start REVERSE)
    math(EXPR cut_from "${line_start} + 1")
    string(FIND "${rest}" "\n" line_end)
    math(EXPR cut_to "${after} + ${line_end} + 1")
  elseif(kind STREQUAL "comment")
    string(FIND "${before}" "/**" cut_from REVERSE)
    string(FIND "${before}" "*/" block_end REVERSE)
    if(cut_from EQUAL -1 OR block_end LESS cut_from)
      message(FATAL_ERROR "no documentation block before '${anchor}'")
    endif()
    math(EXPR gap_start "${block_end} + 2")
    string(SUBSTRING "${before}" ${gap_start} -1 gap)
    if(NOT gap MATCHES "^[ \n]*$")
      message(FATAL_ERROR "the block before '${anchor}' is not right before it")
    endif()
    set(cut_to ${at})
  else()
    message(FATAL_ERROR "unknown change '${kind}'")
  endif()

  string(SUBSTRING "${text}" 0 ${cut_from} head)
  string(SUBSTRING "${text}" ${cut_to} -1 tail)
  set(${text_var} "${head}${tail}" PARENT_SCOPE)
endfunction()

# One row of the table: runs Doxygen over the headers with `header` changed (none: unchanged)
# and expects a failure whose warnings contain the text `expected`, or, with `expected` empty, a
# clean run.
function(gate_case name header kind anchor expected)
  set(dir "${WORK_DIR}/${name}")
  file(REMOVE_RECURSE "${dir}")
  file(MAKE_DIRECTORY "${dir}/in")
  file(COPY "${HEADER_DIR}/panelink.h" "${HEADER_DIR}/simulation.h" DESTINATION "${dir}/in")
  if(NOT kind STREQUAL "none")
    file(READ "${dir}/in/${header}" text)
    remove_documentation(text "${kind}" "${anchor}")
    file(WRITE "${dir}/in/${header}" "${text}")
  endif()
  file(WRITE "${dir}/Doxyfile" "@INCLUDE = \"${DOXYFILE}\"\n"
       "INPUT = \"${dir}/in/panelink.h\" \"${dir}/in/simulation.h\"\n"
       "OUTPUT_DIRECTORY = \"${dir}/out\"\n"
       "STRIP_FROM_PATH = \"${dir}/in\"\n")

  string(TIMESTAMP started "%s")
  execute_process(COMMAND "${DOXYGEN}" "${dir}/Doxyfile" WORKING_DIRECTORY "${dir}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(TIMESTAMP finished "%s")
  math(EXPR seconds "${finished} - ${started}")
  set(log "${out}${err}")

  set(problem "")
  if(expected STREQUAL "")
    if(NOT status EQUAL 0 OR NOT err STREQUAL "")
      set(problem "expected a clean run, got status ${status}")
    else()
      # Every export of the real headers has its own documented entry.
      foreach(base panelink simulation)
        file(READ "${dir}/in/${base}.h" source)
        file(READ "${dir}/out/html/${base}_8h.html" page)
        string(REGEX MATCHALL "PANELINK_API [^;(\n]*[ *]([A-Za-z0-9_]+)\\(" declarations "${source}")
        list(LENGTH declarations count)
        if(count EQUAL 0)
          string(APPEND problem "no exports found in ${base}.h; ")
        endif()
        foreach(declaration ${declarations})
          string(REGEX REPLACE ".*[ *]([A-Za-z0-9_]+)\\($" "\\1" export "${declaration}")
          string(FIND "${page}" ">${export}()</h2>" entry)
          if(entry EQUAL -1)
            string(APPEND problem "${export} has no entry in ${base}_8h.html; ")
          endif()
        endforeach()
      endforeach()
    endif()
  elseif(status EQUAL 0)
    set(problem "expected a failure, Doxygen succeeded")
  else()
    string(FIND "${log}" "${expected}" named)
    if(named EQUAL -1)
      set(problem "Doxygen failed without the warning '${expected}'")
    endif()
  endif()

  if(problem STREQUAL "")
    message(STATUS "${name}: as expected (status ${status}, ${seconds} s)")
  else()
    message(SEND_ERROR "${name}: ${problem}\n${log}")
  endif()
endfunction()

#         name                       header       change   anchor                                     warning expected
gate_case(real_headers               ""           none     ""                                         "")
gate_case(param_removed              panelink.h   line     "@param product_id the product ID"         "parameter 'product_id'")
gate_case(return_removed             panelink.h   line     "@return always 1 (the result carries"     "member RetrieveStatus is not documented")
gate_case(export_comment_removed     panelink.h   comment  "PANELINK_API int32_t PANELINK_CALL Write7" "Member Write7Segment(")
gate_case(field_comment_removed      panelink.h   text     "/**< 846: top-level collection usage page */" "Member UsagePage (variable)")
gate_case(sim_param_removed          simulation.h line     "@param capacity bytes available at"       "parameter 'capacity'")
gate_case(sim_export_comment_removed simulation.h comment  "PANELINK_API void PANELINK_CALL panelink_sim_reset" "Member panelink_sim_reset(")
