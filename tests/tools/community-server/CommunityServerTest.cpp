#include "tools/community-server/CommunityServer.hpp"

#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>
#include <httplib.h>
#include <openssl/evp.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using communityserver::CommunityServer;
using Json = nlohmann::json;

constexpr const char* kClientId = "vellicor-client";
constexpr const char* kRedirectUri = "vellicor://auth/done";
constexpr const char* kVerifier = "verifier-0123456789-abcdefghijklmnopqrstuvwxyz-ABCDEFG";

std::string s256(const std::string& verifier) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(verifier.data(), verifier.size(), digest, &length, EVP_sha256(), nullptr);
    std::string out(64, '\0');
    int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), digest, static_cast<int>(length));
    out.resize(static_cast<std::size_t>(written));
    while (!out.empty() && out.back() == '=') out.pop_back();
    for (auto& c : out) c = c == '+' ? '-' : c == '/' ? '_' : c;
    return out;
}

/// The value of a query parameter in a URL (undecoded; the server's values need no decoding).
std::string queryValue(const std::string& url, const std::string& name) {
    auto start = url.find(name + "=");
    while (start != std::string::npos && start > 0 && url[start - 1] != '?' && url[start - 1] != '&') {
        start = url.find(name + "=", start + 1);
    }
    if (start == std::string::npos) return {};
    start += name.size() + 1;
    return url.substr(start, url.find('&', start) - start);
}

bool isErrorList(const std::string& body, const std::string& errorCode) {
    auto json = Json::parse(body, nullptr, false);
    return json.is_array() && json.size() == 1 && json[0].is_object() && json[0].value("errorCode", "") == errorCode &&
           json[0].contains("message") && json[0]["message"].is_string();
}

class CommunityServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.registerClient(kClientId, {kRedirectUri});
        server.start();
        client = std::make_unique<httplib::SSLClient>("127.0.0.1", server.port());
        client->set_ca_cert_path(server.caFile().c_str());
        client->enable_server_certificate_verification(true);
    }

    httplib::Result get(const std::string& path, httplib::Headers headers = {}) { return client->Get(path, headers); }

    httplib::Result postForm(const std::string& path, const std::map<std::string, std::string>& fields,
                             httplib::Headers headers = {}) {
        httplib::Params params(fields.begin(), fields.end());
        return client->Post(path, headers, params);
    }

    std::string authorizePath(const std::string& challenge, const std::string& extra = {}) {
        return "/vapi/oauth2/authorize?response_type=code&client_id=" + std::string(kClientId) +
               "&redirect_uri=" + kRedirectUri + "&code_challenge=" + challenge +
               "&code_challenge_method=S256&state=st4te" + extra;
    }

    /// Opens the login page: the "name=value" of the sign-in cookie it sets.
    std::string openLoginPage(const std::string& challenge) {
        auto page = get(authorizePath(challenge));
        EXPECT_EQ(page->status, 200);
        auto cookie = page->get_header_value("Set-Cookie");
        return cookie.substr(0, cookie.find(';'));
    }

    /// Opens the login page and signs in: the redirect's Location.
    std::string signInRedirect(const std::string& challenge, const std::string& password = "alice-password") {
        auto cookie = openLoginPage(challenge);
        auto answer = postForm("/vapi/oauth2/authorize/login",
                               {{"username", "alice@example.test"}, {"password", password}}, {{"Cookie", cookie}});
        return answer->get_header_value("Location");
    }

    httplib::Result exchange(const std::string& code, const std::string& verifier = kVerifier,
                             const std::string& redirectUri = kRedirectUri, const std::string& clientId = kClientId) {
        return postForm("/vapi/oauth2/token", {{"grant_type", "authorization_code"},
                                                   {"code", code},
                                                   {"client_id", clientId},
                                                   {"redirect_uri", redirectUri},
                                                   {"code_verifier", verifier}});
    }

    Json signIn() {
        auto code = queryValue(signInRedirect(s256(kVerifier)), "code");
        auto answer = exchange(code);
        EXPECT_EQ(answer->status, 200) << answer->body;
        return Json::parse(answer->body);
    }

    static httplib::Headers bearer(const std::string& token) { return {{"Authorization", "Bearer " + token}}; }

    CommunityServer server;
    std::unique_ptr<httplib::SSLClient> client;
};

TEST_F(CommunityServerTest, AuthorizationCodeWithPkceSignsInAndOpensTheApi) {
    auto location = signInRedirect(s256(kVerifier));
    ASSERT_TRUE(location.starts_with(std::string(kRedirectUri) + "?code=")) << location;
    EXPECT_EQ(queryValue(location, "state"), "st4te");

    auto answer = exchange(queryValue(location, "code"));
    ASSERT_EQ(answer->status, 200) << answer->body;
    auto tokens = Json::parse(answer->body);
    const auto base = "https://127.0.0.1:" + std::to_string(server.port());
    EXPECT_EQ(tokens["token_type"], "Bearer");
    EXPECT_EQ(tokens["org_url"], base);
    EXPECT_EQ(tokens["community_url"], base);
    EXPECT_EQ(tokens["identity_url"], base + "/vapi/identity/0OR000000000001AAA/0US000000000001AAA");
    EXPECT_TRUE(tokens["refresh_token"].is_string());
    EXPECT_FALSE(tokens.contains("csrf_token"));

    const auto token = tokens["access_token"].get<std::string>();
    EXPECT_TRUE(server.isAccessTokenValid(token));
    auto identity = get("/vapi/identity/0OR000000000001AAA/0US000000000001AAA", bearer(token));
    ASSERT_EQ(identity->status, 200);
    // Custom attributes keep the order the server was given.
    EXPECT_EQ(identity->body.find("\"custom_attributes\":{\"ENABLE_BIOMETRICS_UNLOCK\":\"FALSE\","
                                  "\"REQUIRE_BIOMETRICS_AFTER\":\"15\"}") != std::string::npos,
              true)
        << identity->body;
    auto user = get("/vapi/data/v60.0/records/user/0US000000000001AAA", bearer(token));
    ASSERT_EQ(user->status, 200);
    EXPECT_EQ(Json::parse(user->body)["ContactId"], "093000000000001AAA");
    auto status = get("/vapi/data/v60.0/connect/notifications/status", bearer(token));
    EXPECT_EQ(Json::parse(status->body)["unreadCount"], 1);
}

