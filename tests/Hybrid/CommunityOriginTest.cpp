#include "VellicorApp/Hybrid/CommunityOrigin.hpp"

#include "tests/Hybrid/HybridTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;

namespace {

class CommunityOriginTest : public hybridtest::HybridTest {};

TEST_F(CommunityOriginTest, OnlyTheMainFrameOfTheCommunitysHttpsHostsIsACommunitySender) {
    const struct {
        const char* name;
        std::string frameURL;
        bool isMainFrame;
        bool signedIn;
        bool expected;
    } cases[] = {
        {"the login host", "https://community.example.test/s/", true, false, true},
        {"the login host, signed in", "https://community.example.test/s/topic", true, true, true},
        {"upper-case host", "https://COMMUNITY.Example.TEST/s/", true, false, true},
        {"the default port written out", "https://community.example.test:443/s/", true, false, true},
        {"another port of the host", "https://community.example.test:8443/", true, false, false},
        {"another port of the host, signed in", "https://community.example.test:8443/", true, true, false},
        {"plain http on port 443", "http://community.example.test:443/s/", true, true, false},
        {"another port of the API host", "https://api.example.test:444/", true, true, false},
        {"a sub-frame", "https://community.example.test/s/", false, true, false},
        {"plain http", "http://community.example.test/s/", true, true, false},
        {"another scheme", "file:///community.example.test/s/", true, true, false},
        {"a suffix look-alike", "https://community.example.test.evil.test/", true, true, false},
        {"a prefix look-alike", "https://evilcommunity.example.test/", true, true, false},
        {"a sub-domain", "https://www.community.example.test/", true, true, false},
        {"a trailing dot", "https://community.example.test./", true, true, false},
        {"the API host, signed in", "https://API.example.test/", true, true, true},
        {"the API host, signed out", "https://api.example.test/", true, false, false},
        {"the instance host, signed in", "https://instance.example.test/", true, true, true},
        {"the instance host in a sub-frame", "https://instance.example.test/", false, true, false},
        {"a stranger", "https://evil.test/", true, true, false},
        {"no host", "about:blank", true, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        accounts->user = c.signedIn ? hybridtest::makeAccount() : nullptr;
        EXPECT_EQ(isCommunitySender(hybridtest::message("getAuthCredentials", {}, c.frameURL, c.isMainFrame)),
                  c.expected);
    }
}

TEST_F(CommunityOriginTest, TheLoginHostCountsWithoutItsPathAndNotWhenEmpty) {
    accounts->host = "login.example.test/path/to/site";
    EXPECT_TRUE(isCommunitySender(hybridtest::message("authenticate", {}, "https://login.example.test/")));
    EXPECT_FALSE(isCommunitySender(hybridtest::message("authenticate", {}, "https://community.example.test/")));
    accounts->host = "";
    EXPECT_FALSE(isCommunitySender(hybridtest::message("authenticate", {}, "https://community.example.test/")));
}

TEST_F(CommunityOriginTest, AHostThatOnlyFoldsToTheCommunitysIsAStranger) {
    accounts->host = "kiosk.example.test";
    // Unicode case folding makes the Kelvin sign a "k" and the long s an "s".
    for (const std::string host : {"\xE2\x84\xAAiosk.example.test", "kio\xC5\xBFk.example.test"}) {
        SCOPED_TRACE(host);
        auto msg = hybridtest::message("authenticate");
        msg.frameInfo.securityOrigin = platform::web::SecurityOrigin{"https", host, 0};
        EXPECT_FALSE(isCommunitySender(msg));
    }
}

TEST_F(CommunityOriginTest, ALoginHostWithAPortNamesThatPortOnly) {
    accounts->host = "community.example.test:8443/site";
    EXPECT_TRUE(isCommunitySender(hybridtest::message("authenticate", {}, "https://community.example.test:8443/")));
    EXPECT_FALSE(isCommunitySender(hybridtest::message("authenticate", {}, "https://community.example.test/")));
    EXPECT_FALSE(isCommunitySender(hybridtest::message("authenticate", {}, "https://community.example.test:443/")));
}

TEST_F(CommunityOriginTest, AnOriginWithoutAHostOrWithAnIPLiteralIsNoCommunitys) {
    platform::web::SecurityOrigin blank{"about", "", 0};
    EXPECT_FALSE(isCommunityOrigin(blank));
    accounts->host = "[::1]:8443";
    EXPECT_TRUE(isCommunityOrigin(platform::web::SecurityOrigin{"https", "::1", 8443}));
    EXPECT_FALSE(isCommunityOrigin(platform::web::SecurityOrigin{"https", "::1", 0}));
}

TEST_F(CommunityOriginTest, ACommunityPageIsItsOriginAndThePathItself) {
    const struct {
        const char* name;
        std::string url;
        bool signedIn;
        bool expected;
    } cases[] = {
        {"the logout page", "https://community.example.test/gate/logout.vx", false, true},
        {"with a query", "https://community.example.test/gate/logout.vx?retUrl=%2Fs%2F", false, true},
        {"upper-case host", "https://COMMUNITY.example.test/gate/logout.vx", false, true},
        {"percent-encoded letters", "https://community.example.test/gate/%6Cogout.vx", false, true},
        {"reached through a dot segment", "https://community.example.test/s/../gate/logout.vx", false, true},
        {"on the API host, signed in", "https://api.example.test/gate/logout.vx", true, true},
        {"on the API host, signed out", "https://api.example.test/gate/logout.vx", false, false},
        {"below the community URL's path", "https://community.example.test/site/gate/logout.vx", true, true},
        {"below another path", "https://community.example.test/other/gate/logout.vx", true, false},
        {"the path in the query", "https://community.example.test/s/?next=/gate/logout.vx", false, false},
        {"the path in the fragment", "https://community.example.test/s/#/gate/logout.vx", false, false},
        {"a longer name", "https://community.example.test/gate/logout.vxx", false, false},
        {"another site", "https://evil.test/gate/logout.vx", true, false},
        {"another site naming the page", "https://evil.test/?next=https://community.example.test/gate/logout.vx", true,
         false},
        {"a look-alike host", "https://community.example.test.evil.test/gate/logout.vx", true, false},
        {"another port", "https://community.example.test:8443/gate/logout.vx", true, false},
        {"plain http", "http://community.example.test/gate/logout.vx", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.signedIn) {
            auto account = hybridtest::makeAccount();
            account->credentials()->communityUrl = platform::Url::parse("https://community.example.test/site");
            accounts->user = account;
        } else {
            accounts->user = nullptr;
        }
        EXPECT_EQ(isCommunityPage(platform::Url::parse(c.url).value(), "/gate/logout.vx"), c.expected);
    }
}

} // namespace
