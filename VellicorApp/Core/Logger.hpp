#pragma once

#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellicor {

/// The app's log facade over the SDK's file logger of the component
/// "VellicorApp". Each line reads "<TypeName>: <message>", where the type name
/// is the unqualified name of the reporting type ("AppCoordinator",
/// "NSBundle"). There is no debug or verbose level. Thread-safe.
class Logger {
public:
    Logger() = delete;

    /// The name of the app's log component.
    static constexpr const char* kComponentName = "VellicorApp";
    /// readLogFile() keeps at most this many user-perceived characters.
    static constexpr std::size_t kMaximumLogFileCharacters = 0x200000;

    static void info(std::string_view message, std::string_view objType);
    static void warning(std::string_view message, std::string_view objType);
    static void error(std::string_view message, std::string_view objType);

    /// The app's log file for upload: a banner, then the file text, cut to
    /// kMaximumLogFileCharacters characters; none when there is no log file.
    static std::optional<std::string> readLogFile();

    /// The SDK's default logger, the app's logger and the SDK's analytics,
    /// core, offline-store, data-sync and hybrid loggers, in that order.
    static const std::vector<std::shared_ptr<platform::veltrane::VQSDKLogger>>& allLoggers();
    /// Sets every logger of allLoggers() to the info level (7).
    static void configureLogLevel();

private:
    static const std::shared_ptr<platform::veltrane::VQSDKLogger>& logger();
};

} // namespace vellicor