TEST_F(CommunityServerTest, RefusesCodesThatAreWrongReplayedOrExpired) {
    double now = 1'700'000'000;
    server.setClock([&now] { return now; });
    struct Case {
        const char* name;
        std::function<httplib::Result(const std::string& code)> exchangeAs;
        bool replayAfterSuccess = false;
        double wait = 0;
    };
    const std::vector<Case> cases = {
        {"wrong verifier", [&](const std::string& c) { return exchange(c, std::string(kVerifier) + "x"); }},
        {"short verifier", [&](const std::string& c) { return exchange(c, "short"); }},
        {"no verifier", [&](const std::string& c) { return exchange(c, ""); }},
        {"other redirect URI", [&](const std::string& c) { return exchange(c, kVerifier, "vellicor://other"); }},
        {"other client", [&](const std::string& c) { return exchange(c, kVerifier, kRedirectUri, "other-client"); }},
        {"unknown code", [&](const std::string&) { return exchange("not-a-code"); }},
        {"replayed code", [&](const std::string& c) { return exchange(c); }, true},
        {"expired code", [&](const std::string& c) { return exchange(c); }, false, 601},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        auto code = queryValue(signInRedirect(s256(kVerifier)), "code");
        if (item.replayAfterSuccess) {
            ASSERT_EQ(exchange(code)->status, 200);
        }
        now += item.wait;
        auto answer = item.exchangeAs(code);
        ASSERT_EQ(answer->status, 400);
        EXPECT_EQ(Json::parse(answer->body)["error"], "invalid_grant");
    }
    // A refused exchange uses the code up: the right verifier no longer helps.
    auto code = queryValue(signInRedirect(s256(kVerifier)), "code");
    ASSERT_EQ(exchange(code, "another-verifier-that-is-long-enough-to-be-well-formed-0000")->status, 400);
    EXPECT_EQ(exchange(code)->status, 400);
}

TEST_F(CommunityServerTest, RefreshGivesNewAccessTokensUntilRevoked) {
    double now = 1'700'000'000;
    server.setClock([&now] { return now; });
    server.setAccessTokenLifetime(60);
    auto tokens = signIn();
    const auto first = tokens["access_token"].get<std::string>();
    const auto refreshToken = tokens["refresh_token"].get<std::string>();
    now += 61;
    auto expired = get("/vapi/data/v60.0/records/user/0US000000000001AAA", bearer(first));
    EXPECT_EQ(expired->status, 401);
    EXPECT_TRUE(isErrorList(expired->body, "INVALID_SESSION")) << expired->body;

    auto refreshed = postForm("/vapi/oauth2/token", {{"grant_type", "refresh_token"},
                                                          {"refresh_token", refreshToken},
                                                          {"client_id", kClientId},
                                                          {"csrf_token", "TRUE"}});
    ASSERT_EQ(refreshed->status, 200) << refreshed->body;
    auto answer = Json::parse(refreshed->body);
    EXPECT_NE(answer["access_token"], first);
    EXPECT_FALSE(answer.contains("refresh_token"));
    EXPECT_TRUE(answer["csrf_token"].is_string());
    EXPECT_EQ(get("/vapi/data/v60.0/records/user/0US000000000001AAA",
                  bearer(answer["access_token"].get<std::string>()))
                  ->status,
              200);

    server.expireAccessTokens();
    EXPECT_FALSE(server.isAccessTokenValid(answer["access_token"].get<std::string>()));
    server.revokeRefreshTokens();
    auto refused = postForm("/vapi/oauth2/token",
                            {{"grant_type", "refresh_token"}, {"refresh_token", refreshToken}, {"client_id", kClientId}});
    EXPECT_EQ(refused->status, 400);
    EXPECT_EQ(Json::parse(refused->body)["error"], "invalid_grant");
}

TEST_F(CommunityServerTest, RevokingARefreshTokenEndsItsAccessTokens) {
    auto tokens = signIn();
    auto revoked = postForm("/vapi/oauth2/revoke", {{"token", tokens["refresh_token"].get<std::string>()}});
    EXPECT_EQ(revoked->status, 200);
    EXPECT_FALSE(server.isAccessTokenValid(tokens["access_token"].get<std::string>()));
    EXPECT_EQ(postForm("/vapi/oauth2/revoke", {})->status, 400);
}

