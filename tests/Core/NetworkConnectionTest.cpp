#include "VellicorApp/Core/NetworkConnection.hpp"

#include "Platform/Foundation/Reachability.hpp"
#include "Platform/SDKs/Veltrane/CTTelephonyNetworkInfo.hpp"
#include "Platform/SDKs/Veltrane/VQSDKReachability.hpp"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

using namespace vellicor;
using platform::veltrane::CTTelephonyNetworkInfo;
using platform::veltrane::VQSDKNetworkStatus;
using platform::veltrane::VQSDKReachability;

namespace {

TEST(NetworkConnection, ReportsTheKindOfConnection) {
    const std::map<std::string, std::string> radio = {{"0000000100000001", "CTRadioAccessTechnologyLTE"},
                                                      {"0000000100000002", "CTRadioAccessTechnologyNR"}};
    struct Case {
        const char* name;
        bool offline;
        VQSDKNetworkStatus interface;
        std::optional<std::map<std::string, std::string>> radio;
        std::string expected;
    };
    const Case cases[] = {
        {"Wi-Fi", false, VQSDKNetworkStatus::reachableViaWiFi, std::nullopt, "Wifi"},
        {"offline", true, VQSDKNetworkStatus::reachableViaWiFi, std::nullopt, "No Connection"},
        {"offline with a cellular interface", true, VQSDKNetworkStatus::reachableViaWWAN, radio, "No Connection"},
        {"cellular", false, VQSDKNetworkStatus::reachableViaWWAN, radio,
         "{\n    0000000100000001 = CTRadioAccessTechnologyLTE;\n    0000000100000002 = CTRadioAccessTechnologyNR;\n}"},
        {"cellular without radio information", false, VQSDKNetworkStatus::reachableViaWWAN, std::nullopt, "Unknown"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform::Reachability::setOffline(c.offline);
        VQSDKReachability::setActiveInterface(c.interface);
        CTTelephonyNetworkInfo::setServiceCurrentRadioAccessTechnology(c.radio);
        EXPECT_EQ(NetworkConnection::getConnectionType(), c.expected);
    }
    VQSDKReachability::resetForTesting();
    CTTelephonyNetworkInfo::resetForTesting();
}

} // namespace
