#include "Platform/SDKs/Veltrane/VQSDKWebViewStateManager.hpp"

#include "Platform/Web/WebsiteDataStore.hpp"

#include <algorithm>
#include <memory>

namespace platform::veltrane {

void VQSDKWebViewStateManager::resetSessionCookie(std::function<void()> completion) {
    auto store = web::WebsiteDataStore::defaultDataStore()->httpCookieStore();
    store->getAllCookies([store, completion = std::move(completion)](std::vector<HttpCookie> cookies) {
        const auto names = sessionCookieNames();
        std::vector<HttpCookie> doomed;
        for (const auto& cookie : cookies) {
            if (std::find(names.begin(), names.end(), cookie.name()) != names.end()) doomed.push_back(cookie);
        }
        if (doomed.empty()) {
            if (completion) completion();
            return;
        }
        // Each deletion reports back; the completion runs after the last.
        auto remaining = std::make_shared<std::size_t>(doomed.size());
        for (const auto& cookie : doomed) {
            store->deleteCookie(cookie, [remaining, completion] {
                if (--*remaining == 0 && completion) completion();
            });
        }
    });
}

void VQSDKWebViewStateManager::removeSession(std::function<void()> completion) {
    web::WebsiteDataStore::defaultDataStore()->httpCookieStore()->deleteAllCookies(std::move(completion));
}

} // namespace platform::veltrane
