#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/Url.hpp"

#include <optional>
#include <string>
#include <vector>

namespace platform::veltrane {

/// The OAuth credentials of one signed-in user: tokens, where the user's org
/// and community live, and the client that signed in.
///
/// The SDK never changes credentials it has handed out: a token refresh gives
/// the account a new credentials object. Callers may build their own (tests,
/// or a refresh of credentials the SDK does not keep).
struct PLATFORM_EXPORT VQOAuthCredentials {
    VQOAuthCredentials() = default;
    VQOAuthCredentials(std::string identifier, std::string clientId);

    /// Names the credentials (the SDK uses "<org id>-<user id>").
    std::string identifier;
    std::optional<std::string> clientId;
    std::optional<std::string> redirectUri;
    /// The login host the user signed in at ("community.example.test").
    std::optional<std::string> domain;
    /// "https".
    std::optional<std::string> protocol;
    std::optional<std::string> accessToken;
    std::optional<std::string> refreshToken;
    std::optional<Url> instanceUrl;
    std::optional<Url> apiInstanceUrl;
    /// The identity URL (".../id/<org id>/<user id>").
    std::optional<Url> identityUrl;
    std::optional<Url> communityUrl;
    std::optional<std::string> communityId;
    std::optional<std::string> userId;
    std::optional<std::string> organizationId;
    /// When the access token was issued, in seconds since 1970.
    std::optional<double> issuedAt;
    std::vector<std::string> scopes;
    /// The fields of the token answer named by the account manager's
    /// additionalOAuthParameterKeys (a JSON object); none when there were none.
    std::optional<Json> additionalOAuthFields;

    /// Where the user's pages and API are: the community URL, else the API
    /// instance URL, else the instance URL.
    std::optional<Url> apiUrl() const;

    /// Every field as JSON (for the SDK's encrypted account store).
    Json toJson() const;
    /// Credentials from toJson(); none when `json` is not such an object.
    static std::optional<VQOAuthCredentials> fromJson(const Json& json);

    bool operator==(const VQOAuthCredentials& other) const;
};

/// The scopes of an OAuth "scope" value: the words between single spaces,
/// empty words left out.
PLATFORM_EXPORT std::vector<std::string> scopesFromText(const std::string& text);

} // namespace platform::veltrane
