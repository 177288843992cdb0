#include "Platform/Foundation/LogSink.hpp"

#include "Platform/Foundation/Clock.hpp"
#include "Platform/Foundation/FileManager.hpp"

#include <spdlog/sinks/base_sink.h>
// The library is built with its sinks instantiated for its own mutexes only;
// the file sink below takes another.
#include <spdlog/sinks/base_sink-inl.h>
#include <spdlog/spdlog.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fmt/format.h>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace platform {

std::string_view logLevelName(LogLevel level) {
    switch (level) {
    case LogLevel::error: return "ERROR";
    case LogLevel::warning: return "WARNING";
    case LogLevel::info: return "INFO";
    case LogLevel::debug: return "DEBUG";
    case LogLevel::verbose: return "VERBOSE";
    }
    return "INFO";
}

namespace {

/// A lock for a log file, held only to copy one complete line into the
/// file's buffer. A thread that finds it taken spins (then yields) instead of
/// sleeping: with many lines logged at once from several threads, a sleep
/// and a wake-up per line would cost many times the copy.
class LineLock {
public:
    void lock() {
        int spins = 0;
        while (locked_.exchange(true, std::memory_order_acquire)) {
            while (locked_.load(std::memory_order_relaxed)) {
                if (++spins < kSpinsBeforeYield) {
                    pause();
                } else {
                    std::this_thread::yield();
                }
            }
        }
    }
    void unlock() { locked_.store(false, std::memory_order_release); }

private:
    static void pause() {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }

