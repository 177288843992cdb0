#pragma once

#include "Platform/Export.hpp"

namespace platform::ui {
class EventDriver;
}

namespace platform::appcenter {

/// Adds the event command of the crash service:
///   memory-warning   the system warns the app of low memory; the crash
///                    service keeps it for the next run's
///                    hasReceivedMemoryWarningInLastSession
PLATFORM_EXPORT void registerAppCenterEventCommands(ui::EventDriver& driver);

} // namespace platform::appcenter
