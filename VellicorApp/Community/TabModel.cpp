#include "VellicorApp/Community/TabModel.hpp"

namespace vellicor {

namespace {

std::optional<std::int64_t> integer(const platform::Json& dict, const char* key) {
    const auto found = dict.find(key);
    if (found == dict.end() || !found->is_number_integer()) return std::nullopt;
    if (found->is_number_unsigned() && found->get<std::uint64_t>() > static_cast<std::uint64_t>(INT64_MAX)) {
        return std::nullopt;
    }
    return found->get<std::int64_t>();
}

} // namespace

std::expected<TabModel, ParseableError> TabModel::parseObject(const platform::Json& dict) {
    const auto missing = std::unexpected(ParseableError::missingRequiredAttributes());
    if (!dict.is_object()) return missing;
    const auto id = integer(dict, "id");
    if (!id) return missing;
    const auto name = dict.contains("name") ? platform::asString(dict.at("name")) : std::nullopt;
    if (!name) return missing;
    const auto target = dict.contains("targetUrl") ? platform::asString(dict.at("targetUrl")) : std::nullopt;
    const auto targetURL = target ? platform::Url::parse(*target) : std::nullopt;
    if (!targetURL) return missing;
    const auto position = integer(dict, "position");
    if (!position) return missing;

    std::optional<TabIcon> icon;
    if (const auto details = dict.find("iconDetails"); details != dict.end() && details->is_object()) {
        auto parsed = TabIcon::parseObject(*details);
        if (!parsed) return std::unexpected(parsed.error());
        icon = std::move(*parsed);
    }
    return TabModel{*id, *name, std::move(icon), *targetURL, *position};
}

} // namespace vellicor
