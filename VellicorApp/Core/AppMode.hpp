#pragma once

#include "Platform/UI/Application.hpp"

#include <optional>
#include <string>

namespace vellicor {

/// The edition the app runs as. The running app's mode is Context::appMode().
enum class AppMode {
    /// The app bound to one community.
    normal = 0,
    /// The preview edition.
    yarrowin = 1,
};

/// The mode of a raw value (0 or 1); none for any other.
std::optional<AppMode> appModeFromRawValue(int rawValue);

/// The base names of a mode's community files (without ".json").
struct AppConfigPath {
    std::string selectedCommunity;
    std::string bootConfig;
    bool operator==(const AppConfigPath&) const = default;
};

// Computed afresh at every call from the running context. What a mode's
// community files say (login host, boot configuration) is in
// AppModeCommunity.hpp.

/// Whether the login screen shows its navigation bar: false in the normal
/// edition; the stored switch "enableNavBar" in the preview edition.
bool isLoginNavBarEnabled(AppMode mode);
/// The home-screen shortcut of the mode: community switching (the system
/// symbol "link") in the preview edition; sandbox switching (the template
/// image "ListCheck") in the normal edition when it has a sandbox login host,
/// else none.
std::optional<platform::ui::ShortcutItem> quickAction(AppMode mode);
/// ("normalConfigModel", "normalBootConfig") or ("yarrowinConfigModel", "yarrowinBootConfig").
AppConfigPath appConfigPath(AppMode mode);

} // namespace vellicor
