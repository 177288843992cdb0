#pragma once

#include "Platform/Export.hpp"

namespace platform::ui {
class EventDriver;
}

namespace platform::veltrane {

/// Adds the event command of the SDK's developer-support dialog:
///   dev-support   the user asks for the dialog (the shake gesture): it opens
///                 over the screen on top (VQSDKDevSupportViewController);
///                 asked again while it is open, it stays as it is
PLATFORM_EXPORT void registerDevSupportEventCommands(ui::EventDriver& driver);

} // namespace platform::veltrane
