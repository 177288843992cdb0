#pragma once

// The community and its platform API, played over HTTPS on loopback:
//
//   OAuth 2.0      GET  /vapi/oauth2/authorize          login page (authorization code with PKCE S256)
//                  GET|POST /vapi/oauth2/authorize/login the login form's target; redirects with a code
//                  GET  /vapi/oauth2/authorize/cancel   redirects with error=access_denied
//                  POST /vapi/oauth2/token              grant_type authorization_code | refresh_token
//                  POST /vapi/oauth2/revoke             revokes a refresh or access token
//                  GET  /vapi/oauth2/userinfo           who the bearer is
//   identity       GET  /vapi/identity/<org id>/<user id>   the user's identity data (bearer of that user)
//                  GET  /vapi/identity/auth-configuration   the custom domain's sign-in configuration
//   web            GET  /gate/entry.vx?sid=&returnTo=   front door: access token in, web session cookie out
//                                                       (the token percent-encoded once more than the
//                                                       query needs: "sid" is decoded twice)
//                  GET  /gate/logout.vx                 ends the web session
//                  GET  /sso/saml                       an identity provider's single sign-on page
//                  GET  /s/...                          community pages (HTML with titles)
//   REST           /vapi/data/vNN.N/...                 with a bearer token, or as a guest (guests
//                                                       read guest-readable records only)
//                    records/<type>/<id>[/<field>], records/user/<user id>,
//                    connect/notifications[/status|/<id>]
//   app store      GET  /lookup?bundleId=&country=      the store's lookup answer (setStoreLookup())
//   ingestion      POST /logs?Api-Version=1.0.0        a crash or log report of the App Center SDK
//                                                       and the app's log upload (ingestedLogs())
//   marketing      POST /device/v1/registration         a marketing SDK's installation, under any host
//                                                       (a bearer token and a JSON object with the
//                                                       strings "applicationId" and "deviceId"):
//                                                       {"registrationId": "registration-N"}
//
// OAuth and web paths may carry a path prefix (a community under "/site"
// answers "/site/vapi/oauth2/authorize" too). REST errors are the
// platform's error list, [{"errorCode": "...", "message": "..."}]; the
// token endpoint answers OAuth errors ({"error": "...", "error_description":
// "..."}). No request crashes the server: a handler that fails answers 500.
//
// Only registered clients sign in (registerClient(), or "clients" in
// community.json), and a login or cancel names its sign-in. The server stays
// bounded: bodies past a cap answer 413, the request log is a ring, and
// expired codes, sessions and tokens are swept. The implementation is split
// by concern: Routing.cpp, OAuth.cpp, Pages.cpp, Rest.cpp, Configuration.cpp,
// with the shared state in ServerImpl.hpp.
//
// URLs in answers (org URL, identity URL, redirects) use the Host header
// the client sent when it names this server, so the same server answers under
// "community.example.test" routed from port 443 and under "localhost:<port>".

#include "tools/community-server/ServerCertificate.hpp"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace httplib {
struct Request;
struct Response;
class SSLServer;
} // namespace httplib

namespace communityserver {

/// Someone who can sign in.
struct User {
    std::string username;
    std::string password;
    std::string userId;
    std::string orgId;
    std::string email;
    std::string displayName;
    std::optional<std::string> contactId;
    /// Sent in the identity data, in this order.
    nlohmann::ordered_json customAttributes = nlohmann::ordered_json::object();
    /// Whether the user may use the REST API (403 otherwise).
    bool apiEnabled = true;
};

/// A community page.
struct Page {
    std::string title;
    /// HTML put into the page's body after its heading.
    std::string body;
    /// Without a web session the page redirects to the login page.
    bool requiresSession = false;
};

/// One of a user's notifications.
struct UserNotification {
    std::string id;
    std::string message;
    bool read = false;
};

/// A document the ingestion endpoint received.
struct IngestedLog {
    /// The headers "install-id" and "app-secret" ("" when missing).
    std::string installId;
    std::string appSecret;
    /// The body as JSON (null when it is not JSON).
    nlohmann::json document;
    /// The folder the document was written into: "document.json", and each
    /// "errorAttachment" log's data decoded, under its "fileName" or, without
    /// one, "attachment-<n>.txt" (n from 1).
    std::filesystem::path folder;
};

/// A request as it reached the server.
struct RecordedRequest {
    std::string method;
    std::string path;
    /// Query parameters and, for form posts, the form's fields.
    std::vector<std::pair<std::string, std::string>> params;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    /// The first value of a header (name compared without case) or parameter.
    std::optional<std::string> header(std::string_view name) const;
    std::optional<std::string> param(std::string_view name) const;
};

struct ServerOptions {
    std::string hostName = "community.example.test";
    /// Further names the certificate covers (besides hostName and 127.0.0.1).
    std::vector<std::string> extraDnsNames = {"*.example.test", "localhost"};
    std::string bindAddress = "127.0.0.1";
    /// 0: any free port.
    int port = 0;
    /// Where the certificate files go; empty: a temporary folder removed when the server goes.
    std::filesystem::path dataFolder;
    /// Requests with a longer body are answered 413 without being read.
    std::size_t maxRequestBodyBytes = 1 << 20;
    /// How many of the latest requests requests() keeps.
    std::size_t requestLogCapacity = 1000;
    /// Threads that serve connections. A connection that says nothing holds
    /// one for at most the read time-out (5 s); the rest answer meanwhile.
    std::size_t connectionThreads = 64;
    /// false: a bare HTTPS server for tests that answer with handlers of their
    /// own: no users, pages, OAuth or REST. Requests are recorded (and failed
    /// by failNextRequests()) as they arrive, before their body is read, then
    /// go to the routes of addRoute() and the handlers added to httpServer(),
    /// in the order they were added; a path none of them takes answers 404.
    bool community = true;
};

class CommunityServer {
public:
    static constexpr const char* kLatestApiVersion = "60.0";
    static constexpr const char* kCommunityId = "0CM000000000001AAA";

