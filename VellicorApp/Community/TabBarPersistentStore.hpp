#pragma once

#include "VellicorApp/Community/ConfigFileCache.hpp"

#include "Platform/Foundation/Json.hpp"

#include <optional>

namespace vellicor {

/// The last native-navigation description the web app sent, kept encrypted
/// in "NativeNavigation/TabBarConfigModel.json" under Application Support.
class TabBarPersistentStore {
public:
    TabBarPersistentStore();

    /// The stored dictionary; none when the file is missing, unreadable, not
    /// encrypted by the app or not a JSON object.
    std::optional<platform::Json> tabBarConfig() const;
    /// Whether "menuItems" or "branding" differ from the stored description;
    /// then stores the new one (replacing the file whole), or empties the
    /// folder when none is given.
    bool updateTabBarConfig(const std::optional<platform::Json>& config) const;

private:
    bool isMetaDataChanged(const std::optional<platform::Json>& config) const;

    ConfigFileCache configFileCache_;
};

} // namespace vellicor
