#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/EventDriver.hpp"
#include "Platform/Web/WebView.hpp"

#include <memory>

namespace platform::web {

/// Adds the `page` command to the event driver: what the page of the
/// front-most visible web view does (posts a script message, follows a link),
/// what calls into pages answer, and what the journal and the cookies hold.
/// The application main gets it through the EventCommandRegistry.
PLATFORM_EXPORT void registerEventCommands(ui::EventDriver& driver);

/// The front-most visible web view of the shown windows, if any.
PLATFORM_EXPORT std::shared_ptr<WebView> frontMostWebView();

} // namespace platform::web
