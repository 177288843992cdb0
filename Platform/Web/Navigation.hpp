#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/Foundation/Url.hpp"
#include "Platform/Web/ScriptMessage.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform::web {

class WebView;
class WebViewConfiguration;

/// Codes of the web view's own errors, in kWebKitErrorDomain.
namespace WebKitError {
/// The response's content type is one the view cannot show.
inline constexpr long cannotShowMIMEType = 100;
/// "Frame load interrupted": the navigation delegate cancelled a response, or a
/// server redirect, of a navigation that had already started.
inline constexpr long frameLoadInterruptedByPolicyChange = 102;
} // namespace WebKitError

/// The domain of script evaluation errors, and its codes.
inline constexpr std::string_view kWKErrorDomain = "WKErrorDomain";
namespace WKError {
inline constexpr long unknown = 1;
inline constexpr long javaScriptExceptionOccurred = 4;
inline constexpr long javaScriptResultTypeIsUnsupported = 5;
} // namespace WKError

/// What made a navigation.
enum class NavigationType { linkActivated, formSubmitted, backForward, reload, formResubmitted, other };

/// "linkActivated", "other", ...
PLATFORM_EXPORT std::string description(NavigationType type);

enum class NavigationActionPolicy { cancel, allow };
enum class NavigationResponsePolicy { cancel, allow };

/// One load of a page, from its first request until it finishes or fails. The
/// web view hands the same object to every delegate call about that load.
class PLATFORM_EXPORT Navigation {
public:
    Navigation(std::uint64_t identifier, HttpRequest request, NavigationType type)
        : identifier_(identifier), request_(std::move(request)), type_(type) {}

    std::uint64_t identifier() const { return identifier_; }
    /// The request the navigation began with (before any redirect).
    const HttpRequest& request() const { return request_; }
    NavigationType navigationType() const { return type_; }

private:
    std::uint64_t identifier_;
    HttpRequest request_;
    NavigationType type_;
};

/// A navigation about to happen, for the delegate to allow or cancel: a load by
/// the app, a link the page follows, or each server redirect of a load (asked
/// as a new action carrying the redirect's request and the load's type).
struct PLATFORM_EXPORT NavigationAction {
    HttpRequest request;
    NavigationType navigationType = NavigationType::other;
    /// The frame the navigation came from (the main frame for loads by the app).
    FrameInfo sourceFrame;
    /// The frame that will show the page; none when it opens a new window.
    std::optional<FrameInfo> targetFrame;
};

/// A response the delegate may allow (the page commits) or cancel.
struct PLATFORM_EXPORT NavigationResponse {
    /// The URL that answered (the last one after redirects).
    std::optional<Url> url;
    /// Set for HTTP and HTTPS responses: status, header fields, URL.
    std::optional<HttpResponse> httpResponse;
    /// The content type, lower-cased, without parameters.
    std::optional<std::string> mimeType;
    bool isForMainFrame = true;
    /// Whether the view can show the content; an allowed response it cannot show
    /// fails with WebKitError::cannotShowMIMEType.
    bool canShowMIMEType = true;
};

/// What a web view tells about its loads. Every method has a default (decisions
/// allow); the web view holds its delegate weakly and calls it on the main
/// thread. A decision handler must be called once, now or later; one dropped
/// without a call counts as cancel and leaves a console warning.
///
/// Order for a load over HTTP(S): decidePolicyForNavigationAction, then
/// didStartProvisionalNavigation, for each server redirect a new action
/// decision and didReceiveServerRedirect, decidePolicyForNavigationResponse,
/// didCommit (URL and title change), didFinish. Failures before the commit go
/// to didFailProvisionalNavigation, after it to didFail. A cancelled action is
/// no failure: nothing more is told about it.
class PLATFORM_EXPORT NavigationDelegate {
public:
    virtual ~NavigationDelegate() = default;

    virtual void decidePolicyForNavigationAction(WebView& webView, const NavigationAction& action,
                                                 std::function<void(NavigationActionPolicy)> decisionHandler);
    virtual void decidePolicyForNavigationResponse(WebView& webView, const NavigationResponse& response,
                                                   std::function<void(NavigationResponsePolicy)> decisionHandler);
    virtual void didStartProvisionalNavigation(WebView& /*webView*/, const std::shared_ptr<Navigation>& /*navigation*/) {}
    virtual void didReceiveServerRedirectForProvisionalNavigation(WebView& /*webView*/,
                                                                  const std::shared_ptr<Navigation>& /*navigation*/) {}
    virtual void didFailProvisionalNavigation(WebView& /*webView*/, const std::shared_ptr<Navigation>& /*navigation*/,
                                              const Error& /*error*/) {}
    virtual void didCommit(WebView& /*webView*/, const std::shared_ptr<Navigation>& /*navigation*/) {}
    virtual void didFinish(WebView& /*webView*/, const std::shared_ptr<Navigation>& /*navigation*/) {}
    virtual void didFail(WebView& /*webView*/, const std::shared_ptr<Navigation>& /*navigation*/,
                         const Error& /*error*/) {}
};

/// What a web view asks of the app's interface. Held weakly, called on the main thread.
class PLATFORM_EXPORT UIDelegate {
public:
    virtual ~UIDelegate() = default;

    /// A link that opens a new window, allowed by the navigation delegate: the
    /// app may return a new web view made with `configuration` (it then loads the
    /// link), or none to open nothing (the default).
    virtual std::shared_ptr<WebView> createWebView(WebView& webView,
                                                   const std::shared_ptr<WebViewConfiguration>& configuration,
                                                   const NavigationAction& action);
    /// The page closed its window.
    virtual void webViewDidClose(WebView& /*webView*/) {}
};

} // namespace platform::web
