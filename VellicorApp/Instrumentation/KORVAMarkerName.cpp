#include "VellicorApp/Instrumentation/KORVAMarkerName.hpp"

#include <array>
#include <utility>

namespace vellicor {

namespace {

/// Every name with its raw value, in declaration order.
constexpr std::array<std::pair<KORVAMarkerName, std::string_view>, kKORVAMarkerNameCount> kNames = {{
    {KORVAMarkerName::perfTest, "perfTest"},
    {KORVAMarkerName::pageViewTest, "pageViewTest"},
    {KORVAMarkerName::interactionTest, "interactionTest"},
    {KORVAMarkerName::errorTest, "errorTest"},
    {KORVAMarkerName::coldStart, "AppColdStart"},
    {KORVAMarkerName::warmStart, "AppWarmStart"},
    {KORVAMarkerName::appSession, "AppSession"},
    {KORVAMarkerName::offlineLaunch, "OfflineLaunch"},
    {KORVAMarkerName::nativeLoad, "NativeLoad"},
    {KORVAMarkerName::splashLoad, "SplashLoad"},
    {KORVAMarkerName::communityLoad, "CommunityLoad"},
    {KORVAMarkerName::nativeTabNavigation, "NativeTabNavigation"},
    {KORVAMarkerName::communityPrematureLoadAfterTimeout, "CommunityPrematureLoadAfterTimeout"},
    {KORVAMarkerName::communityLoadedAfterTimeout, "CommunityLoadedAfterTimeout"},
    {KORVAMarkerName::communitySelected, "CommunitySelected"},
    {KORVAMarkerName::universalLinks, "AppDeepLink"},
    {KORVAMarkerName::pushNotification, "AppPushNotification"},
    {KORVAMarkerName::fileDownload, "FileDownload"},
    {KORVAMarkerName::contactsImport, "ContactsImport"},
    {KORVAMarkerName::externalURL, "ExternalURL"},
    {KORVAMarkerName::sendEventLogs, "SendEventLogs"},
    {KORVAMarkerName::appleWallet, "AppleWallet"},
    {KORVAMarkerName::biometric, "Biometric"},
    {KORVAMarkerName::zentariInitialized, "ZentariInitialized"},
    {KORVAMarkerName::zentariInitializationFailed, "ZentariInitializationFailed"},
    {KORVAMarkerName::zentariContactIdAvailable, "ZentariContactIdAvailable"},
    {KORVAMarkerName::zentariPushPermission, "ZentariPushPermission"},
    {KORVAMarkerName::background, "Background"},
    {KORVAMarkerName::userTrackingPermission, "UserTrackingPermission"},
    {KORVAMarkerName::webViewBootstrapError, "WebViewBootstrapError"},
    {KORVAMarkerName::internalServerErrorDisplayed, "InternalServerErrorDisplayed"},
    {KORVAMarkerName::forceUpgradePopup, "ForceUpgrade-Popup"},
    {KORVAMarkerName::forceUpgradePopupAccept, "ForceUpgrade-Popup-Accept"},
    {KORVAMarkerName::forceUpgradePopupCancel, "ForceUpgrade-Popup-Cancel"},
    {KORVAMarkerName::appLogout, "AppLogout"},
    {KORVAMarkerName::multiSSOLoginRequestSent, "LoginRequestSent"},
    {KORVAMarkerName::multiSSOAuthCodeSent, "AuthCodeSent"},
    {KORVAMarkerName::multiSSOServerErrorRecieved, "ServerErrorReceived"},
    {KORVAMarkerName::multiSSOSPErrorRecieved, "SPErrorReceived"},
    {KORVAMarkerName::userSessionRefresh, "UserSessionRefresh"},
}};

constexpr bool namesAreInDeclarationOrder() {
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (static_cast<std::size_t>(kNames[i].first) != i) return false;
    }
    return true;
}
static_assert(namesAreInDeclarationOrder(), "the name table must follow the enum's order");

constexpr std::array<std::string_view, 4> kMarkerTypes = {"interaction", "pageView", "performance", "error"};
constexpr std::array<std::string_view, 3> kErrorTypes = {"info", "warn", "error"};

} // namespace

