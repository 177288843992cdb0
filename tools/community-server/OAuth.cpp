// OAuth 2.0 (authorization code with PKCE, refresh, revocation) and the
// identity endpoints.

#include "tools/community-server/ServerImpl.hpp"

#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace communityserver {

namespace {

/// base64url(SHA-256(verifier)) without padding: the S256 code challenge.
std::string s256Challenge(const std::string& verifier) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(verifier.data(), verifier.size(), digest, &length, EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("SHA-256 failed");
    }
    return base64Url(digest, length);
}

/// A code verifier of RFC 7636: 43 to 128 unreserved characters.
bool isValidVerifier(const std::string& verifier) {
    if (verifier.size() < 43 || verifier.size() > 128) return false;
    return std::all_of(verifier.begin(), verifier.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~';
    });
}

std::string withQuery(const std::string& url, const std::vector<std::pair<std::string, std::string>>& items) {
    std::string out = url;
    char separator = url.find('?') == std::string::npos ? '?' : '&';
    for (const auto& [name, value] : items) {
        out += separator;
        out += percentEncoded(name) + "=" + percentEncoded(value);
        separator = '&';
    }
    return out;
}

void sendOAuthError(httplib::Response& res, int status, const std::string& error, const std::string& description) {
    res.status = status;
    res.set_content(Json{{"error", error}, {"error_description", description}}.dump(), kJsonType);
}

} // namespace

std::string CommunityServer::Impl::issueCode(const UserEntry& entry, const std::string& clientId,
                                             const std::string& redirectUri, const std::string& challenge,
                                             const std::string& scope) {
    auto code = randomToken(24);
    codes[code] = {entry.user.userId, clientId, redirectUri, challenge, scope, now() + codeLifetime};
    return code;
}

std::string CommunityServer::Impl::loginPageBody(const std::string& requestId, const std::string& prefix,
                                                 const std::string& error) {
    std::string body = "<h1>Log In</h1>\n";
    if (!error.empty()) body += "<p class=\"error\" id=\"error\">" + htmlEscaped(error) + "</p>\n";
    body += "<form id=\"login\" method=\"post\" action=\"" + htmlEscaped(prefix) +
            "/vapi/oauth2/authorize/login\">\n"
            "<input type=\"hidden\" name=\"request\" value=\"" +
            htmlEscaped(requestId) +
            "\">\n"
            "<label>Username <input type=\"email\" name=\"username\" id=\"username\"></label>\n"
            "<label>Password <input type=\"password\" name=\"password\" id=\"password\"></label>\n"
            "<button type=\"submit\" id=\"Login\">Log In</button>\n"
            "</form>\n"
            "<p><a id=\"cancel\" href=\"" +
            htmlEscaped(prefix) + "/vapi/oauth2/authorize/cancel?request=" + percentEncoded(requestId) +
            "\">Cancel</a></p>";
    return body;
}

