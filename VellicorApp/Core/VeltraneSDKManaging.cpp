#include "VellicorApp/Core/VeltraneSDKManaging.hpp"

namespace vellicor {

std::shared_ptr<VeltraneSDKManagerAdapter> VeltraneSDKManagerAdapter::create(
    std::shared_ptr<platform::veltrane::VeltraneSDKManager> manager) {
    return std::shared_ptr<VeltraneSDKManagerAdapter>(new VeltraneSDKManagerAdapter(std::move(manager)));
}

bool VeltraneSDKManagerAdapter::usesSnapshotView() const { return manager_->useSnapshotView(); }

void VeltraneSDKManagerAdapter::setUsesSnapshotView(bool value) { manager_->setUseSnapshotView(value); }

VeltraneSDKManaging::UserAgentGenerator VeltraneSDKManagerAdapter::userAgentGenerator() const {
    // The manager's current generator, or its default one when none is set.
    return [manager = manager_](const std::string& qualifier) { return manager->userAgent(qualifier); };
}

std::shared_ptr<platform::veltrane::VQHybridViewConfig> VeltraneSDKManagerAdapter::bootConfig() const {
    return manager_->appConfig();
}

void VeltraneSDKManagerAdapter::setBootConfig(std::shared_ptr<platform::veltrane::VQHybridViewConfig> config) {
    manager_->setAppConfig(std::move(config));
}

bool VeltraneSDKManagerAdapter::isIdentityProvider() const { return manager_->isIdentityProvider(); }

void VeltraneSDKManagerAdapter::setIsIdentityProvider(bool value) { manager_->setIsIdentityProvider(value); }

bool VeltraneSDKManagerAdapter::useWebServerAuthentication() const { return manager_->useWebServerAuthentication(); }

void VeltraneSDKManagerAdapter::setUseWebServerAuthentication(bool value) {
    manager_->setUseWebServerAuthentication(value);
}

} // namespace vellicor
