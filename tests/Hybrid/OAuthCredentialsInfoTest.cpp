#include "VellicorApp/Hybrid/OAuthCredentialsInfo.hpp"

#include "VellicorApp/Hybrid/UserAccountManaging.hpp"
#include "tests/Platform/SDKs/VeltraneAccountFixture.hpp"

#include <gtest/gtest.h>

#include <functional>

using namespace vellicor;
using platform::Json;
using platform::Url;
using platform::veltrane::VQOAuthCredentials;

namespace {

VQOAuthCredentials fullCredentials() {
    VQOAuthCredentials credentials("00Dorg-005user", "client-id");
    credentials.accessToken = "access-token";
    credentials.refreshToken = "refresh-token";
    credentials.userId = "005user";
    credentials.organizationId = "00Dorg";
    credentials.communityId = "0DBcommunity";
    credentials.communityUrl = Url::parse("https://community.example.test/s/");
    credentials.protocol = "https";
    credentials.domain = "login.example.test";
    credentials.instanceUrl = Url::parse("https://instance.example.test");
    credentials.apiInstanceUrl = Url::parse("https://api.example.test");
    credentials.identityUrl = Url::parse("https://login.example.test/id/00Dorg/005user");
    credentials.additionalOAuthFields = Json{{"csrf_token", "csrf-value"}, {"other", "kept out"}};
    return credentials;
}

const Json kFullInfo = {
    {"accessToken", "access-token"},
    {"refreshToken", "refresh-token"},
    {"clientId", "client-id"},
    {"userId", "005user"},
    {"orgId", "00Dorg"},
    {"communityId", "0DBcommunity"},
    {"communityUrl", "https://community.example.test/s/"},
    {"loginUrl", "https://login.example.test"},
    {"instanceUrl", "https://instance.example.test"},
    {"csrfToken", "csrf-value"},
};

TEST(OAuthCredentialsInfo, TheCredentialDictionaryLeavesOutWhatIsAbsent) {
    const struct {
        const char* name;
        std::function<void(VQOAuthCredentials&)> change;
        std::vector<const char*> missing; // keys of kFullInfo that must be left out
    } cases[] = {
        {"every value present", [](auto&) {}, {}},
        {"no access token", [](auto& c) { c.accessToken.reset(); }, {"accessToken"}},
        {"empty access token", [](auto& c) { c.accessToken = ""; }, {"accessToken"}},
        {"no refresh token", [](auto& c) { c.refreshToken.reset(); }, {"refreshToken"}},
        {"no client id", [](auto& c) { c.clientId.reset(); }, {"clientId"}},
        {"no user id", [](auto& c) { c.userId.reset(); }, {"userId"}},
        {"no org id", [](auto& c) { c.organizationId.reset(); }, {"orgId"}},
        {"no community id", [](auto& c) { c.communityId.reset(); }, {"communityId"}},
        {"no community URL", [](auto& c) { c.communityUrl.reset(); }, {"communityUrl"}},
        {"no instance URL", [](auto& c) { c.instanceUrl.reset(); }, {"instanceUrl"}},
        {"domain without protocol", [](auto& c) { c.protocol.reset(); }, {"loginUrl"}},
        {"protocol without domain", [](auto& c) { c.domain.reset(); }, {"loginUrl"}},
        {"empty protocol", [](auto& c) { c.protocol = ""; }, {"loginUrl"}},
        {"empty domain", [](auto& c) { c.domain = ""; }, {"loginUrl"}},
        {"no additional fields", [](auto& c) { c.additionalOAuthFields.reset(); }, {"csrfToken"}},
        {"fields without the CSRF key", [](auto& c) { c.additionalOAuthFields = Json{{"other", "x"}}; }, {"csrfToken"}},
        {"CSRF token that is a number", [](auto& c) { c.additionalOAuthFields = Json{{"csrf_token", 42}}; }, {"csrfToken"}},
        {"CSRF token that is null", [](auto& c) { c.additionalOAuthFields = Json{{"csrf_token", nullptr}}; }, {"csrfToken"}},
        {"fields that are no object", [](auto& c) { c.additionalOAuthFields = Json::array({"csrf_token"}); }, {"csrfToken"}},
        {"empty CSRF token", [](auto& c) { c.additionalOAuthFields = Json{{"csrf_token", ""}}; }, {"csrfToken"}},
        {"nothing but the identifier", [](auto& c) { c = VQOAuthCredentials("id", ""); c.clientId.reset(); },
         {"accessToken", "refreshToken", "clientId", "userId", "orgId", "communityId", "communityUrl", "loginUrl",
          "instanceUrl", "csrfToken"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto credentials = fullCredentials();
        c.change(credentials);
        auto expected = kFullInfo;
        for (const char* key : c.missing) expected.erase(key);
        const auto info = infoDictionary(credentials);
        EXPECT_EQ(info, expected);
        for (const auto& [key, value] : info.items()) {
            EXPECT_TRUE(value.is_string() && !value.get<std::string>().empty()) << key;
        }
    }
}

TEST(OAuthCredentialsInfo, TheCSRFTokenIsAStringUnderItsKeyOnly) {
    const struct {
        const char* name;
        std::optional<Json> fields;
        std::optional<std::string> expected;
    } cases[] = {
        {"token", Json{{"csrf_token", "abc"}}, "abc"},
        {"empty token is still a string", Json{{"csrf_token", ""}}, ""},
        {"no fields", std::nullopt, std::nullopt},
        {"other keys only", Json{{"csrfToken", "abc"}, {"CSRF_TOKEN", "abc"}}, std::nullopt},
        {"boolean", Json{{"csrf_token", true}}, std::nullopt},
        {"object", Json{{"csrf_token", {{"value", "abc"}}}}, std::nullopt},
        {"fields are a string", Json("csrf_token"), std::nullopt},
    };
    for (const auto& c : cases) {
        VQOAuthCredentials credentials;
        credentials.additionalOAuthFields = c.fields;
        EXPECT_EQ(communityCSRFToken(credentials), c.expected) << c.name;
    }
}

/// Signing in and refreshing at the loopback community server.
class OAuthCredentialsInfoSignInTest : public veltranetest::AccountFixture {};

TEST_F(OAuthCredentialsInfoSignInTest, ASignInKeepsTheCSRFTokenAndARefreshAsksForAnother) {
    using namespace veltranetest;
    VQUserAccountManagerAdapter::create(manager)->addAdditionalOAuthParams();
    const auto account = signIn();
    ASSERT_NE(account, nullptr);
    const auto credentials = account->credentials();
    const auto token = communityCSRFToken(*credentials);
    ASSERT_TRUE(token.has_value());
    EXPECT_FALSE(token->empty());

    const auto info = infoDictionary(*credentials);
    EXPECT_EQ(info.value("csrfToken", ""), *token);
    EXPECT_EQ(info.value("loginUrl", ""), std::string("https://") + kHost);
    EXPECT_EQ(info.value("communityUrl", ""), std::string("https://") + kHost);
    EXPECT_EQ(info.value("clientId", ""), kClientId);
    EXPECT_EQ(info.value("communityId", ""), communityserver::CommunityServer::kCommunityId);
    EXPECT_TRUE(server.isAccessTokenValid(info.value("accessToken", "")));

    server.clearRequests();
    AuthResults refreshed;
    ASSERT_TRUE(manager->refresh(credentials, refreshed.completion()));
    ASSERT_TRUE(testsupport::waitUntil([&] { return refreshed.count() == 1; }));
    const auto result = refreshed.first();
    ASSERT_TRUE(result) << localizedDescription(result.error());

    std::vector<std::optional<std::string>> sent;
    for (const auto& request : server.requests()) {
        if (request.path == "/vapi/oauth2/token") sent.push_back(request.param("csrf_token"));
    }
    EXPECT_EQ(sent, (std::vector<std::optional<std::string>>{"TRUE"}));
    const auto renewed = communityCSRFToken(*result->userAccount->credentials());
    ASSERT_TRUE(renewed.has_value());
    EXPECT_NE(*renewed, *token);
}

} // namespace
