#include "Platform/SDKs/Veltrane/VQOAuthClient.hpp"

#include "Platform/Foundation/Crypto.hpp"
#include "Platform/SDKs/Veltrane/UrlAdditions.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthError.hpp"
#include "Platform/SDKs/Veltrane/VeltraneSDKManager.hpp"

#include <cmath>

namespace platform::veltrane {

namespace {

std::string base64Url(const Data& bytes) {
    std::string text = base64Encode(bytes);
    while (!text.empty() && text.back() == '=') text.pop_back();
    for (auto& c : text) {
        if (c == '+') c = '-';
        else if (c == '/') c = '_';
    }
    return text;
}

std::string encoded(std::string_view text) { return addingPercentEncoding(text, UrlCharacterSet::alphanumerics); }

std::string formBody(const std::map<std::string, std::string>& fields) {
    std::string body;
    for (const auto& [name, value] : fields) {
        if (!body.empty()) body += '&';
        body += encoded(name) + "=" + encoded(value);
    }
    return body;
}

void addCommonHeaders(HttpRequest& request) {
    request.setValue("application/json", "Accept");
    if (auto manager = VeltraneSDKManager::sharedManagerIfAny()) request.setValue(manager->userAgent(), "User-Agent");
}

Error malformed(const std::string& what) {
    return makeOAuthError(VQOAuthErrorCode::malformedResponse, "The sign-in service's answer cannot be read: " + what);
}

/// The error of an answer that is not a success.
Error answerError(int status, const std::optional<Json>& body) {
    if (body && body->is_object()) {
        auto error = jsonString(*body, "error");
        if (error) {
            auto description = jsonString(*body, "error_description").value_or(*error);
            long code = VQOAuthErrorCode::unknown;
            if (*error == "invalid_grant") code = VQOAuthErrorCode::invalidGrant;
            else if (*error == "invalid_client" || *error == "invalid_client_id" || *error == "unauthorized_client") {
                code = VQOAuthErrorCode::invalidClientId;
            } else if (*error == "access_denied") code = VQOAuthErrorCode::accessDenied;
            else if (*error == "invalid_request" || *error == "unsupported_grant_type" ||
                     *error == "unsupported_response_type") {
                code = VQOAuthErrorCode::invalidRequest;
            }
            Error result = makeOAuthError(code, description);
            result.userInfo["error"] = *error;
            result.userInfo["error_description"] = description;
            result.userInfo["statusCode"] = status;
            return result;
        }
    }
    long code = (status == 401 || status == 403) ? VQOAuthErrorCode::accessDenied : VQOAuthErrorCode::unknown;
    Error result = makeOAuthError(code, "The sign-in service answered with HTTP status " + std::to_string(status) + ".");
    result.userInfo["statusCode"] = status;
    if (body) result.userInfo["error"] = *body;
    return result;
}

} // namespace

/// Stops at redirects: the authorize endpoint answers with one, and its
/// Location is the result; no other request follows one, least of all with a
/// token. The session holds its delegate weakly and follows redirects while it
/// is gone, so each request keeps the stopper until its completion has run,
/// even when the client goes first.
class VQOAuthClient::RedirectStopper : public HttpSessionDelegate {
public:
    void willPerformHTTPRedirection(HttpSession&, HttpDataTask&, const HttpResponse&, HttpRequest,
                                    std::function<void(std::optional<HttpRequest>)> completionHandler) override {
        completionHandler(std::nullopt);
    }
};

VQOAuthClient::Pkce VQOAuthClient::Pkce::make() {
    Pkce pkce;
    pkce.verifier = base64Url(randomBytes(32));
    pkce.challenge = challengeFor(pkce.verifier);
    return pkce;
}

std::string VQOAuthClient::Pkce::challengeFor(const std::string& verifier) { return base64Url(sha256(verifier)); }

std::shared_ptr<VQOAuthClient> VQOAuthClient::create() { return std::shared_ptr<VQOAuthClient>(new VQOAuthClient()); }

VQOAuthClient::VQOAuthClient() : delegate_(std::make_shared<RedirectStopper>()) {
    session_ = HttpSession::create(HttpSessionConfiguration::ephemeralConfiguration(), delegate_);
}

VQOAuthClient::~VQOAuthClient() = default;

std::string VQOAuthClient::baseUrl(const std::string& loginHost) {
    std::string host = loginHost;
    while (!host.empty() && host.back() == '/') host.pop_back();
    if (host.starts_with("https://") || host.starts_with("http://")) return host;
    return "https://" + host;
}

std::optional<Url> VQOAuthClient::authorizationUrl(const std::string& loginHost, const std::string& clientId,
                                                   const std::string& redirectUri, const std::string& codeChallenge,
                                                   const std::string& state, const std::vector<std::string>& scopes) {
    if (loginHost.empty()) return std::nullopt;
    std::map<std::string, std::string> items = {
        {"response_type", "code"},      {"client_id", clientId},   {"redirect_uri", redirectUri},
        {"code_challenge", codeChallenge}, {"code_challenge_method", "S256"}, {"state", state},
        {"display", "touch"},
    };
    if (!scopes.empty()) {
        std::string scope;
        for (const auto& item : scopes) scope += (scope.empty() ? "" : " ") + item;
        items["scope"] = scope;
    }
    return Url::parse(baseUrl(loginHost) + "/vapi/oauth2/authorize?" + formBody(items));
}

void VQOAuthClient::postForm(const std::string& url, const std::map<std::string, std::string>& fields,
                             TokenCompletion completion) {
    auto parsed = Url::parse(url);
    if (!parsed) {
        // Completions always come from the session's queue.
        session_->delegateQueue()->async([completion = std::move(completion)] {
            completion(std::unexpected(makeOAuthError(VQOAuthErrorCode::invalidRequest, "The login host makes no URL.")));
        });
        return;
    }
    HttpRequest request(*parsed);
    request.httpMethod = "POST";
    request.setValue("application/x-www-form-urlencoded", "Content-Type");
    addCommonHeaders(request);
    request.httpBody = dataFromString(formBody(fields));
    session_->send(std::move(request), [stopper = delegate_, completion = std::move(completion)](std::optional<Data> data,
                                                                            std::optional<HttpResponse> response,
                                                                            std::optional<Error> error) {
        if (error) return completion(std::unexpected(*error));
        std::optional<Json> body = data ? parseJson(*data) : std::nullopt;
        const int status = response ? response->statusCode() : 0;
        if (status != 200) return completion(std::unexpected(answerError(status, body)));
        if (!body || !body->is_object()) return completion(std::unexpected(malformed("not a JSON object")));
        completion(std::move(*body));
    });
}

void VQOAuthClient::exchangeCode(const std::string& loginHost, const std::string& clientId,
                                 const std::string& redirectUri, const std::string& code,
                                 const std::string& codeVerifier,
                                 const std::map<std::string, std::string>& extraParameters, TokenCompletion completion) {
    auto fields = extraParameters;
    fields["grant_type"] = "authorization_code";
    fields["code"] = code;
    fields["client_id"] = clientId;
    fields["redirect_uri"] = redirectUri;
    fields["code_verifier"] = codeVerifier;
    fields["format"] = "json";
    postForm(baseUrl(loginHost) + "/vapi/oauth2/token", fields, std::move(completion));
}

void VQOAuthClient::refresh(const std::string& loginHost, const std::string& clientId, const std::string& refreshToken,
                            const std::map<std::string, std::string>& extraParameters, TokenCompletion completion) {
    auto fields = extraParameters;
    fields["grant_type"] = "refresh_token";
    fields["refresh_token"] = refreshToken;
    fields["client_id"] = clientId;
    fields["format"] = "json";
    postForm(baseUrl(loginHost) + "/vapi/oauth2/token", fields, std::move(completion));
}

void VQOAuthClient::fetchIdentity(const Url& identityUrl, const std::string& accessToken,
                                  IdentityCompletion completion) {
    HttpRequest request(identityUrl);
    addCommonHeaders(request);
    request.setValue("Bearer " + accessToken, "Authorization");
    session_->send(std::move(request), [stopper = delegate_, completion = std::move(completion)](std::optional<Data> data,
                                                                            std::optional<HttpResponse> response,
                                                                            std::optional<Error> error) {
        if (error) return completion(std::unexpected(*error));
        const int status = response ? response->statusCode() : 0;
        if (status != 200) {
            return completion(std::unexpected(answerError(status, data ? parseJson(*data) : std::nullopt)));
        }
        auto idData = data ? VQIdData::fromIdentityAnswer(*data) : std::nullopt;
        if (!idData) return completion(std::unexpected(malformed("no identity data")));
        completion(std::move(*idData));
    });
}

void VQOAuthClient::revoke(const std::string& loginHost, const std::string& token) {
    postForm(baseUrl(loginHost) + "/vapi/oauth2/revoke", {{"token", token}}, [](std::expected<Json, Error>) {});
}

void VQOAuthClient::requestCode(const std::string& loginHost, const std::string& accessToken,
                                const std::string& clientId, const std::string& redirectUri,
                                const std::string& codeChallenge, const std::string& state,
                                const std::vector<std::string>& scopes, RedirectCompletion completion) {
    auto url = authorizationUrl(loginHost, clientId, redirectUri, codeChallenge, state, scopes);
    if (!url) {
        session_->delegateQueue()->async([completion = std::move(completion)] {
            completion(std::unexpected(makeOAuthError(VQOAuthErrorCode::invalidRequest, "The login host makes no URL.")));
        });
        return;
    }
    HttpRequest request(*url);
    addCommonHeaders(request);
    request.setValue("Bearer " + accessToken, "Authorization");
    session_->send(std::move(request), [stopper = delegate_, completion = std::move(completion)](std::optional<Data> data,
                                                                            std::optional<HttpResponse> response,
                                                                            std::optional<Error> error) {
        if (error) return completion(std::unexpected(*error));
        const int status = response ? response->statusCode() : 0;
        auto location = response ? response->value("Location") : std::nullopt;
        auto redirect = location ? Url::parse(*location) : std::nullopt;
        if (status < 300 || status >= 400 || !redirect) {
            return completion(std::unexpected(answerError(status, data ? parseJson(*data) : std::nullopt)));
        }
        if (auto refused = valueForParameterName(*redirect, "error")) {
            Json body = {{"error", *refused},
                         {"error_description",
                          valueForParameterName(*redirect, "error_description").value_or(*refused)}};
            return completion(std::unexpected(answerError(status, body)));
        }
        completion(*redirect);
    });
}

std::expected<VQOAuthCredentials, Error> VQOAuthClient::applyTokenAnswer(const Json& answer,
                                                                         VQOAuthCredentials credentials,
                                                                         const std::vector<std::string>& additionalKeys) {
    auto accessToken = jsonString(answer, "access_token");
    if (!accessToken || accessToken->empty()) return std::unexpected(malformed("no access token"));
    auto instance = jsonString(answer, "org_url");
    auto instanceUrl = instance ? Url::parse(*instance) : std::nullopt;
    if (!instanceUrl || !instanceUrl->host()) return std::unexpected(malformed("no org URL"));
    auto identity = jsonString(answer, "identity_url");
    auto identityUrl = identity ? Url::parse(*identity) : std::nullopt;
    auto components = identityUrl ? identityUrl->pathComponents() : std::vector<std::string>{};
    // "/", ..., org id, user id
    if (!identityUrl || !identityUrl->host() || components.size() < 3) {
        return std::unexpected(malformed("no identity URL"));
    }
    credentials.accessToken = *accessToken;
    if (auto refreshToken = jsonString(answer, "refresh_token")) credentials.refreshToken = *refreshToken;
    credentials.instanceUrl = instanceUrl;
    credentials.identityUrl = identityUrl;
    credentials.organizationId = components[components.size() - 2];
    credentials.userId = components[components.size() - 1];
    if (credentials.identifier.empty()) credentials.identifier = *credentials.organizationId + "-" + *credentials.userId;
    if (!credentials.protocol) credentials.protocol = "https";
    if (auto text = jsonString(answer, "community_url")) credentials.communityUrl = Url::parse(*text);
    if (auto text = jsonString(answer, "api_url")) credentials.apiInstanceUrl = Url::parse(*text);
    if (auto text = jsonString(answer, "community_id")) credentials.communityId = *text;
    if (auto scope = jsonString(answer, "scope")) credentials.scopes = scopesFromText(*scope);
    std::optional<double> issued;
    if (auto text = jsonString(answer, "issued_at")) {
        try {
            issued = std::stod(*text) / 1000.0;
        } catch (...) {
            issued.reset();
        }
    } else if (auto number = jsonDouble(answer, "issued_at")) {
        issued = *number / 1000.0;
    }
    if (issued && std::isfinite(*issued)) credentials.issuedAt = issued;
    for (const auto& key : additionalKeys) {
        const Json* value = jsonValue(answer, key);
        if (!value) continue;
        if (!credentials.additionalOAuthFields || !credentials.additionalOAuthFields->is_object()) {
            credentials.additionalOAuthFields = Json::object();
        }
        (*credentials.additionalOAuthFields)[key] = *value;
    }
    return credentials;
}

} // namespace platform::veltrane
