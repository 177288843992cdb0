#include "tests/Platform/SDKs/VeltraneAccountFixture.hpp"

#include "Platform/SDKs/Veltrane/VQOAuthClient.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthError.hpp"

#include <httplib.h>

#include <condition_variable>

using namespace platform;
using namespace platform::veltrane;
using namespace veltranetest;

namespace {

using VQOAuthClientTest = AccountFixture;

TEST_F(VQOAuthClientTest, ARefusedCodeRequestKeepsTheServersTextDecodedOnce) {
    // The authorize endpoint refuses with an escaped "%" in its description.
    server.addRoute("GET", "(.*)/vapi/oauth2/authorize", [](const httplib::Request&, httplib::Response& res,
                                                            const std::smatch&) {
        res.status = 302;
        res.set_header("Location", "spapp://done?error=access_denied&error_description=a%2541&state=s");
    });
    std::optional<std::expected<Url, Error>> answer;
    std::atomic<bool> answered{false};
    auto client = VQOAuthClient::create();
    client->requestCode(kHost, "token", "sp-app", "spapp://done", VQOAuthClient::Pkce::make().challenge, "s", {},
                        [&](std::expected<Url, Error> redirect) {
                            answer = std::move(redirect);
                            answered = true;
                        });
    ASSERT_TRUE(testsupport::waitUntil([&] { return answered.load(); }));
    ASSERT_FALSE(answer->has_value());
    const auto& error = answer->error();
    EXPECT_EQ(error.domain, kVQOAuthErrorDomain);
    EXPECT_EQ(error.code, VQOAuthErrorCode::accessDenied);
    EXPECT_EQ(error.userInfo.value("error_description", Json()), "a%41");
}

TEST_F(VQOAuthClientTest, ARequestWithATokenNeverFollowsARedirectEvenWhenTheClientIsGone) {
    // The identity URL redirects to another origin (the same server under
    // another name); the answer is held until the test has decided whether the
    // client lives on.
    std::mutex mutex;
    std::condition_variable released;
    bool isReleased = false;
    const std::string elsewhere = "https://localhost:" + std::to_string(server.port()) + "/s/";
    server.addRoute("GET", "/vapi/identity/moved", [&](const httplib::Request&, httplib::Response& res, const std::smatch&) {
        std::unique_lock lock(mutex);
        released.wait_for(lock, std::chrono::seconds(10), [&] { return isReleased; });
        res.status = 302;
        res.set_header("Location", elsewhere);
    });

    for (bool clientGoesFirst : {false, true}) {
        SCOPED_TRACE(clientGoesFirst ? "client gone before the answer" : "client alive");
        server.clearRequests();
        {
            std::lock_guard lock(mutex);
            isReleased = false;
        }
        std::mutex resultMutex;
        std::optional<std::expected<VQIdData, Error>> result;
        auto client = VQOAuthClient::create();
        client->fetchIdentity(url(std::string("https://") + kHost + "/vapi/identity/moved"), "secret-token",
                              [&](std::expected<VQIdData, Error> answer) {
                                  std::lock_guard lock(resultMutex);
                                  result = std::move(answer);
                              });
        ASSERT_TRUE(testsupport::waitUntil([&] { return server.requestCount() == 1; }));
        if (clientGoesFirst) client.reset();
        {
            std::lock_guard lock(mutex);
            isReleased = true;
        }
        released.notify_all();

        ASSERT_TRUE(testsupport::waitUntil([&] {
            std::lock_guard lock(resultMutex);
            return result.has_value();
        }));
        std::lock_guard lock(resultMutex);
        EXPECT_FALSE(*result) << "a redirect counted as identity data";
        EXPECT_EQ(server.requestCount(), 1u) << "the redirect was followed";
    }
}

} // namespace
