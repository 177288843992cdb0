#include "Platform/SDKs/Veltrane/VQSDKAnalyticsManager.hpp"

namespace platform::veltrane {

std::shared_ptr<VQSDKAnalyticsManager> VQSDKAnalyticsManager::create(std::optional<VQUserAccountIdentity> user) {
    return std::shared_ptr<VQSDKAnalyticsManager>(new VQSDKAnalyticsManager(std::move(user)));
}

} // namespace platform::veltrane
