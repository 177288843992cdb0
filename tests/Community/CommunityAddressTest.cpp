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

TEST_F(CommunityAddressTest, AsciiFilteredDropsEveryOtherCharacter) {
    struct Case {
        const char* name;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"plain ASCII", "Vellicor App-1.0", "Vellicor App-1.0"},
        {"accented letters", "Caf\xC3\xA9 R\xC3\xA9sum\xC3\xA9", "Caf Rsum"},
        {"letter joined with a combining mark", "e\xCC\x81x", "x"},
        {"CR LF pair kept", "a\r\nb", "a\r\nb"},
        {"emoji", "ok\xF0\x9F\x91\x8D!", "ok!"},
        {"control characters are ASCII", std::string("a\tb\0c", 5), std::string("a\tb\0c", 5)},
        {"empty", "", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(asciiFiltered(c.text), c.expected) << c.name;
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

} // namespace
