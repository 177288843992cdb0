#include "Platform/SDKs/AppCenter/AppCenterEventCommands.hpp"

#include "Platform/SDKs/AppCenter/MSACCrashes.hpp"
#include "Platform/UI/EventCommandRegistry.hpp"
#include "Platform/UI/EventDriver.hpp"

namespace platform::appcenter {

namespace {

using ui::EventDriver;
using ui::EventLine;
using Result = EventDriver::Result;

Result memoryWarning(const EventLine&, EventDriver&) {
    MSACCrashes::receivedMemoryWarning();
    return {};
}

} // namespace

void registerAppCenterEventCommands(EventDriver& driver) {
    driver.registerCommand("memory-warning",
                           EventDriver::Command{"", "the system warns the app of low memory", 0, 0, memoryWarning});
}

namespace {
const ui::EventCommandRegistry::Area kAppCenterCommands{"app-center", registerAppCenterEventCommands};
} // namespace

} // namespace platform::appcenter