std::string_view rawValue(KORVAMarkerName name) {
    const auto index = static_cast<std::size_t>(name);
    return index < kNames.size() ? kNames[index].second : std::string_view{};
}

std::optional<KORVAMarkerName> korvaMarkerNameFromRawValue(std::string_view rawValue) {
    for (const auto& [name, text] : kNames) {
        if (text == rawValue) return name;
    }
    return std::nullopt;
}

std::string_view rawValue(KORVAMarkerType type) {
    const auto index = static_cast<std::size_t>(type);
    return index < kMarkerTypes.size() ? kMarkerTypes[index] : std::string_view{};
}

std::optional<KORVAMarkerType> korvaMarkerTypeFromRawValue(std::string_view rawValue) {
    for (std::size_t i = 0; i < kMarkerTypes.size(); ++i) {
        if (kMarkerTypes[i] == rawValue) return static_cast<KORVAMarkerType>(i);
    }
    return std::nullopt;
}

platform::veltrane::VQASchemaType vqaSchemaType(KORVAMarkerType type) {
    using platform::veltrane::VQASchemaType;
    switch (type) {
    case KORVAMarkerType::interaction: return VQASchemaType::interaction;
    case KORVAMarkerType::pageView: return VQASchemaType::pageView;
    case KORVAMarkerType::performance: return VQASchemaType::performance;
    case KORVAMarkerType::error: return VQASchemaType::error;
    }
    return VQASchemaType::interaction;
}

std::string_view rawValue(KORVAErrorType type) {
    const auto index = static_cast<std::size_t>(type);
    return index < kErrorTypes.size() ? kErrorTypes[index] : std::string_view{};
}

std::optional<KORVAErrorType> korvaErrorTypeFromRawValue(std::string_view rawValue) {
    for (std::size_t i = 0; i < kErrorTypes.size(); ++i) {
        if (kErrorTypes[i] == rawValue) return static_cast<KORVAErrorType>(i);
    }
    return std::nullopt;
}

platform::veltrane::VQAErrorType vqaErrorType(KORVAErrorType type) {
    using platform::veltrane::VQAErrorType;
    switch (type) {
    case KORVAErrorType::info: return VQAErrorType::info;
    case KORVAErrorType::warn: return VQAErrorType::warn;
    case KORVAErrorType::error: return VQAErrorType::error;
    }
    return VQAErrorType::info;
}

std::string_view rawValue(KORVAMarkerPage::Context context) {
    switch (context) {
    case KORVAMarkerPage::Context::native: return "native";
    case KORVAMarkerPage::Context::forceUpgrade: return "forceUpgrade";
    }
    return "native";
}

std::string formatted(KORVAMarkerPage::Context context) {
    const auto text = rawValue(context);
    if (text == "native") return std::string(text);
    return "native:" + std::string(text);
}

std::string_view rawValue(KORVAMarkerLocator::Parent parent) {
    switch (parent) {
    case KORVAMarkerLocator::Parent::forceUpgrade: return "forceUpgrade";
    case KORVAMarkerLocator::Parent::authentication: return "authentication";
    }
    return "forceUpgrade";
}

std::string_view rawValue(KORVAMarkerLocator::Sender sender) {
    switch (sender) {
    case KORVAMarkerLocator::Sender::displayUpgradePopup: return "display_upgrade_popup";
    case KORVAMarkerLocator::Sender::upgradePopupAccept: return "upgrade_popup_accept";
    case KORVAMarkerLocator::Sender::upgradePopupCancel: return "upgrade_popup_cancel";
    case KORVAMarkerLocator::Sender::appLogoutUser: return "appLogout_user";
    case KORVAMarkerLocator::Sender::appLogoutSystem: return "appLogout_system";
    }
    return "display_upgrade_popup";
}

} // namespace vellicor
