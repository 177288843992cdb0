#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/Url.hpp"
#include "Platform/Web/ContentWorld.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform::web {

class UserContentController;
class WebView;

/// Where a frame's content comes from: scheme, host and port.
struct PLATFORM_EXPORT SecurityOrigin {
    /// The scheme, lower-cased ("https").
    std::string protocol;
    std::string host;
    /// 0 when the URL names no port (the scheme's default).
    int port = 0;

    /// The origin of a URL (an empty host for URLs without one, such as "about:blank").
    static SecurityOrigin of(const Url& url);
    /// "https://host" or "https://host:port".
    std::string description() const;

    bool operator==(const SecurityOrigin&) const = default;
};

/// A frame of a page: the main frame or a sub-frame (an iframe), with the
/// request it loaded and its origin.
struct PLATFORM_EXPORT FrameInfo {
    bool isMainFrame = true;
    HttpRequest request;
    SecurityOrigin securityOrigin;
    /// The web view the frame belongs to.
    std::weak_ptr<WebView> webView;
};

/// A message a page posted to a named handler.
struct PLATFORM_EXPORT ScriptMessage {
    std::string name;
    /// The posted value (the platform turns the page's value into dictionaries,
    /// arrays, strings, numbers, Booleans and null; JSON holds the same).
    Json body;
    FrameInfo frameInfo;
    std::shared_ptr<ContentWorld> world;
    std::weak_ptr<WebView> webView;
};

/// The page's promise for a message to a handler with a reply: resolved with
/// the value when there is no error text, rejected with the error text
/// otherwise. Call it once (later calls are ignored with a console warning),
/// from any thread; it reaches the page on the main thread. Dropping every copy
/// without calling it rejects the promise.
using ScriptReplyHandler = std::function<void(std::optional<Json> reply, std::optional<std::string> errorMessage)>;

/// A handler for messages without a reply. The user content controller holds
/// it strongly; an app that keeps the controller from its handler breaks the
/// cycle itself (by removing the handler).
class PLATFORM_EXPORT ScriptMessageHandler {
public:
    virtual ~ScriptMessageHandler() = default;
    /// Runs on the main thread.
    virtual void didReceiveScriptMessage(UserContentController& controller, const ScriptMessage& message) = 0;
};

/// A handler for messages whose page awaits a reply. Held strongly like
/// ScriptMessageHandler.
class PLATFORM_EXPORT ScriptMessageHandlerWithReply {
public:
    virtual ~ScriptMessageHandlerWithReply() = default;
    /// Runs on the main thread; the reply handler is called once, now or later.
    virtual void didReceiveScriptMessage(UserContentController& controller, const ScriptMessage& message,
                                         ScriptReplyHandler replyHandler) = 0;
};

} // namespace platform::web
