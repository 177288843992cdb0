#pragma once

#include "Platform/SDKs/Veltrane/VQSDKInstrumentationEvent.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace vellicor {

/// The names of the app's instrumentation markers. A name's raw value is the
/// event name that reaches the analytics store.
enum class KORVAMarkerName {
    perfTest,                           // "perfTest"
    pageViewTest,                       // "pageViewTest"
    interactionTest,                    // "interactionTest"
    errorTest,                          // "errorTest"
    coldStart,                          // "AppColdStart"
    warmStart,                          // "AppWarmStart"
    appSession,                         // "AppSession"
    offlineLaunch,                      // "OfflineLaunch"
    nativeLoad,                         // "NativeLoad"
    splashLoad,                         // "SplashLoad"
    communityLoad,                      // "CommunityLoad"
    nativeTabNavigation,                // "NativeTabNavigation"
    communityPrematureLoadAfterTimeout, // "CommunityPrematureLoadAfterTimeout"
    communityLoadedAfterTimeout,        // "CommunityLoadedAfterTimeout"
    communitySelected,                  // "CommunitySelected"
    universalLinks,                     // "AppDeepLink"
    pushNotification,                   // "AppPushNotification"
    fileDownload,                       // "FileDownload"
    contactsImport,                     // "ContactsImport"
    externalURL,                        // "ExternalURL"
    sendEventLogs,                      // "SendEventLogs"
    appleWallet,                        // "AppleWallet"
    biometric,                          // "Biometric"
    zentariInitialized,                 // "ZentariInitialized"
    zentariInitializationFailed,        // "ZentariInitializationFailed"
    zentariContactIdAvailable,          // "ZentariContactIdAvailable"
    zentariPushPermission,              // "ZentariPushPermission"
    background,                         // "Background"
    userTrackingPermission,             // "UserTrackingPermission"
    webViewBootstrapError,              // "WebViewBootstrapError"
    internalServerErrorDisplayed,       // "InternalServerErrorDisplayed"
    forceUpgradePopup,                  // "ForceUpgrade-Popup"
    forceUpgradePopupAccept,            // "ForceUpgrade-Popup-Accept"
    forceUpgradePopupCancel,            // "ForceUpgrade-Popup-Cancel"
    appLogout,                          // "AppLogout"
    multiSSOLoginRequestSent,           // "LoginRequestSent"
    multiSSOAuthCodeSent,               // "AuthCodeSent"
    multiSSOServerErrorRecieved,        // "ServerErrorReceived"
    multiSSOSPErrorRecieved,            // "SPErrorReceived"
    userSessionRefresh,                 // "UserSessionRefresh"
};

/// How many marker names there are.
inline constexpr int kKORVAMarkerNameCount = 40;

std::string_view rawValue(KORVAMarkerName name);
/// The name whose raw value is exactly the text (case-sensitive); none for any other.
std::optional<KORVAMarkerName> korvaMarkerNameFromRawValue(std::string_view rawValue);

/// The kind of a marker; its position is the schema type handed to the SDK.
enum class KORVAMarkerType {
    interaction, // "interaction"
    pageView,    // "pageView"
    performance, // "performance"
    error,       // "error"
};

std::string_view rawValue(KORVAMarkerType type);
std::optional<KORVAMarkerType> korvaMarkerTypeFromRawValue(std::string_view rawValue);
/// interaction 0, pageView 1, performance 2, error 3.
platform::veltrane::VQASchemaType vqaSchemaType(KORVAMarkerType type);

/// The severity of a marker.
enum class KORVAErrorType {
    info,  // "info"
    warn,  // "warn"
    error, // "error"
};

std::string_view rawValue(KORVAErrorType type);
std::optional<KORVAErrorType> korvaErrorTypeFromRawValue(std::string_view rawValue);
/// info 0, warn 1, error 2.
platform::veltrane::VQAErrorType vqaErrorType(KORVAErrorType type);

/// The names of the pages interactions happen on.
struct KORVAMarkerPage {
    /// The page an interaction happened on.
    enum class Context {
        native,       // "native"
        forceUpgrade, // "forceUpgrade"
    };
};

std::string_view rawValue(KORVAMarkerPage::Context context);
/// "native" for `native`; "native:" and the raw value for any other page.
std::string formatted(KORVAMarkerPage::Context context);

/// The target of an interaction: the control that sent it and its parent.
struct KORVAMarkerLocator {
    enum class Parent {
        forceUpgrade,   // "forceUpgrade"
        authentication, // "authentication"
    };
    enum class Sender {
        displayUpgradePopup, // "display_upgrade_popup"
        upgradePopupAccept,  // "upgrade_popup_accept"
        upgradePopupCancel,  // "upgrade_popup_cancel"
        appLogoutUser,       // "appLogout_user"
        appLogoutSystem,     // "appLogout_system"
    };

    Parent parent;
    Sender sender;

    bool operator==(const KORVAMarkerLocator&) const = default;
};

std::string_view rawValue(KORVAMarkerLocator::Parent parent);
std::string_view rawValue(KORVAMarkerLocator::Sender sender);

} // namespace vellicor
