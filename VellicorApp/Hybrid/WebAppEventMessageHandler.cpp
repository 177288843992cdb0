#include "VellicorApp/Hybrid/WebAppEventMessageHandler.hpp"

#include "VellicorApp/Community/TabBarPersistentStore.hpp"
#include "VellicorApp/Core/Logger.hpp"

namespace vellicor {

namespace {
constexpr const char* kLogType = "WebAppEventMessageHandler";
} // namespace

std::shared_ptr<WebAppEventMessageHandler> WebAppEventMessageHandler::create() {
    return std::shared_ptr<WebAppEventMessageHandler>(new WebAppEventMessageHandler());
}

void WebAppEventMessageHandler::didReceiveScriptMessage(platform::web::UserContentController& /*controller*/,
                                                        const platform::web::ScriptMessage& message) {
    if (message.name == kBootstrapDone) {
        bootstrapDone(message);
    } else if (message.name == kPageLoadDone) {
        // Log text read by support tooling; keep verbatim.
        Logger::info("Javascript callback PageLoadDone received", kLogType);
        if (auto delegate = delegate_.lock()) delegate->communityAppPageLoadDidComplete(*this);
    }
}

void WebAppEventMessageHandler::bootstrapDone(const platform::web::ScriptMessage& message) {
    if (!message.body.is_object()) return;
    std::optional<platform::Json> data;
    if (const auto* object = platform::jsonObject(message.body, "data")) data = *object;
    // Called also without data: the store then forgets the navigation it held.
    const bool changed = TabBarPersistentStore().updateTabBarConfig(data);
    if (data) (*data)["changedSinceLastSession"] = changed;
    // Log text read by support tooling; keep verbatim.
    Logger::info("Javascript callback received, web app fully bootstrapped.", kLogType);
    if (auto delegate = delegate_.lock()) delegate->communityAppBootstrapDidComplete(*this, data);
}

} // namespace vellicor