    /// Handles a request whose path matched the route's pattern (`match` holds the groups).
    using RouteHandler = std::function<void(const httplib::Request&, httplib::Response&, const std::smatch& match)>;

    explicit CommunityServer(ServerOptions options = {});
    /// Stops the server.
    ~CommunityServer();
    CommunityServer(const CommunityServer&) = delete;
    CommunityServer& operator=(const CommunityServer&) = delete;

    /// Makes the certificate and starts listening; returns once requests are
    /// answered. Throws std::runtime_error when it cannot.
    void start();
    /// Stops listening and joins the server's threads (also when not started).
    void stop();
    bool isRunning() const;

    int port() const;
    const std::string& hostName() const;
    /// "https://<host name>:<port>".
    std::string baseUrl() const;
    /// The CA that signed the server's certificate: the file clients trust. Empty before start().
    std::filesystem::path caFile() const;
    /// The certificate files. Throws std::logic_error before start().
    const ServerCertificate& certificate() const;
    /// The cpp-httplib server underneath, for handlers written against its own
    /// API; only a bare server (ServerOptions::community false) passes requests
    /// on to them. Add them before requests arrive. Throws std::logic_error
    /// when the server is not running.
    httplib::SSLServer& httpServer();

    // Users and clients ----------------------------------------------------

    /// Alice Example, "alice@example.test" / "alice-password", with one
    /// unread notification and custom attributes.
    static User defaultUser();
    /// Adds a user, replacing one with the same user name. The server starts with defaultUser().
    void addUser(User user);
    bool removeUser(const std::string& username);
    std::vector<User> users() const;
    /// Lets a client sign users in with the redirect URIs given (compared
    /// whole; registering a client again replaces its list). Unregistered
    /// clients and redirect URIs get an error page, never a redirect.
    void registerClient(const std::string& clientId, std::vector<std::string> redirectUris);

    // Tokens --------------------------------------------------------------

    /// Seconds an access token (default 7200), a refresh token (default 90
    /// days) and an authorization code (default 600) stay valid.
    void setAccessTokenLifetime(double seconds);
    void setRefreshTokenLifetime(double seconds);
    void setAuthorizationCodeLifetime(double seconds);
    /// The clock tokens expire by, in seconds since 1970 (default: the system clock).
    void setClock(std::function<double()> now);
    /// Every access token issued so far expires now.
    void expireAccessTokens();
    /// Access tokens issued from now on begin with `prefix` (default "at!"),
    /// so that a test can put characters a URL must encode ("+", "/") into them.
    void setAccessTokenPrefix(std::string prefix);
    /// Every refresh token issued so far is revoked (refresh answers invalid_grant).
    void revokeRefreshTokens();
    /// Whether the access token is one this server issued and still accepts.
    bool isAccessTokenValid(const std::string& token) const;
    /// The access and refresh tokens issued so far, valid or not, the latest
    /// thousand of them (tests scan for them).
    std::vector<std::string> issuedTokens() const;
    /// The files under `folder` (itself a file or a folder, searched
    /// recursively) that hold a token of issuedTokens(), as issued or
    /// percent-encoded once or twice, as a URL carries it. A folder that does
    /// not exist holds none.
    std::vector<std::filesystem::path> filesHoldingTokens(const std::filesystem::path& folder) const;
    /// A code as the login page gives it after `username` signed in for the
    /// client; none for an unknown user or a refused client.
    std::optional<std::string> issueAuthorizationCode(const std::string& username, const std::string& clientId,
                                                      const std::string& redirectUri, const std::string& codeChallenge);

    // Failures --------------------------------------------------------------

