#include "Platform/SDKs/Veltrane/DeviceNetworkEventCommands.hpp"

#include "Platform/Foundation/Reachability.hpp"
#include "Platform/SDKs/Veltrane/CTTelephonyNetworkInfo.hpp"
#include "Platform/SDKs/Veltrane/VQSDKReachability.hpp"
#include "Platform/UI/EventCommandRegistry.hpp"
#include "Platform/UI/EventDriver.hpp"

#include <algorithm>
#include <string_view>

namespace platform::veltrane {

namespace {

using ui::EventDriver;
using ui::EventLine;
using Result = EventDriver::Result;

constexpr std::string_view kTechnologies[] = {"GPRS", "Edge", "WCDMA", "HSDPA", "LTE", "NRNSA", "NR"};

Result network(const EventLine& line, EventDriver&) {
    const auto& word = line.args[0];
    if (word == "on") Reachability::setOffline(false);
    else if (word == "off") Reachability::setOffline(true);
    else if (word == "wifi") VQSDKReachability::setActiveInterface(VQSDKNetworkStatus::reachableViaWiFi);
    else if (word == "cellular") VQSDKReachability::setActiveInterface(VQSDKNetworkStatus::reachableViaWWAN);
    else return std::unexpected("usage: network on|off|wifi|cellular");
    return {};
}

Result telephony(const EventLine& line, EventDriver&) {
    const auto& technology = line.args[0];
    if (technology == "none") {
        if (line.args.size() > 1) return std::unexpected(std::string("usage: telephony none | TECH [CARRIER]"));
        CTTelephonyNetworkInfo::setServiceCurrentRadioAccessTechnology(std::nullopt);
        CTTelephonyNetworkInfo::setServiceSubscriberCellularProviders(std::nullopt);
        return {};
    }
    if (std::find(std::begin(kTechnologies), std::end(kTechnologies), technology) == std::end(kTechnologies)) {
        return std::unexpected("unknown radio access technology " + technology +
                               " (GPRS, Edge, WCDMA, HSDPA, LTE, NRNSA, NR or none)");
    }
    CTTelephonyNetworkInfo::setServiceCurrentRadioAccessTechnology(
        std::map<std::string, std::string>{{kScriptedTelephonyService, "CTRadioAccessTechnology" + technology}});
    CTCarrier carrier;
    if (line.args.size() > 1) carrier.carrierName = line.rest(1);
    CTTelephonyNetworkInfo::setServiceSubscriberCellularProviders(
        std::map<std::string, CTCarrier>{{kScriptedTelephonyService, carrier}});
    return {};
}

} // namespace

void registerDeviceNetworkEventCommands(EventDriver& driver) {
    driver.registerCommand("network", EventDriver::Command{"on|off|wifi|cellular",
                                                           "connect or disconnect the device, or pick its interface",
                                                           1, 1, network});
    driver.registerCommand("telephony", EventDriver::Command{"none | TECH [CARRIER]",
                                                             "set the cellular service's radio technology and carrier",
                                                             1, -1, telephony});
}

namespace {
// Applied after the driver's own commands, so this `network` replaces the
// built-in one.
const ui::EventCommandRegistry::Area kDeviceNetworkCommands{"device-network", registerDeviceNetworkEventCommands};
} // namespace

} // namespace platform::veltrane
