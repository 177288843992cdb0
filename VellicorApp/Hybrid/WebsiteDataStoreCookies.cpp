#include "VellicorApp/Hybrid/WebsiteDataStoreCookies.hpp"

#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Web/WebsiteDataStore.hpp"

namespace vellicor {

using platform::web::WebsiteDataStore;

void clearCookies(const std::shared_ptr<WebsiteDataStore>& store) {
    if (!store) return;
    // A logout may be announced on any thread; the store is the main thread's.
    if (!platform::MainQueue::isMainThread()) {
        platform::MainQueue::async([store] { clearCookies(store); });
        return;
    }
    const std::set<std::string> cookies = {platform::web::kWebsiteDataTypeCookies};
    store->fetchDataRecords(cookies, [weakStore = std::weak_ptr<WebsiteDataStore>(store),
                                      cookies](std::vector<platform::web::WebsiteDataRecord> records) {
        const auto store = weakStore.lock();
        if (!store) return;
    // A logout may be announced on any thread; the store is the main thread's.
    if (!platform::MainQueue::isMainThread()) {
        platform::MainQueue::async([store] { clearCookies(store); });
        return;
    }
        store->removeData(cookies, records, [] {
            // Read by support tooling; keep verbatim.
            Logger::info("Cleared web cookies for all domains.", "WKWebsiteDataStore");
        });
    });
}

} // namespace vellicor
