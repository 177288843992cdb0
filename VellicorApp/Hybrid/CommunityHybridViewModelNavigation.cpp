// How a community screen's model decides about navigations: the community's
// own pages stay in the web view, every other link goes to the screen as
// externalURL(), the community's logout page logs the user out, a community
// front door that refuses the token starts a session refresh, and a server
// error of the loaded web app restarts the app's interface.

#include "VellicorApp/Hybrid/CommunityHybridViewModel.hpp"

#include "VellicorApp/Community/InternalServerError.hpp"
#include "VellicorApp/Community/ManagedURLType.hpp"
#include "VellicorApp/Community/UrlClassification.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/LogMasking.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Hybrid/CommunityOrigin.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/Text.hpp"

namespace vellicor {

namespace {

constexpr const char* kLogType = "CommunityHybridViewModel";
constexpr std::string_view kLogoutPath = "/gate/logout.vx";
constexpr std::string_view kFrontDoorPath = "/gate/entry.vx";
constexpr double kGoBackDelay = 1.0;

using platform::web::NavigationActionPolicy;
using platform::web::NavigationResponsePolicy;

/// Whether the web view shows the link itself: no rule, or a rule that keeps it in the app.
bool staysInWebView(const platform::Url& url) {
    const auto type = isManagedURL(url);
    return type == ManagedURLType::unknown || type == ManagedURLType::internalWebApp;
}

} // namespace

void CommunityHybridViewModel::decidePolicyForNavigationAction(
    platform::web::WebView& webView, const platform::web::NavigationAction& action,
    std::function<void(NavigationActionPolicy)> decisionHandler) {
    // The web view always names a URL; without one the shared rules decide.
    if (!action.request.url) {
        HybridViewModel::decidePolicyForNavigationAction(webView, action, std::move(decisionHandler));
        return;
    }
    const auto& url = *action.request.url;
    const auto address = url.absoluteString();
    // Origin and path only: queries and fragments carry codes and tokens.
    Logger::info("Handling " + loggableAddress(url), kLogType);
    if (isCommunityPage(url, kLogoutPath)) {
        AppContext::current()->userAccountManager->logout();
        decisionHandler(NavigationActionPolicy::cancel);
        return;
    }
    const auto lowered = platform::lowercased(address);
    const bool isWebPage = isHttpRequest(url) || lowered == "about:blank" || lowered == "about:srcdoc";
    if (isWebPage && staysInWebView(url)) {
        HybridViewModel::decidePolicyForNavigationAction(webView, action, std::move(decisionHandler));
        return;
    }
    externalURL_.setValue(url);
    decisionHandler(NavigationActionPolicy::cancel);
}

void CommunityHybridViewModel::decidePolicyForNavigationResponse(
    platform::web::WebView& webView, const platform::web::NavigationResponse& response,
    std::function<void(NavigationResponsePolicy)> decisionHandler) {
    if (!response.httpResponse || !response.url) {
        decisionHandler(NavigationResponsePolicy::allow);
        return;
    }
    const int status = response.httpResponse->statusCode();
    // Reported with the page-load marker when it is logged.
    if (currentMarkerID() && status >= 400 && status <= 599) webViewNavErrorCode_ = status;
    InternalServerError::check(webView.shared(), *response.httpResponse);

    if (isCommunityPage(*response.url, kFrontDoorPath) && (status == 401 || status == 403)) {
        // Log text read by support tooling; keep verbatim.
        Logger::info("Performing passive session refresh on entry.vx 401/403 failure", kLogType);
        // No completion and nothing loaded here: the splash time-out offers a
        // refresh if the session cannot be mended, where reloading could loop
        // on a front door that keeps refusing.
        refreshUserCredentials([url = *response.url]() -> std::optional<platform::Url> { return url; }, {});
        decisionHandler(NavigationResponsePolicy::cancel);
        return;
    }
    if (globalState() == State::pageLoaded && status == 500) {
        // Log text read by support tooling; keep verbatim.
        Logger::info("Performing post auth flow on 500 failure", kLogType);
        executePostAuthFlow();
        decisionHandler(NavigationResponsePolicy::cancel);
        return;
    }
    decisionHandler(NavigationResponsePolicy::allow);
}

const CommunityHybridViewModel::URLObserver& CommunityHybridViewModel::urlObserveChangeHandler() {
    if (!urlObserveChangeHandler_) {
        urlObserveChangeHandler_ = [weak = weakSelf()](platform::web::WebView& webView) {
            const auto self = weak.lock();
            if (!self) return;
            const auto& url = webView.url();
            if (!url || staysInWebView(*url)) return;
            Logger::info("(URL Management) Handling " + loggableAddress(*url) + " as external URL.", kLogType);
            self->externalURL_.setValue(*url);
            // The page the script moved to is not the community's: back to the one before.
            platform::MainQueue::asyncAfter(kGoBackDelay, [view = webView.shared()] { view->goBack(); });
        };
    }
    return *urlObserveChangeHandler_;
}

} // namespace vellicor
