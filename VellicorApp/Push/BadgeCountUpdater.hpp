#pragma once

#include "Platform/SDKs/Veltrane/VQRestRequest.hpp"

#include <functional>
#include <optional>
#include <string>

namespace vellicor {

/// Keeps the app icon's badge at the number of marketing notifications still
/// shown in the notification centre plus the community's unread notification
/// count for the signed-in user. A recount runs inside a background task of
/// the application, so that it can finish after the app has left the
/// foreground; every missing piece (no marketing push manager, nobody signed
/// in, a failed request) counts 0. A total of 0 is written as -1.
///
/// A value without state: each recount is independent, and of two started
/// close together the one that finishes last sets the badge. Logs as
/// "PushNotificationObserver".
class BadgeCountUpdater {
public:
    /// The whole recount. Starts on the main thread (hopping there when called
    /// elsewhere); the badge is written from the main queue.
    void resetAppIconBadgeCount() const;
    /// The delivered marketing notifications (0 at once without a marketing
    /// push manager); reported on the main queue.
    void updateMarketingNotificationBadgeCount(std::function<void(int)> completion) const;
    /// The community's "unreadCount" for the signed-in user; reported on the
    /// REST client's thread (0 at once while signed out). A reply without an
    /// integer "unreadCount" counts 0.
    void updateUserNotificationBadgeCount(std::function<void(int)> completion) const;

private:
    std::optional<std::string> notificationStatusBaseURL() const;
    std::optional<platform::veltrane::VQRestRequest> requestForNotificationsStatus() const;
};

} // namespace vellicor
