#pragma once

#include <memory>

namespace platform::web {
class WebsiteDataStore;
}

namespace vellicor {

/// Removes the cookies of every site from the store (memory and disk) and then
/// logs "WKWebsiteDataStore: Cleared web cookies for all domains.", also when
/// there was nothing to remove. The steps chain through the store's
/// completions on the main queue; a store that is gone before the removal
/// starts is left alone and nothing is logged. Callable from any thread: off
/// the main thread the wipe starts on the main queue.
void clearCookies(const std::shared_ptr<platform::web::WebsiteDataStore>& store);

} // namespace vellicor
