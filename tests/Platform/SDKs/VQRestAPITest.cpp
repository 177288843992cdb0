#include "tests/Platform/SDKs/VeltraneAccountFixture.hpp"

#include "Platform/Foundation/Reachability.hpp"
#include "Platform/SDKs/Veltrane/VQNetwork.hpp"
#include "Platform/SDKs/Veltrane/VQRestAPI.hpp"

#include <httplib.h>

using namespace platform;
using namespace platform::veltrane;
using namespace veltranetest;

namespace {

class VQRestAPITest : public AccountFixture {
protected:
    /// Sends and waits for the one answer.
    RestResult send(const std::shared_ptr<VQRestAPI>& client, const VQRestRequest& request) {
        std::mutex mutex;
        std::vector<RestResult> results;
        std::atomic<bool> onMain{false};
        client->send(request, [&](RestResult result) {
            if (MainQueue::isMainThread()) onMain = true;
            std::lock_guard lock(mutex);
            results.push_back(std::move(result));
        });
        EXPECT_TRUE(testsupport::waitUntil([&] {
            std::lock_guard lock(mutex);
            return !results.empty();
        }));
        testsupport::pump();
        std::lock_guard lock(mutex);
        EXPECT_EQ(results.size(), 1u);
        EXPECT_FALSE(onMain);
        return results.front();
    }

    std::vector<communityserver::RecordedRequest> requestsTo(const std::string& pathPrefix) {
        std::vector<communityserver::RecordedRequest> found;
        for (auto& request : server.requests()) {
            if (request.path.starts_with(pathPrefix)) found.push_back(std::move(request));
        }
        return found;
    }
};

TEST_F(VQRestAPITest, SendsToTheUsersInstanceWithTheBearerToken) {
    auto account = signIn();
    ASSERT_NE(account, nullptr);
    auto client = VQRestAPI::sharedInstance();
    EXPECT_EQ(client->user(), account);
    EXPECT_EQ(client, VQRestAPI::sharedInstanceWithUser(account));
    EXPECT_NE(client, VQRestAPI::sharedGlobalInstance());

    auto request = VQRestRequest::requestWithMethod(VQRestMethod::GET,
                                                    "/" + std::string(kVQRestDefaultAPIVersion) +
                                                        "/records/user/0US000000000001AAA",
                                                    Json{{"fields", "Id,ContactId"}});
    auto result = send(client, request);
    ASSERT_TRUE(result) << result.error().localizedDescription();
    auto json = result->asJson();
    ASSERT_TRUE(json);
    EXPECT_EQ((*json)["ContactId"], "093000000000001AAA");
    EXPECT_EQ(result->urlResponse.statusCode(), 200);

    auto sent = requestsTo("/vapi/data/v60.0/records/user/");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].header("Authorization"), "Bearer " + *account->credentials()->accessToken);
    EXPECT_EQ(sent[0].param("fields"), "Id,ContactId");

    // The global client sends for the current user too.
    EXPECT_TRUE(send(VQRestAPI::sharedGlobalInstance(), request));
}

TEST_F(VQRestAPITest, HttpErrorsCarryTheStatusAndTheErrorList) {
    auto account = signIn();
    ASSERT_NE(account, nullptr);
    auto client = VQRestAPI::sharedInstance();
    auto result = send(client, VQRestRequest::requestWithMethod(VQRestMethod::GET, "/v60.0/records/fileDocument/nope"));
    ASSERT_FALSE(result);
    auto* failed = std::get_if<RestClientError::RequestFailed>(&result.error().value);
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(failed->underlyingError.domain, kVQRestAPIErrorDomain);
    EXPECT_EQ(failed->underlyingError.code, 404);
    const auto& list = failed->underlyingError.userInfo["error"];
    ASSERT_TRUE(list.is_array());
    EXPECT_EQ(list[0]["errorCode"], "NOT_FOUND");
    EXPECT_EQ(failed->underlyingError.localizedDescription(), list[0]["message"]);
    ASSERT_TRUE(failed->urlResponse.has_value());
    EXPECT_EQ(failed->urlResponse->statusCode(), 404);

    auto restricted = communityserver::CommunityServer::defaultUser();
    restricted.apiEnabled = false;
    server.addUser(restricted);
    auto forbidden = send(client, VQRestRequest::requestWithMethod(VQRestMethod::GET, "/v60.0/records"));
    ASSERT_FALSE(forbidden);
    EXPECT_EQ(forbidden.error().underlyingError()->code, 403);
    EXPECT_EQ(forbidden.error().underlyingError()->userInfo["error"][0]["errorCode"], "API_DISABLED");
}

