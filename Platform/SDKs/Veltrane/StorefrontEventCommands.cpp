#include "Platform/SDKs/Veltrane/StorefrontEventCommands.hpp"

#include "Platform/SDKs/Veltrane/UIDevice.hpp"
#include "Platform/System/Storefront.hpp"
#include "Platform/UI/EventCommandRegistry.hpp"
#include "Platform/UI/EventDriver.hpp"

namespace platform::system {

namespace {

using ui::EventDriver;
using ui::EventLine;
using Result = EventDriver::Result;

Result storefront(const EventLine& line, EventDriver&) {
    const auto& code = line.args[0];
    if (code == "none") Storefront::setCountryCode(std::nullopt);
    else Storefront::setCountryCode(code);
    return {};
}

Result osVersion(const EventLine& line, EventDriver&) {
    veltrane::UIDevice::setSystemVersion(line.args[0]);
    return {};
}

} // namespace

void registerStorefrontEventCommands(EventDriver& driver) {
    driver.registerCommand("storefront", EventDriver::Command{"CODE|none",
                                                              "set the App Store storefront's country or remove it",
                                                              1, 1, storefront});
    driver.registerCommand("os-version", EventDriver::Command{"VERSION", "set the operating system version the device reports",
                                                              1, 1, osVersion});
}

namespace {
const ui::EventCommandRegistry::Area kStorefrontCommands{"storefront", registerStorefrontEventCommands};
} // namespace

} // namespace platform::system
