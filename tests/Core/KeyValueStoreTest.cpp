#include "VellicorApp/Core/KeyValueStore.hpp"

#include "Platform/Foundation/UserDefaults.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;

namespace {

TEST(KeyValueStore, AbsentValuesReadAsTheirDefaults) {
    const auto store = UserDefaultsStore::standard();
    EXPECT_EQ(store->stringForKey("guestUser"), std::nullopt);
    EXPECT_FALSE(store->boolForKey("enableNavBar"));
    EXPECT_EQ(store->integerForKey("count"), 0);
    EXPECT_EQ(store->doubleForKey("TimeSinceLastSessionRefreshKey"), 0.0);
    EXPECT_EQ(store->objectForKey("anything"), std::nullopt);
}

TEST(KeyValueStore, ANewLaunchReadsBackWhatWasStored) {
    const auto file = testsupport::sandboxRoot() / "defaults.plist";
    {
        const auto store = UserDefaultsStore::create(platform::UserDefaults::create(file));
        store->setBool("UserAcceptedEULA", true);
        store->setDouble("ApplicationEnterBackgroundTimeIntervalKey", 1700000000.5);
        store->setObject("guestUser", platform::Json("guest-key"));
        store->setObject("counts", platform::Json::array({1, 2}));
        store->setObject("gone", platform::Json("soon"));
        store->setObject("gone", std::nullopt);
        store->setObject("removed", platform::Json(1));
        store->removeObject("removed");
    }
    const auto relaunched = UserDefaultsStore::create(platform::UserDefaults::create(file));
    EXPECT_TRUE(relaunched->boolForKey("UserAcceptedEULA"));
    EXPECT_EQ(relaunched->doubleForKey("ApplicationEnterBackgroundTimeIntervalKey"), 1700000000.5);
    EXPECT_EQ(relaunched->stringForKey("guestUser"), "guest-key");
    EXPECT_EQ(relaunched->objectForKey("counts"), platform::Json::array({1, 2}));
    EXPECT_EQ(relaunched->integerForKey("ApplicationEnterBackgroundTimeIntervalKey"), 1700000000);
    EXPECT_EQ(relaunched->objectForKey("gone"), std::nullopt);
    EXPECT_EQ(relaunched->objectForKey("removed"), std::nullopt);
}

TEST(KeyValueStore, TheStandardStoreIsThePlatformsStandardDefaults) {
    UserDefaultsStore::standard()->setBool("shouldSwitchCommunity", true);
    EXPECT_TRUE(platform::UserDefaults::standard()->boolForKey("shouldSwitchCommunity"));
}

} // namespace
