#include "Platform/SDKs/Veltrane/VQPushNotificationManager.hpp"

#include "Platform/Foundation/Crypto.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"

namespace platform::veltrane {

std::shared_ptr<VQPushNotificationManager> VQPushNotificationManager::sharedInstance() {
    static auto* instance = new std::shared_ptr<VQPushNotificationManager>(new VQPushNotificationManager());
    return *instance;
}

void VQPushNotificationManager::registerForRemoteNotifications() {
    ui::Application::shared().registerForRemoteNotifications();
}

void VQPushNotificationManager::didRegisterForRemoteNotifications(const Data& deviceToken) {
    std::lock_guard lock(mutex_);
    deviceToken_ = hexString(deviceToken);
    lastError_.reset();
}

void VQPushNotificationManager::didFailToRegisterForRemoteNotifications(const Error& error) {
    VQSDKLogger::sharedInstanceWithComponent(kVQCoreComponentName)
        ->e("VQPushNotificationManager", "Remote notification registration failed: " + error.localizedDescription());
    std::lock_guard lock(mutex_);
    lastError_ = error;
}

void VQPushNotificationManager::unregisterForRemoteNotifications() {
    std::lock_guard lock(mutex_);
    deviceToken_.reset();
}

std::optional<std::string> VQPushNotificationManager::deviceToken() const {
    std::lock_guard lock(mutex_);
    return deviceToken_;
}

std::optional<Error> VQPushNotificationManager::lastRegistrationError() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

} // namespace platform::veltrane
