# Runs CMD with ARGS and fails unless its exit status is EXPECT.
execute_process(COMMAND ${CMD} ${ARGS} RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
if(NOT status EQUAL EXPECT)
  message(FATAL_ERROR "exit status ${status}, expected ${EXPECT}")
endif()
