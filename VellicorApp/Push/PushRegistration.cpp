#include "VellicorApp/Push/PushRegistration.hpp"

#include "VellicorApp/Community/ZentariProvisionSelectionStore.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Logger.hpp"

namespace vellicor {

namespace {

constexpr const char* kDelayPushPermissionKey = "DelayPushPermissionDialog";
constexpr const char* kInAppPushCompletedKey = "ZentariInAppPushCompleted";

/// The Info.plist switch "DelayPushPermissionDialog" (false when absent).
bool isPushPermissionRequestDelayed(const BundleType& bundle) {
    const auto value = bundle.objectForInfoDictionaryKey(kDelayPushPermissionKey);
    if (const auto delayed = value ? platform::asBool(*value) : std::nullopt) {
        Logger::info(std::string("Push Permission Request Delayed: ") + (*delayed ? "true" : "false"),
                     ApplicationBundle::kLogType);
        return *delayed;
    }
    Logger::info("Push permission request delay status not found", ApplicationBundle::kLogType);
    return false;
}

} // namespace

bool shouldRegisterForPushNotifications(const BundleType& bundle) {
    const auto selection = ZentariProvisionSelectionStore().selection();
    const auto context = AppContext::current();
    const bool signedIn = context->isUserLoggedIn();
    if (!selection) return signedIn;
    if (context->userDefaults->boolForKey(kInAppPushCompletedKey)) return true;
    const bool delayUntilContactKey = selection->delayRegistrationUntilContactKeyIsSet;
    if (signedIn && delayUntilContactKey && !isPushPermissionRequestDelayed(bundle)) return true;
    if (!signedIn && !delayUntilContactKey) return !isPushPermissionRequestDelayed(bundle);
    return false;
}

} // namespace vellicor
