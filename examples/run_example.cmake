# Runs one example: COMMAND (a list) must succeed and its output must match the regular expression
# EXPECT. The output is shown either way.
execute_process(COMMAND ${COMMAND} RESULT_VARIABLE result OUTPUT_VARIABLE output
                ERROR_VARIABLE output)
message("${output}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the example failed (${result})")
endif()
if(NOT output MATCHES "${EXPECT}")
  message(FATAL_ERROR "the example's output does not match: ${EXPECT}")
endif()
