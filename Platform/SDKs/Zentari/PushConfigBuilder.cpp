#include "Platform/SDKs/Zentari/PushConfigBuilder.hpp"

namespace platform::zentari {

PushConfigBuilder& PushConfigBuilder::setAccessToken(std::string token) {
    config_.accessToken = std::move(token);
    return *this;
}

PushConfigBuilder& PushConfigBuilder::setZentariServerUrl(Url url) {
    config_.serverUrl = std::move(url);
    return *this;
}

PushConfigBuilder& PushConfigBuilder::setMid(std::string mid) {
    config_.mid = std::move(mid);
    return *this;
}

PushConfigBuilder& PushConfigBuilder::setInboxEnabled(bool enabled) {
    config_.inboxEnabled = enabled;
    return *this;
}

PushConfigBuilder& PushConfigBuilder::setLocationEnabled(bool enabled) {
    config_.locationEnabled = enabled;
    return *this;
}

PushConfigBuilder& PushConfigBuilder::setApplicationControlsBadging(bool enabled) {
    config_.applicationControlsBadging = enabled;
    return *this;
}

PushConfigBuilder& PushConfigBuilder::setDelayRegistrationUntilContactKeyIsSet(bool enabled) {
    config_.delayRegistrationUntilContactKeyIsSet = enabled;
    return *this;
}

PushConfigBuilder& PushConfigBuilder::setAnalyticsEnabled(bool enabled) {
    config_.analyticsEnabled = enabled;
    return *this;
}

} // namespace platform::zentari
