#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace vellicor {

/// The ways a link can open. Ordered by raw value.
enum class ManagedURLType : int {
    unknown = 0,               // no rule list claims the link
    internalWebApp = 1,        // inside the community web app
    internalCookieBrowser = 2, // in-app browser sharing the web view's cookies
    internalBrowser = 3,       // in-app browser
    externalBrowser = 4,       // the system's external browser
};

/// The type of a raw value; none outside 0...4.
std::optional<ManagedURLType> managedURLTypeFromRawValue(int rawValue);

/// The key string: "WithinApp", "InAppSharedCookieBrowser", "InAppBrowser",
/// "ExternalBrowser"; unknown also gives "InAppBrowser".
std::string description(ManagedURLType type);
/// Section title of the rule editor ("UNKNOWN" for unknown, not looked up).
std::string localizedTitle(ManagedURLType type);
/// Section subtitle of the rule editor ("UNKNOWN" for unknown, not looked up).
std::string localizedSubtitle(ManagedURLType type);

/// The type named by a key string (exact comparison); any other text gives unknown.
ManagedURLType managedURLType(std::string_view keyString);

/// Whether the running context's rule list of the type holds `url` exactly;
/// false without rules or for unknown.
bool isExisting(ManagedURLType type, std::string_view url);
/// Whether the running context's rule list of the type holds 20 or more
/// patterns; false without rules or for unknown.
bool hasReachedLimit(ManagedURLType type);

/// The most patterns an edited list may hold.
inline constexpr std::size_t kManagedURLListLimit = 20;

} // namespace vellicor
