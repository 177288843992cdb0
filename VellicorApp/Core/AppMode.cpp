#include "VellicorApp/Core/AppMode.hpp"

#include "VellicorApp/Core/AppConstants.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Localization.hpp"

namespace vellicor {

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

AppConfigPath appConfigPath(AppMode mode) {
    switch (mode) {
    case AppMode::normal: return {"normalConfigModel", "normalBootConfig"};
    case AppMode::yarrowin: return {"yarrowinConfigModel", "yarrowinBootConfig"};
    }
    return {"normalConfigModel", "normalBootConfig"};
}

} // namespace vellicor