TEST_F(CommunityServerTest, AuthorizeAndLoginAnswerBadRequestsProperly) {
    server.registerClient("c", {"app://x"});
    // No client or redirect: an error page, since there is nowhere to redirect.
    auto noClient = get("/vapi/oauth2/authorize?response_type=code");
    EXPECT_EQ(noClient->status, 400);
    EXPECT_NE(noClient->body.find("<title>Error</title>"), std::string::npos);

    struct Case {
        const char* name;
        std::string path;
        const char* error;
    };
    const std::vector<Case> redirected = {
        {"token response type", "/vapi/oauth2/authorize?response_type=token&client_id=c&redirect_uri=app://x&state=s",
         "unsupported_response_type"},
        {"no challenge", "/vapi/oauth2/authorize?response_type=code&client_id=c&redirect_uri=app://x&state=s",
         "invalid_request"},
        {"plain challenge",
         "/vapi/oauth2/authorize?response_type=code&client_id=c&redirect_uri=app://x&state=s&code_challenge=abc"
         "&code_challenge_method=plain",
         "invalid_request"},
    };
    for (const auto& item : redirected) {
        SCOPED_TRACE(item.name);
        auto answer = get(item.path);
        ASSERT_EQ(answer->status, 302);
        auto location = answer->get_header_value("Location");
        EXPECT_TRUE(location.starts_with("app://x?error=")) << location;
        EXPECT_EQ(queryValue(location, "error"), item.error);
        EXPECT_EQ(queryValue(location, "state"), "s");
    }

    // A wrong password shows the login page again with a message.
    auto again = signInRedirect(s256(kVerifier), "wrong");
    EXPECT_TRUE(again.empty());
    // Cancelling ends the sign-in with access_denied.
    auto cookie = openLoginPage(s256(kVerifier));
    auto cancelled = get("/vapi/oauth2/authorize/cancel", {{"Cookie", cookie}});
    EXPECT_EQ(queryValue(cancelled->get_header_value("Location"), "error"), "access_denied");
    // Nothing is pending any more.
    EXPECT_EQ(postForm("/vapi/oauth2/authorize/login", {{"username", "alice@example.test"}}, {{"Cookie", cookie}})
                  ->status,
              400);

    auto grant = postForm("/vapi/oauth2/token", {{"grant_type", "password"}});
    EXPECT_EQ(Json::parse(grant->body)["error"], "unsupported_grant_type");
}

TEST_F(CommunityServerTest, RefusesUnregisteredClientsWithAnErrorPage) {
    const auto token = signIn()["access_token"].get<std::string>();
    const std::string query = "/vapi/oauth2/authorize?response_type=code&code_challenge=" + s256(kVerifier) +
                              "&code_challenge_method=S256&state=s";
    struct Case {
        const char* name;
        std::string path;
        httplib::Headers headers;
    };
    const std::vector<Case> cases = {
        {"unknown client", query + "&client_id=intruder&redirect_uri=" + kRedirectUri, {}},
        {"foreign redirect", query + "&client_id=" + kClientId + "&redirect_uri=https://evil.test/cb", {}},
        {"redirect with a longer path", query + "&client_id=" + kClientId + "&redirect_uri=" + kRedirectUri + "/more",
         {}},
        {"redirect with a query", query + "&client_id=" + kClientId + "&redirect_uri=" + kRedirectUri + "%3Fx%3D1",
         {}},
        {"foreign redirect with a bad response type",
         "/vapi/oauth2/authorize?response_type=token&client_id=" + std::string(kClientId) +
             "&redirect_uri=https://evil.test/cb&state=s",
         {}},
        {"signed-in caller, unknown client", query + "&client_id=intruder&redirect_uri=intruder://cb", bearer(token)},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        auto answer = get(item.path, item.headers);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 400);
        EXPECT_FALSE(answer->has_header("Location")) << answer->get_header_value("Location");
        EXPECT_NE(answer->body.find("<title>Error</title>"), std::string::npos);
    }
    EXPECT_FALSE(server.issueAuthorizationCode("alice@example.test", "intruder", kRedirectUri, s256(kVerifier)));
    EXPECT_FALSE(server.issueAuthorizationCode("alice@example.test", kClientId, "https://evil.test/cb",
                                               s256(kVerifier)));

    // A server with no client registered signs nobody in.
    CommunityServer unconfigured;
    unconfigured.start();
    httplib::SSLClient other("127.0.0.1", unconfigured.port());
    other.set_ca_cert_path(unconfigured.caFile().c_str());
    auto refused = other.Get(authorizePath(s256(kVerifier)));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 400);
    EXPECT_FALSE(refused->has_header("Location"));
}

TEST_F(CommunityServerTest, LoginAndCancelMustNameTheirSignIn) {
    const std::map<std::string, std::string> credentials = {{"username", "alice@example.test"},
                                                            {"password", "alice-password"}};
    struct Case {
        const char* name;
        bool cancel;
        bool sendCookie;
        std::optional<std::string> requestField; // "" stands for the sign-in's own id
        int status;
    };
    const std::vector<Case> cases = {
        {"login naming nothing", false, false, std::nullopt, 400},
        {"cancel naming nothing", true, false, std::nullopt, 400},
        {"login naming an unknown sign-in beside a good cookie", false, true, "unknown", 400},
        {"cancel naming an unknown sign-in beside a good cookie", true, true, "unknown", 400},
        {"login by cookie", false, true, std::nullopt, 302},
        {"login by field", false, false, "", 302},
        {"cancel by field", true, false, "", 302},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        auto cookie = openLoginPage(s256(kVerifier));
        const auto id = cookie.substr(cookie.find('=') + 1);
        auto fields = credentials;
        std::string query;
        if (item.requestField) {
            const auto named = item.requestField->empty() ? id : *item.requestField;
            fields["request"] = named;
            query = "?request=" + named;
        }
        httplib::Headers headers;
        if (item.sendCookie) headers.emplace("Cookie", cookie);
        auto answer = item.cancel ? get("/vapi/oauth2/authorize/cancel" + query, headers)
                                  : postForm("/vapi/oauth2/authorize/login", fields, headers);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, item.status);
        if (item.status == 302) {
            EXPECT_TRUE(answer->get_header_value("Location").starts_with(kRedirectUri));
        } else {
            EXPECT_FALSE(answer->has_header("Location")) << answer->get_header_value("Location");
        }
    }
}

