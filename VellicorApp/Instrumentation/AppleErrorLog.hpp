#pragma once

#include "VellicorApp/Instrumentation/AnyLog.hpp"

#include <string>
#include <vector>

namespace vellicor {

/// The error report of a log upload ("appleError"): a fatal, non-test report
/// marked as a customer's manual log, with no threads and no binaries.
class AppleErrorLog : public AnyLog {
public:
    AppleErrorLog(std::string timestamp, std::string appLaunchTimestamp, std::string id, DeviceInfo deviceInfo,
                  std::string userId);

    void encode(platform::Json& container) const override;

    std::string appLaunchTimestamp;
    std::string id;
    std::string applicationPath = "Kessmire/Kessmire-Phone";
    std::string osExceptionType = "Customer Manual Logs";
    std::string osExceptionCode = "0";
    std::string osExceptionAddress = "0x00";
    std::string processName = "veltrane";
    bool fatal = true;
    bool isTestMessage = false;
    std::string userId;
    std::vector<std::string> threads;
    std::vector<std::string> binaries;
};

} // namespace vellicor
