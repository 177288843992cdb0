#pragma once

#include "Platform/Foundation/NotificationCenter.hpp"

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
/// It also asks for the tracking permission after sign-in.
///
/// One shared instance, made on first use. Called on the main thread; the
/// cookie and marker work and the permission's answer run on the main queue.
class UserTrackingTransparencyManager : public std::enable_shared_from_this<UserTrackingTransparencyManager> {
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

    /// Asks for the tracking permission and reports whether tracking is
    /// authorised, on the main queue. While the app is not active the request
    /// waits until it becomes active. A second request before the answer
    /// replaces the first one's completion: only the last caller hears back.
    /// Without a usage description: false at once.
    void requestAuthorization(std::function<void(bool)> completion);

private:
    UserTrackingTransparencyManager() = default;
    /// Asks the platform; the answer goes to the stored completion.
    void requestTrackingAuthorization();
    void handleAppDidBecomeActive(platform::ObserverToken registration);

    /// The completion of the request waiting for its answer. Main thread.
    std::function<void(bool)> completion_;
};

} // namespace vellicor
