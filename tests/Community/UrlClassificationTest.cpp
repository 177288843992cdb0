#include "VellicorApp/Community/BundleManagedURLs.hpp"
#include "VellicorApp/Community/UrlClassification.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include "Platform/UI/Application.hpp"

#include <gtest/gtest.h>

using namespace vellicor;

namespace {

constexpr const char* kLoginHost = "community.example.test";

class UrlClassificationTest : public apptest::AppTest {
protected:
    void SetUp() override {
        // The sample package's boot configuration puts the community under "/s/".
        context = apptest::installContext(apptest::sampleResources());
        context->userAccountManager->setLoginHost(kLoginHost);
    }

    void installRules(std::string defaultBehavior) {
        setManagedURLs(context, std::make_shared<BundleManagedURLs>(
                                    std::vector<std::string>{"https://shop.example.net/", "https://both.example.com"},
                                    std::vector<std::string>{"https://docs.example.org/guide"},
                                    std::vector<std::string>{"https://sso.example.com/login",
                                                             "https://both.example.com", "sso.example.com/"},
                                    std::vector<std::string>{"https://partner.example.com", "/topic",
                                                             "https://docs.example.org/guide/intro"},
                                    std::move(defaultBehavior)));
    }

    std::shared_ptr<Context> context;
};

platform::Url url(const std::string& text) {
    if (const auto parsed = platform::Url::parse(text)) return *parsed;
    ADD_FAILURE() << "does not parse: " << text;
    return platform::Url::parse("about:blank").value();
}

bool universalLinksOnly(const platform::Json& options) {
    return options.contains(platform::ui::kOpenURLOptionUniversalLinksOnly) &&
           options.at(platform::ui::kOpenURLOptionUniversalLinksOnly) == true;
}

using T = ManagedURLType;

TEST_F(UrlClassificationTest, LinkTable) {
    installRules("InAppBrowser");
    struct Case {
        const char* name;
        std::string link;
        ManagedURLType type;
        bool webApp;
        bool cookieBrowser;
        bool universalLinksOnly;
    };
    const Case cases[] = {
        {"community start page", "https://community.example.test/s/", T::unknown, true, false, true},
        {"community page", "https://community.example.test/s/article/hello", T::unknown, true, false, true},
        {"community page without /s/", "https://community.example.test/help", T::unknown, true, false, true},
        {"community root", "https://community.example.test/", T::unknown, true, false, true},
        {"community host only", "https://community.example.test", T::unknown, true, false, true},
        {"community host in capitals", "https://COMMUNITY.EXAMPLE.TEST/s/", T::unknown, true, false, true},
        {"community over http", "http://community.example.test/s/", T::unknown, false, false, true},
        {"community under tnx", "tnx://community.example.test/s/", T::unknown, false, false, true},
        {"another site below the address", "https://community.example.test/other/s/", T::unknown, false, false, true},
        {"another site's page", "https://community.example.test/other/s/page", T::unknown, false, false, true},
        {"slash-s shape only in the query", "https://community.example.test/s/a?next=/x/s/", T::unknown, true, false,
         true},
        {"community name in another host", "https://community.example.test.evil.com/s/", T::unknown, false, false,
         true},
        {"community name in a path", "https://evil.com/community.example.test/s/", T::unknown, false, false, true},
        {"community name in a query", "https://evil.com/?next=https://community.example.test/s/", T::unknown, false,
         false, true},
        {"community name as user info", "https://community.example.test@evil.com/s/", T::unknown, false, false, true},
        {"host ending in the community name", "https://evilcommunity.example.test/s/", T::unknown, false, false,
         true},
        {"subdomain of the community", "https://www.community.example.test/s/", T::unknown, false, false, true},
        {"mailto", "mailto:someone@example.com", T::unknown, false, false, false},
        {"tel", "tel:+15551234567", T::unknown, false, false, false},
        {"custom scheme", "myapp://open/thing", T::unknown, false, false, false},
        {"upper-case HTTPS is no HTTP request", "HTTPS://elsewhere.example.org/", T::unknown, false, false, false},
        {"relative rule", "https://community.example.test/s/topic", T::internalWebApp, true, false, true},
        {"relative rule, deeper path and query", "https://community.example.test/s/topic/0TO1?x=1#top",
         T::internalWebApp, true, false, true},
        {"relative rule, not a segment prefix", "https://community.example.test/s/topics", T::unknown, true, false,
         true},
        {"relative rule outside /s/", "https://community.example.test/topic", T::unknown, true, false, true},
        {"relative rule over http", "http://community.example.test/s/topic", T::unknown, false, false, true},
        {"in-app browser path", "https://docs.example.org/guide", T::internalBrowser, false, false, true},
        {"in-app browser path with slash", "https://docs.example.org/guide/", T::internalBrowser, false, false, true},
        {"in-app browser wins over within app", "https://docs.example.org/guide/intro", T::internalBrowser, false,
         false, true},
        {"in-app browser port and query ignored", "https://docs.example.org:8443/guide/x?q=1#f", T::internalBrowser,
         false, false, true},
        {"path prefix that is no segment", "https://docs.example.org/guides", T::unknown, false, false, true},
        {"rule under the other scheme", "http://docs.example.org/guide", T::unknown, false, false, true},
        {"within-app host rule, no path", "https://partner.example.com", T::internalWebApp, true, false, true},
        {"within-app host rule, any path", "https://partner.example.com/a/b?c=d#e", T::internalWebApp, true, false,
         true},
        {"within-app host rule, subdomain", "https://www.partner.example.com/", T::unknown, false, false, true},
        {"within-app host rule, look-alike host", "https://evilpartner.example.com/", T::unknown, false, false, true},
        {"within-app host rule, host prefix", "https://partner.example.com.evil.org/", T::unknown, false, false,
         true},
        {"within-app host rule, other scheme", "http://partner.example.com/", T::unknown, false, false, true},
        {"external browser rule", "https://shop.example.net/cart", T::externalBrowser, false, false, false},
        {"external rule with path / claims the host", "https://shop.example.net", T::externalBrowser, false, false,
         false},
        {"external wins over shared-cookie", "https://both.example.com/x", T::externalBrowser, false, false, false},
        {"shared-cookie rule", "https://sso.example.com/login/step", T::internalCookieBrowser, false, true, true},
        {"shared-cookie rule, other path", "https://sso.example.com/logout", T::unknown, false, false, true},
        {"pattern without scheme never claims", "https://sso.example.com/", T::unknown, false, false, true},
    };
    static_assert(std::size(cases) >= 40);
    for (const auto& c : cases) {
        const auto link = url(c.link);
        EXPECT_EQ(isManagedURL(link), c.type) << c.name;
        EXPECT_EQ(shouldTreatAsInternalWebAppLink(link), c.webApp) << c.name;
        EXPECT_EQ(shouldTreatAsInternalCookieBrowserLink(link), c.cookieBrowser) << c.name;
        EXPECT_EQ(universalLinksOnly(externalURLOptions(link)), c.universalLinksOnly) << c.name;
    }
}

TEST_F(UrlClassificationTest, RelativeLinkIsResolvedAgainstItsBase) {
    installRules("InAppBrowser");
    const auto base = url("https://community.example.test/s/");
    const auto link = platform::Url::parse("topic/0TO1", base);
    ASSERT_TRUE(link);
    EXPECT_EQ(isManagedURL(*link), T::internalWebApp);
}

TEST_F(UrlClassificationTest, DefaultBehaviourDecidesUnclaimedLinks) {
    struct Case {
        const char* defaultBehavior;
        std::string link;
        bool webApp;
        bool cookieBrowser;
        bool universalLinksOnly;
    };
    const Case cases[] = {
        {"WithinApp", "https://elsewhere.example.org/", true, false, true},
        {"WithinApp", "https://docs.example.org/guide", false, false, true},
        {"WithinApp", "https://shop.example.net/", false, false, false},
        {"InAppSharedCookieBrowser", "https://elsewhere.example.org/", false, true, true},
        {"InAppSharedCookieBrowser", "https://partner.example.com/", true, true, true},
        {"InAppSharedCookieBrowser", "https://docs.example.org/guide", false, false, true},
        {"ExternalBrowser", "https://elsewhere.example.org/", false, false, false},
        {"ExternalBrowser", "https://docs.example.org/guide", false, false, true},
        {"ExternalBrowser", "https://community.example.test/s/", true, false, false},
        {"InAppBrowser", "https://elsewhere.example.org/", false, false, true},
    };
    for (const auto& c : cases) {
        installRules(c.defaultBehavior);
        const auto link = url(c.link);
        const auto label = std::string(c.defaultBehavior) + " " + c.link;
        EXPECT_EQ(shouldTreatAsInternalWebAppLink(link), c.webApp) << label;
        EXPECT_EQ(shouldTreatAsInternalCookieBrowserLink(link), c.cookieBrowser) << label;
        EXPECT_EQ(universalLinksOnly(externalURLOptions(link)), c.universalLinksOnly) << label;
    }
}

TEST_F(UrlClassificationTest, WithoutRulesOnlyCommunityLinksStayInside) {
    setManagedURLs(context, nullptr);
    EXPECT_EQ(isManagedURL(url("https://partner.example.com/")), T::unknown);
    EXPECT_TRUE(shouldTreatAsInternalWebAppLink(url("https://community.example.test/s/")));
    EXPECT_FALSE(shouldTreatAsInternalWebAppLink(url("https://partner.example.com/")));
    EXPECT_FALSE(shouldTreatAsInternalCookieBrowserLink(url("https://community.example.test/s/")));
    EXPECT_TRUE(universalLinksOnly(externalURLOptions(url("https://partner.example.com/"))));
}

TEST_F(UrlClassificationTest, DonationCommunityOpensEverythingWithoutOptions) {
    context = apptest::installContext([](platform::Json& info) {
        info["DonationCommunityAddress"] = "community.example.test";
    });
    context->userAccountManager->setLoginHost(kLoginHost);
    ASSERT_TRUE(context->supportsDonation());
    installRules("InAppBrowser");
    EXPECT_TRUE(externalURLOptions(url("https://docs.example.org/guide")).empty());
    EXPECT_TRUE(externalURLOptions(url("https://elsewhere.example.org/")).empty());
}

TEST(UrlClassification, InternalCommunityURLWithAPathHost) {
    struct Case {
        const char* link;
        bool internal;
    };
    const Case cases[] = {
        {"https://community.example.test/site", true},
        {"https://community.example.test/site/", true},
        {"https://community.example.test/site/s/topic", true},
        {"https://community.example.test/site2/s/", false},
        {"https://community.example.test/", false},
        {"https://community.example.test/site/other/s", false},
        {"https://community.example.test/site/other/s/x", false},
        {"https://community.example.test:8443/site/", true},
        {"https://other.example.test/community.example.test/site/", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isInternalCommunityURL(url(c.link), "community.example.test/site"), c.internal) << c.link;
    }
    EXPECT_FALSE(isInternalCommunityURL(url("https://community.example.test/"), ""));
}

TEST(UrlClassification, IsHttpRequest) {
    EXPECT_TRUE(isHttpRequest(url("http://a.example/")));
    EXPECT_TRUE(isHttpRequest(url("https://a.example/")));
    EXPECT_TRUE(isHttpRequest(url("tnx://a.example/")));
    EXPECT_FALSE(isHttpRequest(url("HTTP://a.example/")));
    EXPECT_FALSE(isHttpRequest(url("ftp://a.example/")));
    EXPECT_FALSE(isHttpRequest(url("mailto:a@example.com")));
}

TEST(UrlClassification, PatternTests) {
    struct Case {
        const char* pattern;
        bool absolute;
        bool relative;
    };
    const Case cases[] = {
        {"https://docs.example.org", true, false},
        {"http://docs.example.org/guide/", true, false},
        {"https://docs.example.org/a?b=c&d=e", true, false},
        {"https://10.0.0.1/x", true, false},
        {"https://a-b_c.example.org/$x", true, false},
        {"https://example", false, false},
        {"ftp://docs.example.org", false, false},
        {"docs.example.org/guide", false, false},
        {"https://docs.example.org/a b", false, false},
        {"/topic", false, true},
        {"/", false, true},
        {"/topic/0TO1/", false, true},
        {"/a,b", false, true},
        {"//", false, true},
        {"topic", false, false},
        {"", false, false},
        // "$-_" in the bracket is three characters, not a range taking "%" or "#".
        {"/a%b", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isAbsoluteURL(c.pattern), c.absolute) << c.pattern;
        EXPECT_EQ(isRelativeURL(c.pattern), c.relative) << c.pattern;
        EXPECT_EQ(isValidURL(c.pattern), c.absolute || c.relative) << c.pattern;
    }
}

TEST_F(UrlClassificationTest, AddressStrings) {
    EXPECT_TRUE(isBaseCommunityURL("https://community.example.test/s/"));
    EXPECT_FALSE(isBaseCommunityURL("https://community.example.test/s"));

    EXPECT_EQ(validatedURL("  http://community.example.test/s/ \n")->absoluteString(),
              "https://community.example.test/s/");
    EXPECT_EQ(validatedURL("community.example.test")->absoluteString(), "https://community.example.test");
    EXPECT_EQ(validatedURL("a://b://community.example.test")->absoluteString(), "https://community.example.test");

    EXPECT_EQ(managedURLType("WithinApp"), T::internalWebApp);
    EXPECT_EQ(managedURLType("InAppSharedCookieBrowser"), T::internalCookieBrowser);
    EXPECT_EQ(managedURLType("InAppBrowser"), T::internalBrowser);
    EXPECT_EQ(managedURLType("ExternalBrowser"), T::externalBrowser);
    EXPECT_EQ(managedURLType("inappbrowser"), T::unknown);
}

TEST_F(UrlClassificationTest, OAuthRedirectURL) {
    EXPECT_FALSE(oAuthRedirectURL("https://community.example.test/s/"));
    EXPECT_EQ(oAuthRedirectURL("https://elsewhere.example.org/x")->absoluteString(),
              "https://elsewhere.example.org/x");
    // No signed-in user: the path itself.
    EXPECT_EQ(oAuthRedirectURL("/s/page")->absoluteString(), "/s/page");

    const auto account = apptest::signIn(*context);
    account->credentials()->instanceUrl = platform::Url::parse("https://api.example.test:8443/base");
    const auto apiUrl = account->credentials()->apiUrl();
    ASSERT_TRUE(apiUrl && apiUrl->host());
    EXPECT_EQ(oAuthRedirectURL("/s/page")->absoluteString(), "https://" + *apiUrl->host() + "/s/page");
}

} // namespace
