#include "VellicorApp/Instrumentation/AppleErrorLog.hpp"

namespace vellicor {

AppleErrorLog::AppleErrorLog(std::string timestamp, std::string appLaunchTimestamp, std::string id,
                             DeviceInfo deviceInfo, std::string userId)
    : AnyLog("appleError", std::move(timestamp), std::move(deviceInfo)),
      appLaunchTimestamp(std::move(appLaunchTimestamp)), id(std::move(id)), userId(std::move(userId)) {}

void AppleErrorLog::encode(platform::Json& container) const {
    AnyLog::encode(container);
    container["appLaunchTimestamp"] = appLaunchTimestamp;
    container["id"] = id;
    container["applicationPath"] = applicationPath;
    container["osExceptionType"] = osExceptionType;
    container["osExceptionCode"] = osExceptionCode;
    container["osExceptionAddress"] = osExceptionAddress;
    container["processName"] = processName;
    container["fatal"] = fatal;
    container["isTestMessage"] = isTestMessage;
    container["userId"] = userId;
    container["threads"] = threads;
    container["binaries"] = binaries;
}

} // namespace vellicor
