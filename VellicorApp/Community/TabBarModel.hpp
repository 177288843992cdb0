#pragma once

#include "VellicorApp/Community/TabModel.hpp"

#include "Platform/UI/Color.hpp"

#include <vector>

namespace vellicor {

/// The colours of the tab bar as the web app describes them.
struct TabBarMetadataModel {
    platform::ui::Color iconTintColor;
    std::optional<platform::ui::Color> iconTintColorUnselected;
    std::optional<platform::ui::Color> barTintColor;
    bool barTransparency = false;
    std::optional<platform::ui::Color> textColor;
    std::optional<platform::ui::Color> textColorUnselected;

    /// "iconTintColor" must be a hex colour (missingRequiredAttributes
    /// otherwise); the other colours are empty when absent or unreadable.
    static std::expected<TabBarMetadataModel, ParseableError> parseObject(const platform::Json& dict);
};

/// The native navigation the web app asks for: its tabs and their colours.
struct TabBarModel {
    std::vector<TabModel> tabs;
    TabBarMetadataModel metadata;
    bool changedSinceLastSession = false;

    /// "menuItems" must be an array and "branding" an object (missingConfig
    /// otherwise); menu items that are not objects or do not parse are left
    /// out; a "branding" that does not parse fails the model with its error.
    static std::expected<TabBarModel, ParseableError> parseObject(const platform::Json& dict);
};

} // namespace vellicor
