#pragma once

// The community server's state and request handlers, shared by the files
// that implement them: ServerImpl.cpp (state and lookups), Routing.cpp
// (the HTTPS server and the route table), OAuth.cpp, Pages.cpp, Rest.cpp and
// Configuration.cpp. One mutex guards the state; handlers take it themselves.

#include "tools/community-server/CommunityServer.hpp"
#include "tools/community-server/HttpHelpers.hpp"
#include "tools/community-server/ServerCertificate.hpp"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace communityserver {

inline constexpr const char* kAuthRequestCookie = "vq_auth_request";
inline constexpr const char* kSessionCookie = "sid";
inline constexpr double kPendingRequestLifetime = 3600;
/// Expired grants and sessions are swept at most this often (server clock).
inline constexpr double kPruneInterval = 60;
/// How many issued tokens issuedTokens() remembers.
inline constexpr std::size_t kIssuedTokenMemory = 1000;

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
        std::string source; // the pattern as written
    };
    /// The request's parameters, query and form fields alike.
    using Params = std::vector<std::pair<std::string, std::string>>;

    explicit Impl(ServerOptions options);

    ServerOptions options;
    std::filesystem::path temporaryFolder;
    std::optional<ServerCertificate> certificate;
    std::unique_ptr<httplib::SSLServer> server; // set and reset under the mutex
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
    Json storeLookup = Json{{"resultCount", 0}, {"results", Json::array()}};
    int storeLookupStatus = 200;
    std::vector<IngestedLog> ingestedLogs;
    int ingestionStatus = 200;
    std::vector<Json> marketingRegistrations;
    /// Where the community moved (setMovedTo()); empty: it did not.
    std::string movedTo;
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
    std::string accessTokenPrefix = "at!";
    std::optional<int> frontDoorRefusalStatus;
    std::vector<Route> builtinRoutes; // fixed after construction, read without the mutex

    // State and lookups (ServerImpl.cpp); the mutex is held unless said otherwise -----------------

    double now() const;
    UserEntry* userById(const std::string& userId);
    UserEntry* userByName(const std::string& username);
    /// Only registered clients sign in, and only to one of their own redirect URIs.
    bool clientAllowed(const std::string& clientId, const std::string& redirectUri) const;
    /// The user of a valid access token.
    UserEntry* userForToken(const std::string& token);
    UserEntry* userForSession(const httplib::Request& req);
    void rememberIssued(const std::string& token);
    /// Drops codes, sessions, sign-ins and tokens that can no longer be used,
    /// so a long-running server holds only what is live.
    void pruneExpired();
    std::string baseFor(const httplib::Request& req) const;
    static std::string identityUrl(const std::string& base, const User& user);
    static Params params(const httplib::Request& req);
    static std::string param(const Params& all, std::string_view name);

    // Routing (Routing.cpp) -----------------------------------------------------------------------

    /// Records the request and tells the observer; answers it and gives true
    /// when it is one that failNextRequests() fails (the mutex is not held).
    bool receive(const httplib::Request& req, httplib::Response& res);
    /// A community server's way with a request: receive(), then the routes.
    void dispatch(const httplib::Request& req, httplib::Response& res);
    /// A bare server's route goes to cpp-httplib's own routing (server set).
    void installOnHttpServer(const std::shared_ptr<const Route>& route);
    void add(const char* method, const char* pattern,
             void (Impl::*handler)(const httplib::Request&, httplib::Response&, const std::smatch&));
    void installBuiltinRoutes();

    // OAuth and identity (OAuth.cpp) --------------------------------------------------------------

    std::string issueCode(const UserEntry& entry, const std::string& clientId, const std::string& redirectUri,
                          const std::string& challenge, const std::string& scope);
    std::string loginPageBody(const std::string& requestId, const std::string& prefix, const std::string& error);
    void handleAuthorize(const httplib::Request& req, httplib::Response& res, const std::smatch& match);
    /// The sign-in a login or cancel request belongs to: the one its `request`
    /// field names, else the one in the authorize page's cookie. A request
    /// that names none is refused rather than given someone else's sign-in.
    std::optional<std::string> pendingId(const httplib::Request& req, const Params& all);
    void handleLogin(const httplib::Request& req, httplib::Response& res, const std::smatch& match);
    void handleCancel(const httplib::Request& req, httplib::Response& res, const std::smatch&);
    Json tokenAnswer(const httplib::Request& req, const UserEntry& entry, const std::string& accessToken,
                     const std::optional<std::string>& refreshToken, const std::string& scope, const Params& all);
    std::string issueAccessToken(const UserEntry& entry, const std::string& clientId);
    void handleToken(const httplib::Request& req, httplib::Response& res, const std::smatch&);
    void handleRevoke(const httplib::Request& req, httplib::Response& res, const std::smatch&);
    /// The user of the request's bearer token; answers 401 and gives null when there is none.
    UserEntry* requireBearer(const httplib::Request& req, httplib::Response& res);
    void handleUserInfo(const httplib::Request& req, httplib::Response& res, const std::smatch&);
    void handleIdentity(const httplib::Request& req, httplib::Response& res, const std::smatch& match);
    void handleAuthConfiguration(const httplib::Request& req, httplib::Response& res, const std::smatch&);

    // Web pages and sessions (Pages.cpp) ----------------------------------------------------------

    /// Where a page URL given by a client may lead: a path of this server, or
    /// an absolute URL naming it; anything else leads to the home page.
    std::string safeReturnUrl(const httplib::Request& req, const std::string& returnTo) const;
    void handleFrontDoor(const httplib::Request& req, httplib::Response& res, const std::smatch&);
    void handleLogout(const httplib::Request& req, httplib::Response& res, const std::smatch&);
    void handleRoot(const httplib::Request& req, httplib::Response& res, const std::smatch&);
    void handleSingleSignOn(const httplib::Request& req, httplib::Response& res, const std::smatch&);
    void handlePage(const httplib::Request& req, httplib::Response& res, const std::smatch&);

    // The app store's lookup (StoreLookup.cpp) ---------------------------------------------------

    void handleStoreLookup(const httplib::Request& req, httplib::Response& res, const std::smatch&);
    void handleMarketingRegistration(const httplib::Request& req, httplib::Response& res, const std::smatch&);

    // The crash and log ingestion service (Ingestion.cpp) ----------------------------------------

    void handleIngestion(const httplib::Request& req, httplib::Response& res, const std::smatch&);
    /// The folder the received documents are written into (the data folder, else the temporary one).
    std::filesystem::path ingestionFolder() const;

    // REST (Rest.cpp) -----------------------------------------------------------------------------

    void handleRest(const httplib::Request& req, httplib::Response& res, const std::smatch& match);
    static void methodNotAllowed(const httplib::Request& req, httplib::Response& res);
    /// A user's record as the platform keeps it, unless one was put.
    std::optional<Record> findRecord(const std::string& type, const std::string& id);
    void handleRecords(const httplib::Request& req, httplib::Response& res, const std::string& method,
                       const std::string& versionPath, const std::vector<std::string>& rest, UserEntry* entry);
    static Json notificationJson(const UserNotification& notification);
    void handleNotifications(const httplib::Request& req, httplib::Response& res, const std::string& method,
                             const std::vector<std::string>& rest, UserEntry* entry);
};

} // namespace communityserver
