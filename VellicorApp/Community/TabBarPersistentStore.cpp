#include "VellicorApp/Community/TabBarPersistentStore.hpp"

#include "VellicorApp/Core/DataEncryption.hpp"
#include "VellicorApp/Core/Logger.hpp"

namespace vellicor {

namespace {

constexpr const char* kFileName = "TabBarConfigModel";
constexpr const char* kTypeName = "TabBarPersistentStore";

// The canonical text of a dictionary's value (objects render with their keys
// in ascending order); none when the dictionary or the key is absent.
std::optional<std::string> renderedValue(const std::optional<platform::Json>& dict, const char* key) {
    if (!dict || !dict->is_object()) return std::nullopt;
    const auto found = dict->find(key);
    if (found == dict->end()) return std::nullopt;
    return found->dump(-1, ' ', false, platform::Json::error_handler_t::replace);
}

} // namespace

TabBarPersistentStore::TabBarPersistentStore()
    : configFileCache_(platform::FileManager::defaultManager(), "NativeNavigation") {}

std::optional<platform::Json> TabBarPersistentStore::tabBarConfig() const {
    const auto data = configFileCache_.load(kFileName);
    if (!data) return std::nullopt;
    const auto plain = decrypted(*data);
    if (!plain) return std::nullopt;
    auto json = platform::Json::parse(plain->begin(), plain->end(), nullptr, false);
    if (json.is_discarded() || !json.is_object()) return std::nullopt;
    return json;
}

bool TabBarPersistentStore::isMetaDataChanged(const std::optional<platform::Json>& config) const {
    if (renderedValue(tabBarConfig(), "menuItems") != renderedValue(config, "menuItems")) return true;
    return renderedValue(tabBarConfig(), "branding") != renderedValue(config, "branding");
}

bool TabBarPersistentStore::updateTabBarConfig(const std::optional<platform::Json>& config) const {
    const bool changed = isMetaDataChanged(config);
    if (!config) {
        configFileCache_.clear();
        return changed;
    }
    std::optional<platform::Data> sealed;
    try {
        sealed = encrypted(platform::dataFromString(config->dump()));
    } catch (const platform::Json::exception&) {
        // Text that is not valid UTF-8 cannot be written as JSON.
    }
    if (!sealed) {
        Logger::error("Failed to persist tabbar configuration.", kTypeName);
        return changed;
    }
    if (const auto error = configFileCache_.save(kFileName, *sealed)) {
        Logger::error("Failed to write tabbar configuration.", kTypeName);
    }
    return changed;
}

} // namespace vellicor
