// Link classification with full rule lists (20 patterns per way of opening,
// the edited lists' limit, half absolute and half relative) and with ten
// times as many: a link no rule claims, a link the last list claims, and the
// community test of the web view. Each run reports time per classification
// and classifications per second; compare ratios within one run. The rule set
// is compiled once per benchmark, as the app does it once per change.
//
//   LinkClassificationBenchmark --benchmark_filter=Unclaimed
// gives the classifications per second of an unclaimed link with 20 and 200
// rules per type, and the ratio of the two costs measured side by side.

#include "bench/AppBenchmarkSupport.hpp"

#include "VellicorApp/Community/UrlClassification.hpp"
#include "VellicorApp/Core/AppContext.hpp"

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

using namespace vellicor;

namespace {

constexpr const char* kUnclaimedLink = "https://elsewhere.example.net/some/page?q=1";

using benchsupport::ruleSet;

void installRules(int perType) { AppContext::current()->setManagedURLs(ruleSet(perType)); }

void classify(benchmark::State& state, const char* link) {
    installRules(static_cast<int>(state.range(0)));
    const auto url = platform::Url::parse(link).value();
    for (auto _ : state) benchmark::DoNotOptimize(isManagedURL(url));
    state.SetItemsProcessed(state.iterations());
}

void BM_ClassifyUnclaimedLink(benchmark::State& state) { classify(state, kUnclaimedLink); }
BENCHMARK(BM_ClassifyUnclaimedLink)->Arg(20)->Arg(200);

void BM_ClassifyLinkOfTheLastList(benchmark::State& state) {
    classify(state, "https://cookie9.example.org/path9/deeper");
}
BENCHMARK(BM_ClassifyLinkOfTheLastList)->Arg(20)->Arg(200);

// The cost of an unclaimed link under 200 rules per type against its cost
// under 20, measured in alternating batches so that both see the same load.
void BM_UnclaimedLinkCostOf200RulesAgainst20(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    constexpr int kBatch = 1000;
    const auto context = AppContext::current();
    const auto few = ruleSet(20);
    const auto many = ruleSet(200);
    const auto url = platform::Url::parse(kUnclaimedLink).value();
    few->matcher();
    many->matcher();
    Clock::duration withFew{};
    Clock::duration withMany{};
    const auto batch = [&](const std::shared_ptr<ManagedURLs>& rules) {
        context->setManagedURLs(rules);
        const auto start = Clock::now();
        for (int i = 0; i < kBatch; ++i) benchmark::DoNotOptimize(isManagedURL(url));
        return Clock::now() - start;
    };
    for (auto _ : state) {
        withFew += batch(few);
        withMany += batch(many);
    }
    const double links = static_cast<double>(state.iterations()) * kBatch;
    const double nsWithFew = std::chrono::duration<double, std::nano>(withFew).count() / links;
    const double nsWithMany = std::chrono::duration<double, std::nano>(withMany).count() / links;
    state.counters["ns_per_link_20"] = nsWithFew;
    state.counters["ns_per_link_200"] = nsWithMany;
    state.counters["ratio_200_to_20"] = nsWithMany / nsWithFew;
    state.SetItemsProcessed(static_cast<std::int64_t>(links) * 2);
}
BENCHMARK(BM_UnclaimedLinkCostOf200RulesAgainst20);

void BM_ShouldTreatAsInternalWebAppLink(benchmark::State& state) {
    installRules(20);
    const auto url = platform::Url::parse("https://community.example.test/s/article/hello").value();
    for (auto _ : state) benchmark::DoNotOptimize(shouldTreatAsInternalWebAppLink(url));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ShouldTreatAsInternalWebAppLink);

} // namespace

int main(int argc, char** argv) {
    return benchsupport::runAppBenchmarks(
        argc, argv, [] { AppContext::current()->userAccountManager->setLoginHost("community.example.test"); });
}
