#include "VellicorApp/Community/HTTPClient.hpp"
#include "VellicorApp/Community/HTTPCookieFactory.hpp"
#include "VellicorApp/Community/NetworkService.hpp"
#include "VellicorApp/Core/ErrorMessages.hpp"

#include "tests/Platform/SDKs/VeltraneAccountFixture.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include <httplib.h>

#include <gtest/gtest.h>

#include <mutex>

using namespace vellicor;
using platform::veltrane::VQRestAPI;
using platform::veltrane::VQRestMethod;
using platform::veltrane::VQRestRequest;

namespace {

template <class T> struct Outcome {
    std::mutex mutex;
    int calls = 0;
    std::optional<std::expected<T, platform::Error>> result;
    std::optional<platform::HttpResponse> response;

    NetworkCompletion<T> completion() {
        return [this](std::expected<T, platform::Error> value, std::optional<platform::HttpResponse> httpResponse) {
            std::lock_guard lock(mutex);
            ++calls;
            result = std::move(value);
            response = std::move(httpResponse);
        };
    }
    bool wait() {
        return testsupport::waitUntil([this] {
            std::lock_guard lock(mutex);
            return calls > 0;
        });
    }
};

class NetworkServiceTest : public veltranetest::AccountFixture {
protected:
    void SetUp() override {
        AccountFixture::SetUp();
        apptest::installContext(apptest::sampleResources());
        account = signIn();
        ASSERT_NE(account, nullptr);
        service = NetworkService::create(VQRestAPI::sharedInstanceWithUser(account));
    }
    void TearDown() override {
        AccountFixture::TearDown();
        AppContext::resetForTesting();
    }

    static VQRestRequest get(const std::string& path) { return VQRestRequest::requestWithMethod(VQRestMethod::GET, path); }

    static std::shared_ptr<Context> context() { return AppContext::current(); }

    std::shared_ptr<platform::veltrane::VQUserAccount> account;
    std::shared_ptr<NetworkService> service;
};

TEST_F(NetworkServiceTest, JsonObjectAndRawBody) {
    server.putRecord("Account", "001000000000001AAA", {{"Name", "Example"}});
    Outcome<platform::Json> json;
    service->executeRequest(get("/v60.0/records/Account/001000000000001AAA"), json.completion());
    ASSERT_TRUE(json.wait());
    ASSERT_TRUE(*json.result) << json.result->error().localizedDescription();
    EXPECT_EQ((**json.result)["Name"], "Example");
    ASSERT_TRUE(json.response);
    EXPECT_EQ(json.response->statusCode(), 200);

    server.putRecordContent("fileDocument", "069000000000001AAA", "VersionData", "%PDF-1.4 bytes", "application/pdf");
    Outcome<platform::Data> data;
    service->executeDataRequest(get("/v60.0/records/fileDocument/069000000000001AAA/VersionData"), data.completion());
    ASSERT_TRUE(data.wait());
    ASSERT_TRUE(*data.result);
    EXPECT_EQ(**data.result, platform::dataFromString("%PDF-1.4 bytes"));
    EXPECT_EQ(data.calls, 1);
}

TEST_F(NetworkServiceTest, BodyThatIsNoJsonObjectIs204) {
    server.addRoute("GET", "/vapi/data/v60.0/list", [](const httplib::Request&, httplib::Response& response,
                                                      const std::smatch&) {
        response.set_content("[1, 2]", "application/json");
    });
    Outcome<platform::Json> json;
    service->executeRequest(get("/v60.0/list"), json.completion());
    ASSERT_TRUE(json.wait());
    ASSERT_FALSE(*json.result);
    EXPECT_EQ(json.result->error().domain, "OTHER");
    EXPECT_EQ(json.result->error().code, 204);
    EXPECT_FALSE(json.response);
    const auto warnings = apptest::appLogTexts("WARNING");
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(),
                         "NetworkService: Network request was successful but response data was either not available "
                         "or data type is different from expectation"),
              1);

    // The same body is fine as raw data.
    Outcome<platform::Data> data;
    service->executeDataRequest(get("/v60.0/list"), data.completion());
    ASSERT_TRUE(data.wait());
    ASSERT_TRUE(*data.result);
    EXPECT_EQ(**data.result, platform::dataFromString("[1, 2]"));
}

TEST_F(NetworkServiceTest, EmptyAnswerIs400WithoutResponse) {
    server.addRoute("GET", "/vapi/data/v60.0/empty",
                    [](const httplib::Request&, httplib::Response& response, const std::smatch&) { response.status = 200; });
    Outcome<platform::Json> json;
    service->executeRequest(get("/v60.0/empty"), json.completion());
    ASSERT_TRUE(json.wait());
    ASSERT_FALSE(*json.result);
    EXPECT_EQ(json.result->error().domain, "OTHER");
    EXPECT_EQ(json.result->error().code, 400);
    EXPECT_FALSE(json.response);
}

