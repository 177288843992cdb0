#include "VellicorApp/Community/ZentariPushProvisioningInfo.hpp"

#include "VellicorApp/Core/DecodingError.hpp"

namespace vellicor {

namespace {

constexpr const char* kName = "name";
constexpr const char* kAppID = "appid";
constexpr const char* kAccessToken = "accesstoken";
constexpr const char* kApplicationControlsBadging = "applicationcontrolsbadging";
constexpr const char* kServerURL = "zentari_server_url";
constexpr const char* kMid = "mid";
constexpr const char* kLocation = "location";
constexpr const char* kInbox = "inbox";
constexpr const char* kDelayRegistration = "delayregistrationuntilcontactkeyisset";

/// Reads one required member; the reader gives none for a value of another type.
template <class T, class Reader>
std::expected<T, platform::Error> required(const platform::Json& json, const char* key, const char* typeName,
                                           Reader read) {
    const auto* value = platform::jsonValue(json, key);
    if (value == nullptr || value->is_null()) {
        return std::unexpected(decodingError(DecodingErrorCode::valueNotFound, std::string("No value for key \"") + key + "\"."));
    }
    auto result = read(*value);
    if (!result) {
        return std::unexpected(decodingError(DecodingErrorCode::dataCorrupted,
                                             std::string("Expected ") + typeName + " for key \"" + key + "\"."));
    }
    return std::move(*result);
}

std::expected<std::string, platform::Error> requiredString(const platform::Json& json, const char* key) {
    return required<std::string>(json, key, "a string", [](const platform::Json& value) { return platform::asString(value); });
}

std::expected<bool, platform::Error> requiredBool(const platform::Json& json, const char* key) {
    return required<bool>(json, key, "a Boolean", [](const platform::Json& value) { return platform::asBool(value); });
}

/// JSON text with every "/" escaped as `\/`. A "/" only ever stands inside a
/// string of compact JSON text, so escaping each one keeps the text valid.
std::string escapingSlashes(const std::string& json) {
    std::string result;
    result.reserve(json.size());
    for (const char c : json) {
        if (c == '/') result += '\\';
        result += c;
    }
    return result;
}

/// The display form of a value: each member or element on its own line,
/// indented by two spaces a level, members written as `"key" : value`, and
/// slashes escaped. The platform's writer turns bytes that are not UTF-8 into
/// U+FFFD, so the text is valid UTF-8.
void appendDisplayJSON(std::string& out, const platform::Json& value, std::size_t depth) {
    const bool isObject = value.is_object();
    if ((!isObject && !value.is_array()) || value.empty()) {
        out += escapingSlashes(platform::serializeJson(value));
        return;
    }
    const std::string inner(2 * (depth + 1), ' ');
    out += isObject ? "{\n" : "[\n";
    bool first = true;
    for (auto it = value.begin(); it != value.end(); ++it) {
        if (!first) out += ",\n";
        first = false;
        out += inner;
        if (isObject) out += escapingSlashes(platform::serializeJson(platform::Json(it.key()))) + " : ";
        appendDisplayJSON(out, *it, depth + 1);
    }
    out += "\n" + std::string(2 * depth, ' ') + (isObject ? "}" : "]");
}

} // namespace

std::expected<ZentariPushProvisioningInfo, platform::Error> ZentariPushProvisioningInfo::decode(const platform::Json& json) {
    if (!json.is_object()) {
        return std::unexpected(decodingError(DecodingErrorCode::dataCorrupted, "Expected a dictionary."));
    }
    ZentariPushProvisioningInfo info;
    if (const auto* value = platform::jsonValue(json, kName); value != nullptr && !value->is_null()) {
        info.name = platform::asString(*value);
        if (!info.name) {
            return std::unexpected(decodingError(DecodingErrorCode::dataCorrupted, "Expected a string for key \"name\"."));
        }
    }

    // The first failure in key order is the one reported.
    std::optional<platform::Error> failure;
    const auto take = [&failure](auto value, auto& field) {
        if (failure) return;
        if (value) {
            field = std::move(*value);
        } else {
            failure = value.error();
        }
    };
    take(requiredString(json, kAppID), info.appID);
    take(requiredString(json, kAccessToken), info.accessToken);
    take(requiredBool(json, kApplicationControlsBadging), info.applicationControlsBadging);
    take(requiredString(json, kServerURL), info.appEndPoint);
    take(requiredString(json, kMid), info.mid);
    take(requiredBool(json, kLocation), info.location);
    take(requiredBool(json, kInbox), info.inbox);
    take(requiredBool(json, kDelayRegistration), info.delayRegistrationUntilContactKeyIsSet);
    if (failure) return std::unexpected(*failure);
    return info;
}

std::expected<std::map<std::string, ZentariPushProvisioningInfo>, platform::Error>
ZentariPushProvisioningInfo::decodeNamedEntries(const platform::Json& json) {
    if (!json.is_object()) {
        return std::unexpected(decodingError(DecodingErrorCode::dataCorrupted, "Expected a dictionary."));
    }
    std::map<std::string, ZentariPushProvisioningInfo> entries;
    for (auto it = json.begin(); it != json.end(); ++it) {
        auto entry = decode(it.value());
        if (!entry) return std::unexpected(entry.error());
        entries.emplace(it.key(), std::move(*entry));
    }
    return entries;
}

platform::Json ZentariPushProvisioningInfo::encode() const {
    auto json = platform::Json::object();
    if (name) json[kName] = *name;
    json[kAppID] = appID;
    json[kAccessToken] = accessToken;
    json[kApplicationControlsBadging] = applicationControlsBadging;
    json[kServerURL] = appEndPoint;
    json[kMid] = mid;
    json[kLocation] = location;
    json[kInbox] = inbox;
    json[kDelayRegistration] = delayRegistrationUntilContactKeyIsSet;
    return json;
}

std::optional<std::string> ZentariPushProvisioningInfo::asJSON() const {
    return prettyPrintedJSONString(platform::dataFromString(platform::serializeJson(encode())));
}

std::optional<std::string> ZentariPushProvisioningInfo::prettyPrintedJSONString(const platform::Data& selectionData) {
    const auto value = platform::parseJson(selectionData);
    if (!value) return std::nullopt;
    std::string text;
    appendDisplayJSON(text, *value, 0);
    return text;
}

} // namespace vellicor
