#include "VellicorApp/Shell/AppMode.hpp"

#include "VellicorApp/Community/CommunityConfigFilePersistentStore.hpp"
#include "VellicorApp/Shell/AppConstants.hpp"
#include "VellicorApp/Shell/AppContext.hpp"
#include "VellicorApp/Shell/Localization.hpp"

namespace vellicor {

namespace {

std::shared_ptr<CommunityConfigModel> selectedCommunity(AppMode mode) {
    return CommunityConfigFilePersistentStore(mode).getSelectedCommunity();
}

} // namespace

std::optional<AppMode> appModeFromRawValue(int rawValue) {
    switch (rawValue) {
    case 0: return AppMode::normal;
    case 1: return AppMode::yarrowin;
    default: return std::nullopt;
    }
}

bool isLoginNavBarEnabled(AppMode mode) {
    switch (mode) {
    case AppMode::normal: return false;
    case AppMode::yarrowin: return AppContext::current()->userDefaults->boolForKey("enableNavBar");
    }
    return false;
}

std::optional<std::string> loginHost(AppMode mode) {
    if (const auto community = selectedCommunity(mode)) return community->loginHost.get().absoluteString();
    switch (mode) {
    case AppMode::normal: return AppContext::current()->defaultLoginHost();
    case AppMode::yarrowin: return std::nullopt;
    }
    return std::nullopt;
}

bool isPlexaCommunity(AppMode mode) {
    if (const auto community = selectedCommunity(mode)) return community->isPlexaCommunity.get();
    switch (mode) {
    case AppMode::normal: return AppContext::current()->defaultIsPlexaCommunity();
    case AppMode::yarrowin: return false;
    }
    return false;
}

std::optional<platform::veltrane::VQSDKLoginHost> vqLoginHost(AppMode mode) {
    auto host = loginHost(mode);
    if (!host) return std::nullopt;
    return platform::veltrane::VQSDKLoginHost(localized("PRODUCTION_LOGIN_HOST", "Production."), std::move(*host), false);
}

std::optional<platform::ui::ShortcutItem> quickAction(AppMode mode) {
    const std::string prefix = AppConstants::kReverseDNSPrefix;
    switch (mode) {
    case AppMode::yarrowin:
        return platform::ui::ShortcutItem{
            .type = prefix + ".communitySwitching",
            .localizedTitle = localized("SWITCH_COMMUNITY", "Yarrowin switch community quick action button title."),
            .localizedSubtitle = std::nullopt,
            .iconName = "link",
            .iconKind = platform::ui::ShortcutIconKind::systemSymbol,
        };
    case AppMode::normal:
        if (!AppContext::current()->sandboxLoginHost()) return std::nullopt;
        return platform::ui::ShortcutItem{
            .type = prefix + ".sandboxSwitching",
            .localizedTitle = localized("SANDBOX_SWITCHING", "Sandbox switching quick action button title."),
            .localizedSubtitle = std::nullopt,
            .iconName = "ListCheck",
            .iconKind = platform::ui::ShortcutIconKind::templateImage,
        };
    }
    return std::nullopt;
}

std::shared_ptr<platform::veltrane::VQHybridViewConfig> appConfig(AppMode mode) {
    auto config = CommunityConfigFilePersistentStore(mode).getConfigFile();
    if (config) config->setShouldAuthenticate(false);
    return config;
}

AppConfigPath appConfigPath(AppMode mode) {
    switch (mode) {
    case AppMode::normal: return {"normalConfigModel", "normalBootConfig"};
    case AppMode::yarrowin: return {"yarrowinConfigModel", "yarrowinBootConfig"};
    }
    return {"normalConfigModel", "normalBootConfig"};
}

bool isSlashSCommunity(AppMode mode) {
    const auto config = appConfig(mode);
    if (!config) return true;
    const auto startPage = config->unauthenticatedStartPage();
    if (!startPage) return true;
    return startPage->ends_with("/s/");
}

} // namespace vellicor
