// Link classification with full edited rule lists (20 patterns per way of
// opening, half absolute and half relative): a link no rule claims (every
// pattern tried), a link the last list claims, and the community test of the
// web view. Each run reports time per classification and classifications per
// second; compare ratios within one run.

#include "VellicorApp/Community/BundleManagedURLs.hpp"
#include "VellicorApp/Community/UrlClassification.hpp"
#include "VellicorApp/Shell/AppContext.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/Console.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/LogSink.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace vellicor;

namespace {

std::vector<std::string> rules(const std::string& prefix) {
    std::vector<std::string> list;
    for (int i = 0; i < 10; ++i) {
        list.push_back("https://" + prefix + std::to_string(i) + ".example.org/path" + std::to_string(i));
        list.push_back("/" + prefix + "-topic-" + std::to_string(i));
    }
    return list;
}

void installRules() {
    setManagedURLs(AppContext::current(),
                   std::make_shared<BundleManagedURLs>(rules("external"), rules("browser"), rules("cookie"),
                                                       rules("within"), "InAppBrowser"));
}

void classify(benchmark::State& state, const char* link) {
    installRules();
    const auto url = platform::Url::parse(link).value();
    for (auto _ : state) benchmark::DoNotOptimize(isManagedURL(url));
    state.SetItemsProcessed(state.iterations());
}

void BM_ClassifyUnclaimedLink(benchmark::State& state) {
    classify(state, "https://elsewhere.example.net/some/page?q=1");
}
BENCHMARK(BM_ClassifyUnclaimedLink);

void BM_ClassifyLinkOfTheLastList(benchmark::State& state) {
    classify(state, "https://cookie9.example.org/path9/deeper");
}
BENCHMARK(BM_ClassifyLinkOfTheLastList);

void BM_ShouldTreatAsInternalWebAppLink(benchmark::State& state) {
    installRules();
    const auto url = platform::Url::parse("https://community.example.test/s/article/hello").value();
    for (auto _ : state) benchmark::DoNotOptimize(shouldTreatAsInternalWebAppLink(url));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ShouldTreatAsInternalWebAppLink);

} // namespace

int main(int argc, char** argv) {
    // A sandbox of its own, the sample app package as the main bundle, the
    // calling thread as the main thread.
    std::string pattern = (std::filesystem::temp_directory_path() / "vellicor-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    const std::filesystem::path sandbox = pattern;
    platform::Sandbox::setRoot(sandbox);
    platform::Bundle::setMainBundlePath(VELLICOR_APP_RESOURCES_DIR);
    platform::MainQueue::bindToCurrentThread();
    platform::Console::setMuted(true);
    AppContext::current()->userAccountManager->setLoginHost("community.example.test");

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    platform::LogSink::closeAll();
    std::error_code ignored;
    std::filesystem::remove_all(sandbox, ignored);
    return 0;
}
