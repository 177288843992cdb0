#include "VellicorApp/Community/BundleManagedURLs.hpp"
#include "VellicorApp/Community/ManagedURLsMatcher.hpp"
#include "VellicorApp/Community/UrlClassification.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/Text.hpp"
#include "Platform/UI/Application.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

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
        {"community host, default port written", "https://community.example.test:443/s/", T::unknown, true, false,
         true},
        {"community host, another port", "https://community.example.test:8443/s/", T::unknown, false, false, true},
        {"community host, port 80", "https://community.example.test:80/s/", T::unknown, false, false, true},
        {"climbing out of /s/ into another site", "https://community.example.test/s/../other/s/", T::unknown, false,
         false, true},
        {"encoded dots into another site", "https://community.example.test/s/%2e%2e/other/s/x", T::unknown, false,
         false, true},
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

TEST_F(UrlClassificationTest, RuleChangesReachTheNextLink) {
    const auto rules = RuntimeManagedURLs::empty();
    setManagedURLs(context, rules);
    const auto link = url("https://partner.example.com/a/page");
    // The rule editor's listener stays the rule set's; a link routed while a
    // change is announced still sees the lists before it.
    std::vector<ManagedURLType> routedBeforeChange;
    rules->setWillChangeListener([&] { routedBeforeChange.push_back(isManagedURL(link)); });

    struct Step {
        const char* name;
        std::function<void()> change;
        ManagedURLType expected;
    };
    const Step steps[] = {
        {"pattern added", [&] { rules->add("https://partner.example.com", T::internalWebApp); }, T::internalWebApp},
        {"pattern added to an earlier list", [&] { rules->add("https://partner.example.com/a", T::internalBrowser); },
         T::internalBrowser},
        {"pattern removed", [&] { rules->remove("https://partner.example.com/a", T::internalBrowser); },
         T::internalWebApp},
        {"pattern moved",
         [&] { rules->replace("https://partner.example.com", T::internalWebApp, T::externalBrowser); },
         T::externalBrowser},
        {"list emptied", [&] { rules->setExternalBrowser({}); }, T::unknown},
        {"list set", [&] { rules->setInAppSharedCookieBrowser({"https://partner.example.com/"}); },
         T::internalCookieBrowser},
        {"earlier list set", [&] { rules->setWithinApp({"https://partner.example.com/a/"}); }, T::internalWebApp},
        {"first list set", [&] { rules->setInAppBrowser({"https://partner.example.com/a/page"}); },
         T::internalBrowser},
        {"relative pattern added", [&] { rules->setInAppBrowser({"/topic"}); }, T::internalWebApp},
    };
    ManagedURLType before = isManagedURL(link);
    EXPECT_EQ(before, T::unknown);
    for (const auto& step : steps) {
        routedBeforeChange.clear();
        step.change();
        ASSERT_FALSE(routedBeforeChange.empty()) << step.name;
        EXPECT_EQ(routedBeforeChange.front(), before) << step.name;
        EXPECT_EQ(isManagedURL(link), step.expected) << step.name;
        before = step.expected;
    }
    EXPECT_EQ(isManagedURL(url("https://community.example.test/s/topic")), T::internalBrowser);
}

TEST_F(UrlClassificationTest, RuleSetIsCompiledOnceUntilItChanges) {
    installRules("InAppBrowser");
    const auto rules = std::dynamic_pointer_cast<BundleManagedURLs>(managedURLs(*context));
    ASSERT_TRUE(rules);
    EXPECT_EQ(isManagedURL(url("https://community.example.test/s/topic")), T::internalWebApp);
    const auto compiled = rules->matcher();
    EXPECT_EQ(compiled->communityStartPage(), "https://community.example.test/s/");
    for (const auto* link : {"https://docs.example.org/guide", "https://elsewhere.example.org/", "mailto:a@b.c"}) {
        isManagedURL(url(link));
        EXPECT_EQ(rules->matcher(), compiled) << link;
    }
    // The same start page pushed again keeps the compiled form.
    rules->setCommunityStartPage("https://community.example.test/s/");
    EXPECT_EQ(rules->matcher(), compiled);
    // The default behaviour is no part of it.
    rules->setDefaultBehavior("WithinApp");
    EXPECT_EQ(rules->matcher(), compiled);

    rules->setWithinApp({"/other"});
    EXPECT_NE(rules->matcher(), compiled);
    EXPECT_EQ(isManagedURL(url("https://community.example.test/s/topic")), T::unknown);
    EXPECT_EQ(isManagedURL(url("https://community.example.test/s/other")), T::internalWebApp);
}

