# Runs `PROGRAM solve FILE` from the file's directory and checks the outcome.
#   FILE      a file in tests/dimacs
#   EXIT_CODE 10 or 20: standard error must be empty, standard output must
#             hold the matching `s` line, and STEPS (if given) must be the
#             `c steps` count; 10 also needs `v` lines ending with 0
#             (SOLVER: solved with --solver SOLVER, and COST its cost line)
#             1: standard output must be empty and standard error must be
#             exactly "satphase: FILE" followed by STDERR_TAIL and a newline
get_filename_component(directory ${FILE} DIRECTORY)
get_filename_component(name ${FILE} NAME)
set(solver_option)
if(DEFINED SOLVER)
  set(solver_option --solver ${SOLVER})
endif()
execute_process(COMMAND ${PROGRAM} solve ${name} ${solver_option} WORKING_DIRECTORY ${directory}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
if(NOT status STREQUAL EXIT_CODE)
  message(FATAL_ERROR "exit status ${status}, expected ${EXIT_CODE}; standard error: ${err}")
endif()

if(EXIT_CODE EQUAL 1)
  if(NOT out STREQUAL "")
    message(FATAL_ERROR "standard output should be empty but holds: ${out}")
  endif()
  if(NOT err STREQUAL "satphase: ${name}${STDERR_TAIL}\n")
    message(FATAL_ERROR "standard error '${err}', expected 'satphase: ${name}${STDERR_TAIL}'")
  endif()
  return()
endif()

if(NOT err STREQUAL "")
  message(FATAL_ERROR "unexpected standard error: ${err}")
endif()
if(EXIT_CODE EQUAL 10)
  set(verdict_regex "\ns SATISFIABLE\n(v( -?[1-9][0-9]*)*\n)*v( -?[1-9][0-9]*)* 0\n$")
else()
  set(verdict_regex "\ns UNSATISFIABLE\n$")
endif()
if(NOT out MATCHES "^(c[^\n]*\n)+s [A-Z]+\n" OR NOT out MATCHES "${verdict_regex}")
  message(FATAL_ERROR "standard output is not the verdict expected:\n${out}")
endif()
if(DEFINED STEPS AND NOT out MATCHES "\nc steps ${STEPS}\n")
  message(FATAL_ERROR "not ${STEPS} steps:\n${out}")
endif()
# With SOLVER: the solver named, and COST (such as "branches 3") its cost line.
if(DEFINED SOLVER AND NOT out MATCHES "\nc solver ${SOLVER}\nc ${COST}\n")
  message(FATAL_ERROR "not solver ${SOLVER} at ${COST}:\n${out}")
endif()
