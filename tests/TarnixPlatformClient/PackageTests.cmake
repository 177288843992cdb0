# Tests of the plug-in libraries' boundary: what their shared objects export,
# and that an installed copy can be found and linked by a project built
# elsewhere, as a plug-in would be.

set(tarnix_package_dir ${CMAKE_CURRENT_BINARY_DIR}/TarnixPackages)

# Exported symbols: the public API is visible, internal helpers are not, and
# neither library carries its own copy of the platform (or of the client).
add_test(NAME PluginClient.ExportedSymbols
  COMMAND ${CMAKE_COMMAND}
    -DNM=${CMAKE_NM}
    -DREADELF=${CMAKE_READELF}
    -DLIBRARY=$<TARGET_FILE:TarnixPlatformClient>
    -DSONAME=libTarnixPlatformClient.so.1
    "-DNEEDED=libVellicorPlatform.so"
    "-DREQUIRED=tarnix::TarnixNativeService::serviceIsEnabled(;tarnix::TarnixLoggerUtils::getPluginVersion[abi:cxx11](;tarnix::EnablementCheckResult::success();tarnix::EnablementCheckResult::failure(;tarnix::localizedDescription[abi:cxx11](tarnix::ServiceAccessError const&);tarnix::tarnixLogLevel(int);tarnix::description[abi:cxx11](tarnix::TarnixLogLevel);tarnix::TarnixPluginFailure::errorDescription[abi:cxx11]() const;typeinfo for tarnix::TarnixLogger;typeinfo for tarnix::TarnixNativeService;typeinfo for tarnix::TarnixPluginFailure"
    "-DFORBIDDEN=tarnix::detail::;(anonymous namespace)"
    -P ${CMAKE_CURRENT_LIST_DIR}/CheckExportedSymbols.cmake)
add_test(NAME PluginInstrumentation.ExportedSymbols
  COMMAND ${CMAKE_COMMAND}
    -DNM=${CMAKE_NM}
    -DREADELF=${CMAKE_READELF}
    -DLIBRARY=$<TARGET_FILE:TarnixKORVAInstrumentation>
    -DSONAME=libTarnixKORVAInstrumentation.so.1
    "-DNEEDED=libVellicorPlatform.so;libTarnixPlatformClient.so"
    "-DREQUIRED=tarnix::TarnixKORVALogger::create(;tarnix::TarnixKORVALogger::log(;tarnix::TarnixKORVALogger::tarnixTaskStarted(;tarnix::TarnixKORVALogger::tarnixTaskEnded(;tarnix::TarnixKORVAMarker::create(;tarnix::TarnixKORVAMarker::start();tarnix::TarnixKORVAMarker::stop(;typeinfo for tarnix::TarnixKORVALogger;vtable for tarnix::TarnixKORVALogger"
    "-DFORBIDDEN=tarnix::detail::;(anonymous namespace);tarnix::TarnixNativeService::;tarnix::EnablementCheckResult::"
    -P ${CMAKE_CURRENT_LIST_DIR}/CheckExportedSymbols.cmake)
set_tests_properties(PluginClient.ExportedSymbols PROPERTIES LABELS PluginClient)
set_tests_properties(PluginInstrumentation.ExportedSymbols PROPERTIES LABELS PluginInstrumentation)

# The consumer is built with the flags the libraries were built with: a
# sanitizer build's libraries need the sanitizer runtime in the program.
set(tarnix_consumer_flags "")
if(VELLICOR_SANITIZE)
  set(tarnix_consumer_flags "-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer")
elseif(VELLICOR_TSAN)
  set(tarnix_consumer_flags "-fsanitize=thread -fno-omit-frame-pointer")
endif()

add_test(NAME PluginClient.InstalledPackagesLinkAPlugin
  COMMAND ${CMAKE_COMMAND}
    -DBUILD_DIR=${CMAKE_BINARY_DIR}
    -DWORK_DIR=${tarnix_package_dir}
    -DCONSUMER_SOURCE=${CMAKE_CURRENT_LIST_DIR}/consumer
    -DGENERATOR=${CMAKE_GENERATOR}
    -DCXX_COMPILER=${CMAKE_CXX_COMPILER}
    "-DCXX_FLAGS=${tarnix_consumer_flags}"
    -P ${CMAKE_CURRENT_LIST_DIR}/InstallAndConsume.cmake)
set_tests_properties(PluginClient.InstalledPackagesLinkAPlugin PROPERTIES
  LABELS "PluginClient;PluginInstrumentation"
  TIMEOUT 300)
