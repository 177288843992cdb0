#pragma once

#include <string>
#include <string_view>

namespace vellicor {

/// The name of the app's localisation bundle among its resources.
inline constexpr const char* kLocalizationBundleName = "MyVellicorLocalization.bundle";

/// The user-visible text of `key` from the app's localisation bundle (looked
/// up afresh on every call); the key itself when the bundle has no
/// translation. Without the bundle, logs "Unable to load localization
/// resource bundle" at error level and gives the key. `comment` is the
/// translator's note and does not change the result.
std::string localized(std::string_view key, std::string_view comment = {});

} // namespace vellicor
