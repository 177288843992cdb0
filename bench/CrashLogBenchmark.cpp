// The crash and log texts that leave the device: masking user ids in a crash
// attachment of 14 MB that names 10,000 users, and the App Center document of
// a log upload of 2 MB. Each run reports time per text and bytes per second;
// compare ratios within one run.
//
//   CrashLogBenchmark --benchmark_filter=Mask
// gives the masking's throughput with many ids against a text without any.

#include "bench/AppBenchmarkSupport.hpp"

#include "VellicorApp/Instrumentation/AppCenterLogUploader.hpp"
#include "VellicorApp/Instrumentation/ObfuscatedString.hpp"

#include <benchmark/benchmark.h>

#include <string>

using namespace vellicor;

namespace {

constexpr std::size_t kCrashLogBytes = 14 * 1024 * 1024;

/// Log lines up to `bytes`, every fourth naming one of `users` user ids.
std::string crashLog(std::size_t bytes, int users) {
    std::string text;
    text.reserve(bytes + 128);
    for (int line = 0; text.size() < bytes; ++line) {
        text += "2026-01-01 10:00:00.000 INFO [CommunityHybridViewModel] Page load finished in 1200 ms";
        if (users > 0 && line % 4 == 0) {
            const auto user = std::to_string(10000 + (line / 4) % users);
            text += " for 005ab0cdef" + user.substr(user.size() - 5) + (line % 8 == 0 ? "XYZ" : "");
        }
        text += "\n";
    }
    return text;
}

void BM_MaskUserIdsOfACrashLog(benchmark::State& state) {
    const auto text = crashLog(kCrashLogBytes, static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(obfuscatedString(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_MaskUserIdsOfACrashLog)->Arg(0)->Arg(10'000)->Unit(benchmark::kMillisecond);

void BM_AppCenterDocumentOfALog(benchmark::State& state) {
    const auto text = crashLog(2 * 1024 * 1024, 0);
    const AppCenterLogUploader uploader("E621E1F8-C36C-495A-93FC-0C247A3E6E5F", nullptr);
    for (auto _ : state) benchmark::DoNotOptimize(uploader.constructPayload(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_AppCenterDocumentOfALog)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return benchsupport::runAppBenchmarks(argc, argv); }
