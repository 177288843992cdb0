#pragma once

#include "Platform/Export.hpp"

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
/// until a test or a script sets it (as the user would in the permission
/// prompt or the system settings). Safe from any thread.
class PLATFORM_EXPORT TrackingManager {
public:
    static TrackingAuthorizationStatus trackingAuthorizationStatus();
    static void setTrackingAuthorizationStatus(TrackingAuthorizationStatus status);
    static void resetForTesting();
};

} // namespace platform::system
