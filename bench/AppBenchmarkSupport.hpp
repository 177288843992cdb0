#pragma once

// What the app's benchmark programs share: the run in a sandbox of its own
// over the sample app package, and URL rule sets of a given size.

#include "VellicorApp/Community/BundleManagedURLs.hpp"
#include "VellicorApp/SampleResources.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/Console.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/LogSink.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace benchsupport {

/// `perType` URL patterns, half absolute and half relative.
inline std::vector<std::string> rulePatterns(const std::string& prefix, int perType) {
    std::vector<std::string> list;
    for (int i = 0; i < perType / 2; ++i) {
        list.push_back("https://" + prefix + std::to_string(i) + ".example.org/path" + std::to_string(i));
        list.push_back("/" + prefix + "-topic-" + std::to_string(i));
    }
    return list;
}

/// Rules with `perType` patterns for each way of opening a link.
inline std::shared_ptr<vellicor::ManagedURLs> ruleSet(int perType) {
    return std::make_shared<vellicor::BundleManagedURLs>(rulePatterns("external", perType),
                                                         rulePatterns("browser", perType),
                                                         rulePatterns("cookie", perType),
                                                         rulePatterns("within", perType), "InAppBrowser");
}

/// Runs the program's benchmarks in a sandbox of their own (removed at the
/// end), with the sample app package as the main bundle and the calling
/// thread as the main thread; `prepare` runs first, once all that is set.
inline int runAppBenchmarks(int argc, char** argv, const std::function<void()>& prepare = {}) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vellicor-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    const std::filesystem::path sandbox = pattern;
    platform::Sandbox::setRoot(sandbox);
    platform::Bundle::setMainBundlePath(vellicor::sampleResourcesDirectory());
    platform::MainQueue::bindToCurrentThread();
    platform::Console::setMuted(true);
    if (prepare) prepare();

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    platform::MainQueue::runUntilIdle();
    platform::LogSink::closeAll();
    std::error_code ignored;
    std::filesystem::remove_all(sandbox, ignored);
    return 0;
}

} // namespace benchsupport