TEST_F(VQRestAPITest, EachErrorKind) {
    auto account = signIn();
    ASSERT_NE(account, nullptr);
    server.addRoute("GET", "/vapi/data/v60.0/broken",
                    [](const httplib::Request&, httplib::Response& res, const std::smatch&) {
                        res.set_content("{not json", "application/json");
                    });
    server.addRoute("GET", "/vapi/data/v60.0/empty",
                    [](const httplib::Request&, httplib::Response& res, const std::smatch&) { res.status = 200; });
    auto client = VQRestAPI::sharedInstance();

    auto decoding = send(client, VQRestRequest::requestWithMethod(VQRestMethod::GET, "/v60.0/broken"));
    ASSERT_FALSE(decoding);
    EXPECT_TRUE(std::holds_alternative<RestClientError::DecodingFailed>(decoding.error().value));

    auto empty = send(client, VQRestRequest::requestWithMethod(VQRestMethod::GET, "/v60.0/empty"));
    ASSERT_FALSE(empty);
    EXPECT_TRUE(std::holds_alternative<RestClientError::ApiResponseIsEmpty>(empty.error().value));
    EXPECT_FALSE(empty.error().underlyingError().has_value());

    auto patch = client->requestForNotification("0NF000000000001AAA", kVQRestDefaultAPIVersion);
    patch.method = VQRestMethod::PATCH;
    patch.setCustomRequestBodyDictionary({{"read", std::string("\xff\xfe")}});
    auto serialization = send(client, patch);
    ASSERT_FALSE(serialization);
    EXPECT_TRUE(std::holds_alternative<RestClientError::JsonSerializationFailed>(serialization.error().value));

    Reachability::setOffline(true);
    auto offline = send(client, VQRestRequest::requestWithMethod(VQRestMethod::GET, "/v60.0/records"));
    Reachability::setOffline(false);
    ASSERT_FALSE(offline);
    auto* failed = std::get_if<RestClientError::RequestFailed>(&offline.error().value);
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(failed->underlyingError.domain, kURLErrorDomain);
    EXPECT_EQ(failed->underlyingError.code, URLError::notConnectedToInternet);
    EXPECT_FALSE(failed->urlResponse.has_value());
}

TEST_F(VQRestAPITest, AnExpiredTokenIsRefreshedOnceAndTheRequestRetried) {
    auto account = signIn();
    ASSERT_NE(account, nullptr);
    const auto oldToken = *account->credentials()->accessToken;
    server.expireAccessTokens();
    server.clearRequests();
    auto client = VQRestAPI::sharedInstance();
    auto result = send(client, VQRestRequest::requestWithMethod(VQRestMethod::GET, "/v60.0/connect/notifications/status"));
    ASSERT_TRUE(result) << result.error().localizedDescription();
    EXPECT_EQ((*result->asJson())["unreadCount"], 1);
    EXPECT_EQ(requestsTo("/vapi/oauth2/token").size(), 1u);
    auto sent = requestsTo("/vapi/data/");
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].header("Authorization"), "Bearer " + oldToken);
    EXPECT_EQ(sent[1].header("Authorization"), "Bearer " + *account->credentials()->accessToken);

    // When the refresh cannot help, the 401 is reported after one try.
    server.expireAccessTokens();
    server.revokeRefreshTokens();
    server.clearRequests();
    auto refused = send(client, VQRestRequest::requestWithMethod(VQRestMethod::GET, "/v60.0/records"));
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().underlyingError()->code, 401);
    EXPECT_EQ(refused.error().underlyingError()->userInfo["error"][0]["errorCode"], "INVALID_SESSION");
    EXPECT_EQ(requestsTo("/vapi/oauth2/token").size(), 1u);
    EXPECT_EQ(requestsTo("/vapi/data/").size(), 1u);
}

