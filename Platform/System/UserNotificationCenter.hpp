#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Clock.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/Json.hpp"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform::system {

/// What a notification may do, as the platform numbers it.
namespace UNAuthorizationOptions {
inline constexpr unsigned badge = 1;
inline constexpr unsigned sound = 2;
inline constexpr unsigned alert = 4;
} // namespace UNAuthorizationOptions

/// How a notification that arrives in the foreground is shown.
namespace UNNotificationPresentationOptions {
inline constexpr unsigned badge = 1;
inline constexpr unsigned sound = 2;
inline constexpr unsigned alert = 4;
inline constexpr unsigned list = 8;
inline constexpr unsigned banner = 16;
} // namespace UNNotificationPresentationOptions

/// The content of a remote notification: its payload's user info.
struct PLATFORM_EXPORT UNNotificationContent {
    Json userInfo = Json::object();
};

struct PLATFORM_EXPORT UNNotificationRequest {
    std::string identifier;
    UNNotificationContent content;
};

/// A notification the device received.
struct PLATFORM_EXPORT UNNotification {
    UNNotificationRequest request;
    TimeInterval date = 0;
};

/// The user's tap on a notification.
struct PLATFORM_EXPORT UNNotificationResponse {
    static constexpr const char* kDefaultActionIdentifier = "com.apple.UNNotificationDefaultActionIdentifier";
    UNNotification notification;
    std::string actionIdentifier = kDefaultActionIdentifier;
};

class UNUserNotificationCenter;

/// The app's delegate of the notification centre; called on the main thread.
class PLATFORM_EXPORT UNUserNotificationCenterDelegate {
public:
    virtual ~UNUserNotificationCenterDelegate() = default;
    /// A notification arrives while the app is active; the completion gets the
    /// presentation options (0: not shown).
    virtual void willPresent(UNUserNotificationCenter& center, const UNNotification& notification,
                             std::function<void(unsigned)> completion) = 0;
    /// The user tapped a notification.
    virtual void didReceive(UNUserNotificationCenter& center, const UNNotificationResponse& response,
                            std::function<void()> completion) = 0;
};

/// The device's notification centre for the app: the permission prompt, the
/// notifications shown in the notification centre, and the delegate that
/// hears of arrivals in the foreground and of taps.
///
/// The delegate is held weakly. The permission answer and the list of
/// delivered notifications come on a worker thread, as the platform's do; the
/// delegate is called on the main thread. Thread-safe; callbacks run outside
/// the lock.
class PLATFORM_EXPORT UNUserNotificationCenter {
public:
    using AuthorizationCompletion = std::function<void(bool granted, std::optional<Error> error)>;

    static std::shared_ptr<UNUserNotificationCenter> current();

    std::shared_ptr<UNUserNotificationCenterDelegate> delegate() const;
    void setDelegate(const std::shared_ptr<UNUserNotificationCenterDelegate>& delegate);

    /// Asks for the permission: answered at once by the notifications preset
    /// (PermissionPresets): allow grants; deny, restricted or no preset do not.
    void requestAuthorization(unsigned options, AuthorizationCompletion completion);
    /// The notifications shown in the notification centre, oldest first.
    void getDeliveredNotifications(std::function<void(std::vector<UNNotification>)> completion);

    // Driving (the event driver, tests) ---------------------------------------------
    /// A remote notification arrives. While the app is active the delegate
    /// decides how it shows (shown in the list when the options have list or
    /// alert); otherwise it is delivered to the notification centre.
    void arrive(const Json& userInfo);
    /// The user taps a notification with that payload: a delivered one with
    /// the same payload leaves the notification centre; the app comes
    /// forward (will-enter-foreground when in the background), the delegate
    /// hears of the tap while the app is inactive, then the app becomes active.
    void tap(const Json& userInfo);
    /// The options the delegate gave the last arrival in the foreground.
    std::optional<unsigned> lastPresentationOptions() const;
    std::vector<UNNotification> deliveredNotifications() const;
    void removeAllDeliveredNotifications();

    /// Forgets the delegate and the delivered notifications (tests).
    void resetForTesting();

private:
    UNUserNotificationCenter() = default;
    UNNotification makeNotification(const Json& userInfo);

    mutable std::mutex mutex_;
    std::weak_ptr<UNUserNotificationCenterDelegate> delegate_;
    std::vector<UNNotification> delivered_;
    std::optional<unsigned> lastPresentationOptions_;
    unsigned nextIdentifier_ = 1;
};

} // namespace platform::system
