#pragma once

#include "Platform/Export.hpp"

#include <optional>
#include <string>
#include <vector>

namespace platform::appcenter {

/// How much the SDK writes to the console; the values are the SDK's own.
enum class MSACLogLevel : int { verbose = 2, debug = 3, info = 4, warning = 5, error = 6, assert = 7, none = 99 };

/// The services start(appSecret:services:) can start.
enum class MSACService { analytics, crashes };

/// The App Center SDK's entry: starts the services under an app secret and
/// carries the user id that reports name.
///
/// The stand-in keeps nothing of analytics. Started with the crash service
/// and a secret that is not empty, it sends the crash reports left by the
/// previous run (MSACCrashes) to the ingestion service: "POST
/// <origin>/logs?Api-Version=1.0.0" with the headers "Content-Type"
/// ("application/json"), "install-id" (this install's id, kept in the
/// sandbox) and "app-secret", where the origin is the Info.plist string
/// "AppCenterIngestionOrigin" of the main bundle. Without an origin the
/// reports stay for a later start.
///
/// Thread-safe.
class PLATFORM_EXPORT MSACAppCenter {
public:
    MSACAppCenter() = delete;

    static void setLogLevel(MSACLogLevel level);
    /// assert until set.
    static MSACLogLevel logLevel();

    /// Starts the services; a second start adds nothing. The crash service
    /// starts recording crashes at once and, with a secret, processes the
    /// previous run's reports.
    static void start(const std::string& appSecret, const std::vector<MSACService>& services);
    /// Whether start() was called.
    static bool isConfigured();
    /// The secret and services of the first start.
    static std::optional<std::string> appSecret();
    static std::vector<MSACService> services();

    /// The user id reports carry from now on (none: no user id).
    static void setUserId(std::optional<std::string> userId);
    static std::optional<std::string> userId();

    /// The SDK's version text.
    static std::string sdkVersion();
    static constexpr const char* kSDKVersion = "5.0.4";

    /// This install's id: a UUID made on first use and kept in the sandbox.
    static std::string installId();

    /// Forgets the start, the user id and the log level; the next use of the
    /// crash service reads the sandbox again (tests).
    static void resetForTesting();
};

} // namespace platform::appcenter