TEST_F(VQRestAPITest, AFullURLIsSentAsItIsWithoutTheToken) {
    ASSERT_NE(signIn(), nullptr);
    server.putRecord("fileDocument", "069000000000001AAA", {{"Title", "Guide"}}, true);
    auto request = VQRestRequest::requestWithMethod(VQRestMethod::GET, "/v60.0/records/fileDocument/069000000000001AAA");
    request.requiresAuthentication = false;
    request.path = std::string("https://") + kHost + "/vapi/data" + request.path;
    auto result = send(VQRestAPI::sharedGlobalInstance(), request);
    ASSERT_TRUE(result) << result.error().localizedDescription();
    EXPECT_EQ((*result->asJson())["Title"], "Guide");
    auto sent = requestsTo("/vapi/data/");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_FALSE(sent[0].header("Authorization").has_value());
}

TEST_F(VQRestAPITest, BaseURLRequestsAndNotificationRequests) {
    auto account = signIn();
    ASSERT_NE(account, nullptr);
    auto client = VQRestAPI::sharedInstance();
    auto status = VQRestRequest::requestWithMethod(VQRestMethod::GET, account->credentials()->communityUrl->absoluteString(),
                                                   "/vapi/data/v60.0/connect/notifications/status", Json::object());
    auto counted = send(client, status);
    ASSERT_TRUE(counted);
    EXPECT_EQ((*counted->asJson())["unreadCount"], 1);
    EXPECT_TRUE(requestsTo("/vapi/data/")[0].header("Authorization").has_value());

    auto mark = client->requestForNotification("0NF000000000001AAA", kVQRestDefaultAPIVersion);
    EXPECT_EQ(mark.path, "/v60.0/connect/notifications/0NF000000000001AAA");
    mark.method = VQRestMethod::PATCH;
    mark.setCustomRequestBodyDictionary({{"read", "true"}}, "application/json");
    auto marked = send(client, mark);
    ASSERT_TRUE(marked) << marked.error().localizedDescription();
    EXPECT_TRUE(server.notifications("0US000000000001AAA")[0].read);
    auto patched = requestsTo("/vapi/data/v60.0/connect/notifications/0NF");
    ASSERT_EQ(patched.size(), 1u);
    EXPECT_EQ(patched[0].method, "PATCH");
    EXPECT_EQ(patched[0].header("Content-Type"), "application/json");
    EXPECT_EQ(Json::parse(patched[0].body), (Json{{"read", "true"}}));
}

/// Routes a host name (on port 443 or the given port) to the community server for one test.
class HostRoute {
public:
    HostRoute(std::string from, int serverPort) : from_(std::move(from)) {
        HttpSession::setHostMapping(from_, "127.0.0.1:" + std::to_string(serverPort));
    }
    ~HostRoute() { HttpSession::removeHostMapping(from_); }
    HostRoute(const HostRoute&) = delete;
    HostRoute& operator=(const HostRoute&) = delete;

private:
    std::string from_;
};

TEST_F(VQRestAPITest, TheTokenGoesOnlyToTheUsersOwnOrigins) {
    auto account = signIn();
    ASSERT_NE(account, nullptr);
    const std::string port = std::to_string(server.port());
    HostRoute other("other.example.test:443", server.port());
    HostRoute otherPort(std::string(kHost) + ":" + port, server.port());
    struct Case {
        const char* name;
        std::string baseURL;
        bool sendsToken;
    };
    const Case cases[] = {
        {"the community URL", account->credentials()->communityUrl->absoluteString(), true},
        {"the community host, written differently", "HTTPS://Community.Example.Test:443", true},
        {"another host", "https://other.example.test", false},
        {"another port", std::string("https://") + kHost + ":" + port, false},
    };
    auto client = VQRestAPI::sharedInstance();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.clearRequests();
        auto request = VQRestRequest::requestWithMethod(VQRestMethod::GET, c.baseURL,
                                                        "/vapi/data/v60.0/connect/notifications/status", Json::object());
        send(client, request);
        auto sent = requestsTo("/vapi/data/");
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].header("Authorization").has_value(), c.sendsToken);
    }
}