TEST_F(CommunityServerTest, RefusesBodiesPastTheCap) {
    const auto token = signIn()["access_token"].get<std::string>();
    const std::size_t cap = 1 << 20; // the default ServerOptions::maxRequestBodyBytes
    auto readOfSize = [](std::size_t size) {
        std::string body = "{\"read\": true, \"pad\": \"";
        body.resize(size - 2, 'x');
        return body + "\"}";
    };
    const std::string notification = "/vapi/data/v60.0/connect/notifications/0NF000000000001AAA";
    struct Case {
        const char* name;
        std::string method;
        std::string path;
        std::string body;
        const char* contentType;
        int status;
    };
    const std::vector<Case> cases = {
        {"JSON at the cap", "PATCH", notification, readOfSize(cap), "application/json", 200},
        {"JSON a byte past the cap", "PATCH", notification, readOfSize(cap + 1), "application/json", 413},
        {"JSON far past the cap", "PATCH", notification, readOfSize(8 * cap), "application/json", 413},
        {"long form", "POST", "/vapi/oauth2/token", "grant_type=password&pad=" + std::string(64 * 1024, 'a'),
         "application/x-www-form-urlencoded", 413},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        auto answer = item.method == "PATCH" ? client->Patch(item.path, bearer(token), item.body, item.contentType)
                                             : client->Post(item.path, bearer(token), item.body, item.contentType);
        ASSERT_TRUE(answer) << httplib::to_string(answer.error());
        EXPECT_EQ(answer->status, item.status);
        if (item.status == 413) {
            EXPECT_TRUE(isErrorList(answer->body, "REQUEST_TOO_LARGE")) << answer->body;
        }
    }
    // The server goes on answering.
    EXPECT_EQ(get("/s/")->status, 200);
}

TEST_F(CommunityServerTest, KeepsOnlyTheLatestRequestsButCountsAll) {
    communityserver::ServerOptions options;
    options.requestLogCapacity = 3;
    CommunityServer small(options);
    small.start();
    httplib::SSLClient other("127.0.0.1", small.port());
    other.set_ca_cert_path(small.caFile().c_str());
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(other.Get("/s/" + std::to_string(i)));
    auto kept = small.requests();
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept.front().path, "/s/2");
    EXPECT_EQ(kept.back().path, "/s/4");
    EXPECT_EQ(small.requestCount(), 5u);
    small.clearRequests();
    EXPECT_EQ(small.requestCount(), 0u);
    EXPECT_TRUE(small.requests().empty());
}

TEST_F(CommunityServerTest, SilentConnectionsDoNotStallOthers) {
    // Forty clients connect and say nothing, not even a TLS hello.
    std::vector<int> silent;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(server.port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int i = 0; i < 40; ++i) {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        silent.push_back(fd);
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    }
    // The server accepts connections in order, so this one comes after them all.
    const auto start = std::chrono::steady_clock::now();
    httplib::SSLClient patient("127.0.0.1", server.port());
    patient.set_ca_cert_path(server.caFile().c_str());
    patient.set_connection_timeout(1);
    patient.set_read_timeout(1);
    auto page = patient.Get("/s/");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    for (int fd : silent) ::close(fd);
    ASSERT_TRUE(page) << httplib::to_string(page.error());
    EXPECT_EQ(page->status, 200);
    EXPECT_LT(elapsed, std::chrono::seconds(1));
}

TEST_F(CommunityServerTest, ABareServerLeavesRequestsToItsOwnHandlers) {
    communityserver::ServerOptions options;
    options.community = false;
    CommunityServer bare(options);
    bare.addRoute("POST", "/echo/(\\w+)", [](const httplib::Request& req, httplib::Response& res, const std::smatch& m) {
        res.set_content(m[1].str() + ":" + req.body, "text/plain");
    });
    bare.start();
    bare.httpServer().Get("/s/", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("own page", "text/plain");
    });
    httplib::SSLClient other("127.0.0.1", bare.port());
    other.set_ca_cert_path(bare.caFile().c_str());

    EXPECT_EQ(other.Get("/s/")->body, "own page");
    EXPECT_EQ(other.Post("/echo/abc", "body", "text/plain")->body, "abc:body");
    // None of the community's routes or users.
    EXPECT_EQ(other.Get("/vapi/identity/auth-configuration")->status, 404);
    EXPECT_EQ(other.Get(authorizePath(s256(kVerifier)))->status, 404);
    EXPECT_TRUE(bare.users().empty());
    bare.failNextRequests(1, 503, "SERVER_UNAVAILABLE", "down", "/s/");
    auto failed = other.Get("/s/");
    EXPECT_EQ(failed->status, 503);
    EXPECT_TRUE(isErrorList(failed->body, "SERVER_UNAVAILABLE"));

    auto seen = bare.requests();
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[1].method, "POST");
    EXPECT_EQ(seen[1].path, "/echo/abc");
    EXPECT_TRUE(seen[1].header("Content-Type").has_value());
}

