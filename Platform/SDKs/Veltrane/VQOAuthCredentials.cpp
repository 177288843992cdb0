#include "Platform/SDKs/Veltrane/VQOAuthCredentials.hpp"

namespace platform::veltrane {

namespace {

void putString(Json& json, const char* key, const std::optional<std::string>& value) {
    if (value) json[key] = *value;
}

void putUrl(Json& json, const char* key, const std::optional<Url>& value) {
    if (value) json[key] = value->absoluteString();
}

std::optional<Url> readUrl(const Json& json, const char* key) {
    auto text = jsonString(json, key);
    return text ? Url::parse(*text) : std::nullopt;
}

} // namespace

VQOAuthCredentials::VQOAuthCredentials(std::string identifier, std::string clientId)
    : identifier(std::move(identifier)), clientId(std::move(clientId)), protocol("https") {}

std::optional<Url> VQOAuthCredentials::apiUrl() const {
    if (communityUrl) return communityUrl;
    if (apiInstanceUrl) return apiInstanceUrl;
    return instanceUrl;
}

Json VQOAuthCredentials::toJson() const {
    Json json = {{"identifier", identifier}, {"scopes", scopes}};
    putString(json, "clientId", clientId);
    putString(json, "redirectUri", redirectUri);
    putString(json, "domain", domain);
    putString(json, "protocol", protocol);
    putString(json, "accessToken", accessToken);
    putString(json, "refreshToken", refreshToken);
    putUrl(json, "instanceUrl", instanceUrl);
    putUrl(json, "apiInstanceUrl", apiInstanceUrl);
    putUrl(json, "identityUrl", identityUrl);
    putUrl(json, "communityUrl", communityUrl);
    putString(json, "communityId", communityId);
    putString(json, "userId", userId);
    putString(json, "organizationId", organizationId);
    if (issuedAt) json["issuedAt"] = *issuedAt;
    if (additionalOAuthFields) json["additionalOAuthFields"] = *additionalOAuthFields;
    return json;
}

std::optional<VQOAuthCredentials> VQOAuthCredentials::fromJson(const Json& json) {
    auto identifier = jsonString(json, "identifier");
    if (!identifier) return std::nullopt;
    VQOAuthCredentials credentials;
    credentials.identifier = *identifier;
    credentials.clientId = jsonString(json, "clientId");
    credentials.redirectUri = jsonString(json, "redirectUri");
    credentials.domain = jsonString(json, "domain");
    credentials.protocol = jsonString(json, "protocol");
    credentials.accessToken = jsonString(json, "accessToken");
    credentials.refreshToken = jsonString(json, "refreshToken");
    credentials.instanceUrl = readUrl(json, "instanceUrl");
    credentials.apiInstanceUrl = readUrl(json, "apiInstanceUrl");
    credentials.identityUrl = readUrl(json, "identityUrl");
    credentials.communityUrl = readUrl(json, "communityUrl");
    credentials.communityId = jsonString(json, "communityId");
    credentials.userId = jsonString(json, "userId");
    credentials.organizationId = jsonString(json, "organizationId");
    credentials.issuedAt = jsonDouble(json, "issuedAt");
    credentials.scopes = jsonStringArray(json, "scopes").value_or(std::vector<std::string>{});
    if (const Json* fields = jsonObject(json, "additionalOAuthFields"); fields && fields->is_object()) {
        credentials.additionalOAuthFields = *fields;
    }
    return credentials;
}

bool VQOAuthCredentials::operator==(const VQOAuthCredentials& other) const { return toJson() == other.toJson(); }

std::vector<std::string> scopesFromText(const std::string& text) {
    std::vector<std::string> scopes;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) scopes.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return scopes;
}

} // namespace platform::veltrane