TEST_F(VQRestAPITest, ARequestWithTheTokenNeverFollowsARedirectToAnotherOrigin) {
    auto account = signIn();
    ASSERT_NE(account, nullptr);
    HostRoute other("other.example.test:443", server.port());
    auto redirectTo = [](std::string location) {
        return [location](const httplib::Request&, httplib::Response& res, const std::smatch&) {
            res.status = 302;
            res.set_header("Location", location);
        };
    };
    server.addRoute("GET", "/vapi/data/v60.0/moved-away",
                    redirectTo("https://other.example.test/vapi/data/v60.0/connect/notifications/status"));
    server.addRoute("GET", "/vapi/data/v60.0/moved-here", redirectTo("/vapi/data/v60.0/connect/notifications/status"));
    auto client = VQRestAPI::sharedInstance();

    auto away = send(client, VQRestRequest::requestWithMethod(VQRestMethod::GET, "/v60.0/moved-away"));
    ASSERT_FALSE(away);
    auto* failed = std::get_if<RestClientError::RequestFailed>(&away.error().value);
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(failed->underlyingError.code, 302);
    ASSERT_TRUE(failed->urlResponse.has_value());
    EXPECT_EQ(failed->urlResponse->statusCode(), 302);
    EXPECT_TRUE(requestsTo("/vapi/data/v60.0/connect/").empty()) << "the redirect was followed";

    auto here = send(client, VQRestRequest::requestWithMethod(VQRestMethod::GET, "/v60.0/moved-here"));
    ASSERT_TRUE(here) << here.error().localizedDescription();
    EXPECT_EQ((*here->asJson())["unreadCount"], 1);
    auto followed = requestsTo("/vapi/data/v60.0/connect/");
    ASSERT_EQ(followed.size(), 1u);
    EXPECT_EQ(followed[0].header("Authorization"), "Bearer " + *account->credentials()->accessToken);
}

TEST_F(VQRestAPITest, ARequestThatNeedsAUserFailsWithoutOne) {
    auto result = send(VQRestAPI::sharedGlobalInstance(), VQRestRequest::requestWithMethod(VQRestMethod::GET, "/v60.0/records"));
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().underlyingError()->code, 401);
    EXPECT_FALSE(result.error().urlResponse().has_value());
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_EQ(VQRestAPI::sharedInstance(), VQRestAPI::sharedGlobalInstance());
}

TEST_F(VQRestAPITest, TheUsersClientGoesAtLogout) {
    auto account = signIn();
    ASSERT_NE(account, nullptr);
    auto client = VQRestAPI::sharedInstance();
    manager->logout();
    EXPECT_NE(VQRestAPI::sharedInstanceWithUser(account), client);
}

TEST_F(VQRestAPITest, PlainRequestsThroughTheEphemeralNetwork) {
    std::atomic<int> calls{0};
    std::optional<int> status;
    HttpRequest request(url(std::string("https://") + kHost + "/s/"));
    request.httpMethod = "HEAD";
    auto task = VQNetwork::sharedEphemeralInstance()->sendRequest(
        request, [&](std::optional<Data>, std::optional<HttpResponse> response, std::optional<Error>) {
            ++calls;
            if (response) status = response->statusCode();
        });
    ASSERT_NE(task, nullptr);
    ASSERT_TRUE(testsupport::waitUntil([&] { return calls.load() == 1; }));
    EXPECT_EQ(status, 200);
    EXPECT_EQ(VQNetwork::sharedEphemeralInstance()->activeSession(), HttpSession::ephemeral());
}

} // namespace
