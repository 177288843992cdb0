#pragma once

#include "VellicorApp/Core/Dynamic.hpp"
#include "VellicorApp/Hybrid/AuthenticationMessageHandler.hpp"
#include "VellicorApp/Hybrid/HybridViewOAuthCoordinator.hpp"
#include "VellicorApp/Instrumentation/KORVATrackable.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/SDKs/Veltrane/VQHybridViewConfig.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthCredentials.hpp"
#include "Platform/SDKs/Veltrane/VQSDKAuthConfigUtil.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/Web/Navigation.hpp"
#include "Platform/Web/ScriptMessage.hpp"
#include "Platform/Web/WebViewConfiguration.hpp"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace vellicor {

/// The model behind every web screen of the app: the first page to open,
/// the web view's configuration and user agent, the handler of the page's
/// authentication messages, and the navigation decisions every screen
/// shares. It spots a navigation to the platform's login page, signs in (or
/// refreshes the session) natively and loads the front door to the page the
/// login would have led to, once per navigation: when the navigation that
/// front door starts (its redirects included) meets a login page again before
/// it shows a page or fails, the login page is shown instead of another
/// refresh, so that no address can loop. It holds navigations back while a session
/// refresh runs; it turns load failures into a fault and an error marker.
///
/// The web view holds it weakly as navigation and interface delegate; the
/// screen owns it. Community screens use a derived model that overrides the
/// virtual operations; every call below that names one reaches the override.
///
/// Threads: main thread only. Completions that the SDK may call elsewhere
/// (the org's sign-in configuration, a sign-in after a login redirect, a
/// refresh) move to the main queue before they touch the model, hold it
/// weakly and do nothing once it is gone.
class HybridViewModel : public platform::web::NavigationDelegate,
                        public platform::web::UIDelegate,
                        public AuthenticationMessageHandlerDelegate,
                        public KORVATrackable,
                        public std::enable_shared_from_this<HybridViewModel> {
public:
    /// The request to load after a sign-in, and the SDK's error of a failed one.
    using OAuthResultHandling = std::pair<std::optional<platform::HttpRequest>, std::optional<platform::Error>>;
    using ScriptMessageHandlers =
        std::map<std::string, std::shared_ptr<platform::web::ScriptMessageHandlerWithReply>>;

    /// A model over the SDK's hybrid configuration. It sets up the SDK's
    /// global stores and syncs (and the user's, when someone is signed in) and
    /// starts fetching the org's sign-in configuration for the current login
    /// host; when that arrives, the coordinator is replaced by one made of it
    /// and startPage(). A failed fetch keeps `oAuthCoordinator`.
    static std::shared_ptr<HybridViewModel> create(std::shared_ptr<platform::veltrane::VQHybridViewConfig> hybridViewConfig,
                                                   std::optional<HybridViewOAuthCoordinator> oAuthCoordinator = std::nullopt);
    ~HybridViewModel() override = default;
    HybridViewModel(const HybridViewModel&) = delete;
    HybridViewModel& operator=(const HybridViewModel&) = delete;

    const std::shared_ptr<platform::veltrane::VQHybridViewConfig>& hybridViewConfig() const { return hybridViewConfig_; }

    /// The page-load marker the community model keeps open; none at creation.
    virtual std::optional<std::string> currentMarkerID() const { return currentMarkerID_; }
    virtual void setCurrentMarkerID(std::optional<std::string> markerID) { currentMarkerID_ = std::move(markerID); }

    /// The navigation last held back during a session refresh; the page to
    /// return to once the refresh is over. Bound by the screen.
    Dynamic<std::optional<platform::HttpRequest>>& reAuthRedirectURLRequest() { return reAuthRedirectURLRequest_; }

    const std::optional<HybridViewOAuthCoordinator>& oAuthCoordinator() const { return oAuthCoordinator_; }
    void setOAuthCoordinator(std::optional<HybridViewOAuthCoordinator> coordinator) {
        oAuthCoordinator_ = std::move(coordinator);
    }
    /// True from the start of a session refresh until the SDK reports its end.
    bool isReAuthenticating() const { return isReAuthenticating_; }
    /// The org's sign-in configuration once fetched; null before, and when the
    /// org has none.
    const std::shared_ptr<platform::veltrane::VQOAuthOrgAuthConfiguration>& authConfig() const { return authConfig_; }

    /// The first page the screen loads, computed at the first read and then
    /// kept (none included): with a signed-in user, the front door to the
    /// configuration's start page; else its unauthenticated start page.
    const std::optional<std::string>& startPage();
    /// The web view's configuration (made at the first read with the compact
    /// user agent, then the same object).
    const std::shared_ptr<platform::web::WebViewConfiguration>& webViewConfig();

    /// The page's authentication messages, each name mapped to one new
    /// handler whose delegate is this model; a new table on every read.
    virtual ScriptMessageHandlers scriptMessageHandlersWithReply();
    /// "<SDK agent> <platform> <community identifier> <Safari version>", plus
    /// " veskff/lg" for the regular size class. Also made the agent of the
    /// SDK's own web requests.
    virtual std::string userAgent(platform::ui::UserInterfaceSizeClass horizontalSizeClass);
    /// Ends the session-refresh marker and turns a sign-in or refresh result
    /// into the request to load: the front door to `url` after a success (the
    /// account becomes the current user); after a failure, nothing and the
    /// SDK's error, having logged the user out (a refused grant) or handled
    /// the failure as a network failure.
    virtual OAuthResultHandling handleOAuthResults(const std::optional<std::string>& url,
                                                   const platform::veltrane::VQAuthResult& result);
    /// Logs the failure and an error marker; community models recover.
    virtual void handleNetworkFailureResponse(const platform::Error& error);
    /// The screen whose faults this model reports (a failed page load): they
    /// show when that screen comes on screen and are dropped once it is gone.
    /// None here: the faults of a plain model belong to no screen.
    virtual std::shared_ptr<const platform::ui::ViewController> faultScreen() const { return nullptr; }
    /// Refreshes the session; navigations are held back until the SDK answers.
    /// The completion gets the SDK's result unchanged, once, on the main
    /// queue, after navigations are let through again (also when the model is
    /// gone by then).
    virtual void refreshCredentials(std::shared_ptr<platform::veltrane::VQOAuthCredentials> credentials,
                                    platform::veltrane::VQAuthCompletion completion);

    // AuthenticationMessageHandlerDelegate
    void authenticationMessageHandlerShouldAuthenticate(platform::veltrane::VQAuthCompletion completion) override;
    OAuthResultHandling authenticationMessageHandlerShouldHandleOAuthResults(
        const std::optional<std::string>& address, const platform::veltrane::VQAuthResult& result) override;

    // NavigationDelegate
    void decidePolicyForNavigationAction(platform::web::WebView& webView, const platform::web::NavigationAction& action,
                                         std::function<void(platform::web::NavigationActionPolicy)> decisionHandler) override;
    void didCommit(platform::web::WebView& webView, const std::shared_ptr<platform::web::Navigation>& navigation) override;
    void didFail(platform::web::WebView& webView, const std::shared_ptr<platform::web::Navigation>& navigation,
                 const platform::Error& error) override;
    void didFailProvisionalNavigation(platform::web::WebView& webView,
                                      const std::shared_ptr<platform::web::Navigation>& navigation,
                                      const platform::Error& error) override;

protected:
    HybridViewModel(std::shared_ptr<platform::veltrane::VQHybridViewConfig> hybridViewConfig,
                    std::optional<HybridViewOAuthCoordinator> oAuthCoordinator);
    /// Starts the fetch of the org's sign-in configuration. It needs the model
    /// to be owned already: the create() of every model class calls it once.
    void fetchAuthConfig();

private:
    void configureStoreSync();
    /// The native sign-in behind a login redirect or the page's request:
    /// refreshes a signed-in user's session, logs out a user without
    /// credentials (the completion is then dropped), or shows the login screen.
    void authenticate(platform::veltrane::VQAuthCompletion completion);
    void endUserSessionRefreshKORVAMarker(const std::optional<platform::Error>& error);
    /// Forgets the navigation a login redirect's refresh started once it has
    /// shown its page or failed.
    void navigationDidEnd(const std::shared_ptr<platform::web::Navigation>& navigation);

    const std::shared_ptr<platform::veltrane::VQHybridViewConfig> hybridViewConfig_;
    std::optional<std::string> currentMarkerID_;
    Dynamic<std::optional<platform::HttpRequest>> reAuthRedirectURLRequest_{std::nullopt};
    std::optional<HybridViewOAuthCoordinator> oAuthCoordinator_;
    bool isReAuthenticating_ = false;
    std::optional<std::string> sessionRefreshMarkerID_;
    /// The navigation a login redirect's refresh loaded, until it shows its
    /// page or fails (the web view keeps it alive while it runs).
    std::weak_ptr<platform::web::Navigation> refreshedNavigation_;
    std::shared_ptr<platform::veltrane::VQOAuthOrgAuthConfiguration> authConfig_;
    std::optional<std::optional<std::string>> startPage_;
    std::shared_ptr<platform::web::WebViewConfiguration> webViewConfig_;
};

} // namespace vellicor
