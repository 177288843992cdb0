# Runs PROGRAM (TsanPlantedRace, ThreadSanitizer build) and passes only when
# ThreadSanitizer reports the race it plants: the run fails and its first
# report is a data race between the handler's write and the test's write.
execute_process(
  COMMAND "${PROGRAM}"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)
set(all "${out}\n${err}")
if(status EQUAL 0)
  message(FATAL_ERROR "the planted race went unreported: the run passed.\n${all}")
endif()
string(FIND "${err}" "WARNING: ThreadSanitizer:" first)
if(first EQUAL -1)
  message(FATAL_ERROR "the run failed (${status}) without a ThreadSanitizer report:\n${all}")
endif()
string(SUBSTRING "${err}" ${first} -1 report)
string(FIND "${report}" "SUMMARY: ThreadSanitizer" end)
if(NOT end EQUAL -1)
  string(SUBSTRING "${report}" 0 ${end} report)
endif()
foreach(expected "WARNING: ThreadSanitizer: data race" "plantedWriteInHandler" "plantedWriteInTest")
  string(FIND "${report}" "${expected}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "the first ThreadSanitizer report is not the planted race (no '${expected}'):\n${all}")
  endif()
endforeach()
message(STATUS "ThreadSanitizer reported the planted race:\n${report}")
