// The marker centre's hot paths: a timed marker created, started, ended and
// logged, one interaction logged on the main thread, and bursts of logged
// markers timed until they are all in the event store on disk. Each run
// reports time per operation and markers per second; compare ratios within
// one run.

#include "bench/AppBenchmarkSupport.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerCenter.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/SDKs/Veltrane/VQSDKEventStoreManager.hpp"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <string>

using namespace vellicor;

namespace {

/// Waits for the events queued so far to be stored, then empties the store,
/// so that one benchmark's background work does not run into the next.
void settleAndClearEvents() {
    platform::MainQueue::runUntil([] { return platform::BackgroundActivity::inFlight() == 0; }, 120.0);
    platform::veltrane::VQSDKEventStoreManager::sharedInstance()->deleteAllEvents();
}

void lifecycle(KORVAMarkerCenter& center) {
    const auto id = center.createMarker(KORVAMarkerName::perfTest, KORVAMarkerType::performance);
    center.start(id);
    center.end(id);
    center.log(id);
}

/// Created, started, ended and logged on the main thread, through the
/// process's centre into the analytics (events are stored in the background).
void BM_MarkerCreatedEndedLogged(benchmark::State& state) {
    const auto center = KORVAMarkerCenter::current();
    for (auto _ : state) lifecycle(*center);
    state.SetItemsProcessed(state.iterations());
    settleAndClearEvents();
}
BENCHMARK(BM_MarkerCreatedEndedLogged)->Unit(benchmark::kMicrosecond)->UseRealTime();

/// The same through a centre whose logged markers go nowhere: the centre's
/// own cost, from one thread and from several at once on one centre.
void BM_MarkerCreatedEndedLoggedCentreOnly(benchmark::State& state) {
    static const auto center = KORVAMarkerCenter::create([](std::shared_ptr<const KORVAMarker> marker) {
        benchmark::DoNotOptimize(marker);
    });
    for (auto _ : state) lifecycle(*center);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MarkerCreatedEndedLoggedCentreOnly)->Unit(benchmark::kMicrosecond)->Threads(1)->Threads(4)->UseRealTime();

/// One interaction logged on the main thread, as a screen logs it.
void BM_LogInteractionOnMainThread(benchmark::State& state) {
    const auto center = KORVAMarkerCenter::current();
    const platform::Json attributes = {{"isColdStart", "warmStart"}};
    for (auto _ : state) center->logInteraction(KORVAMarkerName::universalLinks, attributes);
    state.SetItemsProcessed(state.iterations());
    settleAndClearEvents();
}
BENCHMARK(BM_LogInteractionOnMainThread)->Unit(benchmark::kMicrosecond)->UseRealTime();

/// Bursts of interactions logged on the main thread, each timed until every
/// marker of it is stored durably: markers per second end to end.
void BM_MarkersLoggedUntilStored(benchmark::State& state) {
    const auto center = KORVAMarkerCenter::current();
    const platform::Json attributes = {{"isColdStart", "warmStart"}};
    const auto burst = state.range(0);
    double seconds = 0;
    settleAndClearEvents();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (std::int64_t i = 0; i < burst; ++i) center->logInteraction(KORVAMarkerName::universalLinks, attributes);
        platform::MainQueue::runUntil([] { return platform::BackgroundActivity::inFlight() == 0; }, 120.0);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(elapsed.count());
        seconds += elapsed.count();
        platform::veltrane::VQSDKEventStoreManager::sharedInstance()->deleteAllEvents();
    }
    state.SetItemsProcessed(state.iterations() * burst);
    state.counters["markers_per_second"] = seconds > 0 ? static_cast<double>(state.iterations() * burst) / seconds : 0;
}
BENCHMARK(BM_MarkersLoggedUntilStored)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseManualTime();

} // namespace

int main(int argc, char** argv) {
    return benchsupport::runAppBenchmarks(argc, argv, [] { (void)AppContext::current(); });
}
