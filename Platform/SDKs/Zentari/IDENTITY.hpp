#pragma once

#include "Platform/Export.hpp"

#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace platform::zentari {

class PUSH;

/// The marketing SDK's identity module: the contact key (profile id) of this
/// installation and the identity the SDK reports. Thread-safe.
class PLATFORM_EXPORT IDENTITY {
public:
    void setProfileId(const std::string& profileId);
    std::optional<std::string> profileId() const;

    /// The identity as JSON text:
    /// {"registrationId", "platformType": "iOS", "moduleIdentities": {"push":
    /// {"profileId" (left out while none), "applicationId", "installationId",
    /// "customProperties": {"deviceId", "tags": []}}}}; the ids are empty
    /// texts before the push module's first registration.
    std::string toJson() const;

    void resetForTesting();

private:
    friend class VQZTSdk;
    explicit IDENTITY(std::weak_ptr<PUSH> push) : push_(std::move(push)) {}

    const std::weak_ptr<PUSH> push_;
    mutable std::mutex mutex_;
    std::optional<std::string> profileId_;
};

} // namespace platform::zentari
