# Runs PROGRAM the way a user would and checks what it does.
#   ARGS            arguments, separated by '|'
#   STACK_KIB       run under this stack size limit (ulimit -s)
#   STDOUT_FILE     where standard output goes (default: ACTUAL)
#   EXPECTED        standard output must equal this file byte for byte
#   STDOUT_REGEX    standard output must match this
#   STDERR_REGEX    standard error must match this; without it, it must be empty
#   EXIT_CODE       the exit status required (default 0)
#   PIPE_TO_HEAD    pipe standard output into 'head -n N' and check only that
if(NOT DEFINED EXIT_CODE)
  set(EXIT_CODE 0)
endif()
if(NOT DEFINED ACTUAL)
  set(ACTUAL ${CMAKE_CURRENT_BINARY_DIR}/program_output.txt)
endif()
if(NOT DEFINED STDOUT_FILE)
  set(STDOUT_FILE ${ACTUAL})
endif()
string(REPLACE "|" ";" ARGS "${ARGS}")
string(REPLACE ";" " " args "${ARGS}")

if(DEFINED PIPE_TO_HEAD)
  execute_process(COMMAND sh -c "\"${PROGRAM}\" ${args} | head -n ${PIPE_TO_HEAD}"
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  string(REGEX MATCHALL "\n" newlines "${out}")
  list(LENGTH newlines lines)
  if(NOT lines EQUAL PIPE_TO_HEAD OR NOT err STREQUAL "")
    message(FATAL_ERROR "piped into head: ${lines} lines, standard error '${err}'")
  endif()
  return()
endif()

if(DEFINED STACK_KIB)
  set(command sh -c "ulimit -s ${STACK_KIB} && exec \"${PROGRAM}\" ${args}")
else()
  set(command ${PROGRAM} ${ARGS})
endif()
execute_process(COMMAND ${command} OUTPUT_FILE ${STDOUT_FILE} ERROR_VARIABLE err
                RESULT_VARIABLE status)

if(NOT status STREQUAL EXIT_CODE)
  message(FATAL_ERROR "exit status ${status}, expected ${EXIT_CODE}; standard error: ${err}")
endif()
if(DEFINED STDERR_REGEX)
  if(NOT err MATCHES "${STDERR_REGEX}")
    message(FATAL_ERROR "standard error '${err}' does not match '${STDERR_REGEX}'")
  endif()
elseif(NOT err STREQUAL "")
  message(FATAL_ERROR "unexpected standard error: ${err}")
endif()
if(DEFINED EXPECTED)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED} ${STDOUT_FILE}
                  RESULT_VARIABLE differ)
  if(NOT differ EQUAL 0)
    message(FATAL_ERROR "standard output differs from ${EXPECTED}; see ${STDOUT_FILE}")
  endif()
endif()
if(DEFINED STDOUT_REGEX)
  file(READ ${STDOUT_FILE} out)
  if(NOT out MATCHES "${STDOUT_REGEX}")
    message(FATAL_ERROR "standard output does not match '${STDOUT_REGEX}'")
  endif()
endif()
