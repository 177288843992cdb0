#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Url.hpp"

#include <optional>
#include <string>

namespace platform::zentari {

/// The push module's configuration, as its builder made it.
struct PLATFORM_EXPORT PushConfig {
    std::string appId;
    std::string accessToken;
    std::optional<Url> serverUrl;
    std::string mid;
    bool inboxEnabled = false;
    bool locationEnabled = false;
    bool applicationControlsBadging = false;
    bool delayRegistrationUntilContactKeyIsSet = false;
    bool analyticsEnabled = false;

    bool operator==(const PushConfig&) const = default;
};

/// Builds the push module's configuration, one setting a call. Not shared
/// between threads.
class PLATFORM_EXPORT PushConfigBuilder {
public:
    explicit PushConfigBuilder(std::string appId) { config_.appId = std::move(appId); }

    PushConfigBuilder& setAccessToken(std::string token);
    PushConfigBuilder& setZentariServerUrl(Url url);
    PushConfigBuilder& setMid(std::string mid);
    PushConfigBuilder& setInboxEnabled(bool enabled);
    PushConfigBuilder& setLocationEnabled(bool enabled);
    PushConfigBuilder& setApplicationControlsBadging(bool enabled);
    PushConfigBuilder& setDelayRegistrationUntilContactKeyIsSet(bool enabled);
    PushConfigBuilder& setAnalyticsEnabled(bool enabled);
    PushConfig build() const { return config_; }

private:
    PushConfig config_;
};

} // namespace platform::zentari
