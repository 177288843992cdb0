#pragma once

#include "VellicorApp/Community/TabIcon.hpp"

#include <cstdint>
#include <optional>

namespace vellicor {

/// One tab of the app's native navigation as the web app describes it.
struct TabModel {
    std::int64_t id = 0;
    std::string name;
    std::optional<TabIcon> icon;
    platform::Url targetURL;
    /// Carried as sent; tabs are not sorted by it.
    std::int64_t position = 0;

    /// "id" and "position" (integers), "name" and "targetUrl" (a string
    /// forming a URL) are required: missingRequiredAttributes otherwise. An
    /// "iconDetails" object must parse as an icon, else its error fails the tab.
    static std::expected<TabModel, ParseableError> parseObject(const platform::Json& dict);
};

} // namespace vellicor