TEST_F(CommunityServerTest, SweepingExpiredGrantsKeepsTheLiveOnes) {
    double now = 1'700'000'000;
    server.setClock([&now] { return now; });
    auto tokens = signIn();
    const auto access = tokens["access_token"].get<std::string>();
    const auto refresh = tokens["refresh_token"].get<std::string>();
    auto entry = get("/gate/entry.vx?sid=" + httplib::detail::encode_query_param(access) + "&returnTo=%2Fs%2Fprofile");
    auto cookie = entry->get_header_value("Set-Cookie");
    cookie = cookie.substr(0, cookie.find(';'));
    ASSERT_EQ(get("/s/profile", {{"Cookie", cookie}})->status, 200);
    const auto code = queryValue(signInRedirect(s256(kVerifier)), "code");

    // Two hours on: the code, the access token and the web session have
    // expired and are swept by the next request; the refresh token lives on.
    now += 7201;
    EXPECT_EQ(get("/s/profile", {{"Cookie", cookie}})->status, 302);
    EXPECT_FALSE(server.isAccessTokenValid(access));
    EXPECT_EQ(exchange(code)->status, 400);
    auto refreshed = postForm("/vapi/oauth2/token",
                              {{"grant_type", "refresh_token"}, {"refresh_token", refresh}, {"client_id", kClientId}});
    ASSERT_EQ(refreshed->status, 200) << refreshed->body;
    const auto fresh = Json::parse(refreshed->body)["access_token"].get<std::string>();
    EXPECT_EQ(get("/vapi/data/v60.0/records/user/0US000000000001AAA", bearer(fresh))->status, 200);
    // Revoking the refresh token still ends the access tokens it gave.
    EXPECT_EQ(postForm("/vapi/oauth2/revoke", {{"token", refresh}})->status, 200);
    EXPECT_FALSE(server.isAccessTokenValid(fresh));
    // Swept tokens are still among those tests scan for.
    auto issued = server.issuedTokens();
    EXPECT_NE(std::find(issued.begin(), issued.end(), access), issued.end());
}

TEST_F(CommunityServerTest, FindsTheFilesThatHoldAnIssuedToken) {
    const auto folder = testsupport::sandboxRoot() / "scan";
    EXPECT_TRUE(server.filesHoldingTokens(folder).empty()) << "a missing folder holds none";
    server.setAccessTokenPrefix("at!");
    const auto access = signIn()["access_token"].get<std::string>();
    const auto write = [&folder](const std::string& name, const std::string& text) {
        std::filesystem::create_directories((folder / name).parent_path());
        std::ofstream(folder / name) << "line before\n" << text << "\nline after\n";
    };
    ASSERT_EQ(access.rfind("at!", 0), 0u);
    const auto encoded = "at%21" + access.substr(3);
    write("clean.log", "Signed in as alice@example.test; token at!... masked");
    write("raw.log", "Authorization: Bearer " + access);
    write("Logs/nested/once.log", "GET /gate/entry.vx?sid=" + encoded);
    write("twice.log", "returnTo=%2Fgate%2Fentry.vx%3Fsid%3Dat%2521" + access.substr(3));
    EXPECT_EQ(server.filesHoldingTokens(folder),
              (std::vector<std::filesystem::path>{folder / "Logs/nested/once.log", folder / "raw.log",
                                                  folder / "twice.log"}));
    EXPECT_EQ(server.filesHoldingTokens(folder / "raw.log"), (std::vector<std::filesystem::path>{folder / "raw.log"}));
    EXPECT_TRUE(server.filesHoldingTokens(folder / "clean.log").empty());
}

TEST_F(CommunityServerTest, RestAnswersErrorListsForEachFailure) {
    const auto token = signIn()["access_token"].get<std::string>();
    auto restricted = CommunityServer::defaultUser();
    restricted.username = "bob@example.test";
    restricted.password = "bob-password";
    restricted.userId = "0US000000000002AAA";
    restricted.apiEnabled = false;
    server.addUser(restricted);
    auto bobCode = server.issueAuthorizationCode("bob@example.test", kClientId, kRedirectUri, s256(kVerifier));
    ASSERT_TRUE(bobCode);
    const auto bobToken = Json::parse(exchange(*bobCode)->body)["access_token"].get<std::string>();
    server.putRecord("fileDocument", "069000000000001AAA", {{"Title", "Guide"}}, true);
    server.putRecord("fileDocument", "069000000000002AAA", {{"Title", "Secret"}});

    struct Case {
        const char* name;
        std::string method;
        std::string path;
        httplib::Headers headers;
        int status;
        const char* errorCode;
    };
    const std::vector<Case> cases = {
        {"no token", "GET", "/vapi/data/v60.0/records/user/0US000000000001AAA", {}, 401, "INVALID_SESSION"},
        {"bad token", "GET", "/vapi/data/v60.0/records", bearer("nonsense"), 401, "INVALID_SESSION"},
        {"unknown record", "GET", "/vapi/data/v60.0/records/fileDocument/missing", bearer(token), 404, "NOT_FOUND"},
        {"unknown resource", "GET", "/vapi/data/v60.0/nothing/here", bearer(token), 404, "NOT_FOUND"},
        {"future version", "GET", "/vapi/data/v99.0/records", bearer(token), 404, "NOT_FOUND"},
        {"malformed version", "GET", "/vapi/data/60/records", bearer(token), 404, "NOT_FOUND"},
        {"method", "DELETE", "/vapi/data/v60.0/records/user/0US000000000001AAA", bearer(token), 405,
         "METHOD_NOT_ALLOWED"},
        {"API disabled", "GET", "/vapi/data/v60.0/records", bearer(bobToken), 403, "API_DISABLED"},
        {"guest, private record", "GET", "/vapi/data/v60.0/records/fileDocument/069000000000002AAA", {}, 401,
         "INVALID_SESSION"},
        {"guest, notifications", "GET", "/vapi/data/v60.0/connect/notifications/status", {}, 401, "INVALID_SESSION"},
        {"bad notification body", "PATCH", "/vapi/data/v60.0/connect/notifications/0NF000000000001AAA",
         bearer(token), 400, "MALFORMED_REQUEST"},
        {"unknown path", "GET", "/nowhere", {}, 404, "NOT_FOUND"},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        httplib::Result answer = item.method == "GET"      ? client->Get(item.path, item.headers)
                                 : item.method == "PATCH"  ? client->Patch(item.path, item.headers, "{\"read\": 1}",
                                                                           "application/json")
                                                           : client->Delete(item.path, item.headers);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, item.status);
        EXPECT_TRUE(isErrorList(answer->body, item.errorCode)) << answer->body;
    }
    auto guest = get("/vapi/data/v60.0/records/fileDocument/069000000000001AAA");
    ASSERT_EQ(guest->status, 200);
    EXPECT_EQ(Json::parse(guest->body)["Title"], "Guide");
}

