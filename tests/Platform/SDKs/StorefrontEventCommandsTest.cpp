#include "Platform/SDKs/Veltrane/StorefrontEventCommands.hpp"

#include "Platform/SDKs/Veltrane/UIDevice.hpp"
#include "Platform/System/Storefront.hpp"
#include "Platform/UI/EventDriver.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using platform::system::Storefront;

namespace {

class StorefrontEventCommandsTest : public ::testing::Test {
protected:
    StorefrontEventCommandsTest() { platform::system::registerStorefrontEventCommands(driver); }
    ~StorefrontEventCommandsTest() override {
        Storefront::resetForTesting();
        platform::veltrane::UIDevice::resetForTesting();
    }
    platform::ui::EventDriver driver;
};

TEST_F(StorefrontEventCommandsTest, StorefrontSetsTheCountryAsWrittenOrRemovesIt) {
    EXPECT_EQ(Storefront::countryCode(), std::nullopt);
    const struct {
        const char* line;
        std::optional<std::string> expected;
    } steps[] = {
        {"storefront DEU", "DEU"},
        {"storefront usa", "usa"},
        {"storefront none", std::nullopt},
        {"storefront USA", "USA"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.line);
        ASSERT_TRUE(driver.execute(step.line));
        EXPECT_EQ(Storefront::countryCode(), step.expected);
    }
    EXPECT_FALSE(driver.execute("storefront"));
    EXPECT_FALSE(driver.execute("storefront USA DEU"));
    EXPECT_EQ(Storefront::countryCode(), "USA");
}

TEST_F(StorefrontEventCommandsTest, OsVersionSetsTheSystemVersion) {
    ASSERT_TRUE(driver.execute("os-version 15.4.1"));
    EXPECT_EQ(platform::veltrane::UIDevice::systemVersion(), "15.4.1");
    EXPECT_FALSE(driver.execute("os-version"));
    EXPECT_EQ(platform::veltrane::UIDevice::systemVersion(), "15.4.1");
}

} // namespace
