#pragma once

#include "Platform/Foundation/Error.hpp"
#include "Platform/System/UserNotificationCenter.hpp"

#include <functional>
#include <memory>
#include <optional>

namespace vellicor {

/// The app's view of the device's notification centre: the permission prompt.
class UserNotificationCenter {
public:
    using AuthorizationCompletion = std::function<void(bool granted, std::optional<platform::Error> error)>;

    virtual ~UserNotificationCenter() = default;
    /// Asks for the permission with the options (platform::system::UNAuthorizationOptions);
    /// the completion runs on a thread of the platform.
    virtual void requestAuthorization(unsigned options, AuthorizationCompletion completionHandler) = 0;
};

/// The platform's notification centre, the call passed through unchanged.
class SystemUserNotificationCenter : public UserNotificationCenter {
public:
    explicit SystemUserNotificationCenter(std::shared_ptr<platform::system::UNUserNotificationCenter> center)
        : center_(std::move(center)) {}
    static std::shared_ptr<SystemUserNotificationCenter> current() {
        return std::make_shared<SystemUserNotificationCenter>(platform::system::UNUserNotificationCenter::current());
    }

    void requestAuthorization(unsigned options, AuthorizationCompletion completionHandler) override {
        center_->requestAuthorization(options, std::move(completionHandler));
    }

private:
    std::shared_ptr<platform::system::UNUserNotificationCenter> center_;
};

/// Whether a notification comes from the marketing SDK: its payload's "_sid"
/// is a string that contains "VQZT" (case matters).
bool isMarketingPush(const platform::system::UNNotification& notification);

/// "Notification access denied! " with the error's description in the debug
/// form of an optional text: Optional("description"), or nil without an error.
std::string notificationAccessDeniedText(const std::optional<platform::Error>& error);

} // namespace vellicor