TEST_F(CommunityServerTest, NotificationsCanBeMarkedRead) {
    const auto token = signIn()["access_token"].get<std::string>();
    auto patched = client->Patch("/vapi/data/v60.0/connect/notifications/0NF000000000001AAA", bearer(token),
                                 "{\"read\": \"true\"}", "application/json");
    ASSERT_EQ(patched->status, 200);
    EXPECT_EQ(Json::parse(patched->body)["read"], true);
    auto status = get("/vapi/data/v60.0/connect/notifications/status", bearer(token));
    EXPECT_EQ(Json::parse(status->body)["unreadCount"], 0);
}

TEST_F(CommunityServerTest, FailsTheNextRequestsWhenAsked) {
    server.failNextRequests(2, 503, "SERVER_UNAVAILABLE", "down", "/s/");
    auto other = get("/vapi/identity/auth-configuration");
    EXPECT_EQ(other->status, 200);
    for (int i = 0; i < 2; ++i) {
        auto failed = get("/s/");
        EXPECT_EQ(failed->status, 503);
        EXPECT_TRUE(isErrorList(failed->body, "SERVER_UNAVAILABLE"));
    }
    EXPECT_EQ(get("/s/")->status, 200);
    EXPECT_EQ(server.requestCount(), 4u);
}

TEST_F(CommunityServerTest, FrontDoorOpensAWebSession) {
    const auto token = signIn()["access_token"].get<std::string>();
    auto entry = get("/gate/entry.vx?sid=" + httplib::detail::encode_query_param(token) +
                     "&returnTo=%2Fs%2Fprofile&display=touch");
    ASSERT_EQ(entry->status, 302);
    EXPECT_EQ(entry->get_header_value("Location"), "https://127.0.0.1:" + std::to_string(server.port()) + "/s/profile");
    auto cookie = entry->get_header_value("Set-Cookie");
    cookie = cookie.substr(0, cookie.find(';'));
    auto profile = get("/s/profile", {{"Cookie", cookie}});
    ASSERT_EQ(profile->status, 200);
    EXPECT_NE(profile->body.find("<title>Profile</title>"), std::string::npos);
    EXPECT_NE(profile->body.find("Signed in as Alice Example"), std::string::npos);

    // A page that needs a session sends a guest to the login page.
    auto guest = get("/s/profile");
    EXPECT_EQ(guest->status, 302);
    // (The test client hands Location back percent-decoded.)
    EXPECT_TRUE(guest->get_header_value("Location").ends_with("/s/login/?ec=302&startAt=/s/profile"))
        << guest->get_header_value("Location");

    // A foreign return page leads home; a bad token leads to the login page.
    auto foreign = get("/gate/entry.vx?sid=" + httplib::detail::encode_query_param(token) +
                       "&returnTo=https%3A%2F%2Fevil.test%2F");
    EXPECT_TRUE(foreign->get_header_value("Location").ends_with("/s/"));
    auto bad = get("/gate/entry.vx?sid=nope&returnTo=%2Fs%2F");
    EXPECT_NE(bad->get_header_value("Location").find("/s/login/?ec=302"), std::string::npos);

    auto logout = get("/gate/logout.vx", {{"Cookie", cookie}});
    EXPECT_NE(logout->body.find("<title>Logged Out</title>"), std::string::npos);
    EXPECT_EQ(get("/s/profile", {{"Cookie", cookie}})->status, 302);
    EXPECT_EQ(get("/s/missing")->status, 404);
}

TEST_F(CommunityServerTest, FrontDoorDecodesTheTokenTwiceAndMayRefuseBadOnes) {
    server.setAccessTokenPrefix("at!+/");
    const auto token = signIn()["access_token"].get<std::string>();
    ASSERT_TRUE(token.starts_with("at!+/"));
    // The app encodes every byte but letters and digits, then the query item encodes that text.
    std::string appEncoded;
    for (const unsigned char c : token) {
        if (std::isalnum(c)) {
            appEncoded += static_cast<char>(c);
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            appEncoded += escape;
        }
    }
    for (const auto& sid : {httplib::detail::encode_query_param(appEncoded), httplib::detail::encode_query_param(token)}) {
        SCOPED_TRACE(sid);
        auto entry = get("/gate/entry.vx?sid=" + sid + "&returnTo=%2Fs%2Fprofile&display=touch");
        ASSERT_EQ(entry->status, 302);
        EXPECT_TRUE(entry->get_header_value("Location").ends_with("/s/profile"));
        EXPECT_TRUE(entry->get_header_value("Set-Cookie").starts_with("sid="));
    }

    const std::string unknown = "/gate/entry.vx?sid=nope&returnTo=%2Fs%2F";
    const std::string valid = "/gate/entry.vx?sid=" + httplib::detail::encode_query_param(appEncoded);
    for (const int status : {401, 403}) {
        SCOPED_TRACE(status);
        server.setFrontDoorRefusalStatus(status);
        EXPECT_EQ(get(unknown)->status, status);
        EXPECT_EQ(get(valid)->status, 302) << "a valid token still opens a session";
    }
    server.expireAccessTokens();
    EXPECT_EQ(get(valid)->status, 403) << "an expired token is refused too";
    server.setFrontDoorRefusalStatus(std::nullopt);
    auto redirected = get(unknown);
    EXPECT_EQ(redirected->status, 302);
    EXPECT_NE(redirected->get_header_value("Location").find("/s/login/?ec=302"), std::string::npos);
}

