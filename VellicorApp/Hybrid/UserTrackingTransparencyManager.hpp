#pragma once

#include <functional>
#include <memory>

namespace vellicor {

/// Tells the community web site whether the user lets the app track them:
/// the cookie "UserTrackingPermission" ("TRUE" when tracking is authorised,
/// else "FALSE", for a year) on the community's host, in the web views'
/// cookie store, and an interaction marker of each update. An app whose
/// configuration has no tracking usage description
/// ("NSUserTrackingUsageDescription") writes no cookie and logs no marker.
///
/// One shared instance, made on first use. Called on the main thread; the
/// cookie and marker work runs on the main queue.
class UserTrackingTransparencyManager {
public:
    static constexpr const char* kUsageDescriptionKey = "NSUserTrackingUsageDescription";
    static constexpr const char* kLastAuthorizationStatusKey = "LastUserTrackingPermissionAuthorizationStatus";
    static constexpr const char* kCookieName = "UserTrackingPermission";

    static const std::shared_ptr<UserTrackingTransparencyManager>& shared();

    /// Writes the cookie for the current permission and logs the marker
    /// {"isUserTrackingAuthorized", "isUserTrackingPermissionChanged" (since
    /// the last update, stored across launches), "isUserTrackingCookieCreated"}.
    /// The completion (when given) runs once: at once when tracking is off,
    /// else on the main queue once the cookie is stored or could not be made.
    void updateCookies(std::function<void()> completion = {});

private:
    UserTrackingTransparencyManager() = default;
};

} // namespace vellicor
