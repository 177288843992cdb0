#include "Platform/Foundation/Uuid.hpp"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <unordered_set>

using namespace platform;

namespace {

TEST(Uuid, RandomIdentifiersAreVersion4InUpperCaseText) {
    const std::regex form("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    std::set<std::string> seen;
    for (int i = 0; i < 1000; ++i) {
        const Uuid uuid;
        const std::string text = uuid.uuidString();
        EXPECT_TRUE(std::regex_match(text, form)) << text;
        EXPECT_EQ(uuid.bytes()[6] >> 4, 4);
        EXPECT_EQ(uuid.bytes()[8] & 0xC0, 0x80);
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 1000u);
    EXPECT_NE(Uuid::random(), Uuid::random());
}

TEST(Uuid, ParsesEitherCaseAndWritesUpperCase) {
    const auto upper = Uuid::fromString("E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    const auto lower = Uuid::fromString("e621e1f8-c36c-495a-93fc-0c247a3e6e5f");
    ASSERT_TRUE(upper.has_value());
    ASSERT_TRUE(lower.has_value());
    EXPECT_EQ(*upper, *lower);
    EXPECT_EQ(lower->uuidString(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    EXPECT_EQ(upper->bytes()[0], 0xE6);
    EXPECT_EQ(upper->bytes()[15], 0x5F);

    const Uuid fresh;
    EXPECT_EQ(Uuid::fromString(fresh.uuidString()), fresh);
}

TEST(Uuid, RejectsMalformedText) {
    const char* cases[] = {
        "",
        "E621E1F8C36C495A93FC0C247A3E6E5F",       // no hyphens
        "{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}", // braces
        "E621E1F8-C36C-495A-93FC-0C247A3E6E5",    // one digit short
        "E621E1F8-C36C-495A-93FC-0C247A3E6E5F0",  // one digit too many
        "E621E1F8-C36C-495A-93FC-0C247A3E6E5G",   // not a hex digit
        "E621E1F8-C36C-495A-93FC0-C247A3E6E5F",   // hyphen misplaced
        "E621E1F8+C36C-495A-93FC-0C247A3E6E5F",   // wrong separator
        " E621E1F8-C36C-495A-93FC-0C247A3E6E5",   // leading space
        "E621E1F8-C36C-495A-93FC-+C247A3E6E5F",   // sign inside a group
    };
    for (const char* text : cases) {
        EXPECT_EQ(Uuid::fromString(text), std::nullopt) << text;
    }
}

TEST(Uuid, WorksAsAHashKey) {
    std::unordered_set<Uuid> set;
    const Uuid a;
    set.insert(a);
    set.insert(*Uuid::fromString(a.uuidString()));
    set.insert(Uuid());
    EXPECT_EQ(set.size(), 2u);
}

} // namespace
