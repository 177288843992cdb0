#include "VellicorApp/Shell/URLLinkAction.hpp"

#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Interface/CommunityViewControllable.hpp"

#include "Platform/UI/NavigationController.hpp"

namespace vellicor {

std::shared_ptr<URLLinkAction>
URLLinkAction::create(std::optional<platform::Url> url,
                      const std::shared_ptr<platform::ui::NavigationController>& navigationController) {
    return std::shared_ptr<URLLinkAction>(new URLLinkAction(std::move(url), navigationController));
}

std::shared_ptr<CommunityViewControllable> URLLinkAction::communityScreenOnTop() const {
    const auto navigation = navigationController_.lock();
    if (!navigation) return nullptr;
    const auto& stack = navigation->viewControllers();
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        if (auto screen = std::dynamic_pointer_cast<CommunityViewControllable>(*it)) return screen;
    }
    return nullptr;
}

// The log texts below are read by support tooling; keep them verbatim.

void URLLinkAction::execute(Completion completion) {
    const auto screen = communityScreenOnTop();
    if (!screen) {
        Logger::error("Top view controller is not a CommunityViewControllable. Failed to perform deeplink action.",
                      "URLLinkAction");
    } else if (url_) {
        screen->openURL(*url_);
    } else {
        Logger::error("Failed to handle link-action flow!", "URLLinkAction");
    }
    if (completion) completion(screen != nullptr);
}

} // namespace vellicor
