#include "VellicorApp/Community/CommunityConfigList.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::Json;

namespace {

const Json kFirst{{"loginHost", "one.example.test"}, {"unauthenticatedStartPage", "https://one.example.test/s/"},
                  {"label", "One"}, {"isSlashSCommunity", true}, {"isPlexaCommunity", false}};
const Json kSecond{{"loginHost", "two.example.test/"}, {"unauthenticatedStartPage", "https://two.example.test/"},
                   {"isSlashSCommunity", false}, {"isPlexaCommunity", true}};

std::vector<std::string> hosts(const CommunityConfigList& list) {
    std::vector<std::string> result;
    for (const auto& model : list.communities.get()) result.push_back(model->loginHost.get().absoluteString());
    return result;
}

TEST(CommunityConfigList, JSONRoundTripKeepsTheOrder) {
    const auto list = CommunityConfigList::decode(Json{{"communities", Json::array({kFirst, kSecond})}});
    EXPECT_EQ(hosts(*list), (std::vector<std::string>{"one.example.test", "two.example.test/"}));
    EXPECT_EQ(list->encode(), (Json{{"communities", Json::array({kFirst, kSecond})}}));
    EXPECT_EQ(CommunityConfigList::create()->encode(), (Json{{"communities", Json::array()}}));
}

TEST(CommunityConfigList, DecodingNeverFailsButMayGiveAnEmptyList) {
    auto broken = kSecond;
    broken.erase("loginHost");
    struct Case {
        const char* name;
        Json json;
    };
    const Case cases[] = {
        {"one bad entry spoils the list", Json{{"communities", Json::array({kFirst, broken})}}},
        {"an array at the top", Json::array({kFirst})},
        {"no communities key", Json{{"sites", Json::array({kFirst})}}},
        {"communities that are no array", Json{{"communities", kFirst}}},
        {"an empty array", Json{{"communities", Json::array()}}},
        {"a string", Json("communities")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(CommunityConfigList::decode(c.json)->communities.get().empty());
    }
}

TEST(CommunityConfigList, AddAppendsAndRemoveDropsPositions) {
    const auto list = CommunityConfigList::create();
    int changes = 0;
    list->objectWillChange().subscribe([&changes] { ++changes; });
    for (const char* host : {"a.example.test", "b.example.test", "c.example.test", "a.example.test"}) {
        list->add(CommunityConfigModel::decode(Json{{"loginHost", host}, {"unauthenticatedStartPage", "https://x.example.test/s/"}})
                      .value());
    }
    EXPECT_EQ(hosts(*list), (std::vector<std::string>{"a.example.test", "b.example.test", "c.example.test", "a.example.test"}));
    list->remove({0, 2, 9});
    EXPECT_EQ(hosts(*list), (std::vector<std::string>{"b.example.test", "a.example.test"}));
    EXPECT_EQ(changes, 5);
}

} // namespace
