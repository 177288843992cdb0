#include "Platform/Foundation/Console.hpp"

#include <cstdio>
#include <mutex>

namespace platform {

namespace {
struct ConsoleState {
    std::mutex mutex;
    std::vector<std::string> lines;
    bool muted = false;
};
ConsoleState& state() {
    static auto* s = new ConsoleState;
    return *s;
}
constexpr std::size_t kMaxLines = 10'000;
} // namespace

void Console::log(std::string_view line) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    if (s.lines.size() == kMaxLines) s.lines.erase(s.lines.begin(), s.lines.begin() + kMaxLines / 2);
    s.lines.emplace_back(line);
    if (!s.muted) std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
}

std::vector<std::string> Console::lines() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.lines;
}

bool Console::contains(std::string_view text) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    for (const auto& line : s.lines) {
        if (line.find(text) != std::string::npos) return true;
    }
    return false;
}

void Console::clear() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.lines.clear();
}

void Console::setMuted(bool muted) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.muted = muted;
}

} // namespace platform
