#include "Platform/Foundation/LogSink.hpp"

#include "Platform/Foundation/Clock.hpp"
#include "Platform/Foundation/FileManager.hpp"

#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <cmath>
#include <ctime>
#include <fmt/format.h>
#include <map>
#include <mutex>

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

struct SinkState {
    std::mutex mutex;
    std::uint64_t generation = 0;
    std::map<std::string, std::shared_ptr<spdlog::logger>, std::less<>> loggers;
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
    }
    if (auto it = s.loggers.find(component); it != s.loggers.end()) return it->second;
    const auto path = LogSink::fileFor(component);
    if (path.empty()) return nullptr;
    FileManager::defaultManager().createDirectory(path.parent_path());
    std::shared_ptr<spdlog::logger> logger;
    try {
        auto sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>(path.string(), false);
        logger = std::make_shared<spdlog::logger>(std::string(component), std::move(sink));
    } catch (const spdlog::spdlog_ex&) {
        return nullptr;
    }
    logger->set_pattern("%v");
    logger->set_level(spdlog::level::trace);
    s.loggers.emplace(std::string(component), logger);
    return logger;
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
    std::shared_ptr<spdlog::logger> logger;
    {
        auto& s = state();
        std::lock_guard lock(s.mutex);
        logger = loggerFor(s, component);
    }
    if (logger) logger->info(std::string_view(line));
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
}

} // namespace platform
