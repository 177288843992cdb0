#pragma once

#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/System/UserNotificationCenter.hpp"

#include <functional>
#include <memory>

namespace vellicor {

/// The delegate of the device's notification centre for the context's life.
/// A notification arriving in the foreground shows as banner and list entry
/// with sound and badge, and drops a launch action still waiting; a tapped
/// marketing notification goes back to the marketing SDK; a tapped community
/// notification becomes a deep-link launch action. When the app resigns
/// active it recounts the app icon badge. Stores nothing: every service comes
/// from the running context. Main thread.
class PushNotificationObserver : public platform::system::UNUserNotificationCenterDelegate,
                                 public std::enable_shared_from_this<PushNotificationObserver> {
public:
    /// Badge, sound, list and banner.
    static constexpr unsigned kForegroundPresentationOptions = 27;

    /// Becomes the delegate of the platform's current notification centre and
    /// listens on `notificationCenter` for the app resigning active.
    static std::shared_ptr<PushNotificationObserver> create(std::shared_ptr<platform::NotificationCenter> notificationCenter);
    ~PushNotificationObserver() override;
    PushNotificationObserver(const PushNotificationObserver&) = delete;
    PushNotificationObserver& operator=(const PushNotificationObserver&) = delete;

    void applicationWillResignActive(const platform::Notification& notification);

    void willPresent(platform::system::UNUserNotificationCenter& center,
                     const platform::system::UNNotification& notification,
                     std::function<void(unsigned)> completion) override;
    void didReceive(platform::system::UNUserNotificationCenter& center,
                    const platform::system::UNNotificationResponse& response,
                    std::function<void()> completion) override;

private:
    explicit PushNotificationObserver(std::shared_ptr<platform::NotificationCenter> notificationCenter)
        : notificationCenter_(std::move(notificationCenter)) {}

    std::shared_ptr<platform::NotificationCenter> notificationCenter_;
};

} // namespace vellicor
