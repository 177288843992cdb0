#pragma once

#include "Platform/Export.hpp"

#include <functional>

namespace platform::system {

/// The user's answer to the app-tracking permission, as the platform numbers
/// it; only `authorized` lets the app track.
enum class TrackingAuthorizationStatus : unsigned {
    notDetermined = 0,
    restricted = 1,
    denied = 2,
    authorized = 3,
};

/// The platform's app-tracking permission. The status is `notDetermined`
/// until the app's request is answered or a test or script sets it (as the
/// user would in the system settings); it is kept with the permission presets,
/// so it holds across launches on one data folder. Safe from any thread.
class PLATFORM_EXPORT TrackingManager {
public:
    static TrackingAuthorizationStatus trackingAuthorizationStatus();
    static void setTrackingAuthorizationStatus(TrackingAuthorizationStatus status);
    /// Asks the user: once the status is determined, the prompt does not show
    /// again and the completion gets that status; otherwise the preset
    /// answer of PermissionPresets (allow: authorized, deny: denied,
    /// restricted: restricted; no preset: denied) becomes the status. The
    /// completion runs on a worker thread.
    static void requestTrackingAuthorization(std::function<void(TrackingAuthorizationStatus)> completion);
    static void resetForTesting();
};

} // namespace platform::system
