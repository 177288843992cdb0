#include "VellicorApp/Push/BadgeCountUpdater.hpp"

#include "VellicorApp/Community/NetworkService.hpp"
#include "VellicorApp/Push/UserNotificationCenter.hpp"
#include "VellicorApp/Core/AppConstants.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/ErrorMessages.hpp"
#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/UI/Application.hpp"

#include <atomic>
#include <limits>
#include <memory>

namespace vellicor {

namespace {

// The log texts of this file are read by support tooling; keep them verbatim,
// under the observer's name.
constexpr const char* kLogType = "PushNotificationObserver";

} // namespace

void BadgeCountUpdater::resetAppIconBadgeCount() const {
    if (!platform::MainQueue::isMainThread()) {
        platform::MainQueue::async([updater = *this] { updater.resetAppIconBadgeCount(); });
        return;
    }
    auto& application = platform::ui::Application::shared();
    // Ended once: by the expiration or by the badge's write, whichever comes first.
    const auto ended = std::make_shared<bool>(false);
    const auto task = std::make_shared<platform::ui::Application::BackgroundTaskIdentifier>(
        platform::ui::Application::kInvalidBackgroundTask);
    const auto endTask = [ended, task] {
        if (*ended) return;
        *ended = true;
        platform::ui::Application::shared().endBackgroundTask(*task);
    };
    *task = application.beginBackgroundTask([endTask] {
        Logger::warning("PushNotification background task may get killed by OS before complition.", kLogType);
        endTask();
    });

    // The running total of this recount; the two steps run one after the other.
    const auto total = std::make_shared<std::atomic<long>>(0);
    const auto updater = *this;
    updateMarketingNotificationBadgeCount([updater, total, endTask](int marketing) {
        total->store(marketing);
        updater.updateUserNotificationBadgeCount([total, endTask](int unread) {
            const long count = total->fetch_add(unread) + unread;
            platform::MainQueue::async([count, endTask] {
                platform::ui::Application::shared().applicationIconBadgeNumber = count == 0 ? -1 : count;
                endTask();
            });
        });
    });
}

void BadgeCountUpdater::updateMarketingNotificationBadgeCount(std::function<void(int)> completion) const {
    if (!AppContext::current()->mktPushManager()) {
        if (completion) completion(0);
        return;
    }
    platform::system::UNUserNotificationCenter::current()->getDeliveredNotifications(
        [completion = std::move(completion)](std::vector<platform::system::UNNotification> delivered) {
            platform::MainQueue::async([completion, delivered = std::move(delivered)] {
                int count = 0;
                for (const auto& notification : delivered) {
                    if (isMarketingPush(notification)) ++count;
                }
                if (completion) completion(count);
            });
        });
}

void BadgeCountUpdater::updateUserNotificationBadgeCount(std::function<void(int)> completion) const {
    const auto context = AppContext::current();
    if (!context->userAccountManager->currentUser()) {
        if (completion) completion(0);
        return;
    }
    const auto request = requestForNotificationsStatus();
    if (!request) {
        if (completion) completion(0);
        return;
    }
    context->networkService()->executeRequest(
        *request, [completion = std::move(completion)](std::expected<platform::Json, platform::Error> result,
                                                       std::optional<platform::HttpResponse>) {
            if (!result) {
                Logger::error("Failed to retrieve user notifications status with error: " + messageString(result.error()),
                              kLogType);
                if (completion) completion(0);
                return;
            }
            const auto* unread = platform::jsonValue(*result, "unreadCount");
            int count = 0;
            if (unread != nullptr && unread->is_number_integer()) {
                const auto value = unread->get<std::int64_t>();
                if (value > 0 && value <= std::numeric_limits<int>::max()) count = static_cast<int>(value);
            }
            if (completion) completion(count);
        });
}

std::optional<std::string> BadgeCountUpdater::notificationStatusBaseURL() const {
    const auto user = AppContext::current()->userAccountManager->currentUser();
    if (!user) {
        Logger::error("No user account avalible for notification status request", kLogType);
        return std::nullopt;
    }
    const auto credentials = user->credentials();
    if (credentials && credentials->communityUrl) return credentials->communityUrl->absoluteString();
    Logger::error("No community URL avalible for notification status request", kLogType);
    if (credentials && credentials->instanceUrl) return credentials->instanceUrl->absoluteString();
    Logger::error("No instance URL avalible for notification status request", kLogType);
    return std::nullopt;
}

std::optional<platform::veltrane::VQRestRequest> BadgeCountUpdater::requestForNotificationsStatus() const {
    const auto baseURL = notificationStatusBaseURL();
    if (!baseURL) {
        Logger::error("No base URL avalible for notification status request.  Not able to send notification status request",
                      kLogType);
        return std::nullopt;
    }
    return platform::veltrane::VQRestRequest::requestWithMethod(
        platform::veltrane::VQRestMethod::GET, *baseURL,
        "/vapi/data/" + RestAPI::version() + "/connect/notifications/status", std::nullopt);
}

} // namespace vellicor
