#include "VellicorApp/Community/ServiceProviderAppInfo.hpp"

namespace vellicor {

std::optional<ServiceProviderAppInfo> ServiceProviderAppInfo::decode(const platform::Json& value) {
    if (!value.is_object()) return std::nullopt;
    const auto field = [&](const char* key) -> std::optional<std::string> {
        const auto found = value.find(key);
        return found == value.end() ? std::nullopt : platform::asString(*found);
    };
    auto name = field("name");
    auto clientID = field("consumerKey");
    auto redirectURI = field("redirectURI");
    auto scheme = field("scheme");
    auto icon = field("icon");
    if (!name || !clientID || !redirectURI || !scheme || !icon) return std::nullopt;
    return ServiceProviderAppInfo{*name, *clientID, *redirectURI, *scheme, *icon};
}

std::optional<std::vector<ServiceProviderAppInfo>> ServiceProviderAppInfo::decodeList(const platform::Json& value) {
    if (!value.is_array()) return std::nullopt;
    std::vector<ServiceProviderAppInfo> list;
    for (const auto& entry : value) {
        auto info = decode(entry);
        if (!info) return std::nullopt;
        list.push_back(std::move(*info));
    }
    return list;
}

std::string ServiceProviderAppInfo::encode() const {
    nlohmann::ordered_json object;
    object["name"] = name;
    object["consumerKey"] = clientID;
    object["redirectURI"] = redirectURI;
    object["scheme"] = scheme;
    object["icon"] = icon;
    return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

} // namespace vellicor
