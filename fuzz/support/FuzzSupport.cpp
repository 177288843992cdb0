#include "fuzz/support/FuzzSupport.hpp"

#include "Platform/Foundation/Clock.hpp"
#include "Platform/Foundation/Console.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/LogSink.hpp"
#include "Platform/Foundation/UserDefaults.hpp"
#include "Platform/SDKs/Veltrane/KeychainHelper.hpp"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fuzzsupport {
namespace {

std::vector<std::filesystem::path>& temporaryFolders() {
    static std::vector<std::filesystem::path> folders;
    return folders;
}

void removeTemporaryFolders() {
    platform::LogSink::closeAll();
    platform::UserDefaults::synchronizeAll();
    for (const auto& folder : temporaryFolders()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
}

std::filesystem::path makeTemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vellicor-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::fputs("fuzz: cannot create a temporary folder\n", stderr);
        std::abort();
    }
    if (temporaryFolders().empty()) std::atexit(removeTemporaryFolders);
    temporaryFolders().push_back(pattern);
    return pattern;
}

} // namespace

std::pair<std::string_view, std::string_view> firstLine(std::string_view input) {
    const auto newline = input.find('\n');
    if (newline == std::string_view::npos) return {input, {}};
    return {input.substr(0, newline), input.substr(newline + 1)};
}

std::vector<std::string> lastingCookieLines(std::string_view text) {
    const auto soon = static_cast<long long>(std::time(nullptr)) + 60;
    std::vector<std::string> lines;
    while (!text.empty()) {
        const auto [line, rest] = firstLine(text);
        text = rest;
        // domain, subdomains, path, secure, expiry, name, value
        std::size_t tabs = 0;
        std::size_t expiry = 0;
        for (std::size_t i = 0; i < line.size() && tabs < 4; ++i) {
            if (line[i] == '\t' && ++tabs == 4) expiry = i + 1;
        }
        if (tabs == 4 && std::atoll(std::string(line.substr(expiry)).c_str()) > soon) lines.emplace_back(line);
    }
    return lines;
}

void setUpPlatform() {
    static const bool done = [] {
        // 2023-11-14 22:13:20 UTC, the tests' start time.
        platform::setCurrentClock(std::make_shared<platform::ManualClock>(1'700'000'000.0));
        platform::MainQueue::bindToCurrentThread();
        platform::Console::setMuted(true);
        platform::Sandbox::setRoot(makeTemporaryFolder());
        platform::veltrane::KeychainHelper::setDeviceKeyFolder(makeTemporaryFolder());
        (void)scratchFolder();
        return true;
    }();
    (void)done;
}

const std::filesystem::path& scratchFolder() {
    static const auto folder = makeTemporaryFolder();
    return folder;
}

void endInput() {
    platform::MainQueue::runUntilIdle();
    platform::Console::clear();
    // Log lines would fill the disk over millions of inputs.
    static unsigned inputs = 0;
    if (++inputs % 4096 == 0) {
        platform::LogSink::closeAll();
        if (const auto root = platform::Sandbox::root()) {
            std::error_code ignored;
            std::filesystem::remove_all(*root / "Library" / "Caches" / "Logs", ignored);
        }
    }
}

void fail(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, condition);
    std::abort();
}

} // namespace fuzzsupport
