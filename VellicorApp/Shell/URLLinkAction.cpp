#include "VellicorApp/Shell/URLLinkAction.hpp"

#include "VellicorApp/Hybrid/CommunityViewControllable.hpp"
#include "VellicorApp/Shell/Logger.hpp"

#include "Platform/UI/NavigationController.hpp"

namespace vellicor {

std::shared_ptr<URLLinkAction>
URLLinkAction::create(std::optional<platform::Url> url,
                      const std::shared_ptr<platform::ui::NavigationController>& navigationController) {
    return std::shared_ptr<URLLinkAction>(new URLLinkAction(std::move(url), navigationController));
}

std::shared_ptr<CommunityViewControllable> URLLinkAction::communityScreenOnTop() const {
    const auto navigation = navigationController_.lock();
    return navigation ? std::dynamic_pointer_cast<CommunityViewControllable>(navigation->topViewController()) : nullptr;
}

// The log texts below are read by support tooling; keep them verbatim.

void URLLinkAction::execute(std::function<void()> completion) {
    const auto screen = communityScreenOnTop();
    if (!screen) {
        Logger::error("Top view controller is not a CommunityViewControllable. Failed to perform deeplink action.",
                      "URLLinkAction");
    } else if (url_) {
        screen->openURL(*url_);
    } else {
        Logger::error("Failed to handle link-action flow!", "URLLinkAction");
    }
    if (completion) completion();
}

} // namespace vellicor