void CommunityServer::Impl::handleAuthorize(const httplib::Request& req, httplib::Response& res,
                                            const std::smatch& match) {
    const auto all = params(req);
    const auto clientId = param(all, "client_id");
    const auto redirectUri = param(all, "redirect_uri");
    const auto state = param(all, "state");
    const auto scope = param(all, "scope");
    const auto challenge = param(all, "code_challenge");
    if (clientId.empty() || redirectUri.empty()) {
        sendHtml(res, 400, "Error", "<h1>Error</h1><p id=\"error\">The request names no client or redirect URI.</p>");
        return;
    }
    std::lock_guard lock(mutex);
    // Checked before anything is redirected: an unknown redirect URI gets
    // this page, so the server never sends a browser to a place of the
    // caller's choosing.
    if (!clientAllowed(clientId, redirectUri)) {
        sendHtml(res, 400, "Error", "<h1>Error</h1><p id=\"error\">Unknown client or redirect URI.</p>");
        return;
    }
    auto redirectError = [&](const std::string& error, const std::string& description) {
        Params items = {{"error", error}, {"error_description", description}};
        if (!state.empty()) items.emplace_back("state", state);
        sendRedirect(res, withQuery(redirectUri, items));
    };
    if (param(all, "response_type") != "code") {
        redirectError("unsupported_response_type", "response_type must be code");
        return;
    }
    if (challenge.empty()) {
        redirectError("invalid_request", "a code challenge is required");
        return;
    }
    auto method = param(all, "code_challenge_method");
    if (method != "S256") {
        redirectError("invalid_request", "code_challenge_method must be S256");
        return;
    }
    // A signed-in caller (an identity provider asking on behalf of another
    // app) gets its code at once.
    if (auto token = bearerToken(req)) {
        auto* entry = userForToken(*token);
        if (!entry) {
            redirectError("access_denied", "the bearer token is invalid or expired");
            return;
        }
        Params items = {{"code", issueCode(*entry, clientId, redirectUri, challenge, scope)}};
        if (!state.empty()) items.emplace_back("state", state);
        sendRedirect(res, withQuery(redirectUri, items));
        return;
    }
    const double time = now();
    std::erase_if(pending, [&](const auto& item) { return time - item.second.createdAt > kPendingRequestLifetime; });
    auto id = randomToken(12);
    pending[id] = {clientId, redirectUri, challenge, state, scope, time};
    res.set_header("Set-Cookie", std::string(kAuthRequestCookie) + "=" + id + "; Path=/; Secure; HttpOnly");
    sendHtml(res, 200, "Login | Community", loginPageBody(id, match[1].str(), {}));
}

std::optional<std::string> CommunityServer::Impl::pendingId(const httplib::Request& req, const Params& all) {
    auto named = param(all, "request");
    auto candidate = named.empty() ? cookieValue(req, kAuthRequestCookie) : std::optional<std::string>(named);
    if (candidate && pending.count(*candidate)) return candidate;
    return std::nullopt;
}

void CommunityServer::Impl::handleLogin(const httplib::Request& req, httplib::Response& res, const std::smatch& match) {
    const auto all = params(req);
    auto username = param(all, "username");
    if (username.empty()) username = param(all, "un");
    auto password = param(all, "password");
    if (password.empty()) password = param(all, "pw");
    std::lock_guard lock(mutex);
    auto id = pendingId(req, all);
    if (!id) {
        sendHtml(res, 400, "Error", "<h1>Error</h1><p id=\"error\">No sign-in is in progress.</p>");
        return;
    }
    auto* entry = userByName(username);
    if (!entry || entry->user.password != password) {
        sendHtml(res, 200, "Login | Community",
                 loginPageBody(*id, match[1].str(), "Check your username and password and try again."));
        return;
    }
    auto request = pending[*id];
    pending.erase(*id);
    Params items = {{"code", issueCode(*entry, request.clientId, request.redirectUri, request.codeChallenge,
                                       request.scope)}};
    if (!request.state.empty()) items.emplace_back("state", request.state);
    res.set_header("Set-Cookie", std::string(kAuthRequestCookie) + "=; Path=/; Max-Age=0; Secure; HttpOnly");
    sendRedirect(res, withQuery(request.redirectUri, items));
}

void CommunityServer::Impl::handleCancel(const httplib::Request& req, httplib::Response& res, const std::smatch&) {
    const auto all = params(req);
    std::lock_guard lock(mutex);
    auto id = pendingId(req, all);
    if (!id) {
        sendHtml(res, 400, "Error", "<h1>Error</h1><p id=\"error\">No sign-in is in progress.</p>");
        return;
    }
    auto request = pending[*id];
    pending.erase(*id);
    Params items = {{"error", "access_denied"}, {"error_description", "end-user denied authorization"}};
    if (!request.state.empty()) items.emplace_back("state", request.state);
    sendRedirect(res, withQuery(request.redirectUri, items));
}

