#include "VellicorApp/Push/UserNotificationCenter.hpp"

#include "Platform/Foundation/Json.hpp"

namespace vellicor {

bool isMarketingPush(const platform::system::UNNotification& notification) {
    const auto sid = platform::jsonString(notification.request.content.userInfo, "_sid");
    return sid && sid->find("VQZT") != std::string::npos;
}

std::string notificationAccessDeniedText(const std::optional<platform::Error>& error) {
    // Log text read by support tooling; keep verbatim.
    return "Notification access denied! " +
           (error ? "Optional(\"" + error->localizedDescription() + "\")" : std::string("nil"));
}

} // namespace vellicor
