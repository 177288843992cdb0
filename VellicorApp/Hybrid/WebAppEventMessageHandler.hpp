#pragma once

#include "Platform/Foundation/Json.hpp"
#include "Platform/Web/ScriptMessage.hpp"

#include <memory>
#include <optional>

namespace vellicor {

class WebAppEventMessageHandler;

/// Hears that the web app has bootstrapped or that a page has loaded: the
/// community view model.
class WebAppEventMessageHandlerDelegate {
public:
    virtual ~WebAppEventMessageHandlerDelegate() = default;
    /// `response` is the web app's bootstrap data (its native navigation and
    /// further settings) with "changedSinceLastSession" set; none when the page
    /// sent no "data" object.
    virtual void communityAppBootstrapDidComplete(WebAppEventMessageHandler& handler,
                                                  const std::optional<platform::Json>& response) = 0;
    virtual void communityAppPageLoadDidComplete(WebAppEventMessageHandler& handler) = 0;
};

/// The page's events without a reply: "webAppEventBootstrapDone" and
/// "webAppEventPageLoadDone". Main thread.
///
/// A bootstrap message stores the native navigation the page sent (and
/// empties the stored one when it sent none). Only the community's own pages
/// reach it (the web view's sender policy, isCommunitySender, refuses the
/// rest): the stored navigation becomes native tabs that run web views with
/// the bridge.
class WebAppEventMessageHandler : public platform::web::ScriptMessageHandler {
public:
    static constexpr const char* kBootstrapDone = "webAppEventBootstrapDone";
    static constexpr const char* kPageLoadDone = "webAppEventPageLoadDone";

    static std::shared_ptr<WebAppEventMessageHandler> create();

    std::shared_ptr<WebAppEventMessageHandlerDelegate> delegate() const { return delegate_.lock(); }
    /// Held weakly.
    void setDelegate(const std::shared_ptr<WebAppEventMessageHandlerDelegate>& delegate) { delegate_ = delegate; }

    void didReceiveScriptMessage(platform::web::UserContentController& controller,
                                 const platform::web::ScriptMessage& message) override;

private:
    WebAppEventMessageHandler() = default;
    void bootstrapDone(const platform::web::ScriptMessage& message);

    std::weak_ptr<WebAppEventMessageHandlerDelegate> delegate_;
};

} // namespace vellicor
