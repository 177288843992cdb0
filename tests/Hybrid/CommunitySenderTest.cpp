#include "VellicorApp/Hybrid/CommunitySender.hpp"

#include "tests/Hybrid/HybridTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;

namespace {

class CommunitySenderTest : public hybridtest::HybridTest {};

TEST_F(CommunitySenderTest, OnlyTheMainFrameOfTheCommunitysHttpsHostsIsACommunitySender) {
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
        {"another port of the host", "https://community.example.test:8443/", true, false, true},
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

TEST_F(CommunitySenderTest, TheLoginHostCountsWithoutItsPathAndNotWhenEmpty) {
    accounts->host = "login.example.test/path/to/site";
    EXPECT_TRUE(isCommunitySender(hybridtest::message("authenticate", {}, "https://login.example.test/")));
    EXPECT_FALSE(isCommunitySender(hybridtest::message("authenticate", {}, "https://community.example.test/")));
    accounts->host = "";
    EXPECT_FALSE(isCommunitySender(hybridtest::message("authenticate", {}, "https://community.example.test/")));
}

TEST_F(CommunitySenderTest, AHostThatOnlyFoldsToTheCommunitysIsAStranger) {
    accounts->host = "kiosk.example.test";
    // Unicode case folding makes the Kelvin sign a "k" and the long s an "s".
    for (const std::string host : {"\xE2\x84\xAAiosk.example.test", "kio\xC5\xBFk.example.test"}) {
        SCOPED_TRACE(host);
        auto msg = hybridtest::message("authenticate");
        msg.frameInfo.securityOrigin = platform::web::SecurityOrigin{"https", host, 0};
        EXPECT_FALSE(isCommunitySender(msg));
    }
}

} // namespace
