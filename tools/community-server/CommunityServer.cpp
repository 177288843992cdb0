#include "tools/community-server/CommunityServer.hpp"

#include "tools/community-server/ServerCertificate.hpp"

#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

namespace communityserver {

using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

namespace {

constexpr const char* kJsonType = "application/json;charset=UTF-8";
constexpr const char* kHtmlType = "text/html;charset=UTF-8";
constexpr const char* kAuthRequestCookie = "vq_auth_request";
constexpr const char* kSessionCookie = "sid";
constexpr double kPendingRequestLifetime = 3600;
/// Expired grants and sessions are swept at most this often (server clock).
constexpr double kPruneInterval = 60;
/// How many issued tokens issuedTokens() remembers.
constexpr std::size_t kIssuedTokenMemory = 1000;
constexpr int kOldestApiMajorVersion = 20;

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string lowercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string base64Url(const unsigned char* bytes, std::size_t count) {
    std::string out(4 * ((count + 2) / 3) + 1, '\0');
    int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), bytes, static_cast<int>(count));
    out.resize(static_cast<std::size_t>(std::max(written, 0)));
    while (!out.empty() && out.back() == '=') out.pop_back();
    for (auto& c : out) {
        if (c == '+') c = '-';
        else if (c == '/') c = '_';
    }
    return out;
}

std::string randomToken(std::size_t byteCount) {
    std::vector<unsigned char> bytes(byteCount);
    if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1) {
        throw std::runtime_error("the random generator failed");
    }
    return base64Url(bytes.data(), bytes.size());
}

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

std::string htmlEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string percentEncoded(std::string_view text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

/// Decodes a form field ("+" is a space); a malformed escape is kept as written.
std::string formDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> parseForm(std::string_view body) {
    std::vector<std::pair<std::string, std::string>> fields;
    std::size_t start = 0;
    while (start <= body.size()) {
        auto end = body.find('&', start);
        if (end == std::string_view::npos) end = body.size();
        auto item = body.substr(start, end - start);
        if (!item.empty()) {
            auto eq = item.find('=');
            if (eq == std::string_view::npos) {
                fields.emplace_back(formDecoded(item), "");
            } else {
                fields.emplace_back(formDecoded(item.substr(0, eq)), formDecoded(item.substr(eq + 1)));
            }
        }
        start = end + 1;
    }
    return fields;
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

void sendErrors(httplib::Response& res, int status, const std::string& code, const std::string& message) {
    res.status = status;
    Json body = Json::array({Json{{"errorCode", code}, {"message", message}}});
    res.set_content(body.dump(), kJsonType);
}

void sendOAuthError(httplib::Response& res, int status, const std::string& error, const std::string& description) {
    res.status = status;
    res.set_content(Json{{"error", error}, {"error_description", description}}.dump(), kJsonType);
}

void sendJson(httplib::Response& res, const Json& body, int status = 200) {
    res.status = status;
    res.set_content(body.dump(), kJsonType);
}

void sendRedirect(httplib::Response& res, const std::string& location) {
    res.status = 302;
    res.set_header("Location", location);
    res.set_header("Cache-Control", "no-store");
}

std::string htmlPage(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + htmlEscaped(title) +
           "</title></head>\n<body>\n" + body + "\n</body></html>\n";
}

void sendHtml(httplib::Response& res, int status, const std::string& title, const std::string& body) {
    res.status = status;
    res.set_content(htmlPage(title, body), kHtmlType);
}

std::optional<std::string> cookieValue(const httplib::Request& req, std::string_view name) {
    for (std::size_t i = 0; i < req.get_header_value_count("Cookie"); ++i) {
        const std::string header = req.get_header_value("Cookie", i);
        std::size_t start = 0;
        while (start < header.size()) {
            auto end = header.find(';', start);
            if (end == std::string::npos) end = header.size();
            auto item = std::string_view(header).substr(start, end - start);
            while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
            auto eq = item.find('=');
            if (eq != std::string_view::npos && item.substr(0, eq) == name) {
                return std::string(item.substr(eq + 1));
            }
            start = end + 1;
        }
    }
    return std::nullopt;
}

std::optional<std::string> bearerToken(const httplib::Request& req) {
    if (!req.has_header("Authorization")) return std::nullopt;
    std::string value = req.get_header_value("Authorization");
    for (std::string_view scheme : {"Bearer ", "OAuth "}) {
        if (value.size() > scheme.size() && equalsIgnoringCase(std::string_view(value).substr(0, scheme.size()), scheme)) {
            return value.substr(scheme.size());
        }
    }
    return std::string{}; // a header that carries no usable token
}

/// Whether `host` (a Host header, "name" or "name:port") names this server.
bool hostMatches(const std::string& host, const ServerOptions& options) {
    auto colon = host.rfind(':');
    std::string name = host;
    if (colon != std::string::npos) {
        auto port = host.substr(colon + 1);
        if (port.empty() || !std::all_of(port.begin(), port.end(), [](unsigned char c) { return std::isdigit(c); })) {
            return false;
        }
        name = host.substr(0, colon);
    }
    name = lowercased(name);
    if (name.empty()) return false;
    if (name == lowercased(options.hostName) || name == "127.0.0.1") return true;
    for (const auto& extra : options.extraDnsNames) {
        auto pattern = lowercased(extra);
        if (pattern.starts_with("*.")) {
            auto suffix = pattern.substr(1);
            if (name.size() > suffix.size() && name.ends_with(suffix) &&
                name.find('.') == name.size() - suffix.size()) {
                return true;
            }
        } else if (name == pattern) {
            return true;
        }
    }
    return false;
}

struct ApiVersion {
    int major = 0;
    int minor = 0;
};

std::optional<ApiVersion> parseApiVersion(const std::string& text) {
    static const std::regex pattern(R"(v(\d{1,3})\.(\d))");
    std::smatch match;
    if (!std::regex_match(text, match, pattern)) return std::nullopt;
    return ApiVersion{std::stoi(match[1].str()), std::stoi(match[2].str())};
}

std::vector<std::string> splitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start < path.size()) {
        auto end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string normalizedPagePath(std::string path) {
    if (path.empty() || path.front() != '/') path.insert(path.begin(), '/');
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

} // namespace

std::optional<std::string> RecordedRequest::header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (equalsIgnoringCase(key, name)) return value;
    }
    return std::nullopt;
}

