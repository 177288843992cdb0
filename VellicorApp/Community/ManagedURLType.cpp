#include "VellicorApp/Community/ManagedURLType.hpp"

#include "VellicorApp/Community/ManagedURLs.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Localization.hpp"

#include <algorithm>

namespace vellicor {

std::optional<ManagedURLType> managedURLTypeFromRawValue(int rawValue) {
    if (rawValue < 0 || rawValue > 4) return std::nullopt;
    return static_cast<ManagedURLType>(rawValue);
}

std::string description(ManagedURLType type) {
    switch (type) {
    case ManagedURLType::internalWebApp: return "WithinApp";
    case ManagedURLType::internalCookieBrowser: return "InAppSharedCookieBrowser";
    case ManagedURLType::externalBrowser: return "ExternalBrowser";
    case ManagedURLType::unknown:
    case ManagedURLType::internalBrowser: break;
    }
    return "InAppBrowser";
}

std::string localizedTitle(ManagedURLType type) {
    switch (type) {
    case ManagedURLType::unknown: return "UNKNOWN";
    case ManagedURLType::internalWebApp: return localized("OPEN_IN_APP", "Open in app URL section title.");
    case ManagedURLType::internalCookieBrowser:
        return localized("OPEN_IN_AN_APP_COOKIE_BROWSER", "Open in app shared cookie browser URL section title.");
    case ManagedURLType::internalBrowser:
        return localized("OPEN_IN_AN_APP_BROWSER", "Open in app browser URL section title.");
    case ManagedURLType::externalBrowser:
        return localized("OPEN_IN_AN_EXTERNAL_BROWSER", "Open in an external browser URL section title.");
    }
    return "UNKNOWN";
}

std::string localizedSubtitle(ManagedURLType type) {
    switch (type) {
    case ManagedURLType::unknown: return "UNKNOWN";
    case ManagedURLType::internalWebApp: return localized("OPEN_IN_APP_SUBTITLE", "Open in app URL section subtitle.");
    case ManagedURLType::internalCookieBrowser:
        return localized("OPEN_IN_AN_APP_COOKIE_BROWSER_BROWSER_SUBTITLE",
                         "Open in app shared cookie browser URL section subtitle.");
    case ManagedURLType::internalBrowser:
        return localized("OPEN_IN_AN_APP_BROWSER_SUBTITLE", "Open in app browser URL section subtitle.");
    case ManagedURLType::externalBrowser:
        return localized("OPEN_IN_AN_EXTERNAL_BROWSER_SUBTITLE", "Open in an external browser URL section subtitle.");
    }
    return "UNKNOWN";
}

ManagedURLType managedURLType(std::string_view keyString) {
    if (keyString == "WithinApp") return ManagedURLType::internalWebApp;
    if (keyString == "InAppSharedCookieBrowser") return ManagedURLType::internalCookieBrowser;
    if (keyString == "InAppBrowser") return ManagedURLType::internalBrowser;
    if (keyString == "ExternalBrowser") return ManagedURLType::externalBrowser;
    return ManagedURLType::unknown;
}

bool isExisting(ManagedURLType type, std::string_view url) {
    const auto rules = AppContext::current()->managedURLs();
    if (!rules || type == ManagedURLType::unknown) return false;
    const auto& list = rules->list(type);
    return std::find(list.begin(), list.end(), url) != list.end();
}

bool hasReachedLimit(ManagedURLType type) {
    const auto rules = AppContext::current()->managedURLs();
    if (!rules || type == ManagedURLType::unknown) return false;
    return rules->list(type).size() >= kManagedURLListLimit;
}

} // namespace vellicor
