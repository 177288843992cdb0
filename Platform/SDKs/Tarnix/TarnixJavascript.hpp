#pragma once

#include "Platform/SDKs/Tarnix/Export.hpp"

#include <expected>
#include <memory>
#include <string>

namespace platform {
class Bundle;
}
namespace platform::web {
class WebView;
}

namespace platform::tarnixbridge {

/// Why a script of the framework could not be added.
enum class TarnixScriptError {
    /// The bundle holds no "<name>.js", or there is no bundle to read it from.
    scriptNotFound,
    /// The script file exists but could not be read.
    unreadableScript,
};

TARNIX_BRIDGE_EXPORT std::string localizedDescription(TarnixScriptError error);

/// The framework's own resources (the page runtime "tarnix.js"); null when
/// the library was installed without them.
TARNIX_BRIDGE_EXPORT std::shared_ptr<Bundle> tarnixResourceBundle();

/// Adds the script "<scriptName>.js" of `bundle` (the framework's own
/// resources when null) to the web view's user scripts: at document start,
/// main frame only, in the page world. A script whose text the web view has
/// already is not added again. Main thread only.
TARNIX_BRIDGE_EXPORT std::expected<void, TarnixScriptError> injectTarnixJavascript(
    web::WebView& webView, const std::string& scriptName, const std::shared_ptr<Bundle>& bundle = nullptr);

/// Test switch: while set, the framework finds no resources of its own, as an
/// install that lost them.
TARNIX_BRIDGE_EXPORT void setTarnixResourcesHiddenForTesting(bool hidden);

} // namespace platform::tarnixbridge
