#pragma once

#include "Platform/SDKs/Tarnix/Export.hpp"

#include "TarnixPlatformClient/TarnixNativeService.hpp"

#include "Platform/Web/ScriptMessage.hpp"

#include <memory>
#include <string>
#include <vector>

namespace platform::web {
class WebView;
}

namespace platform::tarnixbridge {

class TarnixPlugin;

/// The bridge between a page and its native plug-ins. The page posts
/// {"service": <plug-in id>, "action": <name>, "args": <any value>} to the
/// message handler "tarnix" and awaits the reply: the plug-in's value, or an
/// error text. Only the main frame may call (and only a page whose message the
/// user content controller's sender policy lets through at all); a message
/// that is not of that form, or names a service the bridge does not offer, is
/// refused.
///
/// The bridge is kept by the web view's user content controller, not by its
/// builder; it holds its plug-ins and not the web view. Main thread only.
class TARNIX_BRIDGE_EXPORT WebBridge : public web::ScriptMessageHandlerWithReply {
public:
    /// The name of the message handler the page posts to.
    static constexpr const char* kHandlerName = "tarnix";

    /// The plug-ins the page can reach, in the order given.
    const std::vector<std::shared_ptr<::tarnix::TarnixNativeService>>& plugins() const { return plugins_; }

    void didReceiveScriptMessage(web::UserContentController& controller, const web::ScriptMessage& message,
                                 web::ScriptReplyHandler replyHandler) override;

private:
    friend class BridgeBuilder;
    explicit WebBridge(std::vector<std::shared_ptr<::tarnix::TarnixNativeService>> plugins)
        : plugins_(std::move(plugins)) {}
    std::shared_ptr<TarnixPlugin> plugin(const std::string& service) const;

    std::vector<std::shared_ptr<::tarnix::TarnixNativeService>> plugins_;
};

/// Builds the bridge of a web view.
class TARNIX_BRIDGE_EXPORT BridgeBuilder {
public:
    /// Attaches a new bridge over `plugins` to the web view, replacing one
    /// attached before. Services that are not plug-ins of this framework are
    /// kept but cannot be called. With `injectRuntime`, the page runtime
    /// (`window.tarnix`, see injectTarnixJavascript) is added to the web view's
    /// user scripts, once. Returns the bridge; callers need not keep it.
    static std::shared_ptr<WebBridge> createBridge(const std::shared_ptr<web::WebView>& webView,
                                                   std::vector<std::shared_ptr<::tarnix::TarnixNativeService>> plugins,
                                                   bool injectRuntime);
};

} // namespace platform::tarnixbridge
