#pragma once

#include "Platform/Export.hpp"

namespace platform::ui {
class EventDriver;
}

namespace platform::system {

/// Adds the event commands of notifications, permissions and background tasks:
///   push arrive|tap JSON      a remote notification with that payload arrives, or the user taps it
///   permission notifications|tracking allow|deny|restricted
///                             the answer the owner gives that permission's prompt
///   badge                     prints the app icon's badge number
///   bgtask run|expire ID      the system runs the submitted background task, or expires it
PLATFORM_EXPORT void registerNotificationEventCommands(ui::EventDriver& driver);

} // namespace platform::system
