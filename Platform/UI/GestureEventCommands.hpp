#pragma once

#include "Platform/Export.hpp"

namespace platform::ui {

class EventDriver;

/// Adds the event commands of a user's gestures and the device's shape:
///   pan ID DY...          drag the view (a scroll view, or the view's pan) down by each DY in turn
///   scroll ID Y           drag a scroll view's content to offset Y
///   size-class compact|regular   change the key window's horizontal size class
///   rotate                turn the device (its vertical size class flips)
/// The application main gets them through the EventCommandRegistry.
PLATFORM_EXPORT void registerGestureEventCommands(EventDriver& driver);

} // namespace platform::ui
