#include "Platform/SDKs/Zentari/IDENTITY.hpp"

#include "Platform/Foundation/Json.hpp"
#include "Platform/SDKs/Zentari/PUSH.hpp"

namespace platform::zentari {

void IDENTITY::setProfileId(const std::string& profileId) {
    std::lock_guard lock(mutex_);
    profileId_ = profileId;
}

std::optional<std::string> IDENTITY::profileId() const {
    std::lock_guard lock(mutex_);
    return profileId_;
}

std::string IDENTITY::toJson() const {
    const auto push = push_.lock();
    const auto config = push ? push->configuration() : std::nullopt;
    const auto deviceId = push ? push->deviceIdentifier() : std::nullopt;
    const auto registrationId = push ? push->registrationId() : std::nullopt;
    Json pushIdentity = {{"applicationId", config ? config->appId : ""},
                         {"installationId", deviceId.value_or("")},
                         {"customProperties", {{"deviceId", deviceId.value_or("")}, {"tags", Json::array()}}}};
    if (const auto profile = profileId()) pushIdentity["profileId"] = *profile;
    const Json identity = {{"registrationId", registrationId.value_or("")},
                           {"platformType", "iOS"},
                           {"moduleIdentities", {{"push", pushIdentity}}}};
    return identity.dump();
}

void IDENTITY::resetForTesting() {
    std::lock_guard lock(mutex_);
    profileId_.reset();
}

} // namespace platform::zentari
