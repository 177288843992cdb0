#pragma once

#include "VellicorApp/Core/Dynamic.hpp"
#include "VellicorApp/Hybrid/HybridViewModel.hpp"
#include "VellicorApp/Hybrid/WebAppEventMessageHandler.hpp"
#include "VellicorApp/Interface/CommunityViewControllable.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/Url.hpp"
#include "Platform/Web/ScriptMessage.hpp"
#include "Platform/Web/WebView.hpp"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace vellicor {

/// The community screen that owns a community model.
class CommunityHybridViewModelDelegate {
public:
    virtual ~CommunityHybridViewModelDelegate() = default;
    /// The screen as the app's flow sees it; its hybridAppDelegate() hears of
    /// the web app's bootstrap and page loads.
    virtual std::shared_ptr<CommunityViewControllable> communityScreen() = 0;
};

/// The model of a community screen: a hybrid view model that also keeps the
/// screen's loading state, passes the web app's events on to the app's flow,
/// lets the app go on when the web app never reports its bootstrap (the
/// splash time-out), recovers from failed loads and sessions, and times the
/// page load with its marker. As navigation delegate it keeps the
/// community's own pages in the web view and hands every other link to the
/// screen through externalURL().
///
/// Threads: main thread only. The splash time-out, refresh and cookie
/// completions run on the main queue and hold the model weakly.
class CommunityHybridViewModel : public HybridViewModel, public WebAppEventMessageHandlerDelegate {
public:
    using ScriptMessageHandlers = std::map<std::string, std::shared_ptr<platform::web::ScriptMessageHandler>>;
    /// Called with the web view on each change of its URL.
    using URLObserver = std::function<void(platform::web::WebView&)>;
    using RefreshCompletion = std::function<void(std::optional<platform::HttpRequest>, std::optional<platform::Error>)>;

    static std::shared_ptr<CommunityHybridViewModel> create(
        std::shared_ptr<platform::veltrane::VQHybridViewConfig> hybridViewConfig,
        std::optional<HybridViewOAuthCoordinator> oAuthCoordinator = std::nullopt);

    /// The screen; held weakly.
    std::shared_ptr<CommunityHybridViewModelDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<CommunityHybridViewModelDelegate>& delegate) { delegate_ = delegate; }

    /// How far the screen has loaded; `initialized` at creation.
    Dynamic<State>& state() { return state_; }
    /// The last link that must open outside the web view.
    Dynamic<std::optional<platform::Url>>& externalURL() { return externalURL_; }
    /// A message for the screen to show as a toast.
    Dynamic<std::optional<std::string>>& toast() { return toast_; }

    /// The page's events without reply: one handler, whose delegate is this
    /// model, under "webAppEventBootstrapDone" and "webAppEventPageLoadDone".
    /// Made at the first read.
    const ScriptMessageHandlers& scriptMessageHandlers();
    /// The base table plus a new instrumentation handler under "instrumentation"
    /// and a new native-event handler under "invokeNativeEvent" (without a
    /// delegate: the screen sets it).
    HybridViewModel::ScriptMessageHandlers scriptMessageHandlersWithReply() override;
    /// The observer the screen installs on its web view's URL: a link the URL
    /// rules send out of the app becomes externalURL(), and the web view goes
    /// back one page a second later. Made at the first read; holds the model weakly.
    const URLObserver& urlObserveChangeHandler();

    /// Starts (again) the wait for the web app's bootstrap, as long as the
    /// app's configuration says (60 s by default). When it runs out while
    /// the screen is still `initialized`, the network reachable and no other
    /// window in front, the app goes on without the web app: a fault, the
    /// markers, state `premLoad`, and the bootstrap reported with no response.
    virtual void startSplashDismissalTimeout();
    /// Refreshes the signed-in user's session and asks for the page `url`
    /// gives (evaluated once the refresh is over). Not possible while the
    /// screen is `initialized` or without credentials: the completion then
    /// gets the SDK's error at once (OAuth error 684).
    virtual void refreshUserCredentials(std::function<std::optional<platform::Url>()> url, RefreshCompletion completion);

    OAuthResultHandling handleOAuthResults(const std::optional<std::string>& url,
                                           const platform::veltrane::VQAuthResult& result) override;
    void handleNetworkFailureResponse(const platform::Error& error) override;
    /// The screen that owns the model (its delegate); none once it is gone.
    std::shared_ptr<const platform::ui::ViewController> faultScreen() const override;
    /// Back to `initialized` with a new splash time-out, then the refresh.
    void refreshCredentials(std::shared_ptr<platform::veltrane::VQOAuthCredentials> credentials,
                            platform::veltrane::VQAuthCompletion completion) override;

    // WebAppEventMessageHandlerDelegate
    void communityAppBootstrapDidComplete(WebAppEventMessageHandler& handler,
                                          const std::optional<platform::Json>& response) override;
    void communityAppPageLoadDidComplete(WebAppEventMessageHandler& handler) override;

    // NavigationDelegate
    void decidePolicyForNavigationAction(platform::web::WebView& webView, const platform::web::NavigationAction& action,
                                         std::function<void(platform::web::NavigationActionPolicy)> decisionHandler) override;
    void decidePolicyForNavigationResponse(
        platform::web::WebView& webView, const platform::web::NavigationResponse& response,
        std::function<void(platform::web::NavigationResponsePolicy)> decisionHandler) override;

protected:
    using HybridViewModel::HybridViewModel;

private:
    std::weak_ptr<CommunityHybridViewModel> weakSelf();
    /// The state of the community screen the app's flow shows (a tab bar
    /// reports its first tab's); this model's own while the flow holds none.
    State globalState() const;
    /// Runs the app's interface again from its permissions step, through the
    /// app's coordinator when there is one.
    void executePostAuthFlow();
    /// Asks the app's coordinator to open the page once the interface is up
    /// again (unless another action is already queued).
    void preserveLastSessionURL(const platform::Url& url);

    void splashDismissalTimeoutDidFire();
    void cancelSplashDismissalTimeout();
    void callWebAppDidBootstrap(const std::optional<platform::Json>& response);
    /// A failure sets `premLoad` unless the web app already bootstrapped;
    /// the listener hears of it either way.
    void fallBackToPremLoad();
    void logCurrentMarker();

    std::weak_ptr<CommunityHybridViewModelDelegate> delegate_;
    std::shared_ptr<platform::WorkItem> splashDismissalTimeoutWorkItem_;
    Dynamic<State> state_{State::initialized};
    Dynamic<std::optional<platform::Url>> externalURL_{std::nullopt};
    Dynamic<std::optional<std::string>> toast_{std::nullopt};
    std::optional<ScriptMessageHandlers> scriptMessageHandlers_;
    std::optional<int> webViewNavErrorCode_;
    std::optional<URLObserver> urlObserveChangeHandler_;
};

} // namespace vellicor
