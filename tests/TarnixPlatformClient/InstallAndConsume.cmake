# Installs the build into a fresh prefix, then configures, builds and runs a
# small project that finds both plug-in packages and links them as a plug-in
# would:
#   BUILD_DIR        the build tree to install
#   WORK_DIR         scratch folder (prefix and consumer build go below it)
#   CONSUMER_SOURCE  the consumer project
#   GENERATOR, CXX_COMPILER, CXX_FLAGS   how to build the consumer
set(prefix ${WORK_DIR}/prefix)
set(consumer_build ${WORK_DIR}/consumer-build)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

function(run step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${step} failed (${status}):\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(file IN ITEMS
    include/Platform/Foundation/Bundle.hpp
    include/TarnixPlatformClient/TarnixNativeService.hpp
    include/TarnixKORVAInstrumentation/TarnixKORVALogger.hpp
    lib/cmake/VellicorPlatform/VellicorPlatformConfig.cmake
    lib/cmake/TarnixPlatformClient/TarnixPlatformClientConfig.cmake
    lib/cmake/TarnixKORVAInstrumentation/TarnixKORVAInstrumentationConfig.cmake)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

run("configure the consumer" ${CMAKE_COMMAND}
  -S ${CONSUMER_SOURCE} -B ${consumer_build} -G ${GENERATOR}
  -DCMAKE_BUILD_TYPE=Debug
  -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
  "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}"
  -DCMAKE_PREFIX_PATH=${prefix}
  -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON)
run("build the consumer" ${CMAKE_COMMAND} --build ${consumer_build})
run("run the consumer" ${consumer_build}/TarnixPluginConsumer ${WORK_DIR}/sandbox)
message(STATUS "${last_output}")
if(NOT last_output MATCHES "plug-in libraries work")
  message(FATAL_ERROR "the consumer did not report success:\n${last_output}")
endif()
