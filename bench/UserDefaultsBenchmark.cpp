// Key-value defaults under a burst of changes: a set keeps the value in memory
// and leaves the file to a background write, so its cost hardly depends on the
// size of the file; a set followed by synchronize() pays for the write
// (an atomic replace) every time. Each run reports sets per second of wall
// time; compare the two within one run.
//
//   UserDefaultsBenchmark
// gives sets per second with 10 and 1000 keys stored, for both.

#include "Platform/Foundation/UserDefaults.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

/// A defaults file in a fresh temporary folder, removed at the end.
class ScratchDefaults {
public:
    explicit ScratchDefaults(int storedKeys) {
        std::string pattern = (fs::temp_directory_path() / "vellicor-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        folder_ = pattern;
        defaults = platform::UserDefaults::create(folder_ / "bench.plist");
        for (int i = 0; i < storedKeys; ++i) defaults->set("stored" + std::to_string(i), std::string(32, 'x'));
        defaults->synchronize();
    }
    ~ScratchDefaults() {
        defaults.reset();
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    ScratchDefaults(const ScratchDefaults&) = delete;
    ScratchDefaults& operator=(const ScratchDefaults&) = delete;

    std::shared_ptr<platform::UserDefaults> defaults;

private:
    fs::path folder_;
};

void BM_Set(benchmark::State& state) {
    ScratchDefaults scratch(static_cast<int>(state.range(0)));
    std::int64_t i = 0;
    for (auto _ : state) {
        scratch.defaults->setInteger("counter", ++i);
    }
    state.SetItemsProcessed(state.iterations());
    // The last write happens when the defaults go, outside the timing.
}
BENCHMARK(BM_Set)->Arg(10)->Arg(1000)->UseRealTime();

void BM_SetAndSynchronize(benchmark::State& state) {
    ScratchDefaults scratch(static_cast<int>(state.range(0)));
    std::int64_t i = 0;
    for (auto _ : state) {
        scratch.defaults->setInteger("counter", ++i);
        scratch.defaults->synchronize();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SetAndSynchronize)->Arg(10)->Arg(1000)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
