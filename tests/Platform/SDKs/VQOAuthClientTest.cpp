#include "tests/Platform/SDKs/VeltraneAccountFixture.hpp"

#include "Platform/SDKs/Veltrane/VQOAuthError.hpp"

#include <httplib.h>

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

} // namespace
