#include "Platform/SDKs/Veltrane/DeviceNetworkEventCommands.hpp"

#include "Platform/Foundation/Reachability.hpp"
#include "Platform/SDKs/Veltrane/CTTelephonyNetworkInfo.hpp"
#include "Platform/SDKs/Veltrane/VQSDKReachability.hpp"
#include "Platform/UI/EventDriver.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

using namespace platform::veltrane;

namespace {

class DeviceNetworkEventCommandsTest : public ::testing::Test {
protected:
    DeviceNetworkEventCommandsTest() { registerDeviceNetworkEventCommands(driver); }
    ~DeviceNetworkEventCommandsTest() override {
        VQSDKReachability::resetForTesting();
        CTTelephonyNetworkInfo::resetForTesting();
        platform::Reachability::setOffline(false);
    }
    platform::ui::EventDriver driver;
};

TEST_F(DeviceNetworkEventCommandsTest, NetworkSwitchesTheConnectionAndTheInterface) {
    const auto reachability = VQSDKReachability::reachabilityForInternetConnection();
    const struct {
        const char* line;
        VQSDKNetworkStatus expected;
    } steps[] = {
        {"network cellular", VQSDKNetworkStatus::reachableViaWWAN},
        {"network off", VQSDKNetworkStatus::notReachable},
        {"network on", VQSDKNetworkStatus::reachableViaWWAN},
        {"network wifi", VQSDKNetworkStatus::reachableViaWiFi},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.line);
        ASSERT_TRUE(driver.execute(step.line));
        EXPECT_EQ(reachability->currentReachabilityStatus(), step.expected);
    }
    EXPECT_FALSE(driver.execute("network ethernet"));
}

TEST_F(DeviceNetworkEventCommandsTest, TelephonySetsOneServicesTechnologyAndCarrier) {
    const auto info = CTTelephonyNetworkInfo::create();
    ASSERT_TRUE(driver.execute("telephony LTE \"Example Mobile\""));
    EXPECT_EQ(info->serviceCurrentRadioAccessTechnology(),
              (std::map<std::string, std::string>{{kScriptedTelephonyService, kCTRadioAccessTechnologyLTE}}));
    const auto providers = info->serviceSubscriberCellularProviders();
    ASSERT_TRUE(providers);
    EXPECT_EQ(providers->at(kScriptedTelephonyService).carrierName, "Example Mobile");

    ASSERT_TRUE(driver.execute("telephony NR"));
    EXPECT_EQ(info->serviceCurrentRadioAccessTechnology()->at(kScriptedTelephonyService), kCTRadioAccessTechnologyNR);
    EXPECT_EQ(info->serviceSubscriberCellularProviders()->at(kScriptedTelephonyService).carrierName, std::nullopt);

    ASSERT_TRUE(driver.execute("telephony none"));
    EXPECT_EQ(info->serviceCurrentRadioAccessTechnology(), std::nullopt);
    EXPECT_EQ(info->serviceSubscriberCellularProviders(), std::nullopt);

    for (const char* bad : {"telephony 6G", "telephony none extra", "telephony lte"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(driver.execute(bad));
    }
}

} // namespace