std::optional<std::string> RecordedRequest::param(std::string_view name) const {
    for (const auto& [key, value] : params) {
        if (key == name) return value;
    }
    return std::nullopt;
}

struct CommunityServer::Impl {
    struct UserEntry {
        User user;
        std::vector<UserNotification> notifications;
    };
    struct AccessToken {
        std::string userId;
        std::string clientId;
        double expiresAt = 0;
        bool revoked = false;
    };
    struct RefreshToken {
        std::string userId;
        std::string clientId;
        std::string scope;
        double expiresAt = 0;
        bool revoked = false;
        std::vector<std::string> accessTokens;
    };
    struct WebSession {
        std::string userId;
        double expiresAt = 0;
    };
    struct PendingAuthorization {
        std::string clientId;
        std::string redirectUri;
        std::string codeChallenge;
        std::string state;
        std::string scope;
        double createdAt = 0;
    };
    struct AuthorizationCode {
        std::string userId;
        std::string clientId;
        std::string redirectUri;
        std::string codeChallenge;
        std::string scope;
        double expiresAt = 0;
    };
    struct Content {
        std::string bytes;
        std::string contentType;
        bool guestReadable = false;
    };
    struct Record {
        Json fields = Json::object();
        bool guestReadable = false;
        std::map<std::string, Content> contents;
    };
    struct Failure {
        int remaining = 0;
        int status = 503;
        std::string errorCode;
        std::string message;
        std::string pathPrefix;
    };
    struct Route {
        std::string method;
        std::regex pattern;
        RouteHandler handler;
    };
    /// The request's parameters, query and form fields alike.
    using Params = std::vector<std::pair<std::string, std::string>>;

    explicit Impl(ServerOptions options) : options(std::move(options)) {
        users.push_back({defaultUser(), {{"0NF000000000001AAA", "Welcome to the community!", false}}});
        installBuiltinRoutes();
    }

    ServerOptions options;
    std::filesystem::path temporaryFolder;
    std::optional<ServerCertificate> certificate;
    std::unique_ptr<httplib::SSLServer> server;
    std::thread thread;
    int port = -1;

    mutable std::mutex mutex; // guards every field below
    std::vector<UserEntry> users;
    std::map<std::string, std::vector<std::string>> clients;
    std::map<std::string, AccessToken> accessTokens;
    std::map<std::string, RefreshToken> refreshTokens;
    std::map<std::string, PendingAuthorization> pending;
    std::map<std::string, AuthorizationCode> codes;
    std::map<std::string, WebSession> sessions; // by session id
    std::map<std::pair<std::string, std::string>, Record> records;
    std::map<std::string, Page> pages = {
        {"/s", {"Home", "<p>Welcome to the community.</p>", false}},
        {"/s/login", {"Login", "<p>Sign in through the app.</p>", false}},
        {"/s/profile", {"Profile", "<p>Your profile.</p>", true}},
    };
    std::optional<Json> authConfiguration;
    bool authConfigurationEnabled = true;
    std::deque<Failure> failures;
    std::vector<std::shared_ptr<const Route>> customRoutes;
    std::deque<RecordedRequest> recorded; // the latest options.requestLogCapacity
    std::size_t receivedCount = 0;          // since the last clearRequests()
    std::deque<std::string> issued;         // the latest kIssuedTokenMemory tokens
    double lastPrune = 0;
    std::function<void(const RecordedRequest&)> observer;
    std::function<double()> clock;
    double accessTokenLifetime = 7200;
    double refreshTokenLifetime = 90.0 * 24 * 3600;
    double codeLifetime = 600;
    double sessionLifetime = 7200;

    std::vector<Route> builtinRoutes; // fixed after construction

    double now() const {
        if (clock) return clock();
        return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    }

    // Lookups (mutex held) ------------------------------------------------

    UserEntry* userById(const std::string& userId) {
        for (auto& entry : users) {
            if (entry.user.userId == userId) return &entry;
        }
        return nullptr;
    }
    UserEntry* userByName(const std::string& username) {
        for (auto& entry : users) {
            if (equalsIgnoringCase(entry.user.username, username)) return &entry;
        }
        return nullptr;
    }
    /// Only registered clients sign in, and only to one of their own redirect URIs.
    bool clientAllowed(const std::string& clientId, const std::string& redirectUri) const {
        auto it = clients.find(clientId);
        if (it == clients.end()) return false;
        return std::find(it->second.begin(), it->second.end(), redirectUri) != it->second.end();
    }
    /// The user of a valid access token.
    UserEntry* userForToken(const std::string& token) {
        auto it = accessTokens.find(token);
        if (it == accessTokens.end() || it->second.revoked || now() >= it->second.expiresAt) return nullptr;
        return userById(it->second.userId);
    }
    UserEntry* userForSession(const httplib::Request& req) {
        auto sid = cookieValue(req, kSessionCookie);
        if (!sid) return nullptr;
        auto it = sessions.find(*sid);
        if (it == sessions.end() || now() >= it->second.expiresAt) return nullptr;
        return userById(it->second.userId);
    }

    void rememberIssued(const std::string& token) {
        issued.push_back(token);
        while (issued.size() > kIssuedTokenMemory) issued.pop_front();
    }

    /// Drops codes, sessions, sign-ins and tokens that can no longer be used,
    /// so a long-running server holds only what is live.
    void pruneExpired() {
        const double time = now();
        if (time >= lastPrune && time - lastPrune < kPruneInterval) return;
        lastPrune = time;
        std::erase_if(codes, [&](const auto& item) { return time >= item.second.expiresAt; });
        std::erase_if(sessions, [&](const auto& item) { return time >= item.second.expiresAt; });
        std::erase_if(pending, [&](const auto& item) { return time - item.second.createdAt > kPendingRequestLifetime; });
        std::erase_if(accessTokens,
                      [&](const auto& item) { return item.second.revoked || time >= item.second.expiresAt; });
        std::erase_if(refreshTokens,
                      [&](const auto& item) { return item.second.revoked || time >= item.second.expiresAt; });
        for (auto& [token, refresh] : refreshTokens) {
            std::erase_if(refresh.accessTokens, [&](const std::string& access) { return !accessTokens.count(access); });
        }
    }

    std::string issueCode(const UserEntry& entry, const std::string& clientId, const std::string& redirectUri,
                          const std::string& challenge, const std::string& scope) {
        auto code = randomToken(24);
        codes[code] = {entry.user.userId, clientId, redirectUri, challenge, scope, now() + codeLifetime};
        return code;
    }

