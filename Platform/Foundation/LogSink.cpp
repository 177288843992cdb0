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

std::string timeStamp() {
    const TimeInterval t = now();
    const auto seconds = static_cast<std::time_t>(std::floor(t));
    const int millis = static_cast<int>((t - std::floor(t)) * 1000.0);
    std::tm parts{};
    ::gmtime_r(&seconds, &parts);
    return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:{:02}.{:03}", parts.tm_year + 1900, parts.tm_mon + 1,
                       parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, millis);
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
    auto& s = state();
    std::lock_guard lock(s.mutex);
    if (auto logger = loggerFor(s, component)) {
        logger->info("{} {} {}", timeStamp(), logLevelName(level), text);
    }
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
