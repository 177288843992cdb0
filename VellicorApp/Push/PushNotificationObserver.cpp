#include "VellicorApp/Push/PushNotificationObserver.hpp"

#include "VellicorApp/Push/BadgeCountUpdater.hpp"
#include "VellicorApp/Push/PushNotificationManager.hpp"
#include "VellicorApp/Push/UserNotificationCenter.hpp"
#include "VellicorApp/Push/ZentariPushManager.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/AppCoordinating.hpp"
#include "VellicorApp/Core/LaunchActionable.hpp"

#include "Platform/UI/Application.hpp"

namespace vellicor {

std::shared_ptr<PushNotificationObserver> makePushNotificationObserver(
    std::shared_ptr<platform::NotificationCenter> notificationCenter) {
    return PushNotificationObserver::create(std::move(notificationCenter));
}

std::shared_ptr<PushNotificationObserver> PushNotificationObserver::create(
    std::shared_ptr<platform::NotificationCenter> notificationCenter) {
    auto observer = std::shared_ptr<PushNotificationObserver>(new PushNotificationObserver(notificationCenter));
    platform::system::UNUserNotificationCenter::current()->setDelegate(observer);
    if (notificationCenter) {
        // Reads no context: the one that makes the observer is still being made.
        notificationCenter->addObserver<PushNotificationObserver>(
            observer, platform::ui::kApplicationWillResignActiveNotification, nullptr,
            [](PushNotificationObserver& self, const platform::Notification& n) { self.applicationWillResignActive(n); });
    }
    return observer;
}

PushNotificationObserver::~PushNotificationObserver() {
    if (notificationCenter_) notificationCenter_->removeObservers(this);
}

void PushNotificationObserver::applicationWillResignActive(const platform::Notification& /*notification*/) {
    BadgeCountUpdater().resetAppIconBadgeCount();
}

void PushNotificationObserver::willPresent(platform::system::UNUserNotificationCenter& /*center*/,
                                           const platform::system::UNNotification& /*notification*/,
                                           std::function<void(unsigned)> completion) {
    // Whatever kind it is, a notification in the foreground drops the launch
    // action still waiting.
    if (const auto coordinator = AppContext::current()->appCoordinating()) coordinator->launchActionFlow(nullptr);
    if (completion) completion(kForegroundPresentationOptions);
}

void PushNotificationObserver::didReceive(platform::system::UNUserNotificationCenter& /*center*/,
                                          const platform::system::UNNotificationResponse& response,
                                          std::function<void()> completion) {
    const auto& request = response.notification.request;
    if (isMarketingPush(response.notification)) {
        if (const auto manager = AppContext::current()->mktPushManager()) manager->setNotificationRequest(request);
    } else {
        PushNotificationManager::handleDeeplink(request.content.userInfo);
    }
    if (completion) completion();
}

} // namespace vellicor
