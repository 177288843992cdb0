#include "Platform/SDKs/Veltrane/VQSDKVeltraneAnalyticsManager.hpp"

#include <map>
#include <mutex>

namespace platform::veltrane {

namespace {

struct Registry {
    std::mutex mutex;
    std::shared_ptr<VQSDKVeltraneAnalyticsManager> unauthenticated;
    std::map<VQUserAccountIdentity, std::shared_ptr<VQSDKVeltraneAnalyticsManager>> users;
};

Registry& registry() {
    static auto* r = new Registry;
    return *r;
}

} // namespace

VQSDKVeltraneAnalyticsManager::VQSDKVeltraneAnalyticsManager(std::optional<VQUserAccountIdentity> user)
    : analyticsManager_(VQSDKAnalyticsManager::create(std::move(user))),
      eventStoreManager_(VQSDKEventStoreManager::sharedInstance()) {}

std::shared_ptr<VQSDKVeltraneAnalyticsManager> VQSDKVeltraneAnalyticsManager::sharedInstanceWithUser(
    const VQUserAccountIdentity& user) {
    if (!user.isValid()) return nullptr;
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto& slot = r.users[user];
    if (!slot) slot.reset(new VQSDKVeltraneAnalyticsManager(user));
    return slot;
}

std::shared_ptr<VQSDKVeltraneAnalyticsManager> VQSDKVeltraneAnalyticsManager::sharedUnauthenticatedInstance() {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    if (!r.unauthenticated) r.unauthenticated.reset(new VQSDKVeltraneAnalyticsManager(std::nullopt));
    return r.unauthenticated;
}

void VQSDKVeltraneAnalyticsManager::removeSharedInstanceWithUser(const VQUserAccountIdentity& user) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.users.erase(user);
}

VQSDKDeviceAppAttributes VQSDKVeltraneAnalyticsManager::getDeviceAppAttributes() {
    return VQSDKDeviceAppAttributes::current();
}

} // namespace platform::veltrane