TEST_F(CommunityServerTest, ServesASingleSignOnPage) {
    for (const char* path : {"/sso/saml?SAMLRequest=abc", "/site/sso/saml"}) {
        SCOPED_TRACE(path);
        auto page = get(path);
        ASSERT_EQ(page->status, 200);
        EXPECT_NE(page->body.find("<title>Single Sign-On</title>"), std::string::npos);
    }
}

TEST_F(CommunityServerTest, AuthConfigurationCanBeSetOrDisabled) {
    auto standard = Json::parse(get("/vapi/identity/auth-configuration")->body);
    EXPECT_EQ(standard["loginPage"]["loginPageUrl"],
              "https://127.0.0.1:" + std::to_string(server.port()) + "/s/login/");
    server.setAuthConfiguration({{"loginPage", {{"loginPageUrl", "https://sso.example.test/login"}}}});
    EXPECT_EQ(Json::parse(get("/vapi/identity/auth-configuration")->body)["loginPage"]["loginPageUrl"],
              "https://sso.example.test/login");
    server.disableAuthConfiguration();
    EXPECT_EQ(get("/vapi/identity/auth-configuration")->status, 404);
}

TEST_F(CommunityServerTest, MalformedRequestsNeverBringItDown) {
    const std::vector<std::string> paths = {
        "/vapi/data/v60.0/records/%00/%ZZ", "/vapi/identity/x", "/vapi/identity/a/b", "/vapi/oauth2/authorize?%%%=&&==",
        "/gate/entry.vx", "/s/../../etc/passwd", "/vapi/data/v" + std::string(5000, '9') + ".0/records",
    };
    for (const auto& path : paths) {
        auto answer = get(path);
        ASSERT_TRUE(answer) << path;
        EXPECT_LT(answer->status, 500) << path;
    }
    auto garbage = client->Post("/vapi/oauth2/token", std::string("\xff\xfe=\x01&&=&grant_type", 19),
                                "application/x-www-form-urlencoded");
    ASSERT_TRUE(garbage);
    EXPECT_EQ(garbage->status, 400);
    // A custom route that throws answers 500 with an error list.
    server.addRoute("GET", "/boom", [](const httplib::Request&, httplib::Response&, const std::smatch&) {
        throw std::runtime_error("boom");
    });
    auto boom = get("/boom");
    ASSERT_TRUE(boom);
    EXPECT_EQ(boom->status, 500);
    EXPECT_TRUE(isErrorList(boom->body, "UNKNOWN_EXCEPTION"));
    EXPECT_EQ(get("/s/")->status, 200);
}

TEST_F(CommunityServerTest, ConfigureAppliesAWholeDocumentOrNothing) {
    const auto folder = testsupport::sandboxRoot() / "demo";
    std::filesystem::create_directories(folder);
    const std::string guide("%PDF-1.4\n\0binary\xff", 18);
    std::ofstream(folder / "guide.pdf", std::ios::binary) << guide;
    auto error = server.configure(nlohmann::ordered_json::parse(R"({
        "users": [{"username": "carol@example.test", "password": "pw", "userId": "0US000000000003AAA",
                   "orgId": "0OR000000000001AAA", "customAttributes": {"B": "2", "A": "1"},
                   "notifications": [{"id": "n1", "message": "hi"}, {"id": "n2", "read": true}]}],
        "accessTokenLifetime": 5,
        "clients": [{"clientId": "demo-app", "redirectUris": ["demo://done", "demo://other"]}],
        "pages": {"/s/news": {"title": "News", "body": "<p>Fresh</p>"}},
        "records": [{"type": "fileDocument", "id": "069X", "fields": {"Title": "T"}, "guestReadable": true,
                     "contents": {"VersionData": {"file": "guide.pdf", "contentType": "application/pdf"},
                                  "Notes": {"body": "members only", "guestReadable": false}}}]
    })"), folder);
    ASSERT_FALSE(error) << *error;
    EXPECT_EQ(server.users().size(), 2u);
    EXPECT_EQ(server.users()[1].customAttributes.dump(), R"({"B":"2","A":"1"})");
    EXPECT_EQ(server.notifications("0US000000000003AAA").size(), 2u);
    EXPECT_NE(get("/s/news")->body.find("<title>News</title>"), std::string::npos);
    EXPECT_EQ(get("/vapi/data/v60.0/records/fileDocument/069X")->status, 200);
    // The registered client may sign in; the file is served as it is on disk.
    EXPECT_EQ(get("/vapi/oauth2/authorize?response_type=code&client_id=demo-app&redirect_uri=demo://other"
                  "&code_challenge=" + s256(kVerifier) + "&code_challenge_method=S256")
                  ->status,
              200);
    auto download = get("/vapi/data/v60.0/records/fileDocument/069X/VersionData");
    ASSERT_EQ(download->status, 200);
    EXPECT_EQ(download->body, guide);
    EXPECT_EQ(download->get_header_value("Content-Type"), "application/pdf");
    EXPECT_EQ(get("/vapi/data/v60.0/records/fileDocument/069X/Notes")->status, 401);
    const auto token = signIn()["access_token"].get<std::string>();
    EXPECT_EQ(get("/vapi/data/v60.0/records/fileDocument/069X/Notes", bearer(token))->body, "members only");

    for (const char* bad : {R"([])", R"({"users": [{"username": 1}]})", R"({"pages": {"/x": {"title": "X"}}})",
                            R"({"accessTokenLifetime": "long"})", R"({"records": [{"type": "a"}]})",
                            R"({"clients": [{"clientId": "x"}]})", R"({"storeLookup": {"status": 200}})",
                            R"({"storeLookup": {"answer": {}, "status": "ok"}})", R"({"clients": [{"clientId": "x", "redirectUris": [1]}]})",
                            R"({"records": [{"type": "a", "id": "b", "contents": {"F": {"file": "missing.pdf"}}}]})",
                            R"({"records": [{"type": "a", "id": "b", "contents": {"F": {"contentType": "text/plain"}}}]})",
                            R"({"users": [{"username": "dave@example.test", "password": "pw", "userId": "0US4",
                                           "orgId": "0OR1"}],
                                "clients": [{"clientId": "x", "redirectUris": "x://y"}]})"}) {
        SCOPED_TRACE(bad);
        EXPECT_TRUE(server.configure(nlohmann::ordered_json::parse(bad), folder));
    }
    EXPECT_EQ(server.users().size(), 2u);
}