Json CommunityServer::Impl::tokenAnswer(const httplib::Request& req, const UserEntry& entry,
                                        const std::string& accessToken, const std::optional<std::string>& refreshToken,
                                        const std::string& scope, const Params& all) {
    const auto base = baseFor(req);
    Json answer = {
        {"access_token", accessToken},
        {"org_url", base},
        {"api_url", base},
        {"identity_url", identityUrl(base, entry.user)},
        {"token_type", "Bearer"},
        {"issued_at", std::to_string(static_cast<long long>(now() * 1000))},
        {"scope", scope.empty() ? "api web refresh_token" : scope},
        {"community_url", base},
        {"community_id", kCommunityId},
    };
    if (refreshToken) answer["refresh_token"] = *refreshToken;
    if (equalsIgnoringCase(param(all, "csrf_token"), "TRUE")) answer["csrf_token"] = randomToken(24);
    return answer;
}

std::string CommunityServer::Impl::issueAccessToken(const UserEntry& entry, const std::string& clientId) {
    // The "!" of the default prefix makes clients percent-encode tokens they put into URLs.
    auto token = accessTokenPrefix + randomToken(36);
    accessTokens[token] = {entry.user.userId, clientId, now() + accessTokenLifetime, false};
    rememberIssued(token);
    return token;
}

void CommunityServer::Impl::handleToken(const httplib::Request& req, httplib::Response& res, const std::smatch&) {
    const auto all = params(req);
    const auto grantType = param(all, "grant_type");
    const auto clientId = param(all, "client_id");
    std::lock_guard lock(mutex);
    if (grantType == "authorization_code") {
        const auto code = param(all, "code");
        if (code.empty() || clientId.empty()) {
            sendOAuthError(res, 400, "invalid_request", "code and client_id are required");
            return;
        }
        auto it = codes.find(code);
        if (it == codes.end()) {
            sendOAuthError(res, 400, "invalid_grant", "invalid authorization code");
            return;
        }
        // A code is good for one exchange, whatever its outcome.
        const auto issued = it->second;
        codes.erase(it);
        if (now() >= issued.expiresAt) {
            sendOAuthError(res, 400, "invalid_grant", "expired authorization code");
            return;
        }
        if (issued.clientId != clientId) {
            sendOAuthError(res, 400, "invalid_grant", "the code was issued to another client");
            return;
        }
        if (issued.redirectUri != param(all, "redirect_uri")) {
            sendOAuthError(res, 400, "invalid_grant", "redirect_uri mismatch");
            return;
        }
        const auto verifier = param(all, "code_verifier");
        if (!isValidVerifier(verifier) || s256Challenge(verifier) != issued.codeChallenge) {
            sendOAuthError(res, 400, "invalid_grant", "invalid code verifier");
            return;
        }
        auto* entry = userById(issued.userId);
        if (!entry) {
            sendOAuthError(res, 400, "invalid_grant", "the user no longer exists");
            return;
        }
        auto access = issueAccessToken(*entry, clientId);
        auto refresh = randomToken(48);
        rememberIssued(refresh);
        refreshTokens[refresh] = {entry->user.userId, clientId, issued.scope, now() + refreshTokenLifetime, false,
                                  {access}};
        sendJson(res, tokenAnswer(req, *entry, access, refresh, issued.scope, all));
    } else if (grantType == "refresh_token") {
        const auto refresh = param(all, "refresh_token");
        if (refresh.empty() || clientId.empty()) {
            sendOAuthError(res, 400, "invalid_request", "refresh_token and client_id are required");
            return;
        }
        auto it = refreshTokens.find(refresh);
        if (it == refreshTokens.end() || it->second.revoked || now() >= it->second.expiresAt ||
            it->second.clientId != clientId) {
            sendOAuthError(res, 400, "invalid_grant", "expired access/refresh token");
            return;
        }
        auto* entry = userById(it->second.userId);
        if (!entry) {
            sendOAuthError(res, 400, "invalid_grant", "the user no longer exists");
            return;
        }
        auto access = issueAccessToken(*entry, clientId);
        it->second.accessTokens.push_back(access);
        sendJson(res, tokenAnswer(req, *entry, access, std::nullopt, it->second.scope, all));
    } else if (grantType.empty()) {
        sendOAuthError(res, 400, "invalid_request", "grant_type is required");
    } else {
        sendOAuthError(res, 400, "unsupported_grant_type", "grant type not supported");
    }
}

