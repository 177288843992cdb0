#pragma once

#include "VellicorApp/Shell/URLLinkAction.hpp"

#include "Platform/Foundation/Json.hpp"

#include <optional>
#include <string>

namespace vellicor {

/// The launch action of a tapped community platform notification: opens the
/// record the notification points to (else its URL) in the community screen
/// on top, then marks the notification read and refreshes the screen's
/// notifications. Main thread only.
class DeeplinkAction : public URLLinkAction {
public:
    /// Reads the page reference, the notification id and the URL from a
    /// notification's payload (each none when the payload lacks it).
    static std::shared_ptr<DeeplinkAction>
    create(const platform::Json& userInfo,
           const std::shared_ptr<platform::ui::NavigationController>& navigationController);
    static std::shared_ptr<DeeplinkAction>
    create(std::optional<platform::Url> url, std::optional<std::string> pageRef,
           std::optional<std::string> notificationID,
           const std::shared_ptr<platform::ui::NavigationController>& navigationController);

    /// With a page reference opens that record only; otherwise opens the URL
    /// as URLLinkAction does. Then marks the notification read. Without a
    /// community screen on top, logs, marks nothing and completes.
    void execute(Completion completion) override;

    const std::optional<std::string>& pageRef() const { return pageRef_; }
    const std::optional<std::string>& notificationID() const { return notificationID_; }

private:
    DeeplinkAction(std::optional<platform::Url> url, std::optional<std::string> pageRef,
                   std::optional<std::string> notificationID,
                   const std::shared_ptr<platform::ui::NavigationController>& navigationController)
        : URLLinkAction(std::move(url), navigationController), pageRef_(std::move(pageRef)),
          notificationID_(std::move(notificationID)) {}

    /// Marks the notification read for the signed-in user, then refreshes the
    /// screen's notifications and calls the completion.
    void markNotificationRead(const std::shared_ptr<CommunityViewControllable>& screen,
                              Completion completion);

    std::optional<std::string> pageRef_;
    std::optional<std::string> notificationID_;
};

} // namespace vellicor
