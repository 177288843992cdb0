# Bad command lines of scripts/run (PROGRAM): each row's arguments (split at
# commas) must end the run with status 2, and standard error must name the
# fault.
set(rows
  "--events|--events needs a file"
  "--events,--preview|--events needs a file"
  "--events,no-such.events|cannot read the events file 'no-such.events'"
  "--data|--data needs a folder"
  "--build-dir|--build-dir needs a folder"
  "--bogus|unknown option '--bogus'")
foreach(row IN LISTS rows)
  string(REPLACE "," ";" row "${row}")
  string(REPLACE "|" ";" parts "${row}")
  list(GET parts -1 expected)
  list(REMOVE_AT parts -1)
  execute_process(
    COMMAND "${PROGRAM}" --no-build --build-dir "${BUILD_DIR}" ${parts}
    RESULT_VARIABLE status
    OUTPUT_VARIABLE out
    ERROR_VARIABLE err)
  if(NOT status EQUAL 2)
    message(SEND_ERROR "scripts/run ${parts}: status ${status}, not 2:\n${err}")
  endif()
  string(FIND "${err}" "scripts/run: ${expected}" found)
  if(found EQUAL -1)
    message(SEND_ERROR "scripts/run ${parts}: standard error lacks 'scripts/run: ${expected}':\n${err}")
  endif()
endforeach()
