#include "Platform/SDKs/Veltrane/UIDevice.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

using namespace platform::veltrane;

namespace {

class UIDeviceTest : public ::testing::Test {
protected:
    void TearDown() override { UIDevice::resetForTesting(); }
};

TEST_F(UIDeviceTest, NamesTheHardware) {
    struct Case {
        std::optional<std::string> platform;
        const char* platformString;
        const char* model;
    };
    const Case cases[] = {
        {"iPhone14,2", "iPhone", "iPhone"},
        {"iPad13,1", "iPad", "iPad"},
        {"iPod9,1", "iPod touch", "iPod touch"},
        {"x86_64", "Simulator", "iPhone"},
        {"arm64", "Simulator", "iPhone"},
        {"Watch6,1", "Unknown Watch6,1", "iPhone"},
        {"iPhone", "Unknown iPhone", "iPhone"},
        {"", "Unknown", "iPhone"},
        {std::nullopt, "Unknown", "iPhone"},
    };
    for (const auto& c : cases) {
        UIDevice::setPlatform(c.platform);
        EXPECT_EQ(UIDevice::platform(), c.platform);
        EXPECT_EQ(UIDevice::platformString(), c.platformString) << c.platform.value_or("<none>");
        EXPECT_EQ(UIDevice::model(), c.model) << c.platform.value_or("<none>");
    }
}

TEST_F(UIDeviceTest, ReportsTheSystem) {
    EXPECT_EQ(UIDevice::systemName(), "iOS");
    EXPECT_EQ(UIDevice::systemVersion(), UIDevice::kDefaultSystemVersion);
    UIDevice::setSystemVersion("16.4");
    EXPECT_EQ(UIDevice::systemVersion(), "16.4");
    UIDevice::resetForTesting();
    EXPECT_EQ(UIDevice::systemVersion(), UIDevice::kDefaultSystemVersion);
    EXPECT_TRUE(UIDevice::platform().has_value()) << "the host machine has an identifier";
}

TEST_F(UIDeviceTest, IsASimulatorOnlyWhenToldWhateverTheHardware) {
    UIDevice::setPlatform("x86_64");
    EXPECT_EQ(UIDevice::platformString(), "Simulator");
    EXPECT_FALSE(UIDevice::isSimulator());
    UIDevice::setSimulator(true);
    EXPECT_TRUE(UIDevice::isSimulator());
    UIDevice::resetForTesting();
    EXPECT_FALSE(UIDevice::isSimulator());
}

TEST_F(UIDeviceTest, ReportsTheLanguagesAndTheLocale) {
    EXPECT_EQ(UIDevice::preferredLanguages(), std::vector<std::string>{"en-US"});
    EXPECT_EQ(UIDevice::currentLocale(), "en-US");
    const std::pair<const char*, std::optional<std::string>> locales[] = {
        {"en-US", "en"}, {"de_CH", "de"}, {"zh-Hant-TW", "zh"}, {"", std::nullopt}, {"und", std::nullopt},
    };
    for (const auto& [locale, language] : locales) {
        UIDevice::setCurrentLocale(locale);
        EXPECT_EQ(UIDevice::currentLanguageCode(), language) << locale;
    }
    UIDevice::setPreferredLanguages({"fr-CA", "en-GB"});
    EXPECT_EQ(UIDevice::preferredLanguages(), (std::vector<std::string>{"fr-CA", "en-GB"}));
    UIDevice::resetForTesting();
    EXPECT_EQ(UIDevice::currentLocale(), "en-US");
}

} // namespace