    static constexpr int kSpinsBeforeYield = 256;
    std::atomic<bool> locked_ = false;
};

/// Appends each line, already complete, to its file. Lines are copied into a
/// large buffer under the lock and reach the file when it fills or on flush,
/// so the lock is rarely held across a write to the disk.
class LineFileSink final : public spdlog::sinks::base_sink<LineLock> {
public:
    explicit LineFileSink(const std::string& path) : file_(std::fopen(path.c_str(), "ab")) {
        if (!file_) spdlog::throw_spdlog_ex("Failed opening file " + path + " for writing", errno);
        std::setvbuf(file_, nullptr, _IOFBF, kBufferSize);
    }
    ~LineFileSink() override { std::fclose(file_); }
    LineFileSink(const LineFileSink&) = delete;
    LineFileSink& operator=(const LineFileSink&) = delete;

protected:
    void sink_it_(const spdlog::details::log_msg& message) override {
        ::fwrite_unlocked(message.payload.data(), 1, message.payload.size(), file_);
        ::fputc_unlocked('\n', file_);
    }
    void flush_() override { std::fflush(file_); }

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;
    std::FILE* file_;
};

struct SinkState {
    std::mutex mutex;
    std::uint64_t generation = 0;
    std::map<std::string, std::shared_ptr<spdlog::logger>, std::less<>> loggers;
    /// Changes whenever the table above is emptied; threads' cached loggers
    /// from before are then dropped.
    std::atomic<std::uint64_t> epoch = 0;
};

SinkState& state() {
    static auto* s = new SinkState;
    return *s;
}

std::string safeFileName(std::string_view component) {
    std::string name;
    for (char c : component) {
        const bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
        name += plain ? c : '_';
    }
    if (name.empty() || name == "." || name == "..") name = "_" + name;
    return name;
}

/// Appends "YYYY-MM-DD HH:MM:SS.mmm" (UTC) for the current time. The part up
/// to the seconds is formatted once per second and thread.
void appendTimeStamp(std::string& out) {
    struct Cached {
        std::time_t second = -1;
        std::string text;
    };
    thread_local Cached cached;
    const TimeInterval t = now();
    const auto seconds = static_cast<std::time_t>(std::floor(t));
    const int millis = static_cast<int>((t - std::floor(t)) * 1000.0);
    if (seconds != cached.second) {
        std::tm parts{};
        ::gmtime_r(&seconds, &parts);
        cached.text = fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:{:02}", parts.tm_year + 1900, parts.tm_mon + 1,
                                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
        cached.second = seconds;
    }
    out.append(cached.text);
    out.push_back('.');
    out.push_back(static_cast<char>('0' + millis / 100));
    out.push_back(static_cast<char>('0' + millis / 10 % 10));
    out.push_back(static_cast<char>('0' + millis % 10));
}

// Caller holds the lock. Files follow the sandbox: a new sandbox gets new files.
std::shared_ptr<spdlog::logger> loggerFor(SinkState& s, std::string_view component) {
    if (s.generation != Sandbox::generation()) {
        for (auto& [name, logger] : s.loggers) logger->flush();
        s.loggers.clear();
        s.generation = Sandbox::generation();
        s.epoch.fetch_add(1);
    }
    if (auto it = s.loggers.find(component); it != s.loggers.end()) return it->second;
    const auto path = LogSink::fileFor(component);
    if (path.empty()) return nullptr;
    FileManager::defaultManager().createDirectory(path.parent_path());
    std::shared_ptr<spdlog::logger> logger;
    try {
        auto sink = std::make_shared<LineFileSink>(path.string());
        logger = std::make_shared<spdlog::logger>(std::string(component), std::move(sink));
    } catch (const spdlog::spdlog_ex&) {
        return nullptr;
    }
    logger->set_pattern("%v");
    logger->set_level(spdlog::level::trace);
    s.loggers.emplace(std::string(component), logger);
    return logger;
}

/// The component's logger, from a table of the calling thread's own while
/// the sandbox and the shared table are unchanged, so that threads logging
/// at once meet only in the file's own sink. The table keeps the logger
/// alive until this thread's next call; no count is shared between threads.
spdlog::logger* cachedLoggerFor(std::string_view component) {
    struct Cache {
        std::uint64_t epoch = 0;
        std::uint64_t generation = 0;
        std::vector<std::pair<std::string, std::shared_ptr<spdlog::logger>>> entries;
    };
    thread_local Cache cache;
    auto& s = state();
    const auto epoch = s.epoch.load();
    const auto generation = Sandbox::generation();
    if (cache.epoch != epoch || cache.generation != generation) {
        cache.entries.clear();
        cache.epoch = epoch;
        cache.generation = generation;
    }
    for (const auto& [name, logger] : cache.entries) {
        if (name == component) return logger.get();
    }
    std::shared_ptr<spdlog::logger> logger;
    {
        std::lock_guard lock(s.mutex);
        logger = loggerFor(s, component);
        // The table may have been emptied while this thread waited for it;
        // the next call starts afresh.
        if (s.epoch.load() != cache.epoch) {
            cache.entries.clear();
            cache.epoch = ~std::uint64_t{0};
        }
    }
    if (!logger) return nullptr;
    cache.entries.emplace_back(std::string(component), std::move(logger));
    return cache.entries.back().second.get();
}

} // namespace

std::filesystem::path LogSink::fileFor(std::string_view component) {
    const auto caches = Sandbox::cachesDirectory();
    if (caches.empty()) return {};
    return caches / "Logs" / (safeFileName(component) + ".log");
}

void LogSink::write(std::string_view component, LogLevel level, std::string_view text) {
    // The line is put together before the lock, which guards only the choice
    // of file; the file's own sink orders the writes of several threads.
    std::string line;
    const auto levelName = logLevelName(level);
    line.reserve(24 + levelName.size() + text.size());
    appendTimeStamp(line);
    line.append(" ").append(levelName).append(" ").append(text);
    if (auto* logger = cachedLoggerFor(component)) logger->info(std::string_view(line));
}

std::optional<std::string> LogSink::readAll(std::string_view component) {
    auto& s = state();
    {
        std::lock_guard lock(s.mutex);
        if (auto it = s.loggers.find(component); it != s.loggers.end()) it->second->flush();
    }
    const auto path = fileFor(component);
    if (path.empty()) return std::nullopt;
    auto data = readFile(path);
    if (!data) return std::nullopt;
    return std::string(data->begin(), data->end());
}

void LogSink::flush() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    for (auto& [name, logger] : s.loggers) logger->flush();
}

void LogSink::closeAll() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    for (auto& [name, logger] : s.loggers) logger->flush();
    s.loggers.clear();
    s.epoch.fetch_add(1);
}

} // namespace platform
