#include "VellicorApp/Hybrid/HybridViewOAuthCoordinator.hpp"

#include "Platform/Foundation/HttpCookie.hpp"
#include "Platform/SDKs/Veltrane/StringAdditions.hpp"
#include "Platform/SDKs/Veltrane/UrlAdditions.hpp"
#include "Platform/Web/HttpCookieStore.hpp"
#include "Platform/Web/WebsiteDataStore.hpp"
#include "tests/Hybrid/HybridTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::Json;
namespace veltrane = platform::veltrane;

namespace {

constexpr const char* kStartPage = "https://community.example.test/s/";
constexpr const char* kApi = "https://community.example.test/site";

class HybridViewOAuthCoordinatorTest : public hybridtest::HybridTest {
protected:
    void SetUp() override {
        HybridTest::SetUp();
        signIn("tok-en");
    }

    /// Signs in a user with the token whose pages and API are at kApi.
    void signIn(std::optional<std::string> token, std::optional<std::string> apiUrl = std::string(kApi)) {
        auto credentials = apptest::sampleCredentials();
        credentials->accessToken = std::move(token);
        credentials->communityUrl = apiUrl ? platform::Url::parse(*apiUrl) : std::nullopt;
        accounts->user = veltrane::VQUserAccount::create(std::move(credentials));
    }

