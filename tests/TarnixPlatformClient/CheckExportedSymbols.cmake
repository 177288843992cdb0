# Checks the dynamic symbol table of a shared object:
#   LIBRARY    the shared object
#   SONAME     its expected SONAME
#   NEEDED     libraries it must load at run time (prefixes of NEEDED entries)
#   REQUIRED   texts each of which must start a defined, demangled symbol name
#   FORBIDDEN  texts that no defined, demangled symbol name may contain
# A defined function of the platform library ("T platform::") means the
# object carries a copy of it instead of linking it.
foreach(var IN ITEMS NM READELF LIBRARY SONAME)
  if(NOT ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

execute_process(COMMAND ${NM} -D -C --defined-only ${LIBRARY}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()
execute_process(COMMAND ${READELF} -d ${LIBRARY}
  OUTPUT_VARIABLE dynamic RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${READELF} failed on ${LIBRARY}")
endif()

# One entry per symbol: "<address> <type> <name>" → "<type> <name>".
string(REPLACE ";" "\\;" symbols "${symbols}")
string(REPLACE "\n" ";" lines "${symbols}")
set(names "")
set(errors "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[0-9a-fA-F]+ ([A-Za-z]) (.*)$")
    list(APPEND names "${CMAKE_MATCH_2}")
    if(CMAKE_MATCH_1 STREQUAL "T" AND CMAKE_MATCH_2 MATCHES "^platform::")
      string(APPEND errors "  carries a platform function: ${CMAKE_MATCH_2}\n")
    endif()
  endif()
endforeach()

foreach(required IN LISTS REQUIRED)
  set(found FALSE)
  foreach(name IN LISTS names)
    string(FIND "${name}" "${required}" at)
    if(at EQUAL 0)
      set(found TRUE)
      break()
    endif()
  endforeach()
  if(NOT found)
    string(APPEND errors "  does not export: ${required}\n")
  endif()
endforeach()

foreach(forbidden IN LISTS FORBIDDEN)
  foreach(name IN LISTS names)
    string(FIND "${name}" "${forbidden}" at)
    if(NOT at EQUAL -1)
      string(APPEND errors "  exports an internal symbol: ${name}\n")
    endif()
  endforeach()
endforeach()

string(FIND "${dynamic}" "Library soname: [${SONAME}]" at)
if(at EQUAL -1)
  string(APPEND errors "  SONAME is not ${SONAME}\n")
endif()
foreach(needed IN LISTS NEEDED)
  string(FIND "${dynamic}" "Shared library: [${needed}" at)
  if(at EQUAL -1)
    string(APPEND errors "  does not load ${needed}\n")
  endif()
endforeach()

if(errors)
  message(FATAL_ERROR "${LIBRARY}:\n${errors}")
endif()
list(LENGTH names count)
message(STATUS "${LIBRARY}: ${count} exported symbols checked")
