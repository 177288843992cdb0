#pragma once

#include "VellicorApp/Core/AppConstants.hpp"
#include "VellicorApp/Core/AppMode.hpp"
#include "VellicorApp/Core/BundleType.hpp"
#include "VellicorApp/Core/KeyValueStore.hpp"
#include "VellicorApp/Core/UserAccountManaging.hpp"
#include "VellicorApp/Core/VeltraneSDKManaging.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/UI/Color.hpp"
#include "Platform/SDKs/Veltrane/VQPushNotificationManager.hpp"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform::web {
class WebsiteDataStore;
}

namespace vellicor {

class AppCoordinating;
class AppCoordinator;
class AppUpdateManager;
class AuthenticationObserver;
class BiometricsManaging;
class CommunityEventStoreManager;
class FaultManager;
class FeatureTrackable;
class FloatingActionButtonProviding;
class KORVAMarkerManaging;
class LoginHostProvider;
class ManagedURLs;
class NetworkServicing;

/// Makes the observer of sign-in and sign-out on a notification centre, with
/// a session refresh due after `refreshTimeout` milliseconds. Defined with the
/// observer, so that the context makes one without reading its header.
std::shared_ptr<AuthenticationObserver> makeAuthenticationObserver(
    std::shared_ptr<platform::NotificationCenter> notificationCenter, double refreshTimeout);

/// The client features the app reports to pages. Defined with the features,
/// so that the context holds them without reading their header.
std::vector<std::shared_ptr<const FeatureTrackable>> makeClientFeatures();

/// The dependency container of the running app: the SDK's shared objects
/// behind small interfaces, the platform objects, the session ID of the
/// instrumentation and the settings read from the app's configuration.
/// Reached through AppContext::current().
///
/// Threads: the public fields are fixed when the context is made and may be
/// read from any thread. What changes later (the session ID, the URL rules,
/// the floating action button provider, the update manager, the coordinator)
/// is reached only through accessors, which one guard makes safe from any
/// thread; each getter hands out a copy.
class Context {
public:
    /// What a context is made of.
    struct Dependencies {
        std::shared_ptr<VeltraneSDKManaging> veltraneSDKManager;
        std::shared_ptr<UserAccountManaging> userAccountManager;
        std::shared_ptr<platform::veltrane::VQPushNotificationManager> vqPushNotificationManager;
        std::shared_ptr<KeyValueStore> userDefaults;
        std::shared_ptr<BundleType> mainBundle;
        std::string sessionID;
        std::shared_ptr<platform::NotificationCenter> notificationCenter;
        platform::FileManager* fileManager = nullptr;
        std::shared_ptr<KORVAMarkerManaging> korvaMarkerCenter = nullptr;
        std::shared_ptr<CommunityEventStoreManager> eventStoreManager = nullptr;
        std::shared_ptr<platform::web::WebsiteDataStore> webDataStore = nullptr;
        /// The SDK's shared login host storage unless given.
        std::shared_ptr<LoginHostProvider> loginHostStorage = nullptr;
        /// A network service over the SDK's global REST client unless given.
        std::shared_ptr<NetworkServicing> networkService = nullptr;
    };

    static std::shared_ptr<Context> create(Dependencies dependencies);
    /// The running app's context: the SDK's shared managers, the standard
    /// defaults, the main bundle, a new session ID, the default notification
    /// centre and the default file manager.
    static std::shared_ptr<Context> makeDefault();

    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    const std::shared_ptr<VeltraneSDKManaging> veltraneSDKManager;
    const std::shared_ptr<UserAccountManaging> userAccountManager;
    /// The SDK's remote-notification registration.
    const std::shared_ptr<platform::veltrane::VQPushNotificationManager> vqPushNotificationManager;
    const std::shared_ptr<KeyValueStore> userDefaults;
    const std::shared_ptr<BundleType> mainBundle;
    const std::shared_ptr<platform::NotificationCenter> notificationCenter;
    /// The process's file manager, which outlives every context.
    platform::FileManager& fileManager;
    /// The instrumentation marker centre (the shared one unless given).
    const std::shared_ptr<KORVAMarkerManaging> korvaMarkerCenter;
    /// The stored instrumentation events handed to pages.
    const std::shared_ptr<CommunityEventStoreManager> eventStoreManager;
    /// Where the web views keep their cookies (the default store unless given).
    const std::shared_ptr<platform::web::WebsiteDataStore> webDataStore;
    /// The one observer of sign-in and sign-out, on the context's notification
    /// centre, with a session refresh due after 24 hours.
    const std::shared_ptr<AuthenticationObserver> authenticationObserver;
    /// The client features reported to pages: the forced App Store update.
    const std::vector<std::shared_ptr<const FeatureTrackable>> clientFeatures;

    /// A UUID string; renewed by AppContext::updateCurrentContextSessionID().
    std::string sessionID() const;
    void setSessionID(std::string sessionID);

