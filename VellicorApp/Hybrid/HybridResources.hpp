#pragma once

namespace vellicor {

/// Registers the interface files of the web container: the storyboard
/// "SharedCookieBrowser".
void registerHybridResources();

} // namespace vellicor
