#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/Url.hpp"
#include "Platform/SDKs/Veltrane/VQIdData.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthCredentials.hpp"

#include <expected>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::veltrane {

/// The OAuth 2.0 side of the community's sign-in service, at a login host:
///
///   https://<login host>/vapi/oauth2/authorize   authorization code with PKCE (S256)
///   https://<login host>/vapi/oauth2/token       authorization_code and refresh_token grants
///   https://<login host>/vapi/oauth2/revoke
///   the identity URL of the token answer         the user's identity data
///
/// A token answer holds "access_token", "refresh_token" (code exchanges),
/// "org_url", "api_url", "identity_url" (".../<org id>/<user id>"),
/// "community_url", "community_id", "scope" and "issued_at" (milliseconds
/// since 1970, as text).
///
/// A login host is a host name, possibly with a port and a path
/// ("community.example.test", "community.example.test/site"); one that starts
/// with "http://" or "https://" is used as written.
///
/// Requests go through an ephemeral URL session that does not follow
/// redirects; completions run once on that session's queue (a worker thread).
/// Errors: URL-loading errors as the session gives them; an OAuth error
/// answer becomes a kVQOAuthErrorDomain error (invalid_grant: invalidGrant,
/// invalid_client: invalidClientId, access_denied: accessDenied, others:
/// invalidRequest or unknown) whose user info holds "error" and
/// "error_description" as the server sent them; an answer that cannot be read
/// becomes malformedResponse.
class PLATFORM_EXPORT VQOAuthClient {
public:
    /// A PKCE pair: a random verifier of 43 characters and its S256 challenge.
    struct PLATFORM_EXPORT Pkce {
        std::string verifier;
        std::string challenge;
        static Pkce make();
        /// base64url(SHA-256(verifier)) without padding.
        static std::string challengeFor(const std::string& verifier);
    };

    using TokenCompletion = std::function<void(std::expected<Json, Error>)>;
    using IdentityCompletion = std::function<void(std::expected<VQIdData, Error>)>;
    /// The URL the service redirected to (carrying a code or an error).
    using RedirectCompletion = std::function<void(std::expected<Url, Error>)>;

    static std::shared_ptr<VQOAuthClient> create();
    ~VQOAuthClient();

    /// "https://<login host>" (or the host as written when it has a scheme).
    static std::string baseUrl(const std::string& loginHost);
    /// The authorize URL of a sign-in; none when the parts make no URL.
    static std::optional<Url> authorizationUrl(const std::string& loginHost, const std::string& clientId,
                                               const std::string& redirectUri, const std::string& codeChallenge,
                                               const std::string& state, const std::vector<std::string>& scopes);

    /// Exchanges an authorization code (grant authorization_code) with the PKCE verifier.
    void exchangeCode(const std::string& loginHost, const std::string& clientId, const std::string& redirectUri,
                      const std::string& code, const std::string& codeVerifier,
                      const std::map<std::string, std::string>& extraParameters, TokenCompletion completion);
    /// Asks for a new access token (grant refresh_token).
    void refresh(const std::string& loginHost, const std::string& clientId, const std::string& refreshToken,
                 const std::map<std::string, std::string>& extraParameters, TokenCompletion completion);
    /// Reads the identity data at the token answer's identity URL.
    void fetchIdentity(const Url& identityUrl, const std::string& accessToken, IdentityCompletion completion);
    /// Revokes a token; the outcome is not reported.
    void revoke(const std::string& loginHost, const std::string& token);
    /// Asks the authorize endpoint, as the signed-in user, for a code for
    /// another client (identity-provider flows).
    void requestCode(const std::string& loginHost, const std::string& accessToken, const std::string& clientId,
                     const std::string& redirectUri, const std::string& codeChallenge, const std::string& state,
                     const std::vector<std::string>& scopes, RedirectCompletion completion);

    /// Credentials updated with a token answer: the access token, the
    /// refresh token when the answer has one, the URLs, ids (the last two path
    /// components of the identity URL), issue time and the answer's fields
    /// named in `additionalKeys`. malformedResponse when the answer lacks the
    /// access token, the org URL or an identity URL naming org and user.
    static std::expected<VQOAuthCredentials, Error> applyTokenAnswer(const Json& answer, VQOAuthCredentials credentials,
                                                                     const std::vector<std::string>& additionalKeys);

private:
    class RedirectStopper;
    VQOAuthClient();
    void postForm(const std::string& url, const std::map<std::string, std::string>& fields, TokenCompletion completion);

    std::shared_ptr<RedirectStopper> delegate_;
    std::shared_ptr<HttpSession> session_;
};

} // namespace platform::veltrane
