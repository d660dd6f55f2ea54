# Runs PROGRAM, writes its standard output to ACTUAL and fails unless it is
# byte-identical to EXPECTED.
execute_process(COMMAND ${PROGRAM} OUTPUT_FILE ${ACTUAL} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} exited with ${status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED} ${ACTUAL} RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "The report differs from ${EXPECTED}; see ${ACTUAL}")
endif()
