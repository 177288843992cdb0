#pragma once

#include "Platform/Export.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class LogLevel { error, warning, info, debug, verbose };

PLATFORM_EXPORT std::string_view logLevelName(LogLevel level);

/// Per-component text log files in the sandbox (Library/Caches/Logs/<component>.log),
/// written through spdlog. Thread-safe.
class PLATFORM_EXPORT LogSink {
public:
    /// Appends one line for the component: time stamp, level, text.
    static void write(std::string_view component, LogLevel level, std::string_view text);
    /// The component's whole log file, or none when it has none.
    static std::optional<std::string> readAll(std::string_view component);
    /// The file a component's lines go to.
    static std::filesystem::path fileFor(std::string_view component);
    /// Flushes every open log file.
    static void flush();
    /// Closes every open log file (files stay on disk).
    static void closeAll();
};

} // namespace platform
