// Runs a fuzz target over kept inputs without a fuzzer: every file named on
// the command line, and every file of every folder named, in name order.
// Fails when an input fails (the target aborts) or when there is no input.

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path = argv[i];
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path)) {
                if (entry.is_regular_file()) inputs.push_back(entry.path());
            }
        } else {
            inputs.push_back(path);
        }
    }
    std::sort(inputs.begin(), inputs.end());
    if (inputs.empty()) {
        std::fputs("replay: no inputs\n", stderr);
        return 1;
    }
    double slowest = 0;
    std::filesystem::path slowestInput;
    for (const auto& path : inputs) {
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
            return 1;
        }
        const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        // Named first, so that a failing input can be found in the output.
        std::fprintf(stderr, "replay: %s\n", path.filename().c_str());
        const auto start = std::chrono::steady_clock::now();
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (took.count() > slowest) {
            slowest = took.count();
            slowestInput = path.filename();
        }
    }
    std::printf("replayed %zu inputs; slowest %s, %.3f s\n", inputs.size(), slowestInput.c_str(), slowest);
    return 0;
}
