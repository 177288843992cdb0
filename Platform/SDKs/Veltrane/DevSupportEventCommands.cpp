#include "Platform/SDKs/Veltrane/DevSupportEventCommands.hpp"

#include "Platform/SDKs/Veltrane/VQSDKDevSupportViewController.hpp"
#include "Platform/UI/EventCommandRegistry.hpp"
#include "Platform/UI/EventDriver.hpp"

namespace platform::veltrane {

namespace {

using ui::EventDriver;
using ui::EventLine;
using Result = EventDriver::Result;

Result devSupport(const EventLine&, EventDriver&) {
    if (auto launched = EventDriver::requireLaunched(); !launched) return launched;
    if (!VQSDKDevSupportViewController::showDevSupportDialog()) {
        return EventDriver::fail("no window shows a screen to open the developer dialog over");
    }
    return {};
}

} // namespace

void registerDevSupportEventCommands(EventDriver& driver) {
    driver.registerCommand("dev-support", EventDriver::Command{"", "open the SDK's developer-support dialog", 0, 0,
                                                               devSupport});
}

namespace {
const ui::EventCommandRegistry::Area kDevSupportCommands{"dev-support", registerDevSupportEventCommands};
} // namespace

} // namespace platform::veltrane
