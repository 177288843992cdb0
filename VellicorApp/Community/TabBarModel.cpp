#include "VellicorApp/Community/TabBarModel.hpp"

#include "Platform/SDKs/Veltrane/ColorAdditions.hpp"

namespace vellicor {

namespace {

std::string stringOrEmpty(const platform::Json& dict, const char* key) {
    const auto found = dict.find(key);
    if (found == dict.end()) return {};
    return platform::asString(*found).value_or("");
}

bool boolOrFalse(const platform::Json& dict, const char* key) {
    const auto found = dict.find(key);
    return found != dict.end() && found->is_boolean() && found->get<bool>();
}

} // namespace

std::expected<TabBarMetadataModel, ParseableError> TabBarMetadataModel::parseObject(const platform::Json& dict) {
    const auto missing = std::unexpected(ParseableError::missingRequiredAttributes());
    if (!dict.is_object()) return missing;
    const auto tint = dict.contains("iconTintColor") ? platform::asString(dict.at("iconTintColor")) : std::nullopt;
    const auto tintColor = tint ? platform::veltrane::colorFromHexValue(*tint) : std::nullopt;
    if (!tintColor) return missing;
    const auto color = [&](const char* key) { return platform::veltrane::colorFromHexValue(stringOrEmpty(dict, key)); };
    return TabBarMetadataModel{*tintColor,         color("iconTintColorUnselected"),
                               color("barTintColor"), boolOrFalse(dict, "barTransparency"),
                               color("textColor"),    color("textColorUnselected")};
}

std::expected<TabBarModel, ParseableError> TabBarModel::parseObject(const platform::Json& dict) {
    const auto missingConfig = std::unexpected(ParseableError::missingConfig());
    if (!dict.is_object()) return missingConfig;
    const auto items = dict.find("menuItems");
    if (items == dict.end() || !items->is_array()) return missingConfig;
    const auto branding = dict.find("branding");
    if (branding == dict.end() || !branding->is_object()) return missingConfig;

    std::vector<TabModel> tabs;
    for (const auto& item : *items) {
        if (!item.is_object()) continue;
        if (auto tab = TabModel::parseObject(item)) tabs.push_back(std::move(*tab));
    }
    auto metadata = TabBarMetadataModel::parseObject(*branding);
    if (!metadata) return std::unexpected(metadata.error());
    return TabBarModel{std::move(tabs), std::move(*metadata), boolOrFalse(dict, "changedSinceLastSession")};
}

} // namespace vellicor
