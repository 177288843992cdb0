#include "VellicorApp/Shell/DeeplinkAction.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Interface/CommunityViewControllable.hpp"
#include "VellicorApp/Push/NotificationParser.hpp"
#include "VellicorApp/Push/PushNotificationManager.hpp"

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

void DeeplinkAction::markNotificationRead(const std::shared_ptr<CommunityViewControllable>& screen,
                                          Completion completion) {
    // Only a signed-in user's push manager can mark a notification read;
    // without one nothing is marked and the screen is left as it is.
    const auto manager = AppContext::current()->pushNotificationManager();
    if (!manager) {
        if (completion) completion(true);
        return;
    }
    std::weak_ptr<CommunityViewControllable> weakScreen = screen;
    manager->updateNotificationStatusToRead(
        notificationID_, [weakScreen, completion = std::move(completion)](std::optional<platform::Error>) {
            // Whatever the answer, the screen shows the notifications as they are now.
            if (const auto shown = weakScreen.lock()) shown->refreshNotifications();
            if (completion) completion(true);
        });
}

} // namespace vellicor
