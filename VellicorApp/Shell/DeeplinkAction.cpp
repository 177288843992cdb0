#include "VellicorApp/Shell/DeeplinkAction.hpp"

#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Interface/CommunityViewControllable.hpp"
#include "VellicorApp/Push/NotificationParser.hpp"

namespace vellicor {

std::shared_ptr<DeeplinkAction>
DeeplinkAction::create(const platform::Json& userInfo,
                       const std::shared_ptr<platform::ui::NavigationController>& navigationController) {
    auto pageRef = NotificationParser::deeplinkPageRef(userInfo);
    auto notificationID = NotificationParser::notificationID(userInfo);
    return create(NotificationParser::deeplinkURL(userInfo), std::move(pageRef), std::move(notificationID),
                  navigationController);
}

std::shared_ptr<DeeplinkAction>
DeeplinkAction::create(std::optional<platform::Url> url, std::optional<std::string> pageRef,
                       std::optional<std::string> notificationID,
                       const std::shared_ptr<platform::ui::NavigationController>& navigationController) {
    return std::shared_ptr<DeeplinkAction>(
        new DeeplinkAction(std::move(url), std::move(pageRef), std::move(notificationID), navigationController));
}

void DeeplinkAction::execute(Completion completion) {
    const auto screen = communityScreenOnTop();
    if (!screen) {
        // Log text read by support tooling; keep verbatim.
        Logger::error("Top view controller is not a CommunityViewControllable. Failed to perform deeplink action.",
                      "DeeplinkAction");
        // Not done: it stays queued for a screen to open it in.
        if (completion) completion(false);
        return;
    }
    if (pageRef_) {
        screen->openRecord(*pageRef_);
        markNotificationRead(screen, std::move(completion));
        return;
    }
    // The URL road completes synchronously while the step that runs this
    // action still holds it; should the action be gone by then, nothing
    // further happens.
    std::weak_ptr<URLLinkAction> weakSelf = weak_from_this();
    URLLinkAction::execute([weakSelf, screen, completion = std::move(completion)](bool) mutable {
        const auto self = std::static_pointer_cast<DeeplinkAction>(weakSelf.lock());
        if (!self) return;
        self->markNotificationRead(screen, std::move(completion));
    });
}

void DeeplinkAction::markNotificationRead(const std::shared_ptr<CommunityViewControllable>& /*screen*/,
                                          Completion completion) {
    // Only a signed-in user's push manager can mark a notification read, and
    // the context holds none yet: the road without one, on which nothing is
    // marked and the screen's notifications are left as they are.
    if (completion) completion(true);
}

} // namespace vellicor