    static std::optional<std::string> frontDoor(const std::string& url, bool absolute, bool encoded) {
        const auto made = HybridViewOAuthCoordinator::generateFrontDoorURL(url, absolute, encoded);
        return made ? std::optional(made->absoluteString()) : std::nullopt;
    }
};

TEST_F(HybridViewOAuthCoordinatorTest, FrontDoorURLs) {
    const std::string door = std::string(kApi) + "/gate/entry.vx?sid=tok%252Den";
    const struct {
        const char* name;
        std::string url;
        bool absolute;
        bool encoded;
        std::optional<std::string> expected;
    } cases[] = {
        {"relative page without a slash gets one", "s/topic", true, true,
         door + "&returnTo=" + kApi + "/s/topic&display=touch"},
        {"relative page with a slash is appended as it is", "/s/topic", true, true,
         door + "&returnTo=" + kApi + "/s/topic&display=touch"},
        {"absolute page stays", "https://community.example.test/s/a", true, true,
         door + "&returnTo=https://community.example.test/s/a&display=touch"},
        {"relative page, not made absolute", "/s/topic", false, true, door + "&returnTo=/s/topic&display=touch"},
        {"front door with a plain return page", "https://x.test/gate/entry.vx?sid=old&returnTo=https://x.test/s/b&display=touch",
         true, false, door + "&returnTo=https://x.test/s/b&display=touch"},
        {"front door with an encoded return page",
         "https%3A%2F%2Fx.test%2Fgate%2Fentry.vx%3Fsid%3Dold%26returnTo%3Dhttps%253A%252F%252Fx.test%252Fs%252Fc%26display%3Dtouch",
         false, true, door + "&returnTo=https%253A%252F%252Fx.test%252Fs%252Fc&display=touch"},
        {"front door without its end marker: a return item without value",
         "https://x.test/gate/entry.vx?sid=old&returnTo=https://x.test/s/b", true, false, door + "&returnTo&display=touch"},
        {"query characters of the return page are encoded", "https://community.example.test/s/a?b=1&c=2", true, true,
         door + "&returnTo=https://community.example.test/s/a?b%3D1%26c%3D2&display=touch"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(frontDoor(c.url, c.absolute, c.encoded), c.expected);
    }
}

TEST_F(HybridViewOAuthCoordinatorTest, NoFrontDoorWithoutUserApiUrlOrToken) {
    accounts->user = nullptr;
    EXPECT_EQ(frontDoor("/s/", true, true), std::nullopt);
    accounts->user = veltrane::VQUserAccount::create(nullptr);
    EXPECT_EQ(frontDoor("/s/", true, true), std::nullopt);
    signIn(std::nullopt);
    EXPECT_EQ(frontDoor("/s/", true, true), std::nullopt);
    signIn("token", std::nullopt);
    auto credentials = accounts->user->credentials();
    credentials->instanceUrl.reset();
    credentials->apiInstanceUrl.reset();
    EXPECT_EQ(frontDoor("/s/", true, true), std::nullopt);
}

TEST_F(HybridViewOAuthCoordinatorTest, TheTokenIsEncodedTwiceAndDecodesBackWhole) {
    for (const std::string token : {"00D!AQ.x+y/z==", "a&b=c%d", "plain", "sp ace"}) {
        SCOPED_TRACE(token);
        signIn(token);
        const auto url = HybridViewOAuthCoordinator::generateFrontDoorURL("/s/", true, true);
        ASSERT_TRUE(url.has_value());
        // The query item holds the SDK's encoding of the token: only letters
        // and digits stay, so nothing in it ends or splits the item.
        const auto item = veltrane::valueForParameterName(*url, "sid");
        ASSERT_TRUE(item.has_value());
        EXPECT_EQ(*item, veltrane::stringByURLEncoding(token));
        EXPECT_EQ(platform::removingPercentEncoding(*item), token);
        const auto query = url->query().value();
        const auto raw = query.substr(4, query.find('&') - 4);
        EXPECT_EQ(raw.find_first_of("!+/= &"), std::string::npos) << raw;
    }
}

TEST_F(HybridViewOAuthCoordinatorTest, ReturnPageInsideAFrontDoor) {
    const struct {
        const char* name;
        std::string url;
        bool encoded;
        std::optional<std::string> expected;
    } cases[] = {
        {"plain", "https://x.test/gate/entry.vx?sid=t&returnTo=/s/a&display=touch", false, "/s/a"},
        {"encoded, decoded", "entry.vx%3Fsid%3Dt%26returnTo%3D%252Fs%252Fa%26display%3Dtouch", true, "%2Fs%2Fa"},
        {"encoded, decoded once only", "returnTo%3D%2Fs%2Fb%26display", true, "/s/b"},
        {"empty return page", "returnTo=&display", false, ""},
        {"no start marker", "https://x.test/gate/entry.vx?sid=t&display=touch", false, std::nullopt},
        {"no end marker", "https://x.test/gate/entry.vx?returnTo=/s/a", false, std::nullopt},
        {"end before start", "&display=touch&returnTo=/s/a", false, std::nullopt},
        {"markers overlap", "returnTo=display", false, std::nullopt},
        {"plain markers in an encoded reading", "returnTo=/s/a&display", true, std::nullopt},
        {"bad escape", "returnTo%3D%ZZ%26display", true, std::nullopt},
        {"markers are case-sensitive", "RETURNTO=/s/a&display", false, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(HybridViewOAuthCoordinator::parseFrontDoorReturnURL(c.url, c.encoded), c.expected);
    }
}

TEST_F(HybridViewOAuthCoordinatorTest, AuthCompletionLoadsTheFrontDoorAndResetsTheWebSession) {
    const HybridViewOAuthCoordinator coordinator(nullptr, kStartPage);
    const veltrane::VQOAuthInfo info(veltrane::VQOAuthType::refresh);
    const std::string door = std::string(kApi) + "/gate/entry.vx?sid=tok%252Den";
    const struct {
        const char* name;
        std::optional<std::string> url;
        std::optional<std::string> expected;
    } cases[] = {
        {"no page: nothing", std::nullopt, std::nullopt},
        {"relative page", "/s/topic", door + "&returnTo=" + kApi + "/s/topic&display=touch"},
        {"front door with a plain return page",
         "https://x.test/gate/entry.vx?sid=old&returnTo=https://x.test/s/b&display=touch",
         door + "&returnTo=https://x.test/s/b&display=touch"},
        {"front door with an encoded return page is read encoded",
         "https://x.test/gate/entry.vx%3Fsid%3Dold%26returnTo%3D%252Fs%252Fd%26display",
         door + "&returnTo=%252Fs%252Fd&display=touch"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto store = platform::web::WebsiteDataStore::defaultDataStore()->httpCookieStore();
        platform::HttpCookieProperties session;
        session.name = "sid";
        session.value = "web-session";
        session.domain = "community.example.test";
        session.path = "/";
        store->setCookie(*platform::HttpCookie::create(session));
        testsupport::pump();
        const auto request = coordinator.authCompletion(c.url, info);
        EXPECT_EQ(request && request->url ? std::optional(request->url->absoluteString()) : std::nullopt, c.expected);
        if (request) {
            EXPECT_EQ(request->timeoutInterval, 60.0);
        }
        testsupport::pump();
        std::optional<std::size_t> cookies;
        store->getAllCookies([&](std::vector<platform::HttpCookie> all) { cookies = all.size(); });
        testsupport::pump();
        EXPECT_EQ(cookies, 0u) << "the web session cookie is reset every time";
    }
}

TEST_F(HybridViewOAuthCoordinatorTest, LoginRedirects) {
    const auto authConfig = veltrane::VQOAuthOrgAuthConfiguration::fromJson(Json{
        {"loginPage", {{"loginPageUrl", "https://login.example.test/portal/login"}}},
        {"samlProviders", Json::array({{{"ssoUrl", "https://idp.example.test/sso/start?SAMLRequest=abc"}},
                                       {{"ssoUrl", "::not a url::"}}})}});
    const HybridViewOAuthCoordinator coordinator(authConfig, kStartPage);
    const struct {
        const char* name;
        std::string url;
        std::optional<std::string> expected;
    } cases[] = {
        {"page redirect 302 with startAt", "https://community.example.test/s/login/?ec=302&startAt=%2Fs%2Ftopic",
         "/s/topic"},
        {"page redirect 301 with returnTo", "https://community.example.test/s/login/?ec=301&returnTo=%2Fs%2Fa&startAt=%2Fs%2Fb",
         "/s/a"},
        {"page redirect whose return page is a front door",
         "https://community.example.test/s/login/?ec=301&returnTo=https%3A%2F%2Fc.test%2Fgate%2Fentry.vx%3Fsid%3Dx",
         kStartPage},
        {"page redirect naming no page", "https://community.example.test/s/login/?ec=302", kStartPage},
        {"other ec", "https://community.example.test/s/login/?ec=303&startAt=%2Fs%2F", std::nullopt},
        {"ec in capitals is another parameter", "https://community.example.test/s/login/?EC=302", std::nullopt},
        {"mobile sign-in redirect without query", "https://community.example.test/vapi/identity/mobileauthredirect",
         kStartPage},
        {"mobile sign-in redirect with returnTo",
         "https://community.example.test/vapi/identity/mobileauthredirect?returnTo=%2Fs%2Fx", "/s/x"},
        {"the org's login page", "https://login.example.test/portal/login?startURL=%2Fs%2F", kStartPage},
        {"the SSO address itself", "https://idp.example.test/sso/start", kStartPage},
        {"the SSO address with another query", "https://idp.example.test/sso/start?RelayState=x", kStartPage},
        {"a parent of the SSO address is not it", "https://idp.example.test/sso", std::nullopt},
        {"the SSO path on another site", "https://evil.test/sso/start", std::nullopt},
        {"the org's login page on another port", "https://login.example.test:8443/portal/login", std::nullopt},
        {"below the org's login page", "https://login.example.test/portal/login/extra", std::nullopt},
        {"the org's login page named in a query", "https://evil.test/?u=https://login.example.test/portal/login",
         std::nullopt},
        {"mobile sign-in redirect below the community URL's path",
         "https://community.example.test/site/vapi/identity/mobileauthredirect", kStartPage},
        {"mobile sign-in redirect on another site", "https://evil.test/vapi/identity/mobileauthredirect?returnTo=%2Fs%2Fx",
         std::nullopt},
        {"mobile sign-in redirect on another port",
         "https://community.example.test:8443/vapi/identity/mobileauthredirect", std::nullopt},
        {"mobile sign-in redirect over http", "http://community.example.test/vapi/identity/mobileauthredirect",
         std::nullopt},
        {"mobile sign-in redirect on a look-alike host",
         "https://community.example.test.evil.test/vapi/identity/mobileauthredirect", std::nullopt},
        {"the marker in a longer path", "https://community.example.test/vapi/identity/mobileauthredirect2", std::nullopt},
        {"the marker in the query", "https://community.example.test/s/?next=/vapi/identity/mobileauthredirect",
         std::nullopt},
        {"a page redirect on another site", "https://evil.test/s/login/?ec=302&startAt=%2Fs%2F", std::nullopt},
        {"a page redirect on another port", "https://community.example.test:8443/s/login/?ec=302", std::nullopt},
        {"a front door naming the mobile sign-in redirect",
         "https://community.example.test/gate/entry.vx?sid=x&returnTo=https%3A%2F%2Fcommunity.example.test%2Fvapi%"
         "2Fidentity%2Fmobileauthredirect&display=touch",
         std::nullopt},
        {"a front door marked as a page redirect", "https://community.example.test/gate/entry.vx?sid=x&ec=302",
         std::nullopt},
        {"plain link with returnTo", "https://community.example.test/s/topic?returnTo=%2Fs%2F", std::nullopt},
        {"scheme in capitals", "HTTPS://community.example.test/s/login/?ec=302&startAt=%2Fs%2Fq", "/s/q"},
        {"not http", "tnx://community.example.test/s/login/?ec=302", std::nullopt},
        {"mail", "mailto:a@example.test?ec=302", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(coordinator.isLoginRedirectURL(platform::Url::parse(c.url).value()), c.expected);
    }
}

TEST_F(HybridViewOAuthCoordinatorTest, AnEmptyLoginPageInTheConfigurationMatchesNothing) {
    const auto authConfig = veltrane::VQOAuthOrgAuthConfiguration::fromJson(Json{{"loginPage", {{"loginPageUrl", ""}}}});
    const HybridViewOAuthCoordinator coordinator(authConfig, kStartPage);
    EXPECT_EQ(coordinator.isLoginRedirectURL(platform::Url::parse("https://community.example.test/s/").value()),
              std::nullopt);
    const HybridViewOAuthCoordinator withoutConfig(nullptr, std::nullopt);
    EXPECT_EQ(withoutConfig.isLoginRedirectURL(
                  platform::Url::parse("https://community.example.test/s/login/?ec=302").value()),
              std::nullopt)
        << "a redirect with no page to return to is left to the web view";
}

} // namespace
