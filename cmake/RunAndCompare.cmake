# Runs PROGRAM on the event script EVENTS, after the arguments of the list
# ARGS when given, with a fresh --data folder DATA (without DATA the program
# chooses its data folder). RUNS (default 1) runs it that many times in a
# row, each run checked alike.
# With EXPECTED: the run must succeed and its standard output equal the file;
# with neither EXPECTED nor EXPECT_FAILURE it must only succeed.
# With EXPECT_FAILURE: the run must fail and standard error contain the text.
if(NOT DEFINED RUNS)
  set(RUNS 1)
endif()
set(data_args)
if(DEFINED DATA)
  file(REMOVE_RECURSE "${DATA}")
  set(data_args --data "${DATA}")
endif()
foreach(run RANGE 1 ${RUNS})
  execute_process(
    COMMAND "${PROGRAM}" ${ARGS} --events "${EVENTS}" --quiet ${data_args}
    RESULT_VARIABLE status
    OUTPUT_VARIABLE out
    ERROR_VARIABLE err)
  if(DEFINED EXPECT_FAILURE)
    if(status EQUAL 0)
      message(FATAL_ERROR "expected run ${run} to fail; output:\n${out}")
    endif()
    string(FIND "${err}" "${EXPECT_FAILURE}" found)
    if(found EQUAL -1)
      message(FATAL_ERROR "standard error of run ${run} lacks '${EXPECT_FAILURE}':\n${err}")
    endif()
    continue()
  endif()
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "run ${run} failed (${status}):\n${err}\noutput:\n${out}")
  endif()
  if(NOT DEFINED EXPECTED)
    continue()
  endif()
  file(READ "${EXPECTED}" expected)
  if(NOT out STREQUAL expected)
    set(actual "${CMAKE_CURRENT_BINARY_DIR}/actual.txt")
    if(DEFINED DATA)
      set(actual "${DATA}/actual.txt")
    endif()
    file(WRITE "${actual}" "${out}")
    message(FATAL_ERROR "output of run ${run} differs from ${EXPECTED} (actual in ${actual}):\n${out}")
  endif()
endforeach()
