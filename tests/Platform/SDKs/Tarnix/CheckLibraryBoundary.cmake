# Checks the boundary between the platform library and the plug-in bridge
# stand-in on the built files:
#   PLATFORM  libVellicorPlatform.so: loads no plug-in library and defines
#             nothing of the bridge
#   BRIDGE    libTarnixBridge.so: loads the platform and the plug-in client,
#             and carries no copy of either (every function it defines is
#             its own, in platform::tarnixbridge)
foreach(var IN ITEMS NM READELF PLATFORM BRIDGE)
  if(NOT ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

function(read_library library out_symbols out_dynamic)
  execute_process(COMMAND ${NM} -D -C --defined-only ${library}
    OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${library}")
  endif()
  execute_process(COMMAND ${READELF} -d ${library}
    OUTPUT_VARIABLE dynamic RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${READELF} failed on ${library}")
  endif()
  string(REPLACE ";" "\\;" symbols "${symbols}")
  string(REPLACE "\n" ";" symbols "${symbols}")
  set(${out_symbols} "${symbols}" PARENT_SCOPE)
  set(${out_dynamic} "${dynamic}" PARENT_SCOPE)
endfunction()

set(errors "")

read_library(${PLATFORM} platform_symbols platform_dynamic)
if(platform_dynamic MATCHES "Shared library: \\[libTarnix")
  string(APPEND errors "  ${PLATFORM} loads a plug-in library\n")
endif()
foreach(line IN LISTS platform_symbols)
  if(line MATCHES "^[0-9a-fA-F]+ [A-Za-z] (platform::tarnixbridge::|tarnix::)")
    string(APPEND errors "  ${PLATFORM} defines ${line}\n")
  endif()
endforeach()

read_library(${BRIDGE} bridge_symbols bridge_dynamic)
foreach(needed IN ITEMS libVellicorPlatform.so libTarnixPlatformClient.so)
  string(FIND "${bridge_dynamic}" "Shared library: [${needed}" at)
  if(at EQUAL -1)
    string(APPEND errors "  ${BRIDGE} does not load ${needed}\n")
  endif()
endforeach()
set(own 0)
foreach(line IN LISTS bridge_symbols)
  if(line MATCHES "^[0-9a-fA-F]+ T (.*)$")
    set(name "${CMAKE_MATCH_1}")
    if(name MATCHES "^platform::tarnixbridge::")
      math(EXPR own "${own} + 1")
    elseif(name MATCHES "^(platform|tarnix)::")
      string(APPEND errors "  ${BRIDGE} carries a copy of ${name}\n")
    endif()
  endif()
endforeach()
if(own EQUAL 0)
  string(APPEND errors "  ${BRIDGE} exports no function of its own\n")
endif()

if(errors)
  message(FATAL_ERROR "Library boundary:\n${errors}")
endif()
message(STATUS "Library boundary holds (${own} bridge functions exported)")
