// Navigation-action decisions of a community screen's model, with full rule
// lists (20 patterns per way of opening, as in LinkClassificationBenchmark):
// the URL rules, the logout test and the login-redirect test of every
// navigation, and the "Handling" log line each one writes. Reported as
// decisions per second and, measured side by side in alternating batches, as
// a ratio to classifying the same link alone; compare ratios within one run.
//
//   NavigationDecisionBenchmark --benchmark_filter=Ratio

#include "bench/AppBenchmarkSupport.hpp"

#include "VellicorApp/Community/UrlClassification.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Hybrid/CommunityHybridViewModel.hpp"

#include "Platform/Web/WebView.hpp"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

using namespace vellicor;
using platform::web::NavigationActionPolicy;

namespace {

/// A link no rule claims: the base rules decide (no re-authentication, no login redirect).
constexpr const char* kCommunityLink = "https://community.example.test/s/topic/0TO000000000001?tab=all";
/// A link the last list claims: handed to the screen as an external URL.
constexpr const char* kRuledLink = "https://cookie9.example.org/path9/deeper";

/// A community model with 20 rules per type, and a web view to decide for.
struct Setup {
    Setup() {
        AppContext::current()->setManagedURLs(benchsupport::ruleSet(20));
        auto config = platform::veltrane::VQHybridViewConfig::create(platform::Json::object());
        model = CommunityHybridViewModel::create(
            config, HybridViewOAuthCoordinator(nullptr, std::string("https://community.example.test/s/")));
    }
    std::shared_ptr<CommunityHybridViewModel> model;
    std::shared_ptr<platform::web::WebView> webView = platform::web::WebView::create();
};

NavigationActionPolicy decide(Setup& setup, const platform::web::NavigationAction& action) {
    NavigationActionPolicy decision = NavigationActionPolicy::cancel;
    setup.model->decidePolicyForNavigationAction(*setup.webView, action,
                                                 [&](NavigationActionPolicy policy) { decision = policy; });
    return decision;
}

platform::web::NavigationAction action(const char* link) {
    platform::web::NavigationAction made;
    made.request = platform::HttpRequest(platform::Url::parse(link).value());
    made.navigationType = platform::web::NavigationType::linkActivated;
    return made;
}

void decideEach(benchmark::State& state, const char* link) {
    Setup setup;
    const auto navigation = action(link);
    for (auto _ : state) benchmark::DoNotOptimize(decide(setup, navigation));
    state.SetItemsProcessed(state.iterations());
}

void BM_DecideCommunityLink(benchmark::State& state) { decideEach(state, kCommunityLink); }
BENCHMARK(BM_DecideCommunityLink);

void BM_DecideRuledLink(benchmark::State& state) { decideEach(state, kRuledLink); }
BENCHMARK(BM_DecideRuledLink);

// The cost of a decision against the cost of classifying the same link,
// measured in alternating batches so that both see the same load.
void BM_DecisionToClassificationRatio(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    constexpr int kBatch = 500;
    Setup setup;
    const auto navigation = action(kCommunityLink);
    const auto& url = *navigation.request.url;
    Clock::duration deciding{};
    Clock::duration classifying{};
    for (auto _ : state) {
        auto start = Clock::now();
        for (int i = 0; i < kBatch; ++i) benchmark::DoNotOptimize(decide(setup, navigation));
        deciding += Clock::now() - start;
        start = Clock::now();
        for (int i = 0; i < kBatch; ++i) benchmark::DoNotOptimize(isManagedURL(url));
        classifying += Clock::now() - start;
    }
    const double count = static_cast<double>(state.iterations()) * kBatch;
    const double nsDecision = std::chrono::duration<double, std::nano>(deciding).count() / count;
    const double nsClassification = std::chrono::duration<double, std::nano>(classifying).count() / count;
    state.counters["ns_per_decision"] = nsDecision;
    state.counters["ns_per_classification"] = nsClassification;
    state.counters["decisions_per_s"] = 1e9 / nsDecision;
    state.counters["ratio_decision_to_classification"] = nsDecision / nsClassification;
    state.SetItemsProcessed(static_cast<std::int64_t>(count));
}
BENCHMARK(BM_DecisionToClassificationRatio);

} // namespace

int main(int argc, char** argv) {
    // A login host that refuses at once: the org's sign-in configuration is not fetched from outside.
    return benchsupport::runAppBenchmarks(
        argc, argv, [] { AppContext::current()->userAccountManager->setLoginHost("127.0.0.1:9"); });
}
