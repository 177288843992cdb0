#include "Platform/System/UserNotificationCenter.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/System/WorkerAnswer.hpp"
#include "Platform/System/PermissionPresets.hpp"
#include "Platform/UI/Application.hpp"

#include <algorithm>

namespace platform::system {

std::shared_ptr<UNUserNotificationCenter> UNUserNotificationCenter::current() {
    static const std::shared_ptr<UNUserNotificationCenter> center(new UNUserNotificationCenter());
    return center;
}

std::shared_ptr<UNUserNotificationCenterDelegate> UNUserNotificationCenter::delegate() const {
    std::lock_guard lock(mutex_);
    return delegate_.lock();
}

void UNUserNotificationCenter::setDelegate(const std::shared_ptr<UNUserNotificationCenterDelegate>& delegate) {
    std::lock_guard lock(mutex_);
    delegate_ = delegate;
}

void UNUserNotificationCenter::requestAuthorization(unsigned /*options*/, AuthorizationCompletion completion) {
    const bool granted = PermissionPresets::answer(PermissionKind::notifications) == PermissionAnswer::allow;
    if (!completion) return;
    answerOnWorker([completion = std::move(completion), granted] { completion(granted, std::nullopt); });
}

void UNUserNotificationCenter::getDeliveredNotifications(std::function<void(std::vector<UNNotification>)> completion) {
    if (!completion) return;
    answerOnWorker(
        [completion = std::move(completion), delivered = deliveredNotifications()] { completion(delivered); });
}

UNNotification UNUserNotificationCenter::makeNotification(const Json& userInfo) {
    std::lock_guard lock(mutex_);
    return UNNotification{UNNotificationRequest{"notification-" + std::to_string(nextIdentifier_++),
                                                UNNotificationContent{userInfo}},
                          now()};
}

void UNUserNotificationCenter::arrive(const Json& userInfo) {
    auto notification = makeNotification(userInfo);
    const auto target = delegate();
    if (ui::Application::shared().applicationState() != ui::ApplicationState::active || !target) {
        std::lock_guard lock(mutex_);
        delivered_.push_back(std::move(notification));
        return;
    }
    // The delegate answers now or later; the answer decides whether the
    // notification also stays in the notification centre.
    auto weakSelf = std::weak_ptr<UNUserNotificationCenter>(current());
    target->willPresent(*this, notification, [weakSelf, notification](unsigned options) {
        const auto self = weakSelf.lock();
        if (!self) return;
        std::lock_guard lock(self->mutex_);
        self->lastPresentationOptions_ = options;
        if ((options & (UNNotificationPresentationOptions::list | UNNotificationPresentationOptions::alert)) != 0) {
            self->delivered_.push_back(notification);
        }
    });
}

void UNUserNotificationCenter::tap(const Json& userInfo) {
    UNNotificationResponse response{makeNotification(userInfo)};
    {
        std::lock_guard lock(mutex_);
        const auto found = std::find_if(delivered_.begin(), delivered_.end(), [&](const UNNotification& n) {
            return n.request.content.userInfo == userInfo;
        });
        if (found != delivered_.end()) {
            response.notification = *found;
            delivered_.erase(found);
        }
    }
    auto& application = ui::Application::shared();
    application.comeForward();
    if (const auto target = delegate()) target->didReceive(*this, response, [] {});
    application.becomeActive();
}

std::optional<unsigned> UNUserNotificationCenter::lastPresentationOptions() const {
    std::lock_guard lock(mutex_);
    return lastPresentationOptions_;
}

std::vector<UNNotification> UNUserNotificationCenter::deliveredNotifications() const {
    std::lock_guard lock(mutex_);
    return delivered_;
}

void UNUserNotificationCenter::removeAllDeliveredNotifications() {
    std::lock_guard lock(mutex_);
    delivered_.clear();
}

void UNUserNotificationCenter::resetForTesting() {
    std::lock_guard lock(mutex_);
    delegate_.reset();
    delivered_.clear();
    lastPresentationOptions_.reset();
}

} // namespace platform::system
