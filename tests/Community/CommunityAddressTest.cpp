#include "VellicorApp/Community/CommunityAddress.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;

namespace {

class CommunityAddressTest : public apptest::AppTest {};

TEST_F(CommunityAddressTest, WithTrailingSlash) {
    const std::pair<const char*, const char*> cases[] = {
        {"a/", "a/"}, {"a", "a/"}, {"", "/"}, {"community.example.test/s", "community.example.test/s/"}, {"/", "/"}};
    for (const auto& [text, expected] : cases) EXPECT_EQ(withTrailingSlash(text), expected) << text;
}

TEST_F(CommunityAddressTest, CommunityStartPageFollowsTheSlashSRule) {
    apptest::installContext(apptest::sampleResources());
    // The sample boot configuration's start page ends in "/s/".
    EXPECT_EQ(communityStartPage("community.example.test"), "https://community.example.test/s/");

    const auto folder = platform::Sandbox::applicationSupportDirectory();
    ASSERT_TRUE(platform::FileManager::defaultManager().createDirectory(folder));
    ASSERT_TRUE(platform::writeFileAtomically(
        folder / "normalBootConfig.json",
        platform::dataFromString(R"({"unauthenticatedStartPage": "https://community.example.test/"})")));
    EXPECT_EQ(communityStartPage("community.example.test"), "https://community.example.test/");
    EXPECT_EQ(communityStartPage("community.example.test/"), "https://community.example.test/");
    EXPECT_EQ(communityStartPage("community.example.test/portal"), "https://community.example.test/portal/");
}

TEST_F(CommunityAddressTest, DonationsOnlyForTheConfiguredCommunity) {
    struct Case {
        const char* name;
        std::optional<std::string> address; // the Info.plist value
        std::string loginHost;
        bool expected;
    };
    const Case cases[] = {
        {"the donation community", "give.example.test/s/", "give.example.test", true},
        {"its address without the path prefix", "give.example.test", "give.example.test", true},
        {"another community", "give.example.test/s/", "community.example.test", false},
        {"no address configured", std::nullopt, "give.example.test", false},
        {"an empty address", "", "give.example.test", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::freshSandbox();
        auto bundle = apptest::FakeBundle::sample();
        bundle->info.erase("DonationCommunityAddress");
        if (c.address) bundle->info["DonationCommunityAddress"] = *c.address;
        const auto context = apptest::installContext(apptest::sampleResources(), bundle);
        context->userAccountManager->setLoginHost(c.loginHost);
        EXPECT_EQ(supportsDonation(*context), c.expected);
    }
}

} // namespace
