# Runs PROGRAM on the event script EVENTS with a fresh --data folder DATA,
# after the arguments of the list ARGS when given.
# With EXPECTED: the run must succeed and its standard output equal the file;
# with neither EXPECTED nor EXPECT_FAILURE it must only succeed.
# With EXPECT_FAILURE: the run must fail and standard error contain the text.
file(REMOVE_RECURSE "${DATA}")
execute_process(
  COMMAND "${PROGRAM}" ${ARGS} --events "${EVENTS}" --quiet --data "${DATA}"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)
if(DEFINED EXPECT_FAILURE)
  if(status EQUAL 0)
    message(FATAL_ERROR "expected the run to fail; output:\n${out}")
  endif()
  string(FIND "${err}" "${EXPECT_FAILURE}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "standard error lacks '${EXPECT_FAILURE}':\n${err}")
  endif()
  return()
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the run failed (${status}):\n${err}\noutput:\n${out}")
endif()
if(NOT DEFINED EXPECTED)
  return()
endif()
file(READ "${EXPECTED}" expected)
if(NOT out STREQUAL expected)
  file(WRITE "${DATA}/actual.txt" "${out}")
  message(FATAL_ERROR "output differs from ${EXPECTED} (actual in ${DATA}/actual.txt):\n${out}")
endif()