    /// The URL rules links are routed by; null until the app sets them at launch.
    std::shared_ptr<ManagedURLs> managedURLs() const;
    /// Sets (or, with null, clears) the rules.
    void setManagedURLs(std::shared_ptr<ManagedURLs> rules);

    /// The list of login hosts the SDK offers.
    const std::shared_ptr<LoginHostProvider> loginHostStorage;
    /// The faults waiting to be shown; empty at creation.
    const std::shared_ptr<FaultManager> faultManager;

    /// The REST requests' service: over the global REST client while signed
    /// out, over the signed-in user's client after AppContext::updateWithCurrentUser().
    std::shared_ptr<NetworkServicing> networkService() const;
    void setNetworkService(std::shared_ptr<NetworkServicing> service);

    /// The signed-in user's biometric lock; null while signed out.
    std::shared_ptr<BiometricsManaging> biometricsManager() const;
    void setBiometricsManager(std::shared_ptr<BiometricsManaging> manager);

    /// The preview edition's floating action button; null in the normal
    /// edition and until the app sets it at launch.
    std::shared_ptr<FloatingActionButtonProviding> floatingActionButtonProvider() const;
    void setFloatingActionButtonProvider(std::shared_ptr<FloatingActionButtonProviding> provider);

    /// The coordinator of the start-up flows; null until the app sets it when
    /// launching has finished.
    std::shared_ptr<AppCoordinator> appCoordinator() const;
    void setAppCoordinator(std::shared_ptr<AppCoordinator> coordinator);
    /// The same coordinator, as the parts below the shell may call it; null
    /// until it is set. Defined with the coordinator (Shell/AppCoordinator.cpp).
    std::shared_ptr<AppCoordinating> appCoordinating() const;

    /// The App Store update check; null until the web app's update settings
    /// switch it on, and again when later settings switch it off. A new
    /// manager replaces (and releases) the old one.
    std::shared_ptr<AppUpdateManager> appUpdateManager() const;
    void setAppUpdateManager(std::shared_ptr<AppUpdateManager> manager);

    /// The signed-in user; null when nobody is signed in.
    std::shared_ptr<platform::veltrane::VQUserAccount> userAccount() const;
    bool isUserLoggedIn() const;

    // Settings read from the app's configuration --------------------------

    /// The preview edition when yarrowinAppType() has a value, else normal.
    AppMode appMode() const;
    /// The Info.plist string "YarrowinAppType" as an app type; none when
    /// missing, not a string or unknown.
    std::optional<YarrowinAppType> yarrowinAppType() const;
    /// The Info.plist colour "LoginViewNavBarColor" ("#RRGGBB").
    std::optional<platform::ui::Color> navBarColor() const;
    /// The Info.plist colour "NavBarTrueColor"; navBarColor() when that text
    /// is no colour; none when the key is missing or not a string.
    std::optional<platform::ui::Color> navBarTrueColor() const;
    /// The Info.plist string "AppCenterLiveAppName"; logs an error and gives
    /// none when it is missing, not a string or empty.
    std::optional<std::string> appCenterAppName() const;
    /// The Info.plist string "AppCenterAppSecret"; logs an error and gives ""
    /// when it is missing, not a string or empty.
    std::string appCenterID() const;
    /// The Info.plist string "TOVKOAuthLoginHost", the empty string included.
    std::optional<std::string> defaultLoginHost() const;
    /// The Info.plist string "SandboxLoginHost"; none when empty.
    std::optional<std::string> sandboxLoginHost() const;
    /// The Info.plist Boolean "IsPlexa"; false when missing or not a Boolean.
    bool defaultIsPlexaCommunity() const;
    /// "CommunityHybridContainer/<short version>.<build version>"; stops the
    /// app when either version is missing from the Info.plist.
    std::string communityIdentifier() const;
    /// Whether the login screen offers its back button to a guest experience:
    /// true while the app has no coordinator; with one, true only once the web
    /// app has loaded and nobody is signed in. Defined with the coordinator,
    /// whose state it reads.
    bool hasGuestExperience() const;

private:
    explicit Context(Dependencies dependencies);
    /// `dependencies` with what was not given filled from the running app's
    /// shared objects (the marker centre, the event store, the default web
    /// data store, the login hosts, the global REST service). Defined with the
    /// app's assembly, the one place that reaches into every folder, so that
    /// the context depends on none of them.
    static Dependencies completed(Dependencies dependencies);

    std::optional<std::string> infoString(const std::string& key) const;

    template <class T> T guarded(const T& field) const;
    template <class T> void setGuarded(T& field, T value);

    // Guards the fields below.
    mutable std::mutex mutex_;
    std::string sessionID_;
    std::shared_ptr<ManagedURLs> managedURLs_;
    std::shared_ptr<FloatingActionButtonProviding> floatingActionButtonProvider_;
    std::shared_ptr<NetworkServicing> networkService_;
    std::shared_ptr<BiometricsManaging> biometricsManager_;
    std::shared_ptr<AppUpdateManager> appUpdateManager_;
    std::shared_ptr<AppCoordinator> appCoordinator_;
};

} // namespace vellicor
