#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Error.hpp"

#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace platform::veltrane {

/// The SDK's remote-notification registration: it asks the application for a
/// device token and keeps the token the app hands back. Thread-safe.
class PLATFORM_EXPORT VQPushNotificationManager {
public:
    static std::shared_ptr<VQPushNotificationManager> sharedInstance();

    /// Asks the application for a device token (main thread); the app delegate
    /// hears back and passes the token on with didRegisterForRemoteNotifications.
    void registerForRemoteNotifications();
    /// Keeps the device token, as lower-case hexadecimal text.
    void didRegisterForRemoteNotifications(const Data& deviceToken);
    void didFailToRegisterForRemoteNotifications(const Error& error);
    /// Forgets the device token.
    void unregisterForRemoteNotifications();

    std::optional<std::string> deviceToken() const;
    bool isRegistered() const { return deviceToken().has_value(); }
    /// The error of the last failed registration, cleared by a success.
    std::optional<Error> lastRegistrationError() const;

private:
    VQPushNotificationManager() = default;
    mutable std::mutex mutex_;
    std::optional<std::string> deviceToken_;
    std::optional<Error> lastError_;
};

} // namespace platform::veltrane