TEST_F(CommunityServerTest, AMovedCommunityRedirectsOnlyUnderTheServersOwnName) {
    ASSERT_FALSE(server.configure(nlohmann::ordered_json::parse(
        R"({"pages": {"/s/": {"title": "Home"}}, "movedTo": "https://moved.example.test"})")));
    for (const auto& [host, status] : {std::pair{"community.example.test", 301}, {"community.example.test:443", 301},
                                       {"moved.example.test", 200}}) {
        SCOPED_TRACE(host);
        auto answer = get("/s/", {{"Host", host}});
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, status);
        EXPECT_EQ(answer->get_header_value("Location"), status == 301 ? "https://moved.example.test/s/" : "");
    }
    EXPECT_TRUE(server.configure(nlohmann::ordered_json::parse(R"({"movedTo": 1})")));
    server.setMovedTo("");
    EXPECT_EQ(get("/s/", {{"Host", "community.example.test"}})->status, 200);
}

TEST_F(CommunityServerTest, TheStoreLookupAnswersWhatWasSet) {
    const struct {
        const char* name;
        std::optional<nlohmann::json> answer; // none: the default
        int status;
    } rows[] = {
        {"default", std::nullopt, 200},
        {"one app", nlohmann::json{{"resultCount", 1}, {"results", {{{"trackId", 42}, {"version", "2.0"}}}}}, 200},
        {"an error status", nlohmann::json{{"errorMessage", "Invalid value(s) for key(s): [country]"}}, 400},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.answer) server.setStoreLookup(*row.answer, row.status);
        auto answer = get("/lookup?bundleId=com.vellicor.app&country=DE");
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, row.status);
        EXPECT_EQ(nlohmann::json::parse(answer->body),
                  row.answer.value_or(nlohmann::json{{"resultCount", 0}, {"results", nlohmann::json::array()}}));
        const auto request = server.requests().back();
        EXPECT_EQ(request.param("bundleId"), "com.vellicor.app");
        EXPECT_EQ(request.param("country"), "DE");
    }
    EXPECT_EQ(client->Post("/lookup", "", "text/plain")->status, 405);
    // From the configuration too.
    ASSERT_FALSE(server.configure(nlohmann::ordered_json::parse(
        R"({"storeLookup": {"answer": {"resultCount": 1, "results": [{"version": "3.0"}]}, "status": 202}})")));
    auto configured = get("/lookup?bundleId=com.vellicor.app&country=US");
    ASSERT_TRUE(configured);
    EXPECT_EQ(configured->status, 202);
    EXPECT_EQ(nlohmann::json::parse(configured->body)["results"][0]["version"], "3.0");
}

TEST_F(CommunityServerTest, TheIngestionServiceKeepsAndWritesOutEachDocument) {
    const Json document = {{"logs",
                            {{{"type", "appleError"}, {"id", "E1"}},
                             {{"type", "errorAttachment"}, {"fileName", "CrashLog.txt"}, {"data", "aGVsbG8gbG9n"}},
                             {{"type", "errorAttachment"}, {"data", "YQ=="}},
                             {{"type", "errorAttachment"}, {"fileName", "../escape.txt"}, {"data", "Yg=="}}}}};
    const httplib::Headers headers = {{"install-id", "INSTALL-1"}, {"app-secret", "secret-1"}};
    auto answer = client->Post("/logs?Api-Version=1.0.0", headers, document.dump(), "application/json");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);

    server.setIngestionStatus(500);
    answer = client->Post("/logs?Api-Version=1.0.0", headers, "not json", "application/json");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 500);
    answer = client->Post("/logs?Api-Version=2.0", headers, document.dump(), "application/json");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 400);

    const auto logs = server.ingestedLogs();
    ASSERT_EQ(logs.size(), 2u);
    EXPECT_EQ(logs[0].installId, "INSTALL-1");
    EXPECT_EQ(logs[0].appSecret, "secret-1");
    EXPECT_EQ(logs[0].document, document);
    EXPECT_TRUE(logs[1].document.is_null());
    const auto read = [](const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    EXPECT_EQ(logs[0].folder.filename(), "1");
    EXPECT_EQ(read(logs[0].folder / "document.json"), document.dump());
    EXPECT_EQ(read(logs[0].folder / "CrashLog.txt"), "hello log");
    EXPECT_EQ(read(logs[0].folder / "attachment-1.txt"), "a");
    // A name that would leave the folder is not used.
    EXPECT_EQ(read(logs[0].folder / "attachment-2.txt"), "b");
    EXPECT_FALSE(std::filesystem::exists(logs[0].folder.parent_path() / "escape.txt"));
    EXPECT_EQ(read(logs[1].folder / "document.json"), "not json");
}

} // namespace
