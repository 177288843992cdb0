#include "VellicorApp/Hybrid/OAuthCredentialsInfo.hpp"

#include "VellicorApp/Hybrid/UserAccountManaging.hpp"

namespace vellicor {

using platform::veltrane::VQOAuthCredentials;

namespace {

bool hasText(const std::optional<std::string>& value) { return value && !value->empty(); }

void addText(platform::Json& info, const char* key, const std::optional<std::string>& value) {
    if (hasText(value)) info[key] = *value;
}

void addURL(platform::Json& info, const char* key, const std::optional<platform::Url>& url) {
    if (url) addText(info, key, url->absoluteString());
}

} // namespace

std::optional<std::string> communityCSRFToken(const VQOAuthCredentials& credentials) {
    const auto& fields = credentials.additionalOAuthFields;
    if (!fields || !fields->is_object()) return std::nullopt;
    const auto entry = fields->find(VQUserAccountManagerAdapter::kCSRFTokenKey);
    if (entry == fields->end() || !entry->is_string()) return std::nullopt;
    return entry->get<std::string>();
}

platform::Json infoDictionary(const VQOAuthCredentials& credentials) {
    auto info = platform::Json::object();
    addText(info, "accessToken", credentials.accessToken);
    addText(info, "refreshToken", credentials.refreshToken);
    addText(info, "clientId", credentials.clientId);
    addText(info, "userId", credentials.userId);
    addText(info, "orgId", credentials.organizationId);
    addText(info, "communityId", credentials.communityId);
    addURL(info, "communityUrl", credentials.communityUrl);
    if (hasText(credentials.protocol) && hasText(credentials.domain)) {
        info["loginUrl"] = *credentials.protocol + "://" + *credentials.domain;
    }
    addURL(info, "instanceUrl", credentials.instanceUrl);
    addText(info, "csrfToken", communityCSRFToken(credentials));
    return info;
}

} // namespace vellicor
