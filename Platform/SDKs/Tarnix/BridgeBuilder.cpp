#include "Platform/SDKs/Tarnix/BridgeBuilder.hpp"

#include "Platform/SDKs/Tarnix/TarnixJavascript.hpp"
#include "Platform/SDKs/Tarnix/TarnixPlugin.hpp"

#include "Platform/Foundation/Console.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/Web/UserContentController.hpp"
#include "Platform/Web/WebView.hpp"

namespace platform::tarnixbridge {

namespace {

/// The runtime's script name among the framework's resources.
constexpr const char* kRuntimeScript = "tarnix";

} // namespace

std::shared_ptr<TarnixPlugin> WebBridge::plugin(const std::string& service) const {
    for (const auto& candidate : plugins_) {
        auto plugin = std::dynamic_pointer_cast<TarnixPlugin>(candidate);
        if (plugin && plugin->pluginId() == service) return plugin;
    }
    return nullptr;
}

void WebBridge::didReceiveScriptMessage(web::UserContentController&, const web::ScriptMessage& message,
                                        web::ScriptReplyHandler replyHandler) {
    // Plug-ins reach the camera, contacts and calendar: a frame of another
    // site embedded in the page must not.
    if (!message.frameInfo.isMainFrame) {
        replyHandler(std::nullopt, "The Tarnix bridge answers the main frame only.");
        return;
    }
    const auto service = jsonString(message.body, "service");
    const auto action = jsonString(message.body, "action");
    if (!service || !action) {
        replyHandler(std::nullopt, "A Tarnix call needs a service and an action.");
        return;
    }
    auto target = plugin(*service);
    if (!target) {
        replyHandler(std::nullopt, "Unknown Tarnix service '" + *service + "'.");
        return;
    }
    const Json* args = jsonValue(message.body, "args");
    target->handle(*action, args ? *args : Json(), std::move(replyHandler));
}

std::shared_ptr<WebBridge> BridgeBuilder::createBridge(const std::shared_ptr<web::WebView>& webView,
                                                       std::vector<std::shared_ptr<::tarnix::TarnixNativeService>> plugins,
                                                       bool injectRuntime) {
    auto bridge = std::shared_ptr<WebBridge>(new WebBridge(std::move(plugins)));
    if (!webView) return bridge;
    const auto& controller = webView->configuration()->userContentController;
    const auto world = web::ContentWorld::page();
    // A name may be registered once per world: a new bridge replaces the old one.
    controller->removeScriptMessageHandler(WebBridge::kHandlerName, world);
    controller->addScriptMessageHandler(bridge, world, WebBridge::kHandlerName);
    if (injectRuntime) {
        if (auto injected = injectTarnixJavascript(*webView, kRuntimeScript); !injected) {
            Console::log("Tarnix: the page runtime was not added: " + localizedDescription(injected.error()));
        }
    }
    return bridge;
}

} // namespace platform::tarnixbridge
