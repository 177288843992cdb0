#pragma once

#include "Platform/Export.hpp"

#include <optional>
#include <string>

namespace platform::veltrane {

/// Web helpers of the SDK. The configured user agent is the one the SDK's own
/// web requests carry; it is kept for the life of the process.
class PLATFORM_EXPORT VQSDKWebUtils {
public:
    /// Makes `userAgent` the agent of the SDK's web requests; an empty text
    /// is ignored.
    static void configureUserAgent(const std::string& userAgent);
    /// The agent configured last; none before the first configuration.
    static std::optional<std::string> configuredUserAgent();
    static void resetForTesting();
};

} // namespace platform::veltrane
