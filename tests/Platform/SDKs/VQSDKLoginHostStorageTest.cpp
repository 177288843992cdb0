#include "Platform/SDKs/Veltrane/VQSDKLoginHostStorage.hpp"

#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/UserDefaults.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

using namespace platform;
using namespace platform::veltrane;

namespace {

std::vector<std::string> hostNames() {
    std::vector<std::string> names;
    for (const auto& host : VQSDKLoginHostStorage::sharedInstance()->loginHosts()) names.push_back(host.host);
    return names;
}

TEST(VQSDKLoginHostStorageTest, StartsWithTheBuiltInHosts) {
    auto storage = VQSDKLoginHostStorage::sharedInstance();
    ASSERT_EQ(storage->numberOfLoginHosts(), 2u);
    EXPECT_EQ(storage->loginHostAtIndex(0), (VQSDKLoginHost{"Production", "login.veltrane.example", false}));
    EXPECT_EQ(storage->loginHostAtIndex(1), (VQSDKLoginHost{"Sandbox", "test.veltrane.example", false}));
    EXPECT_EQ(storage->loginHostAtIndex(2), std::nullopt);
    EXPECT_EQ(storage->loginHostForHostAddress("LOGIN.veltrane.example")->name, "Production");
}

TEST(VQSDKLoginHostStorageTest, KeepsItsOrderedListAcrossLaunches) {
    auto storage = VQSDKLoginHostStorage::sharedInstance();
    storage->addLoginHost({"Community", "community.example.test", true});
    EXPECT_TRUE(storage->removeLoginHostAtIndex(0));
    storage->insertLoginHost({"First", "first.example.test", false}, 0);
    storage->insertLoginHost({"Last", "last.example.test", true}, 99);
    EXPECT_FALSE(storage->removeLoginHostAtIndex(4));
    const std::vector<std::string> expected = {"first.example.test", "test.veltrane.example", "community.example.test",
                                               "last.example.test"};
    EXPECT_EQ(hostNames(), expected);

    // Another launch reads the defaults file afresh.
    ASSERT_TRUE(UserDefaults::standard()->synchronize());
    auto file = UserDefaults::standard()->filePath();
    ASSERT_TRUE(file.has_value());
    auto reread = UserDefaults::create(*file)->objectForKey(VQSDKLoginHostStorage::kDefaultsKey);
    ASSERT_TRUE(reread.has_value());
    ASSERT_EQ(reread->size(), 4u);
    EXPECT_EQ((*reread)[2], (Json{{"name", "Community"}, {"host", "community.example.test"}, {"deletable", true}}));

    // A list emptied stays empty: the built-in hosts do not come back.
    while (storage->numberOfLoginHosts() > 0) storage->removeLoginHostAtIndex(0);
    EXPECT_TRUE(hostNames().empty());
    // A fresh install starts again from the built-in hosts.
    testsupport::freshSandbox();
    EXPECT_EQ(storage->numberOfLoginHosts(), 2u);
}

TEST(VQSDKLoginHostStorageTest, SkipsStoredEntriesThatAreNoHosts) {
    UserDefaults::standard()->set(VQSDKLoginHostStorage::kDefaultsKey,
                                  Json::array({Json{{"name", "Good"}, {"host", "good.example.test"}},
                                               Json{{"name", "No host"}}, Json("text"),
                                               Json{{"name", 5}, {"host", "bad.example.test"}}}));
    EXPECT_EQ(hostNames(), std::vector<std::string>{"good.example.test"});
    UserDefaults::standard()->set(VQSDKLoginHostStorage::kDefaultsKey, Json("not a list"));
    EXPECT_TRUE(hostNames().empty());
}

} // namespace
