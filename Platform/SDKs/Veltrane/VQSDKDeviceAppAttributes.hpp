#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Json.hpp"

#include <optional>
#include <string>

namespace platform::veltrane {

/// What the analytics know about the device and the app.
struct PLATFORM_EXPORT VQSDKDeviceAppAttributes {
    std::string appName;        // VeltraneSDKManager::appName()
    std::string appVersion;     // "CFBundleShortVersionString", "" without one
    std::string appBuild;       // "CFBundleVersion", "" without one
    std::string systemName;     // UIDevice::systemName()
    std::string systemVersion;  // UIDevice::systemVersion()
    std::string hardware;       // UIDevice::platformString()
    std::string installId;      // installDeviceId()
    std::string appType;        // the shared manager's app type ("Native" without a manager)
    std::string sdkVersion;
    std::optional<std::string> oauthClientId; // the boot configuration's OAuth client id

    /// The attributes read now.
    static VQSDKDeviceAppAttributes current();

    /// The install's device id: a random UUID made on first use and kept in
    /// the keychain, so it stays the same across launches. When the keychain
    /// cannot keep it, an id for the running process only.
    static std::string installDeviceId();

    /// A flat JSON object with the field names above as keys ("oauthClientId" only when set).
    Json jsonRepresentation() const;
};

} // namespace platform::veltrane