    /// The next `count` requests whose path starts with `pathPrefix` (every
    /// request when empty) answer `status` with an error list instead.
    void failNextRequests(int count, int status = 503, std::string errorCode = "SERVER_UNAVAILABLE",
                          std::string message = "The server is temporarily unavailable.",
                          std::string pathPrefix = {});

    // Content -------------------------------------------------------------

    /// A page at a path under "/s" ("/s/" and "/s" are one page).
    void setPage(const std::string& path, Page page);
    /// A record; `fields` is a JSON object (its "Id" is set to `id` when missing).
    void putRecord(const std::string& type, const std::string& id, nlohmann::json fields, bool guestReadable = false);
    /// The bytes of a record's field (".../records/<type>/<id>/<field>").
    void putRecordContent(const std::string& type, const std::string& id, const std::string& field, std::string bytes,
                          std::string contentType, bool guestReadable = false);
    void addNotification(const std::string& userId, UserNotification notification);
    std::vector<UserNotification> notifications(const std::string& userId) const;
    /// The custom domain's sign-in configuration; by default {"orgId", "loginPage":
    /// {"loginPageUrl"}, "samlProviders": [], "authProviders": []} for this server.
    void setAuthConfiguration(nlohmann::json configuration);
    /// The configuration answers 404 from now on.
    void disableAuthConfiguration();
    /// How the front door answers a "sid" that is no valid access token (an
    /// unknown, expired or revoked one): none (the default) redirects to the
    /// login page ("/s/login/?ec=302&startAt=<return page>"); 401 or 403
    /// answers that status with an error page.
    void setFrontDoorRefusalStatus(std::optional<int> status);

    /// The community moved to a domain of its own ("https://new.example.test"):
    /// asked under the server's host name, its pages ("/s/...") answer 301
    /// with the same path there; under any other name they answer as usual.
    /// Empty (the default): it did not move.
    void setMovedTo(std::string baseUrl);

    // The app store's lookup ----------------------------------------------------

    /// What "GET /lookup" answers, under any host (tests reach it under the
    /// store's lookup host by host mapping): `answer` with `status`. By
    /// default {"resultCount": 0, "results": []} with 200.
    void setStoreLookup(nlohmann::json answer, int status = 200);
    /// The bodies of the marketing registrations taken so far, in order.
    std::vector<nlohmann::json> marketingRegistrations() const;

    // The ingestion service ----------------------------------------------------
    /// "POST /logs?Api-Version=1.0.0", under any host (clients reach it by
    /// host mapping): keeps the document with its install id and app secret,
    /// writes it into "logs/<n>/" (n from 1) of the data folder, and answers
    /// {} with `status` (default 200). Another API version answers 400.
    void setIngestionStatus(int status);
    std::vector<IngestedLog> ingestedLogs() const;

    // Extension and introspection -------------------------------------------

    /// Adds a route tried before the built-in ones. `method` is "GET", "POST",
    /// "PUT", "PATCH", "DELETE" or "OPTIONS" (GET routes answer HEAD too);
    /// `pattern` must match the whole path. May be called while running (a
    /// bare server's routes are best added before requests arrive).
    void addRoute(const std::string& method, const std::string& pattern, RouteHandler handler);

    /// The latest requests received (up to ServerOptions::requestLogCapacity),
    /// in order of arrival, failed ones included.
    std::vector<RecordedRequest> requests() const;
    /// Requests received since the start or the last clearRequests(), all of them counted.
    std::size_t requestCount() const;
    void clearRequests();
    /// Called on a server thread for each request as it arrives.
    void setRequestObserver(std::function<void(const RecordedRequest&)> observer);

    /// Reads users, clients, pages, records and their contents, notifications,
    /// token lifetimes and the auth configuration from a JSON object (the
    /// program's community.json):
    ///   {"users": [{"username", "password", "userId", "orgId", "email", "displayName",
    ///               "contactId", "customAttributes", "apiEnabled", "notifications": [...]}],
    ///    "replaceUsers": false, "accessTokenLifetime": 7200, "refreshTokenLifetime": ...,
    ///    "clients": [{"clientId", "redirectUris": ["app://auth/done"]}],
    ///    "pages": {"/s/path": {"title", "body", "requiresSession"}},
    ///    "records": [{"type", "id", "fields", "guestReadable",
    ///                 "contents": {"<field>": {"body" | "file", "contentType", "guestReadable"}}}],
    ///    "authConfiguration": {...},
    ///    "storeLookup": {"answer": {...}, "status": 200}, "movedTo": "https://new.example.test"}
    /// A content's "file" is read from `folder` (a path relative to it). Returns
    /// an error text for a malformed document or an unreadable file (nothing is
    /// applied then).
    std::optional<std::string> configure(const nlohmann::ordered_json& document,
                                         const std::filesystem::path& folder = {});

private:
    struct Impl;
    void installCommunityHandlers(httplib::SSLServer& server);
    std::unique_ptr<Impl> impl_;
};

} // namespace communityserver
