#pragma once

#include "Platform/Export.hpp"

namespace platform::ui {
class EventDriver;
}

namespace platform::zentari {

/// Adds the event commands of the marketing SDK:
///   mkt url URL              a marketing message hands the URL to the app
///   mkt in-app show|close    an in-app message shows, or closes
PLATFORM_EXPORT void registerZentariEventCommands(ui::EventDriver& driver);

} // namespace platform::zentari