TEST_F(UrlClassificationTest, RelativeRulesFollowThePushedStartPage) {
    installRules("InAppBrowser");
    EXPECT_EQ(isManagedURL(url("https://community.example.test/s/topic")), T::internalWebApp);

    // Another login host.
    context->userAccountManager->setLoginHost("other.example.test/portal");
    communityStartPageDidChange(*context);
    EXPECT_EQ(isManagedURL(url("https://other.example.test/portal/s/topic")), T::internalWebApp);
    EXPECT_EQ(isManagedURL(url("https://community.example.test/s/topic")), T::unknown);

    // The running mode's start page no longer under "/s/".
    const auto folder = platform::Sandbox::applicationSupportDirectory();
    ASSERT_TRUE(platform::FileManager::defaultManager().createDirectory(folder));
    ASSERT_TRUE(platform::writeFileAtomically(
        folder / "normalBootConfig.json",
        platform::dataFromString(R"({"unauthenticatedStartPage": "https://other.example.test/portal/"})")));
    communityStartPageDidChange(*context);
    EXPECT_EQ(isManagedURL(url("https://other.example.test/portal/topic")), T::internalWebApp);
    EXPECT_EQ(isManagedURL(url("https://other.example.test/portal/s/topic")), T::unknown);

    // Absolute patterns never depended on it.
    EXPECT_EQ(isManagedURL(url("https://docs.example.org/guide")), T::internalBrowser);
}

TEST_F(UrlClassificationTest, StartPagePushedFromAnotherThreadReachesTheNextLink) {
    installRules("InAppBrowser");
    const auto rules = managedURLs(*context);
    std::atomic<bool> pushed = false;
    std::thread pusher([&] {
        for (int i = 0; i < 200; ++i) {
            rules->setCommunityStartPage(i % 2 == 0 ? "https://other.example.test/s/"
                                                    : "https://community.example.test/s/");
        }
        rules->setCommunityStartPage("https://other.example.test/s/");
        pushed = true;
    });
    // Links routed meanwhile see one start page or the other, never a torn one.
    int routed = 0;
    while (!pushed.load() && routed < 1'000'000) {
        const auto type = isManagedURL(url("https://community.example.test/s/topic"));
        ASSERT_TRUE(type == T::internalWebApp || type == T::unknown);
        ++routed;
    }
    pusher.join();
    EXPECT_EQ(isManagedURL(url("https://other.example.test/s/topic")), T::internalWebApp);
    EXPECT_EQ(isManagedURL(url("https://community.example.test/s/topic")), T::unknown);
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

TEST(UrlClassification, InternalCommunityURLTable) {
    constexpr const char* site = "community.example.test/site";
    struct Case {
        const char* address;
        const char* link;
        bool internal;
    };
    const Case cases[] = {
        {site, "https://community.example.test/site", true},
        {site, "https://community.example.test/site/", true},
        {site, "https://community.example.test/site/s/topic", true},
        {site, "https://community.example.test/site2/s/", false},
        {site, "https://community.example.test/", false},
        {site, "https://community.example.test/site/other/s", false},
        {site, "https://community.example.test/site/other/s/x", false},
        {site, "https://other.example.test/community.example.test/site/", false},
        // Dot segments are removed before the path is compared.
        {site, "https://community.example.test/site/../other", false},
        {site, "https://community.example.test/site/%2e%2e/other", false},
        {site, "https://community.example.test/site/%2E%2E/other", false},
        {site, "https://community.example.test/site/.%2e/other", false},
        {site, "https://community.example.test/site/./../other", false},
        {site, "https://community.example.test/site/..", false},
        {site, "https://community.example.test/site/a/b/../../../other/page", false},
        {site, "https://community.example.test/site/a/../page", true},
        {site, "https://community.example.test/site/%2e/page", true},
        {site, "https://community.example.test/other/../site/page", true},
        {site, "https://community.example.test/site/..a/page", true},
        {site, "https://community.example.test/site/...", true},
        {site, "https://community.example.test/site/..%2Fother", false},
        {site, "https://community.example.test/site/a%2Fb", true},
        {site, "https://community.example.test/site/x/../other/s/", false},
        // Without a port in the address, only the default one is the community's.
        {site, "https://community.example.test:8443/site/", false},
        {site, "https://community.example.test:443/site/", true},
        {site, "https://community.example.test:80/site/", false},
        {"community.example.test:8443/site", "https://community.example.test:8443/site/", true},
        {"community.example.test:8443/site", "https://community.example.test/site/", false},
        {"community.example.test:8443/site", "https://community.example.test:443/site/", false},
        {"community.example.test:443", "https://community.example.test/page", true},
        // A start page with its scheme reads like the login host it names.
        {"https://community.example.test/site/", "https://community.example.test/site/page", true},
        {"https://community.example.test/site/", "https://community.example.test/site", true},
        {"https://community.example.test/site/", "https://community.example.test/other", false},
        {"https://community.example.test/site/", "https://community.example.test/site/other/s/x", false},
        {"https://community.example.test/site/", "https://community.example.test/site/../other", false},
        {"https://community.example.test/s/", "https://community.example.test/s/topic/0TO1", true},
        {"https://community.example.test/s/", "https://community.example.test/help", false},
        {"https://community.example.test", "https://community.example.test/s/topic", true},
        {"HTTPS://Community.Example.Test/site", "https://community.example.test/site/page", true},
        {"https://community.example.test:8443/", "https://community.example.test:8443/page", true},
        {"https://community.example.test:8443/", "https://community.example.test/page", false},
        // Another scheme in the address has no pages, nor has an empty host.
        {"http://community.example.test/site/", "https://community.example.test/site/page", false},
        {"tnx://community.example.test/site/", "https://community.example.test/site/page", false},
        {"https:///site/", "https://community.example.test/site/page", false},
        {"", "https://community.example.test/", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isInternalCommunityURL(url(c.link), c.address), c.internal) << c.address << " " << c.link;
    }
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
        {"https://a.b", false, false},
        {"https://a.bc/", true, false},
        {"https://a.bc?", true, false},
        {"https://a.bc:", false, false},
        {"https://a.bc:8", true, false},
        {"https://a.bc#", false, false},
        {"https://a.bc#x", true, false},
        {"https://a.bc/#x", false, false},
        {"https://a.bc/x#y#z", true, false},
        {"https://a.bc#x##y", false, false},
        {"https://.bc", false, false},
        {"https://1", true, false},
        {"https://1.2/", true, false},
        {"https://1:", false, false},
        {"https://1:8#x", true, false},
        {"https://a.bc\n", false, false},
        {"HTTPS://a.bc", false, false},
        {"https://a.bc/\xC3\xA9", false, false},
        {"https://a.bc/\xFF", false, false},
        // Decimal digits of any script are digits.
        {"https://\xD9\xA3\xD9\xA4", true, false},
        {"/\xD9\xA3", false, true},
        {"/#", false, false},
        {"/#a", false, true},
        {"/a#b/c#d", false, true},
        {"/a##b", false, false},
        {"/a#", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isAbsoluteURL(c.pattern), c.absolute) << c.pattern;
        EXPECT_EQ(isRelativeURL(c.pattern), c.relative) << c.pattern;
        EXPECT_EQ(isValidURL(c.pattern), c.absolute || c.relative) << c.pattern;
    }
}

// The whole-string expressions the pattern tests were first written as. Their
// backtracking makes them usable on short texts only; they serve here as the
// definition the linear tests must keep.
constexpr std::string_view kFormerAbsolutePattern =
    R"(^(https?:\/\/)([\da-zA-Z\Q$-_.+!*'(),;/?:@=&\E]+\.[a-zA-Z\.]{2,63}|[\d\.]+)([\/:?=&#]{1}[\da-zA-Z\Q$-_.+!*'(),;/?:@=&\E]+)*[\/\?]?$)";
constexpr std::string_view kFormerRelativePattern =
    R"(^(\/)([\da-zA-Z\Q$-_.+!*'(),;/?:@=&\E]*|[\d\.]+)([\/:?=&#]{1}[\da-zA-Z\Q$-_.+!*'(),;/?:@=&\E]+)*[\/\?]?$)";
constexpr std::string_view kFormerNestedSitePattern = "[/].+[/]s([/]?$|[/].+)";

// A text of `count` pieces drawn from `pieces`, after `prefix`.
std::string randomText(std::mt19937& random, const std::vector<std::string>& pieces, const std::string& prefix,
                       int count) {
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::string text = prefix;
    for (int i = 0; i < count; ++i) text += pieces[pick(random)];
    return text;
}

TEST(UrlClassification, PatternTestsAcceptWhatTheFormerExpressionsAccept) {
    const auto absolute = platform::Regex::make(kFormerAbsolutePattern).value();
    const auto relative = platform::Regex::make(kFormerRelativePattern).value();
    const std::vector<std::string> pieces = {"a", "Z", "b", "c", "0", "7", ".", ".", "/", "/", ":", "?", "=", "&",
                                             "#", "#", "-", "$", "%", " ", "\n", "\xD9\xA3", "\xC3\xA9", "\xFF",
                                             "co", "a.bc", "1.2"};
    const std::vector<std::string> prefixes = {"https://", "http://", "/", "", "https:/"};
    std::mt19937 random(15);
    std::uniform_int_distribution<int> length(0, 9);
    std::uniform_int_distribution<std::size_t> prefix(0, prefixes.size() - 1);
    for (int i = 0; i < 40000; ++i) {
        const auto text = randomText(random, pieces, prefixes[prefix(random)], length(random));
        ASSERT_EQ(isAbsoluteURL(text), absolute.matchesWhole(text)) << text;
        ASSERT_EQ(isRelativeURL(text), relative.matchesWhole(text)) << text;
    }
    // Names of the most and one more than the most letters.
    for (const std::size_t letters : {62u, 63u, 64u}) {
        for (const std::string tail : {"", "/x", ".", "#x"}) {
            const auto text = "https://a." + std::string(letters, 'n') + tail;
            EXPECT_EQ(isAbsoluteURL(text), absolute.matchesWhole(text)) << text;
            const auto dotted = "https://a.b." + std::string(letters - 2, 'n') + tail;
            EXPECT_EQ(isAbsoluteURL(dotted), absolute.matchesWhole(dotted)) << dotted;
        }
    }
}

TEST(UrlClassification, NestedSiteTestFindsWhatTheFormerExpressionFinds) {
    const auto nested = platform::Regex::make(kFormerNestedSitePattern).value();
    // Line breaks, written percent-encoded, end what "." takes.
    const std::vector<std::string> pieces = {"/", "/", "/", "s", "s", "a", "%0A", "%0D", "%0D%0A", "%0B", "%0C",
                                             "%C2%85", "%E2%80%A8", "%E2%80%A9", "%C3%A9", "x"};
    std::mt19937 random(15);
    std::uniform_int_distribution<int> length(0, 10);
    int checked = 0;
    for (int i = 0; i < 40000; ++i) {
        const auto text = randomText(random, pieces, "https://community.example.test/", length(random));
        const auto link = platform::Url::parse(text);
        if (!link) continue;
        const auto path = platform::UrlComponents::fromUrl(*link)->path;
        ASSERT_EQ(isInternalCommunityURL(*link, kLoginHost), !nested.firstMatch(path).has_value())
            << link->absoluteString();
        ++checked;
    }
    EXPECT_GT(checked, 30000);
}

std::string repeated(std::string_view piece, std::size_t count) {
    std::string text;
    text.reserve(piece.size() * count);
    for (std::size_t i = 0; i < count; ++i) text += piece;
    return text;
}

// Rules, typed patterns and links come from outside; none of them may hold
// the main thread. Each call here is timed on its own.
TEST_F(UrlClassificationTest, HostileInputsAreDecidedQuickly) {
    constexpr std::size_t kLarge = 64 * 1024;
    // Splits of "/a/a/a..." that a backtracking test would try one by one.
    const std::string backtrackingRule = "https://a.bc" + repeated("/a", 26) + " "; // 65 characters
    const std::string typedPattern = "https://a.b" + repeated("/a", 18) + " ";      // 48 characters
    ASSERT_EQ(backtrackingRule.size(), 65u);
    ASSERT_EQ(typedPattern.size(), 48u);
    const std::vector<std::string> hostileRules = {backtrackingRule, "/" + repeated("/a", 26) + "%",
                                                   "https://" + repeated("1.", kLarge / 2) + "#",
                                                   "https://a." + std::string(kLarge, 'n')};
    setManagedURLs(context, std::make_shared<BundleManagedURLs>(hostileRules, hostileRules, hostileRules,
                                                                std::vector<std::string>{"/topic"}, "InAppBrowser"));
    const auto community = [](const std::string& path) { return url("https://community.example.test/" + path); };

    struct Case {
        const char* name;
        std::function<bool()> call;
        bool expected;
    };
    const Case cases[] = {
        {"65-character rule", [&] { return isValidURL(backtrackingRule); }, false},
        {"48-character typed pattern", [&] { return isValidURL(typedPattern); }, false},
        {"relative pattern with a bad end", [&] { return isRelativeURL("/" + repeated("/a", 26) + "%"); }, false},
        {"64 KB absolute pattern", [&] { return isAbsoluteURL("https://a.bc" + repeated("/a", kLarge / 2)); }, true},
        {"64 KB absolute pattern with a bad end",
         [&] { return isAbsoluteURL("https://a.bc" + repeated("/a", kLarge / 2) + " "); }, false},
        {"64 KB numeric host", [&] { return isAbsoluteURL("https://" + repeated("1.", kLarge / 2) + "#"); }, false},
        {"64 KB name", [&] { return isAbsoluteURL("https://a." + std::string(kLarge, 'n')); }, false},
        {"64 KB of dots (a numeric host)", [&] { return isValidURL("https://" + std::string(kLarge, '.')); }, true},
        {"64 KB of fragments", [&] { return isRelativeURL("/" + repeated("#a", kLarge / 2)); }, true},
        {"64 KB pattern with digits of another script",
         [&] { return isValidURL("https://a.bc/" + repeated("\xD9\xA3", kLarge / 2) + " "); }, false},
        {"link routed past hostile rules", [&] { return isManagedURL(community("s/other")) == T::unknown; }, true},
        {"link routed to a rule after hostile ones",
         [&] { return isManagedURL(community("s/topic")) == T::internalWebApp; }, true},
        {"64 KB link, routed", [&] { return isManagedURL(community(repeated("a/", kLarge / 2))) == T::unknown; },
         true},
        {"64 KB link, community test",
         [&] { return isInternalCommunityURL(community(repeated("a/", kLarge / 2)), kLoginHost); }, true},
        {"64 KB link ending in another site",
         [&] { return isInternalCommunityURL(community(repeated("a/", kLarge / 2) + "s/x"), kLoginHost); }, false},
        {"64 KB link of slashes",
         [&] { return isInternalCommunityURL(community(std::string(kLarge, '/')), kLoginHost); }, true},
        {"64 KB link of s segments",
         [&] { return isInternalCommunityURL(community(repeated("s/", kLarge / 2)), kLoginHost); }, false},
        {"64 KB link of line breaks",
         [&] { return isInternalCommunityURL(community(repeated("a%0A/s", kLarge / 6)), kLoginHost); }, true},
        {"64 KB link of dot segments",
         [&] {
             const auto link = url("https://community.example.test/site/" + repeated("a/../", kLarge / 5));
             return isInternalCommunityURL(link, "community.example.test/site");
         },
         true},
        {"64 KB link climbing out",
         [&] {
             const auto link = url("https://community.example.test/site/" + repeated("%2e%2e/", kLarge / 7));
             return isInternalCommunityURL(link, "community.example.test/site");
         },
         false},
        {"64 KB link, web app test",
         [&] { return shouldTreatAsInternalWebAppLink(community("s/" + repeated("x/", kLarge / 2))); }, true},
    };
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(c.call(), c.expected) << c.name;
        // A backtracking or quadratic check takes many seconds on these inputs; the bound catches that, with
        // room for a sanitized debug build on a busy machine.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << c.name;
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