    std::string baseFor(const httplib::Request& req) const {
        if (req.has_header("Host")) {
            auto host = req.get_header_value("Host");
            if (hostMatches(host, options)) return "https://" + host;
        }
        return "https://" + options.hostName + ":" + std::to_string(port);
    }

    static std::string identityUrl(const std::string& base, const User& user) {
        return base + "/vapi/identity/" + user.orgId + "/" + user.userId;
    }

    static Params params(const httplib::Request& req) {
        Params all(req.params.begin(), req.params.end());
        if (req.get_header_value("Content-Type").starts_with("application/x-www-form-urlencoded")) {
            for (auto& field : parseForm(req.body)) all.push_back(std::move(field));
        }
        return all;
    }
    static std::string param(const Params& all, std::string_view name) {
        for (const auto& [key, value] : all) {
            if (key == name) return value;
        }
        return {};
    }

    // Dispatch ------------------------------------------------------------

    void dispatch(const httplib::Request& req, httplib::Response& res) {
        RecordedRequest record{req.method, req.path, params(req),
                               std::vector<std::pair<std::string, std::string>>(req.headers.begin(), req.headers.end()),
                               req.body};
        std::function<void(const RecordedRequest&)> observerCopy;
        std::optional<Failure> failure;
        std::vector<std::shared_ptr<const Route>> routes;
        {
            std::lock_guard lock(mutex);
            pruneExpired();
            ++receivedCount;
            recorded.push_back(record);
            while (recorded.size() > options.requestLogCapacity) recorded.pop_front();
            observerCopy = observer;
            for (auto& plan : failures) {
                if (plan.remaining > 0 && req.path.starts_with(plan.pathPrefix)) {
                    --plan.remaining;
                    failure = plan;
                    break;
                }
            }
            std::erase_if(failures, [](const Failure& plan) { return plan.remaining <= 0; });
            routes = customRoutes;
        }
        if (observerCopy) observerCopy(record);
        if (failure) {
            sendErrors(res, failure->status, failure->errorCode, failure->message);
            return;
        }
        const std::string method = req.method == "HEAD" ? "GET" : req.method;
        bool pathKnown = false;
        auto tryRoute = [&](const Route& route) {
            std::smatch match;
            if (!std::regex_match(req.path, match, route.pattern)) return false;
            if (route.method != method) {
                pathKnown = true;
                return false;
            }
            route.handler(req, res, match);
            return true;
        };
        for (const auto& route : routes) {
            if (tryRoute(*route)) return;
        }
        for (const auto& route : builtinRoutes) {
            if (tryRoute(route)) return;
        }
        if (pathKnown) {
            sendErrors(res, 405, "METHOD_NOT_ALLOWED", "HTTP method '" + req.method + "' is not allowed here.");
        } else {
            sendErrors(res, 404, "NOT_FOUND", "The requested resource does not exist.");
        }
    }

    void add(const char* method, const char* pattern,
             void (Impl::*handler)(const httplib::Request&, httplib::Response&, const std::smatch&)) {
        builtinRoutes.push_back(
            {method, std::regex(pattern), [this, handler](const httplib::Request& req, httplib::Response& res,
                                                          const std::smatch& match) { (this->*handler)(req, res, match); }});
    }

    void installBuiltinRoutes() {
        add("GET", R"((.*)/vapi/oauth2/authorize/login)", &Impl::handleLogin);
        add("POST", R"((.*)/vapi/oauth2/authorize/login)", &Impl::handleLogin);
        add("GET", R"((.*)/vapi/oauth2/authorize/cancel)", &Impl::handleCancel);
        add("GET", R"((.*)/vapi/oauth2/authorize)", &Impl::handleAuthorize);
        add("POST", R"((.*)/vapi/oauth2/authorize)", &Impl::handleAuthorize);
        add("POST", R"((.*)/vapi/oauth2/token)", &Impl::handleToken);
        add("POST", R"((.*)/vapi/oauth2/revoke)", &Impl::handleRevoke);
        add("GET", R"((.*)/vapi/oauth2/userinfo)", &Impl::handleUserInfo);
        add("GET", R"((.*)/vapi/identity/auth-configuration)", &Impl::handleAuthConfiguration);
        add("GET", R"((.*)/vapi/identity/([^/]+)/([^/]+))", &Impl::handleIdentity);
        add("GET", R"((.*)/gate/entry\.vx)", &Impl::handleFrontDoor);
        add("GET", R"((.*)/gate/logout\.vx)", &Impl::handleLogout);
        for (const char* method : {"GET", "POST", "PUT", "PATCH", "DELETE"}) {
            add(method, R"((.*?)/vapi/data(/.*)?)", &Impl::handleRest);
        }
        add("GET", R"(/)", &Impl::handleRoot);
        add("GET", R"(/s(/.*)?)", &Impl::handlePage);
    }

    // OAuth ---------------------------------------------------------------

