#pragma once

#include "Platform/Export.hpp"

namespace platform::ui {

class EventDriver;

/// Adds the event commands of what happens to URLs the app opens outside
/// itself (Application::open):
///   open-answer SCHEME opened|not opened   the system opens URLs of SCHEME, or cannot
///   universal-link-host HOST               an installed app claims HOST's links
///   opened-urls                            print every URL the app asked to open
/// The application main gets them through the EventCommandRegistry.
PLATFORM_EXPORT void registerOpenURLEventCommands(EventDriver& driver);

} // namespace platform::ui
