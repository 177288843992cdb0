# Precompiled headers for the heaviest headers nearly every file includes:
# nlohmann/json with the standard library it pulls in for the libraries, and
# GoogleTest and GoogleMock on top for the test programs. Only third-party and
# standard headers go in, so editing our own headers never rebuilds them.
#
# GCC uses a precompiled header only when it was made with the same code
# generation flags (-fPIC for libraries, -fPIE for programs, sanitizers), so
# each library makes its own, and the test programs share one made by a
# small program of their kind. -Winvalid-pch (added by CMake) and -Werror
# turn a mismatch into an error instead of a silent slow build.
#
#   -DVELLICOR_PRECOMPILED_HEADERS=OFF builds without them (for checking that
#   each file includes what it uses).
#
# GCC 12 forgets, for headers read from a precompiled header, that they are
# system headers, so its false -Warray-bounds and -Wstringop-overflow reports
# inside std::string at -O2 (see -Wno-restrict at the top) become errors. With
# it, only unoptimised builds (the sanitizer stages, the slowest) use them.

set(precompile_by_default ON)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13
   AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
  set(precompile_by_default OFF)
endif()
option(VELLICOR_PRECOMPILED_HEADERS "Precompile the heaviest common headers" ${precompile_by_default})

set(VELLICOR_PCH_HEADERS
  <algorithm> <chrono> <filesystem> <functional> <map> <memory> <mutex> <optional>
  <string> <string_view> <unordered_map> <vector>
  <nlohmann/json.hpp>)

set(VELLICOR_TEST_PCH_HEADERS ${VELLICOR_PCH_HEADERS} <gtest/gtest.h> <gmock/gmock.h>)

# vellicor_precompile_headers(<target>...): each library its own.
function(vellicor_precompile_headers)
  if(NOT VELLICOR_PRECOMPILED_HEADERS)
    return()
  endif()
  foreach(target IN LISTS ARGN)
    target_precompile_headers(${target} PRIVATE ${VELLICOR_PCH_HEADERS})
  endforeach()
endfunction()

# vellicor_use_test_precompiled_headers(<target>): the test programs' shared one.
function(vellicor_use_test_precompiled_headers target)
  if(NOT VELLICOR_PRECOMPILED_HEADERS)
    return()
  endif()
  if(NOT TARGET VellicorTestPrecompiledHeaders)
    set(stub ${PROJECT_BINARY_DIR}/VellicorTestPrecompiledHeaders.cpp)
    file(CONFIGURE OUTPUT ${stub} CONTENT "int main() { return 0; }\n")
    add_executable(VellicorTestPrecompiledHeaders ${stub})
    target_link_libraries(VellicorTestPrecompiledHeaders PRIVATE
      nlohmann_json::nlohmann_json GTest::gtest GTest::gmock)
    target_precompile_headers(VellicorTestPrecompiledHeaders PRIVATE ${VELLICOR_TEST_PCH_HEADERS})
  endif()
  target_precompile_headers(${target} REUSE_FROM VellicorTestPrecompiledHeaders)
endfunction()
