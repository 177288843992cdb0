#pragma once

#include "Platform/Export.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountIdentity.hpp"

#include <memory>
#include <optional>

namespace platform::veltrane {

/// The inner analytics manager that events are built for: it stands for one
/// user (or for nobody signed in), and the event builder stamps each event
/// with that user's ids. Made by VQSDKVeltraneAnalyticsManager.
class PLATFORM_EXPORT VQSDKAnalyticsManager {
public:
    static std::shared_ptr<VQSDKAnalyticsManager> create(std::optional<VQUserAccountIdentity> user);

    const std::optional<VQUserAccountIdentity>& user() const { return user_; }
    bool isAuthenticated() const { return user_.has_value(); }

private:
    explicit VQSDKAnalyticsManager(std::optional<VQUserAccountIdentity> user) : user_(std::move(user)) {}
    std::optional<VQUserAccountIdentity> user_;
};

} // namespace platform::veltrane
