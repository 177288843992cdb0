# Fails unless every event command PROGRAM lists in its --help (the driver's
# own, every area's and the program's) is described in DOC, where each
# command appears in backquotes: `name ...`.
execute_process(
  COMMAND "${PROGRAM}" --help
  RESULT_VARIABLE status
  OUTPUT_VARIABLE help
  ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed (${status}):\n${err}")
endif()
string(FIND "${help}" "Event commands" start)
if(start EQUAL -1)
  message(FATAL_ERROR "${PROGRAM} --help lists no event commands:\n${help}")
endif()
string(SUBSTRING "${help}" ${start} -1 commands)
string(REGEX MATCHALL "\n  [a-z][a-z-]*" names "${commands}")
file(READ "${DOC}" doc)
set(missing "")
foreach(entry IN LISTS names)
  string(STRIP "${entry}" name)
  string(FIND "${doc}" "`${name}" found)
  if(found EQUAL -1)
    list(APPEND missing "${name}")
  endif()
endforeach()
list(LENGTH names count)
if(count EQUAL 0)
  message(FATAL_ERROR "no command names read from ${PROGRAM} --help")
endif()
if(missing)
  list(JOIN missing ", " missing)
  message(FATAL_ERROR "${DOC} does not describe: ${missing}")
endif()
