#pragma once

#include "Platform/Web/WebViewConfiguration.hpp"

#include <memory>
#include <string>

namespace vellicor {

/// Makes the configuration of a community web view: the app's name in the
/// user agent, inline media, and three page scripts in the main frame:
///   1. "www/bridge-interface.js" at document start (makes `myvellicor.nativejsapi`),
///   2. "www/tarnix-interface.js" at document end,
///   3. the client-feature script at document start, after script 1.
/// A missing or unreadable script file stops the app: it cannot run without
/// them. Its user content controller takes messages from community senders
/// only (isCommunitySender): every other frame's message is refused, with a
/// warning, before any handler sees it. Main thread.
class WebViewConfigurationFactory {
public:
    explicit WebViewConfigurationFactory(std::string userAgent) : userAgent_(std::move(userAgent)) {}

    /// The application name put into the user agent.
    const std::string& userAgent() const { return userAgent_; }
    /// Made at the first access (reading the current context's bundle), then the same object.
    const std::shared_ptr<platform::web::WebViewConfiguration>& defaultConfig();

private:
    std::string userAgent_;
    std::shared_ptr<platform::web::WebViewConfiguration> defaultConfig_;
};

} // namespace vellicor
