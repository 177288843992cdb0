// The update manager of the running app: the store lookup over the SDK's
// ephemeral network session and the alert's markers in the context's marker
// centre. The manager itself knows neither.

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Shell/AppUpdateManager.hpp"
#include "VellicorApp/Shell/Assembly/AppUpdateNetworkService.hpp"

#include "VellicorApp/Instrumentation/KORVAMarkerManaging.hpp"

#include "Platform/SDKs/Veltrane/UIDevice.hpp"

namespace vellicor {

namespace {

void logUpdateMarker(AppUpdateMarker marker, const platform::Json& attributes) {
    using Sender = KORVAMarkerLocator::Sender;
    const auto [name, sender] = [marker]() -> std::pair<KORVAMarkerName, Sender> {
        switch (marker) {
        case AppUpdateMarker::popup: return {KORVAMarkerName::forceUpgradePopup, Sender::displayUpgradePopup};
        case AppUpdateMarker::accept: return {KORVAMarkerName::forceUpgradePopupAccept, Sender::upgradePopupAccept};
        case AppUpdateMarker::cancel: return {KORVAMarkerName::forceUpgradePopupCancel, Sender::upgradePopupCancel};
        }
        return {KORVAMarkerName::forceUpgradePopup, Sender::displayUpgradePopup};
    }();
    AppContext::current()->korvaMarkerCenter->logInteraction(
        name, attributes, KORVAMarkerPage::Context::forceUpgrade,
        KORVAMarkerLocator{KORVAMarkerLocator::Parent::forceUpgrade, sender});
}

} // namespace

std::shared_ptr<AppUpdateManager> AppUpdateManager::instantiateAppUpdateManager(const AppUpdateConfigModel& config) {
    if (!config.enableAppUpdate) return nullptr;
    return create(config, platform::veltrane::UIDevice::systemVersion(),
                  std::make_shared<AppUpdateNetworkService>(HTTPClient(std::make_shared<VQNetworkAdapter>(
                      platform::veltrane::VQNetwork::sharedEphemeralInstance()))),
                  logUpdateMarker);
}

} // namespace vellicor
