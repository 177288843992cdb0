#pragma once

#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccount.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vellicor {

class Context;

/// The push service of one signed-in user, made after sign-in and kept by the
/// running context until logout (Context::pushNotificationManager()). It asks
/// for the notification permission, marks a tapped platform notification read
/// through the REST API, and owns the tap handler of platform notifications.
/// Released, it recounts the app icon badge and, when the app has no
/// marketing push manager, unregisters from remote notifications.
///
/// Called on the main thread; completions run on the main queue. Holds the
/// account weakly: the SDK's account manager owns it.
class PushNotificationManager {
public:
    using PermissionCompletion = std::function<void(bool granted, std::optional<platform::Error> error)>;
    using StatusCompletion = std::function<void(std::optional<platform::Error>)>;

    static std::shared_ptr<PushNotificationManager> create(
        const std::shared_ptr<platform::veltrane::VQUserAccount>& userAccount);
    virtual ~PushNotificationManager();
    PushNotificationManager(const PushNotificationManager&) = delete;
    PushNotificationManager& operator=(const PushNotificationManager&) = delete;

    /// Asks the running context's notification centre for the permission
    /// (alert, sound, badge); logs the answer and reports it on the main queue.
    virtual void registerForNotifications(PermissionCompletion completion);
    /// Nothing in the app calls it; it answers false.
    virtual void registerDeviceToken(const platform::Data& token, std::function<void(bool)> completionHandler);
    /// Marks the notification read: a PATCH of {"read": "true"} to the
    /// notification. Errors: "INVALID_RECORD_ID"/400 without an ID,
    /// "AUTHENTICATION_REQUIRED"/-1013 while signed out (nothing sent), or the
    /// REST client's.
    virtual void updateNotificationStatusToRead(const std::optional<std::string>& notificationID,
                                                StatusCompletion completion);

    /// A tapped platform notification: queues its deep-link action with the
    /// app coordinator and, when the tap brought the app forward, logs the
    /// "AppPushNotification" marker with how the app was launched.
    static void handleDeeplink(const platform::Json& userInfo);

    std::shared_ptr<platform::veltrane::VQUserAccount> userAccount() const { return userAccount_.lock(); }

protected:
    explicit PushNotificationManager(const std::shared_ptr<platform::veltrane::VQUserAccount>& userAccount);

private:
    void updateNotificationStatus(const std::string& notificationID, const platform::Json& status,
                                  StatusCompletion completion);
    void unregisterForNotifications();

    std::weak_ptr<platform::veltrane::VQUserAccount> userAccount_;
    /// The context it was made in: released while that context lives, it does
    /// its release work; released with the context itself, there is none to do.
    std::weak_ptr<Context> context_;
};

} // namespace vellicor
