// What marketing push and notification taps ask of the shell: link and
// deep-link actions for the app coordinator, and how the app was launched.

#include "VellicorApp/Push/PushAppHooks.hpp"

#include "VellicorApp/Instrumentation/AppSessionTracker.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Shell/AppCoordinator.hpp"
#include "VellicorApp/Shell/AppDelegate.hpp"
#include "VellicorApp/Shell/DeeplinkAction.hpp"
#include "VellicorApp/Shell/URLLinkAction.hpp"

namespace vellicor {

void launchURLLinkAction(const platform::Url& url) {
    const auto coordinator = AppContext::current()->appCoordinator();
    if (!coordinator) return;
    coordinator->launchActionFlow(URLLinkAction::create(url, coordinator->navigationController()));
}

bool launchDeeplinkAction(const platform::Json& userInfo) {
    if (!applicationAppDelegate()) return false;
    const auto coordinator = AppContext::current()->appCoordinator();
    if (!coordinator) return false;
    coordinator->launchActionFlow(DeeplinkAction::create(userInfo, coordinator->navigationController()));
    return true;
}

std::string lastLaunchStateText() {
    const auto delegate = applicationAppDelegate();
    const auto tracker = delegate ? delegate->appSessionTracker() : nullptr;
    if (!tracker) return "N/A";
    return tracker->lastLaunchState() == AppSessionTracker::AppLaunchState::coldStart ? "coldStart" : "warmStart";
}

} // namespace vellicor
