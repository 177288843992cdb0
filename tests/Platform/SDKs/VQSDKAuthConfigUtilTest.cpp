#include "tests/Platform/SDKs/VeltraneAccountFixture.hpp"

#include "Platform/SDKs/Veltrane/VQOAuthError.hpp"
#include "Platform/SDKs/Veltrane/VQSDKAuthConfigUtil.hpp"

using namespace platform;
using namespace platform::veltrane;
using namespace veltranetest;

namespace {

struct Fetched {
    std::shared_ptr<VQOAuthOrgAuthConfiguration> configuration;
    std::optional<Error> error;
    bool onMain = false;
};

class VQSDKAuthConfigUtilTest : public AccountFixture {
protected:
    Fetched fetch(const std::string& domain = kHost) {
        std::mutex mutex;
        std::vector<Fetched> answers;
        VQSDKAuthConfigUtil::getCustomDomainAuthConfig(
            [&](std::shared_ptr<VQOAuthOrgAuthConfiguration> configuration, std::optional<Error> error) {
                std::lock_guard lock(mutex);
                answers.push_back({std::move(configuration), std::move(error), MainQueue::isMainThread()});
            },
            domain);
        EXPECT_TRUE(testsupport::waitUntil([&] {
            std::lock_guard lock(mutex);
            return !answers.empty();
        }));
        testsupport::pump();
        std::lock_guard lock(mutex);
        EXPECT_EQ(answers.size(), 1u);
        EXPECT_FALSE(answers.front().onMain);
        return answers.front();
    }
};

TEST_F(VQSDKAuthConfigUtilTest, ReadsTheCustomDomainConfiguration) {
    auto standard = fetch();
    ASSERT_NE(standard.configuration, nullptr);
    EXPECT_FALSE(standard.error);
    EXPECT_EQ(standard.configuration->loginPageUrl(), std::string("https://") + kHost + "/s/login/");
    EXPECT_EQ(standard.configuration->ssoUrls(), std::vector<std::string>{});

    server.setAuthConfiguration({{"loginPage", {{"loginPageUrl", "https://sso.example.test/login"}}},
                                 {"samlProviders", Json::array({Json{{"name", "Corp"}, {"ssoUrl", "https://idp.example.test/sso?x=1"}},
                                                                Json{{"name", "No URL"}}})},
                                 {"useNativeBrowserForAuthentication", true}});
    auto custom = fetch();
    ASSERT_NE(custom.configuration, nullptr);
    EXPECT_EQ(custom.configuration->loginPageUrl(), "https://sso.example.test/login");
    EXPECT_EQ(custom.configuration->ssoUrls(), std::vector<std::string>{"https://idp.example.test/sso?x=1"});
    EXPECT_TRUE(custom.configuration->useNativeBrowserForAuthentication());

    server.setAuthConfiguration({{"loginPage", "not an object"}});
    auto sparse = fetch();
    ASSERT_NE(sparse.configuration, nullptr);
    EXPECT_FALSE(sparse.configuration->loginPageUrl());
    EXPECT_FALSE(sparse.configuration->ssoUrls());
}

TEST_F(VQSDKAuthConfigUtilTest, NoConfigurationOrAnError) {
    server.disableAuthConfiguration();
    auto none = fetch();
    EXPECT_EQ(none.configuration, nullptr);
    EXPECT_FALSE(none.error) << "a domain without a configuration is not an error";

    server.setAuthConfiguration(Json::array({1, 2}));
    auto malformed = fetch();
    EXPECT_EQ(malformed.configuration, nullptr);
    ASSERT_TRUE(malformed.error);
    EXPECT_EQ(malformed.error->domain, kVQOAuthErrorDomain);

    server.failNextRequests(1, 500);
    auto failed = fetch();
    EXPECT_EQ(failed.configuration, nullptr);
    EXPECT_TRUE(failed.error);

    auto unknownHost = fetch("nowhere.invalid");
    EXPECT_TRUE(unknownHost.error);
    auto empty = fetch("");
    EXPECT_TRUE(empty.error);
}

} // namespace
