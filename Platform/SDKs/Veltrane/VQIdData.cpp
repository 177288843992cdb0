#include "Platform/SDKs/Veltrane/VQIdData.hpp"

namespace platform::veltrane {

namespace {

void readFields(VQIdData& data, const Json& answer) {
    auto idText = jsonString(answer, "identity_url");
    data.idUrl = idText ? Url::parse(*idText) : std::nullopt;
    data.userId = jsonString(answer, "user_id");
    data.orgId = jsonString(answer, "org_id");
    data.username = jsonString(answer, "username");
    data.displayName = jsonString(answer, "display_name");
    data.email = jsonString(answer, "email");
    data.language = jsonString(answer, "language");
    data.locale = jsonString(answer, "locale");
    data.active = jsonBool(answer, "active").value_or(false);
}

} // namespace

std::optional<VQIdData> VQIdData::fromIdentityAnswer(const Data& body) {
    auto text = utf8String(body);
    if (!text) return std::nullopt;
    // Parsed twice: once in order for the custom attributes, once as the
    // platform's dictionary for everything else.
    auto ordered = nlohmann::ordered_json::parse(*text, nullptr, false);
    auto answer = parseJson(*text);
    if (ordered.is_discarded() || !ordered.is_object() || !answer || !answer->is_object()) return std::nullopt;
    VQIdData data;
    readFields(data, *answer);
    if (!data.userId || !data.orgId) return std::nullopt;
    data.dictRepresentation = *answer;
    if (auto attributes = ordered.find("custom_attributes"); attributes != ordered.end() && attributes->is_object()) {
        VQCustomAttributes pairs;
        for (const auto& [key, value] : attributes->items()) {
            pairs.emplace_back(Json(key), Json::parse(value.dump()));
        }
        data.customAttributes = std::move(pairs);
    }
    return data;
}

Json VQIdData::toJson() const {
    Json json = {{"dictRepresentation", dictRepresentation}};
    if (customAttributes) {
        Json pairs = Json::array();
        for (const auto& [key, value] : *customAttributes) pairs.push_back(Json::array({key, value}));
        json["customAttributes"] = std::move(pairs);
    }
    return json;
}

std::optional<VQIdData> VQIdData::fromJson(const Json& json) {
    const Json* dict = jsonObject(json, "dictRepresentation");
    if (!dict || !dict->is_object()) return std::nullopt;
    VQIdData data;
    readFields(data, *dict);
    data.dictRepresentation = *dict;
    if (const Json* pairs = jsonArray(json, "customAttributes")) {
        VQCustomAttributes attributes;
        for (const auto& pair : *pairs) {
            if (!pair.is_array() || pair.size() != 2) return std::nullopt;
            attributes.emplace_back(pair[0], pair[1]);
        }
        data.customAttributes = std::move(attributes);
    }
    return data;
}

bool VQIdData::operator==(const VQIdData& other) const { return toJson() == other.toJson(); }

} // namespace platform::veltrane