    std::string loginPageBody(const std::string& requestId, const std::string& prefix, const std::string& error) {
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

    void handleAuthorize(const httplib::Request& req, httplib::Response& res, const std::smatch& match) {
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

    /// The sign-in a login or cancel request belongs to: the one its `request`
    /// field names, else the one in the authorize page's cookie. A request
    /// that names none is refused rather than given someone else's sign-in.
    std::optional<std::string> pendingId(const httplib::Request& req, const Params& all) {
        auto named = param(all, "request");
        auto candidate = named.empty() ? cookieValue(req, kAuthRequestCookie) : std::optional<std::string>(named);
        if (candidate && pending.count(*candidate)) return candidate;
        return std::nullopt;
    }

    void handleLogin(const httplib::Request& req, httplib::Response& res, const std::smatch& match) {
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

    void handleCancel(const httplib::Request& req, httplib::Response& res, const std::smatch&) {
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

    Json tokenAnswer(const httplib::Request& req, const UserEntry& entry, const std::string& accessToken,
                     const std::optional<std::string>& refreshToken, const std::string& scope, const Params& all) {
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

    std::string issueAccessToken(const UserEntry& entry, const std::string& clientId) {
        // The "!" makes clients percent-encode tokens they put into URLs.
        auto token = "at!" + randomToken(36);
        accessTokens[token] = {entry.user.userId, clientId, now() + accessTokenLifetime, false};
        rememberIssued(token);
        return token;
    }

    void handleToken(const httplib::Request& req, httplib::Response& res, const std::smatch&) {
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

    void handleRevoke(const httplib::Request& req, httplib::Response& res, const std::smatch&) {
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

    /// The user of the request's bearer token; answers 401 and gives null when there is none.
    UserEntry* requireBearer(const httplib::Request& req, httplib::Response& res) {
        auto token = bearerToken(req);
        auto* entry = token ? userForToken(*token) : nullptr;
        if (!entry) sendErrors(res, 401, "INVALID_SESSION", "Session expired or invalid");
        return entry;
    }

    void handleUserInfo(const httplib::Request& req, httplib::Response& res, const std::smatch&) {
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

    void handleIdentity(const httplib::Request& req, httplib::Response& res, const std::smatch& match) {
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

    void handleAuthConfiguration(const httplib::Request& req, httplib::Response& res, const std::smatch&) {
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

    // Web -----------------------------------------------------------------

    /// Where a page URL given by a client may lead: a path of this server, or
    /// an absolute URL naming it; anything else leads to the home page.
    std::string safeReturnUrl(const httplib::Request& req, const std::string& returnTo) const {
        const auto base = baseFor(req);
        if (returnTo.empty()) return base + "/s/";
        if (returnTo.front() == '/' && (returnTo.size() == 1 || returnTo[1] != '/')) return base + returnTo;
        static const std::regex absolute(R"(https://([^/?#]+)([/?#].*)?)", std::regex::icase);
        std::smatch match;
        if (std::regex_match(returnTo, match, absolute) && hostMatches(match[1].str(), options)) return returnTo;
        return base + "/s/";
    }

    void handleFrontDoor(const httplib::Request& req, httplib::Response& res, const std::smatch&) {
        const auto all = params(req);
        const auto returnTo = param(all, "returnTo");
        std::lock_guard lock(mutex);
        auto* entry = userForToken(param(all, "sid"));
        if (!entry) {
            sendRedirect(res, baseFor(req) + "/s/login/?ec=302&startAt=" +
                                  percentEncoded(returnTo.empty() ? "/s/" : returnTo));
            return;
        }
        auto sessionId = randomToken(24);
        sessions[sessionId] = {entry->user.userId, now() + sessionLifetime};
        res.set_header("Set-Cookie", std::string(kSessionCookie) + "=" + sessionId + "; Path=/; Secure; HttpOnly");
        sendRedirect(res, safeReturnUrl(req, returnTo));
    }

    void handleLogout(const httplib::Request& req, httplib::Response& res, const std::smatch&) {
        {
            std::lock_guard lock(mutex);
            if (auto sid = cookieValue(req, kSessionCookie)) sessions.erase(*sid);
        }
        res.set_header("Set-Cookie", std::string(kSessionCookie) + "=; Path=/; Max-Age=0; Secure; HttpOnly");
        sendHtml(res, 200, "Logged Out", "<h1>Logged Out</h1><p>You have been logged out.</p>");
    }

    void handleRoot(const httplib::Request& req, httplib::Response& res, const std::smatch&) {
        sendRedirect(res, baseFor(req) + "/s/");
    }

    void handlePage(const httplib::Request& req, httplib::Response& res, const std::smatch&) {
        const auto path = normalizedPagePath(req.path);
        std::lock_guard lock(mutex);
        auto it = pages.find(path);
        if (it == pages.end()) {
            sendHtml(res, 404, "Page Not Found",
                     "<h1>Page Not Found</h1><p>The page you were looking for does not exist.</p>");
            return;
        }
        auto* entry = userForSession(req);
        if (it->second.requiresSession && !entry) {
            sendRedirect(res, baseFor(req) + "/s/login/?ec=302&startAt=" + percentEncoded(req.path));
            return;
        }
        std::string who = entry ? "Signed in as " + htmlEscaped(entry->user.displayName) : std::string("Guest");
        sendHtml(res, 200, it->second.title,
                 "<h1>" + htmlEscaped(it->second.title) + "</h1>\n<p class=\"user\" id=\"user\">" + who + "</p>\n" +
                     it->second.body);
    }

    // REST ----------------------------------------------------------------

    void handleRest(const httplib::Request& req, httplib::Response& res, const std::smatch& match) {
        const std::string endpoint = match[1].str() + "/vapi/data";
        const auto parts = splitPath(match[2].str());
        std::lock_guard lock(mutex);
        // Without a bearer token the request is a guest's.
        UserEntry* entry = nullptr;
        if (auto token = bearerToken(req)) {
            entry = userForToken(*token);
            if (!entry) {
                sendErrors(res, 401, "INVALID_SESSION", "Session expired or invalid");
                return;
            }
        }
        if (entry && !entry->user.apiEnabled) {
            sendErrors(res, 403, "API_DISABLED", "The REST API is not enabled for this user.");
            return;
        }
        const std::string method = req.method == "HEAD" ? "GET" : req.method;
        if (parts.empty()) {
            if (method != "GET") return methodNotAllowed(req, res);
            sendJson(res, Json::array({{{"version", kLatestApiVersion},
                                        {"label", "Latest"},
                                        {"url", endpoint + "/v" + std::string(kLatestApiVersion)}}}));
            return;
        }
        auto version = parseApiVersion(parts[0]);
        auto latest = *parseApiVersion("v" + std::string(kLatestApiVersion));
        if (!version || version->major < kOldestApiMajorVersion ||
            std::pair(version->major, version->minor) > std::pair(latest.major, latest.minor)) {
            sendErrors(res, 404, "NOT_FOUND", "The requested API version does not exist.");
            return;
        }
        const std::string versionPath = endpoint + "/" + parts[0];
        std::vector<std::string> rest(parts.begin() + 1, parts.end());
        if (rest.empty()) {
            if (method != "GET") return methodNotAllowed(req, res);
            sendJson(res, {{"records", versionPath + "/records"}, {"connect", versionPath + "/connect"}});
            return;
        }
        if (rest[0] == "records") return handleRecords(req, res, method, versionPath, rest, entry);
        if (rest[0] == "connect" && rest.size() >= 2 && rest[1] == "notifications") {
            return handleNotifications(req, res, method, rest, entry);
        }
        sendErrors(res, 404, "NOT_FOUND", "The requested resource does not exist.");
    }

    static void methodNotAllowed(const httplib::Request& req, httplib::Response& res) {
        sendErrors(res, 405, "METHOD_NOT_ALLOWED", "HTTP method '" + req.method + "' is not allowed here.");
    }

    /// A user's record as the platform keeps it, unless one was put.
    std::optional<Record> findRecord(const std::string& type, const std::string& id) {
        if (auto it = records.find({type, id}); it != records.end()) return it->second;
        if (type == "user") {
            if (auto* user = userById(id)) {
                Json fields = {{"Id", user->user.userId},
                               {"Username", user->user.username},
                               {"Name", user->user.displayName},
                               {"Email", user->user.email}};
                if (user->user.contactId) fields["ContactId"] = *user->user.contactId;
                return Record{fields, false, {}};
            }
        }
        return std::nullopt;
    }

    void handleRecords(const httplib::Request& req, httplib::Response& res, const std::string& method,
                       const std::string& versionPath, const std::vector<std::string>& rest, UserEntry* entry) {
        if (method != "GET") return methodNotAllowed(req, res);
        if (rest.size() == 1) {
            if (!entry) {
                sendErrors(res, 401, "INVALID_SESSION", "Session expired or invalid");
                return;
            }
            std::set<std::string> types = {"user"};
            for (const auto& [key, record] : records) types.insert(key.first);
            sendJson(res, {{"objects", Json(std::vector<std::string>(types.begin(), types.end()))}});
            return;
        }
        if (rest.size() < 3 || rest.size() > 4) {
            sendErrors(res, 404, "NOT_FOUND", "The requested resource does not exist.");
            return;
        }
        const auto& type = rest[1];
        const auto& id = rest[2];
        auto record = findRecord(type, id);
        if (!record) {
            sendErrors(res, 404, "NOT_FOUND", "The requested resource does not exist.");
            return;
        }
        if (rest.size() == 3) {
            if (!entry && !record->guestReadable) {
                sendErrors(res, 401, "INVALID_SESSION", "Session expired or invalid");
                return;
            }
            Json fields = record->fields;
            fields["attributes"] = {{"type", type}, {"url", versionPath + "/records/" + type + "/" + id}};
            sendJson(res, fields);
            return;
        }
        auto content = record->contents.find(rest[3]);
        if (content == record->contents.end()) {
            sendErrors(res, 404, "NOT_FOUND", "The requested resource does not exist.");
            return;
        }
        if (!entry && !content->second.guestReadable) {
            sendErrors(res, 401, "INVALID_SESSION", "Session expired or invalid");
            return;
        }
        res.status = 200;
        res.set_content(content->second.bytes, content->second.contentType);
    }

    static Json notificationJson(const UserNotification& notification) {
        return {{"id", notification.id}, {"message", notification.message}, {"read", notification.read}};
    }

    void handleNotifications(const httplib::Request& req, httplib::Response& res, const std::string& method,
                             const std::vector<std::string>& rest, UserEntry* entry) {
        if (!entry) {
            sendErrors(res, 401, "INVALID_SESSION", "Session expired or invalid");
            return;
        }
        auto& list = entry->notifications;
        const auto unread = std::count_if(list.begin(), list.end(), [](const auto& n) { return !n.read; });
        if (rest.size() == 2) {
            if (method != "GET") return methodNotAllowed(req, res);
            Json items = Json::array();
            for (const auto& notification : list) items.push_back(notificationJson(notification));
            sendJson(res, {{"notifications", items}, {"unreadCount", unread}});
            return;
        }
        if (rest.size() != 3) {
            sendErrors(res, 404, "NOT_FOUND", "The requested resource does not exist.");
            return;
        }
        if (rest[2] == "status") {
            if (method != "GET") return methodNotAllowed(req, res);
            sendJson(res, {{"unreadCount", unread}, {"unseenCount", unread}});
            return;
        }
        auto it = std::find_if(list.begin(), list.end(), [&](const auto& n) { return n.id == rest[2]; });
        if (it == list.end()) {
            sendErrors(res, 404, "NOT_FOUND", "The requested resource does not exist.");
            return;
        }
        if (method == "GET") {
            sendJson(res, notificationJson(*it));
            return;
        }
        if (method != "PATCH") return methodNotAllowed(req, res);
        auto body = Json::parse(req.body, nullptr, false);
        const Json* read = body.is_object() && body.contains("read") ? &body["read"] : nullptr;
        std::optional<bool> value;
        if (read && read->is_boolean()) value = read->get<bool>();
        if (read && read->is_string()) {
            if (read->get<std::string>() == "true") value = true;
            if (read->get<std::string>() == "false") value = false;
        }
        if (!value) {
            sendErrors(res, 400, "MALFORMED_REQUEST", "The body must be a JSON object with \"read\": true or false.");
            return;
        }
        it->read = *value;
        sendJson(res, notificationJson(*it));
    }
};

// ---------------------------------------------------------------------------

CommunityServer::CommunityServer(ServerOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

CommunityServer::~CommunityServer() { stop(); }

void CommunityServer::start() {
    if (impl_->server) return;
    auto& impl = *impl_;
    std::filesystem::path folder = impl.options.dataFolder;
    if (folder.empty()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "vellicor-community-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a folder for the server certificate");
        }
        impl.temporaryFolder = pattern;
        folder = pattern;
    }
    std::vector<std::string> names = {impl.options.hostName};
    names.insert(names.end(), impl.options.extraDnsNames.begin(), impl.options.extraDnsNames.end());
    impl.certificate = ServerCertificate::make(folder, names);

    auto server = std::make_unique<httplib::SSLServer>(impl.certificate->certificateFile().c_str(),
                                                       impl.certificate->privateKeyFile().c_str());
    if (!server->is_valid()) throw std::runtime_error("the community server rejected its certificate");
    // One request per connection: an idle kept-alive connection would hold a
    // server thread and delay stop() by the keep-alive time-out.
    server->set_keep_alive_max_count(1);
    // A connection holds a pool thread from its TLS handshake to its answer,
    // at most the read time-out when the client says nothing. Enough threads
    // that a few dozen silent sockets leave others answered at once.
    const auto threads = std::max<std::size_t>(impl.options.connectionThreads, 1);
    server->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    // Longer bodies are refused with 413 before they are read into memory.
    server->set_payload_max_length(impl.options.maxRequestBodyBytes);
    auto handler = [this](const httplib::Request& req, httplib::Response& res) { impl_->dispatch(req, res); };
    server->Get(".*", handler);
    server->Post(".*", handler);
    server->Put(".*", handler);
    server->Patch(".*", handler);
    server->Delete(".*", handler);
    server->Options(".*", handler);
    server->set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        sendErrors(res, 500, "UNKNOWN_EXCEPTION", "An unexpected error occurred.");
    });
    // Answers the server gives before any handler runs get an error list too.
    server->set_error_handler(httplib::Server::HandlerWithResponse(
        [](const httplib::Request&, httplib::Response& res) {
            if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
            if (res.status == 413) {
            sendErrors(res, 413, "REQUEST_TOO_LARGE", "The request body is larger than the server accepts.");
        } else {
            sendErrors(res, res.status, "BAD_REQUEST", "The server could not read the request.");
        }
        return httplib::Server::HandlerResponse::Handled;
    }));
    // cpp-httplib listens with a backlog of five: a burst of connections past
    // it would wait a second for the clients' retry. Deepen it once bound.
    auto listenSocket = std::make_shared<socket_t>(INVALID_SOCKET);
    server->set_socket_options([listenSocket](socket_t sock) {
        httplib::default_socket_options(sock);
        *listenSocket = sock;
    });
    int port = impl.options.port == 0 ? server->bind_to_any_port(impl.options.bindAddress)
                                      : (server->bind_to_port(impl.options.bindAddress, impl.options.port)
                                             ? impl.options.port
                                             : -1);
    if (port <= 0) throw std::runtime_error("the community server cannot listen on " + impl.options.bindAddress);
    if (*listenSocket != INVALID_SOCKET) ::listen(*listenSocket, SOMAXCONN);
    impl.port = port;
    impl.server = std::move(server);
    impl.thread = std::thread([&impl] { impl.server->listen_after_bind(); });
    // stop() only works once the accept loop runs.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!impl.server->is_running() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    if (!impl.server->is_running()) {
        stop();
        throw std::runtime_error("the community server did not start");
    }
}

void CommunityServer::stop() {
    auto& impl = *impl_;
    if (impl.server) {
        impl.server->stop();
        if (impl.thread.joinable()) impl.thread.join();
        impl.server.reset();
    }
    if (!impl.temporaryFolder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(impl.temporaryFolder, ignored);
        impl.temporaryFolder.clear();
        impl.certificate.reset();
    }
}

bool CommunityServer::isRunning() const { return impl_->server && impl_->server->is_running(); }
int CommunityServer::port() const { return impl_->port; }
const std::string& CommunityServer::hostName() const { return impl_->options.hostName; }
std::string CommunityServer::baseUrl() const {
    return "https://" + impl_->options.hostName + ":" + std::to_string(impl_->port);
}
std::filesystem::path CommunityServer::caFile() const {
    return impl_->certificate ? impl_->certificate->caFile() : std::filesystem::path();
}

User CommunityServer::defaultUser() {
    User user;
    user.username = "alice@example.test";
    user.password = "alice-password";
    user.userId = "0US000000000001AAA";
    user.orgId = "0OR000000000001AAA";
    user.email = "alice@example.test";
    user.displayName = "Alice Example";
    user.contactId = "093000000000001AAA";
    user.customAttributes = {{"ENABLE_BIOMETRICS_UNLOCK", "FALSE"}, {"REQUIRE_BIOMETRICS_AFTER", "15"}};
    return user;
}

void CommunityServer::addUser(User user) {
    std::lock_guard lock(impl_->mutex);
    if (auto* entry = impl_->userByName(user.username)) {
        entry->user = std::move(user);
        return;
    }
    impl_->users.push_back({std::move(user), {}});
}

bool CommunityServer::removeUser(const std::string& username) {
    std::lock_guard lock(impl_->mutex);
    return std::erase_if(impl_->users, [&](const auto& entry) { return equalsIgnoringCase(entry.user.username, username); }) > 0;
}

std::vector<User> CommunityServer::users() const {
    std::lock_guard lock(impl_->mutex);
    std::vector<User> result;
    for (const auto& entry : impl_->users) result.push_back(entry.user);
    return result;
}

void CommunityServer::registerClient(const std::string& clientId, std::vector<std::string> redirectUris) {
    std::lock_guard lock(impl_->mutex);
    impl_->clients[clientId] = std::move(redirectUris);
}

void CommunityServer::setAccessTokenLifetime(double seconds) {
    std::lock_guard lock(impl_->mutex);
    impl_->accessTokenLifetime = seconds;
}

void CommunityServer::setRefreshTokenLifetime(double seconds) {
    std::lock_guard lock(impl_->mutex);
    impl_->refreshTokenLifetime = seconds;
}

void CommunityServer::setAuthorizationCodeLifetime(double seconds) {
    std::lock_guard lock(impl_->mutex);
    impl_->codeLifetime = seconds;
}

void CommunityServer::setClock(std::function<double()> now) {
    std::lock_guard lock(impl_->mutex);
    impl_->clock = std::move(now);
}

void CommunityServer::expireAccessTokens() {
    std::lock_guard lock(impl_->mutex);
    const double time = impl_->now();
    for (auto& [token, info] : impl_->accessTokens) info.expiresAt = std::min(info.expiresAt, time);
}

void CommunityServer::revokeRefreshTokens() {
    std::lock_guard lock(impl_->mutex);
    for (auto& [token, info] : impl_->refreshTokens) info.revoked = true;
}

bool CommunityServer::isAccessTokenValid(const std::string& token) const {
    std::lock_guard lock(impl_->mutex);
    return impl_->userForToken(token) != nullptr;
}

std::vector<std::string> CommunityServer::issuedTokens() const {
    std::lock_guard lock(impl_->mutex);
    return {impl_->issued.begin(), impl_->issued.end()};
}

std::optional<std::string> CommunityServer::issueAuthorizationCode(const std::string& username,
                                                                   const std::string& clientId,
                                                                   const std::string& redirectUri,
                                                                   const std::string& codeChallenge) {
    std::lock_guard lock(impl_->mutex);
    auto* entry = impl_->userByName(username);
    if (!entry || !impl_->clientAllowed(clientId, redirectUri)) return std::nullopt;
    return impl_->issueCode(*entry, clientId, redirectUri, codeChallenge, {});
}

void CommunityServer::failNextRequests(int count, int status, std::string errorCode, std::string message,
                                       std::string pathPrefix) {
    if (count <= 0) return;
    std::lock_guard lock(impl_->mutex);
    impl_->failures.push_back({count, status, std::move(errorCode), std::move(message), std::move(pathPrefix)});
}

void CommunityServer::setPage(const std::string& path, Page page) {
    std::lock_guard lock(impl_->mutex);
    impl_->pages[normalizedPagePath(path)] = std::move(page);
}

void CommunityServer::putRecord(const std::string& type, const std::string& id, nlohmann::json fields,
                                bool guestReadable) {
    if (!fields.is_object()) fields = Json::object();
    if (!fields.contains("Id")) fields["Id"] = id;
    std::lock_guard lock(impl_->mutex);
    auto& record = impl_->records[{type, id}];
    record.fields = std::move(fields);
    record.guestReadable = guestReadable;
}

void CommunityServer::putRecordContent(const std::string& type, const std::string& id, const std::string& field,
                                       std::string bytes, std::string contentType, bool guestReadable) {
    std::lock_guard lock(impl_->mutex);
    auto& record = impl_->records[{type, id}];
    if (!record.fields.contains("Id")) record.fields["Id"] = id;
    record.contents[field] = {std::move(bytes), std::move(contentType), guestReadable};
}

void CommunityServer::addNotification(const std::string& userId, UserNotification notification) {
    std::lock_guard lock(impl_->mutex);
    if (auto* entry = impl_->userById(userId)) entry->notifications.push_back(std::move(notification));
}

std::vector<UserNotification> CommunityServer::notifications(const std::string& userId) const {
    std::lock_guard lock(impl_->mutex);
    auto* entry = impl_->userById(userId);
    return entry ? entry->notifications : std::vector<UserNotification>{};
}

void CommunityServer::setAuthConfiguration(nlohmann::json configuration) {
    std::lock_guard lock(impl_->mutex);
    impl_->authConfiguration = std::move(configuration);
    impl_->authConfigurationEnabled = true;
}

void CommunityServer::disableAuthConfiguration() {
    std::lock_guard lock(impl_->mutex);
    impl_->authConfigurationEnabled = false;
}

void CommunityServer::addRoute(const std::string& method, const std::string& pattern, RouteHandler handler) {
    auto route = std::make_shared<const Impl::Route>(Impl::Route{method, std::regex(pattern), std::move(handler)});
    std::lock_guard lock(impl_->mutex);
    impl_->customRoutes.push_back(std::move(route));
}

std::vector<RecordedRequest> CommunityServer::requests() const {
    std::lock_guard lock(impl_->mutex);
    return {impl_->recorded.begin(), impl_->recorded.end()};
}

std::size_t CommunityServer::requestCount() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->receivedCount;
}

void CommunityServer::clearRequests() {
    std::lock_guard lock(impl_->mutex);
    impl_->recorded.clear();
    impl_->receivedCount = 0;
}

void CommunityServer::setRequestObserver(std::function<void(const RecordedRequest&)> observer) {
    std::lock_guard lock(impl_->mutex);
    impl_->observer = std::move(observer);
}

namespace {

std::optional<std::string> readString(const Json& object, const char* key, std::string& out, bool required) {
    auto it = object.find(key);
    if (it == object.end()) {
        if (required) return std::string("missing \"") + key + "\"";
        return std::nullopt;
    }
    if (!it->is_string()) return std::string("\"") + key + "\" must be a string";
    out = it->get<std::string>();
    return std::nullopt;
}

std::optional<std::string> readLifetime(const Json& document, const char* key, std::optional<double>& out) {
    auto it = document.find(key);
    if (it == document.end()) return std::nullopt;
    if (!it->is_number() || it->get<double>() < 0) return std::string("\"") + key + "\" must be a number of seconds";
    out = it->get<double>();
    return std::nullopt;
}

/// A record content: {"body": "<text>"} or {"file": "<path, relative to the folder>"},
/// with optional "contentType" and "guestReadable".
std::optional<std::string> readContent(const Json& spec, const std::filesystem::path& folder, std::string& bytes,
                                       std::string& contentType, bool& guestReadable) {
    if (!spec.is_object()) return "must be an object";
    std::string file;
    if (auto error = readString(spec, "file", file, false)) return error;
    if (auto error = readString(spec, "body", bytes, false)) return error;
    if (file.empty() == !spec.contains("body")) return "needs either \"body\" or \"file\"";
    if (!file.empty()) {
        const auto path = folder / file;
        std::ifstream in(path, std::ios::binary);
        if (!in) return "cannot read " + path.string();
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad()) return "cannot read " + path.string();
    }
    if (auto error = readString(spec, "contentType", contentType, false)) return error;
    if (auto it = spec.find("guestReadable"); it != spec.end()) {
        if (!it->is_boolean()) return "\"guestReadable\" must be true or false";
        guestReadable = it->get<bool>();
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> CommunityServer::configure(const nlohmann::ordered_json& ordered,
                                                      const std::filesystem::path& folder) {
    if (!ordered.is_object()) return "the configuration must be a JSON object";
    // Read as a plain document; custom attributes are taken from the ordered one to keep their order.
    const Json document = Json::parse(ordered.dump());
    struct ParsedUser {
        User user;
        std::vector<UserNotification> notifications;
    };
    std::vector<ParsedUser> parsedUsers;
    if (auto it = document.find("users"); it != document.end()) {
        if (!it->is_array()) return "\"users\" must be an array";
        for (std::size_t index = 0; index < it->size(); ++index) {
            const auto& item = (*it)[index];
            if (!item.is_object()) return "each user must be an object";
            ParsedUser parsed;
            auto& user = parsed.user;
            for (auto [key, target] : {std::pair{"username", &user.username}, {"password", &user.password},
                                       {"userId", &user.userId}, {"orgId", &user.orgId}}) {
                if (auto error = readString(item, key, *target, true)) return "user: " + *error;
            }
            for (auto [key, target] : {std::pair{"email", &user.email}, {"displayName", &user.displayName}}) {
                if (auto error = readString(item, key, *target, false)) return "user: " + *error;
            }
            std::string contact;
            if (auto error = readString(item, "contactId", contact, false)) return "user: " + *error;
            if (item.contains("contactId")) user.contactId = contact;
            if (auto attributes = item.find("customAttributes"); attributes != item.end()) {
                if (!attributes->is_object()) return "user: \"customAttributes\" must be an object";
                user.customAttributes = ordered["users"][index]["customAttributes"];
            }
            if (auto api = item.find("apiEnabled"); api != item.end()) {
                if (!api->is_boolean()) return "user: \"apiEnabled\" must be true or false";
                user.apiEnabled = api->get<bool>();
            }
            if (auto list = item.find("notifications"); list != item.end()) {
                if (!list->is_array()) return "user: \"notifications\" must be an array";
                for (const auto& n : *list) {
                    UserNotification notification;
                    if (!n.is_object()) return "user: each notification must be an object";
                    if (auto error = readString(n, "id", notification.id, true)) return "notification: " + *error;
                    if (auto error = readString(n, "message", notification.message, false)) {
                        return "notification: " + *error;
                    }
                    if (n.contains("read")) {
                        if (!n["read"].is_boolean()) return "notification: \"read\" must be true or false";
                        notification.read = n["read"].get<bool>();
                    }
                    parsed.notifications.push_back(std::move(notification));
                }
            }
            parsedUsers.push_back(std::move(parsed));
        }
    }
    bool replaceUsers = false;
    if (auto it = document.find("replaceUsers"); it != document.end()) {
        if (!it->is_boolean()) return "\"replaceUsers\" must be true or false";
        replaceUsers = it->get<bool>();
    }
    std::optional<double> accessLifetime, refreshLifetime;
    if (auto error = readLifetime(document, "accessTokenLifetime", accessLifetime)) return error;
    if (auto error = readLifetime(document, "refreshTokenLifetime", refreshLifetime)) return error;
    std::vector<std::pair<std::string, Page>> parsedPages;
    if (auto it = document.find("pages"); it != document.end()) {
        if (!it->is_object()) return "\"pages\" must be an object";
        for (const auto& [path, item] : it->items()) {
            if (!path.starts_with("/s")) return "page paths must start with /s";
            if (!item.is_object()) return "each page must be an object";
            Page page;
            if (auto error = readString(item, "title", page.title, true)) return "page: " + *error;
            if (auto error = readString(item, "body", page.body, false)) return "page: " + *error;
            if (item.contains("requiresSession")) {
                if (!item["requiresSession"].is_boolean()) return "page: \"requiresSession\" must be true or false";
                page.requiresSession = item["requiresSession"].get<bool>();
            }
            parsedPages.emplace_back(path, std::move(page));
        }
    }
    struct ParsedContent {
        std::string field, bytes, contentType;
        bool guestReadable = false;
    };
    struct ParsedRecord {
        std::string type, id;
        Json fields;
        bool guestReadable = false;
        std::vector<ParsedContent> contents;
    };
    std::vector<ParsedRecord> parsedRecords;
    if (auto it = document.find("records"); it != document.end()) {
        if (!it->is_array()) return "\"records\" must be an array";
        for (const auto& item : *it) {
            if (!item.is_object()) return "each record must be an object";
            ParsedRecord record;
            if (auto error = readString(item, "type", record.type, true)) return "record: " + *error;
            if (auto error = readString(item, "id", record.id, true)) return "record: " + *error;
            record.fields = item.value("fields", Json::object());
            if (!record.fields.is_object()) return "record: \"fields\" must be an object";
            if (item.contains("guestReadable")) {
                if (!item["guestReadable"].is_boolean()) return "record: \"guestReadable\" must be true or false";
                record.guestReadable = item["guestReadable"].get<bool>();
            }
            if (auto contents = item.find("contents"); contents != item.end()) {
                if (!contents->is_object()) return "record: \"contents\" must be an object";
                for (const auto& [field, spec] : contents->items()) {
                    ParsedContent content{field, {}, "application/octet-stream", record.guestReadable};
                    if (auto error = readContent(spec, folder, content.bytes, content.contentType,
                                                 content.guestReadable)) {
                        return "record content \"" + field + "\": " + *error;
                    }
                    record.contents.push_back(std::move(content));
                }
            }
            parsedRecords.push_back(std::move(record));
        }
    }
    std::vector<std::pair<std::string, std::vector<std::string>>> parsedClients;
    if (auto it = document.find("clients"); it != document.end()) {
        if (!it->is_array()) return "\"clients\" must be an array";
        for (const auto& item : *it) {
            if (!item.is_object()) return "each client must be an object";
            std::string clientId;
            if (auto error = readString(item, "clientId", clientId, true)) return "client: " + *error;
            auto uris = item.find("redirectUris");
            if (uris == item.end() || !uris->is_array() || uris->empty() ||
                !std::all_of(uris->begin(), uris->end(), [](const Json& uri) { return uri.is_string(); })) {
                return "client: \"redirectUris\" must be a non-empty array of strings";
            }
            parsedClients.emplace_back(clientId, uris->get<std::vector<std::string>>());
        }
    }
    std::optional<Json> authConfiguration;
    if (auto it = document.find("authConfiguration"); it != document.end()) {
        if (!it->is_object()) return "\"authConfiguration\" must be an object";
        authConfiguration = *it;
    }

    {
        std::lock_guard lock(impl_->mutex);
        if (replaceUsers) impl_->users.clear();
        for (auto& parsed : parsedUsers) {
            if (auto* entry = impl_->userByName(parsed.user.username)) {
                *entry = {std::move(parsed.user), std::move(parsed.notifications)};
            } else {
                impl_->users.push_back({std::move(parsed.user), std::move(parsed.notifications)});
            }
        }
        if (accessLifetime) impl_->accessTokenLifetime = *accessLifetime;
        if (refreshLifetime) impl_->refreshTokenLifetime = *refreshLifetime;
        for (auto& [path, page] : parsedPages) impl_->pages[normalizedPagePath(path)] = std::move(page);
        if (authConfiguration) {
            impl_->authConfiguration = std::move(authConfiguration);
            impl_->authConfigurationEnabled = true;
        }
        for (auto& [clientId, uris] : parsedClients) impl_->clients[clientId] = std::move(uris);
    }
    for (auto& record : parsedRecords) {
        putRecord(record.type, record.id, std::move(record.fields), record.guestReadable);
        for (auto& content : record.contents) {
            putRecordContent(record.type, record.id, content.field, std::move(content.bytes),
                             std::move(content.contentType), content.guestReadable);
        }
    }
    return std::nullopt;
}

} // namespace communityserver
