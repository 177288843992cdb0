# One test program per *Test.cpp file, so that a test file is built and run
# on its own; each is registered with CTest through gtest_discover_tests and
# compiled with the test programs' shared precompiled header.
#
#   vellicor_add_test_dir(DIR <dir> LABEL <label> LIBRARIES <libs...>)
function(vellicor_add_test_dir)
  cmake_parse_arguments(ARG "" "DIR;LABEL" "LIBRARIES;SOURCES" ${ARGN})
  file(GLOB test_files CONFIGURE_DEPENDS ${ARG_DIR}/*Test.cpp)
  foreach(file IN LISTS test_files)
    get_filename_component(name ${file} NAME_WE)
    set(target ${ARG_LABEL}_${name})
    string(REPLACE "/" "_" target ${target})
    add_executable(${target} ${file} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE VellicorTestSupport ${ARG_LIBRARIES})
    vellicor_use_test_precompiled_headers(${target})
    gtest_discover_tests(${target}
      DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS ${ARG_LABEL} TIMEOUT 120)
  endforeach()
endfunction()
