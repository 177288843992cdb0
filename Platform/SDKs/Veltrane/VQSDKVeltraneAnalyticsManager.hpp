#pragma once

#include "Platform/Export.hpp"
#include "Platform/SDKs/Veltrane/VQSDKAnalyticsManager.hpp"
#include "Platform/SDKs/Veltrane/VQSDKDeviceAppAttributes.hpp"
#include "Platform/SDKs/Veltrane/VQSDKEventStoreManager.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountIdentity.hpp"

#include <memory>
#include <optional>

namespace platform::veltrane {

/// The analytics entry point: one shared manager per signed-in user and one
/// for nobody signed in. Every manager hands out the same event store (the
/// process's shared VQSDKEventStoreManager), so events recorded while a user
/// is signed in and while nobody is wait in one place until they are handed
/// over. Thread-safe.
class PLATFORM_EXPORT VQSDKVeltraneAnalyticsManager {
public:
    /// The manager of a user; the same user always gives the same object
    /// (until removeSharedInstanceWithUser). None for an identity without ids.
    static std::shared_ptr<VQSDKVeltraneAnalyticsManager> sharedInstanceWithUser(const VQUserAccountIdentity& user);
    /// The manager for nobody signed in.
    static std::shared_ptr<VQSDKVeltraneAnalyticsManager> sharedUnauthenticatedInstance();
    /// Forgets a user's manager (at sign-out); events already stored stay.
    static void removeSharedInstanceWithUser(const VQUserAccountIdentity& user);

    /// The device and app attributes now.
    static VQSDKDeviceAppAttributes getDeviceAppAttributes();

    /// The inner manager events are built for.
    std::shared_ptr<VQSDKAnalyticsManager> analyticsManager() const { return analyticsManager_; }
    /// The event store.
    std::shared_ptr<VQSDKEventStoreManager> eventStoreManager() const { return eventStoreManager_; }
    const std::optional<VQUserAccountIdentity>& user() const { return analyticsManager_->user(); }

private:
    explicit VQSDKVeltraneAnalyticsManager(std::optional<VQUserAccountIdentity> user);

    std::shared_ptr<VQSDKAnalyticsManager> analyticsManager_;
    std::shared_ptr<VQSDKEventStoreManager> eventStoreManager_;
};

} // namespace platform::veltrane
