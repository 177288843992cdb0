#include "Platform/SDKs/Veltrane/CTTelephonyNetworkInfo.hpp"

#include <gtest/gtest.h>

using namespace platform::veltrane;

namespace {

class CTTelephonyNetworkInfoTest : public ::testing::Test {
protected:
    void TearDown() override { CTTelephonyNetworkInfo::resetForTesting(); }
};

TEST_F(CTTelephonyNetworkInfoTest, DeviceStartsWithoutCellularService) {
    auto info = CTTelephonyNetworkInfo::create();
    EXPECT_EQ(info->serviceCurrentRadioAccessTechnology(), std::nullopt);
    EXPECT_EQ(info->serviceSubscriberCellularProviders(), std::nullopt);
}

TEST_F(CTTelephonyNetworkInfoTest, EveryInfoObjectSeesTheDeviceState) {
    auto existing = CTTelephonyNetworkInfo::create();
    CTTelephonyNetworkInfo::setServiceCurrentRadioAccessTechnology(
        std::map<std::string, std::string>{{"0000000100000001", kCTRadioAccessTechnologyLTE},
                                           {"0000000100000002", kCTRadioAccessTechnologyNR}});
    CTTelephonyNetworkInfo::setServiceSubscriberCellularProviders(
        std::map<std::string, CTCarrier>{{"0000000100000001", CTCarrier{"Northwind Mobile", "310", "260", "us"}},
                                         {"0000000100000002", CTCarrier{}}});

    for (const auto& info : {existing, CTTelephonyNetworkInfo::create()}) {
        const auto technologies = info->serviceCurrentRadioAccessTechnology();
        ASSERT_TRUE(technologies.has_value());
        EXPECT_EQ(technologies->at("0000000100000002"), kCTRadioAccessTechnologyNR);
        const auto providers = info->serviceSubscriberCellularProviders();
        ASSERT_TRUE(providers.has_value());
        EXPECT_EQ(providers->at("0000000100000001").carrierName, "Northwind Mobile");
        EXPECT_EQ(providers->at("0000000100000002").carrierName, std::nullopt);
    }
}

TEST(DictionaryDescription, PrintsLikeThePlatform) {
    struct Case {
        std::map<std::string, std::string> dictionary;
        const char* text;
    };
    const Case cases[] = {
        {{}, "{\n}"},
        {{{"0000000100000001", "CTRadioAccessTechnologyLTE"}}, "{\n    0000000100000001 = CTRadioAccessTechnologyLTE;\n}"},
        {{{"b", "2"}, {"a", "1"}}, "{\n    a = 1;\n    b = 2;\n}"},
        {{{"with space", ""}}, "{\n    \"with space\" = \"\";\n}"},
        {{{"q", "say \"hi\"\\"}}, "{\n    q = \"say \\\"hi\\\"\\\\\";\n}"},
        {{{"path/a:b.c-d_e$f+g", "x"}}, "{\n    path/a:b.c-d_e$f+g = x;\n}"},
    };
    for (const auto& c : cases) EXPECT_EQ(dictionaryDescription(c.dictionary), c.text);
}

} // namespace
