#include "VellicorApp/Hybrid/WebViewConfigurationFactory.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Hybrid/CommunityOrigin.hpp"
#include "VellicorApp/Hybrid/JSCallDispatchEventHandler.hpp"

#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/FileManager.hpp"

namespace vellicor {

namespace {

using platform::web::UserScript;
using platform::web::UserScriptInjectionTime;

/// A script file of the app package; stops the app with `missingMessage`
/// when it is missing or unreadable.
UserScript resourceScript(const std::string& name, UserScriptInjectionTime injectionTime,
                          std::string_view missingMessage) {
    const auto path = AppContext::current()->mainBundle->pathForResource(name, "js");
    if (!path) platform::fatalError(missingMessage);
    const auto data = platform::FileManager::defaultManager().contents(*path);
    const auto text = data ? platform::utf8String(*data) : std::nullopt;
    if (!text) platform::fatalError(missingMessage);
    return UserScript{*text, injectionTime, true};
}

/// The sender policy of the app's web views: links the rules do not claim stay
/// in the web view, so any site may be the one posting.
bool takesMessage(const platform::web::ScriptMessage& message) {
    if (isCommunitySender(message)) return true;
    const auto& frame = message.frameInfo;
    Logger::warning("Refused the message \"" + message.name + "\" from " +
                        (frame.isMainFrame ? "the main frame" : "a sub-frame") + " of " +
                        frame.securityOrigin.description() + ", outside the community.",
                    "WebViewConfigurationFactory");
    return false;
}

} // namespace

const std::shared_ptr<platform::web::WebViewConfiguration>& WebViewConfigurationFactory::defaultConfig() {
    if (defaultConfig_) return defaultConfig_;
    auto config = platform::web::WebViewConfiguration::create();
    config->applicationNameForUserAgent = userAgent_;
    auto& controller = *config->userContentController;
    controller.addUserScript(resourceScript("www/bridge-interface", UserScriptInjectionTime::atDocumentStart,
                                            "bridge-interface.js cannot be found!"));
    controller.addUserScript(resourceScript("www/tarnix-interface", UserScriptInjectionTime::atDocumentEnd,
                                            "tarnix-interface.js cannot be found!"));
    controller.addUserScript(UserScript{JSCallDispatchEventHandler::clientFeatureCapabilities(),
                                        UserScriptInjectionTime::atDocumentStart, true});
    controller.setSenderPolicy(takesMessage);
    config->allowsInlineMediaPlayback = true;
    defaultConfig_ = std::move(config);
    return defaultConfig_;
}

} // namespace vellicor