void CommunityServer::Impl::handleRevoke(const httplib::Request& req, httplib::Response& res, const std::smatch&) {
    const auto token = param(params(req), "token");
    if (token.empty()) {
        sendOAuthError(res, 400, "invalid_request", "token is required");
        return;
    }
    std::lock_guard lock(mutex);
    if (auto it = refreshTokens.find(token); it != refreshTokens.end()) {
        it->second.revoked = true;
        for (const auto& access : it->second.accessTokens) {
            if (auto found = accessTokens.find(access); found != accessTokens.end()) found->second.revoked = true;
        }
    } else if (auto access = accessTokens.find(token); access != accessTokens.end()) {
        access->second.revoked = true;
    }
    res.status = 200;
}

CommunityServer::Impl::UserEntry* CommunityServer::Impl::requireBearer(const httplib::Request& req,
                                                                       httplib::Response& res) {
    auto token = bearerToken(req);
    auto* entry = token ? userForToken(*token) : nullptr;
    if (!entry) sendErrors(res, 401, "INVALID_SESSION", "Session expired or invalid");
    return entry;
}

void CommunityServer::Impl::handleUserInfo(const httplib::Request& req, httplib::Response& res, const std::smatch&) {
    std::lock_guard lock(mutex);
    auto* entry = requireBearer(req, res);
    if (!entry) return;
    const auto& user = entry->user;
    sendJson(res, {{"sub", identityUrl(baseFor(req), user)},
                   {"user_id", user.userId},
                   {"org_id", user.orgId},
                   {"preferred_username", user.username},
                   {"name", user.displayName},
                   {"email", user.email}});
}

void CommunityServer::Impl::handleIdentity(const httplib::Request& req, httplib::Response& res,
                                           const std::smatch& match) {
    std::lock_guard lock(mutex);
    auto* entry = requireBearer(req, res);
    if (!entry) return;
    const auto& user = entry->user;
    if (match[2].str() != user.orgId || match[3].str() != user.userId) {
        sendErrors(res, 403, "INSUFFICIENT_ACCESS", "The identity of another user cannot be read.");
        return;
    }
    const auto base = baseFor(req);
    const auto version = std::string(kLatestApiVersion);
    OrderedJson answer = {
        {"identity_url", identityUrl(base, user)},
        {"user_id", user.userId},
        {"org_id", user.orgId},
        {"username", user.username},
        {"display_name", user.displayName},
        {"email", user.email},
        {"active", true},
        {"language", "en_US"},
        {"locale", "en_US"},
        {"urls", {{"rest", base + "/vapi/data/v" + version + "/"}, {"profile", base + "/s/profile"}}},
        {"custom_attributes", user.customAttributes},
    };
    res.status = 200;
    res.set_content(answer.dump(), kJsonType);
}

void CommunityServer::Impl::handleAuthConfiguration(const httplib::Request& req, httplib::Response& res,
                                                    const std::smatch&) {
    std::lock_guard lock(mutex);
    if (!authConfigurationEnabled) {
        sendErrors(res, 404, "NOT_FOUND", "This domain has no sign-in configuration.");
        return;
    }
    if (authConfiguration) {
        sendJson(res, *authConfiguration);
        return;
    }
    const auto base = baseFor(req);
    sendJson(res, {{"orgId", users.empty() ? std::string() : users.front().user.orgId},
                   {"loginPage", {{"loginPageUrl", base + "/s/login/"}}},
                   {"samlProviders", Json::array()},
                   {"authProviders", Json::array()}});
}

} // namespace communityserver
