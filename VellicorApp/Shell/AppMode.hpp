#pragma once

#include "Platform/UI/Application.hpp"
#include "Platform/SDKs/Veltrane/VQHybridViewConfig.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLoginHostStorage.hpp"

#include <memory>
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

// Each of these is computed afresh at every call, from the selected community
// and boot configuration in the given mode's files (read anew each time) and
// the running context.

/// Whether the login screen shows its navigation bar: false in the normal
/// edition; the stored switch "enableNavBar" in the preview edition.
bool isLoginNavBarEnabled(AppMode mode);
/// The selected community's login host; without one, the Info.plist login
/// host in the normal edition and none in the preview edition.
std::optional<std::string> loginHost(AppMode mode);
/// The selected community's web-runtime flag; without one, the Info.plist
/// flag in the normal edition and false in the preview edition.
bool isPlexaCommunity(AppMode mode);
/// The SDK login host of loginHost(): named with the localised
/// "PRODUCTION_LOGIN_HOST", not deletable; none without a login host.
std::optional<platform::veltrane::VQSDKLoginHost> vqLoginHost(AppMode mode);
/// The home-screen shortcut of the mode: community switching (the system
/// symbol "link") in the preview edition; sandbox switching (the template
/// image "ListCheck") in the normal edition when it has a sandbox login host,
/// else none.
std::optional<platform::ui::ShortcutItem> quickAction(AppMode mode);
/// The boot configuration stored for the mode, else the package's default,
/// set not to sign in first; none when there is neither.
std::shared_ptr<platform::veltrane::VQHybridViewConfig> appConfig(AppMode mode);
/// ("normalConfigModel", "normalBootConfig") or ("yarrowinConfigModel", "yarrowinBootConfig").
AppConfigPath appConfigPath(AppMode mode);
/// Whether the boot configuration's unauthenticated start page ends in
/// "/s/"; true when there is no configuration or no start page.
bool isSlashSCommunity(AppMode mode);

} // namespace vellicor