TEST_F(NetworkServiceTest, ServerErrorsPassThroughWithTheirResponse) {
    server.failNextRequests(1, 400, "DUPLICATES_DETECTED", "Use one of these records?", "/vapi/data/");
    Outcome<platform::Json> duplicate;
    service->executeRequest(get("/v60.0/records/Account/001000000000001AAA"), duplicate.completion());
    ASSERT_TRUE(duplicate.wait());
    ASSERT_FALSE(*duplicate.result);
    ASSERT_TRUE(duplicate.response);
    EXPECT_EQ(duplicate.response->statusCode(), 400);
    EXPECT_EQ(messageString(duplicate.result->error()), "A duplicate record was found.");

    Outcome<platform::Data> missing;
    service->executeDataRequest(get("/v60.0/records/fileDocument/nope/VersionData"), missing.completion());
    ASSERT_TRUE(missing.wait());
    ASSERT_FALSE(*missing.result);
    EXPECT_EQ(missing.result->error().code, 404);
    ASSERT_TRUE(missing.response);
    EXPECT_EQ(missing.response->statusCode(), 404);
    EXPECT_EQ(localizedFileDescription(missing.result->error()), messageString(missing.result->error()));
}

TEST(NetworkErrorTexts, FileDescriptionAndHybridFlag) {
    apptest::installContext(apptest::sampleResources());
    EXPECT_EQ(localizedFileDescription(platform::Error("VQRestAPIErrorDomain", 401)), "Log in to download this file.");
    EXPECT_FALSE(hybridShouldHandle(platform::Error("x", 1, {{"hybridShouldHandleKey", "true"}})));
    EXPECT_TRUE(hybridShouldHandle(platform::Error("x", 1, {{"hybridShouldHandleKey", true}})));
    EXPECT_FALSE(hybridShouldHandle(platform::Error("x", 1)));
    AppContext::resetForTesting();
}

TEST_F(NetworkServiceTest, HttpClientSendsAndUploads) {
    server.clearRequests();
    HTTPClient client;
    std::atomic<int> done{0};
    std::optional<int> status;
    client.send(veltranetest::url("https://community.example.test/s/"), "HEAD", 5,
                [&](std::optional<platform::Data>, std::optional<platform::HttpResponse> response,
                    std::optional<platform::Error>) {
                    if (response) status = response->statusCode();
                    ++done;
                });
    client.upload(veltranetest::url("https://community.example.test/s/logs"), "install-1",
                  platform::dataFromString("{}"),
                  [&](std::optional<platform::Data>, std::optional<platform::HttpResponse>,
                      std::optional<platform::Error>) { ++done; });
    ASSERT_TRUE(testsupport::waitUntil([&] { return done == 2; }));
    EXPECT_TRUE(status);
    const auto requests = server.requests();
    const auto upload = std::find_if(requests.begin(), requests.end(), [](const auto& r) { return r.method == "POST"; });
    ASSERT_NE(upload, requests.end());
    EXPECT_EQ(upload->header("install-id"), "install-1");
    EXPECT_EQ(upload->header("Content-Type"), "application/json");
    EXPECT_EQ(upload->header("app-secret"), AppContext::current()->appCenterID());
    EXPECT_EQ(upload->body, "{}");
    const auto head = std::find_if(requests.begin(), requests.end(), [](const auto& r) { return r.method == "HEAD"; });
    EXPECT_NE(head, requests.end());
}

TEST_F(NetworkServiceTest, CommunityCookieReachesTheCommunityHost) {
    const auto cookie = HTTPCookieFactory::cookie("trackingConsent", "granted", platform::now() + 3600);
    ASSERT_TRUE(cookie);
    EXPECT_EQ(cookie->domain(), "community.example.test");
    EXPECT_EQ(cookie->path(), "/");
    EXPECT_TRUE(cookie->isSecure());

    auto configuration = platform::HttpSessionConfiguration::defaultConfiguration();
    configuration.httpCookieStorage = platform::HttpCookieStorage::create();
    configuration.httpCookieStorage->setCookie(*cookie);
    const auto session = platform::HttpSession::create(configuration);
    server.clearRequests();
    std::atomic<bool> done{false};
    session->dataTask(platform::HttpRequest(veltranetest::url("https://community.example.test/s/")),
                      [&](auto, auto, auto) { done = true; })
        ->resume();
    ASSERT_TRUE(testsupport::waitUntil([&] { return done.load(); }));
    const auto requests = server.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_NE(requests.back().header("Cookie").value_or("").find("trackingConsent=granted"), std::string::npos);

    context()->userAccountManager->setLoginHost("bad host");
    EXPECT_FALSE(HTTPCookieFactory::cookie("a", "b", platform::now()));
}

} // namespace
