#pragma once

#include "VellicorApp/Hybrid/CommunityHybridViewModel.hpp"
#include "VellicorApp/Hybrid/HybridViewController.hpp"
#include "VellicorApp/Hybrid/JSCallDispatchEventHandler.hpp"
#include "VellicorApp/Hybrid/JSEventsCoordinator.hpp"
#include "VellicorApp/Hybrid/TarnixBridge.hpp"
#include "VellicorApp/Hybrid/URLRequestWebLoadable.hpp"
#include "VellicorApp/Hybrid/WebViewOAuthRefreshable.hpp"
#include "VellicorApp/Interface/CommunityViewControllable.hpp"

#include "Platform/Web/WebView.hpp"

#include <memory>
#include <optional>
#include <string>

namespace vellicor {

class ProgressView;
class Toast;

/// The screen that shows one community site: a hybrid screen over a
/// community model. It wires the page's message handlers, the plug-in bridge
/// and the calls into the page to its web view, mirrors the model's state,
/// outside links and toast texts into the interface, and is what the rest of
/// the app drives as a CommunityViewControllable.
///
/// Lifetime: the screen owns its model, call dispatcher, events coordinator,
/// bridge value and toast. Everything that can outlive a call (the model's
/// listeners, the URL observation, the bridge's presenter, the events
/// coordinator and the handlers it makes) reaches the screen weakly and does
/// nothing once it is gone; the URL observation ends first when it goes.
/// Built in code only. Main thread only.
class CommunityHybridViewController : public HybridViewController,
                                      public WebViewOAuthRefreshable,
                                      public URLRequestWebLoadable,
                                      public CommunityHybridViewModelDelegate {
public:
    /// A screen over the model; it becomes the model's delegate.
    static std::shared_ptr<CommunityHybridViewController> create(std::shared_ptr<CommunityHybridViewModel> viewModel);
    /// What a storyboard naming this class would get: the screen is built in
    /// code only, so this stops the app ("This class does not support NSCoder").
    [[noreturn]] static std::shared_ptr<CommunityHybridViewController> makeStoryboardContent();
    ~CommunityHybridViewController() override;

    const std::shared_ptr<CommunityHybridViewModel>& communityHybridViewModel() const {
        return communityHybridViewModel_;
    }
    /// Made when the message handlers are configured; none before.
    const std::shared_ptr<JSCallDispatchEventHandler>& jsCallDispatchHandler() const { return jsCallDispatchHandler_; }
    /// Carries out the page's native events; made at the first read.
    const std::shared_ptr<JSEventsCoordinator>& eventsCoordinator();
    /// The progress overlay while the screen has not loaded; none otherwise.
    std::shared_ptr<ProgressView> progressView() const { return progressView_.lock(); }
    /// The toast the screen shows its model's messages in; made at the first read.
    const std::shared_ptr<Toast>& toastView();
    /// Where faults and toasts are shown: the community screen the app's
    /// flow holds, once it holds one; until then this screen.
    std::shared_ptr<platform::ui::ViewController> webAppViewController();

    /// The base set-up, then the splash time-out, the model's listeners and
    /// the observation of the web view's URL.
    void viewDidLoad() override;
    /// Shows the queued faults of this screen and of no screen.
    void viewDidAppear(bool animated) override;
    std::string typeName() const override { return "CommunityHybridViewController"; }

    // CommunityViewControllable
    std::shared_ptr<CommunityViewControllerDelegate> hybridAppDelegate() const override { return delegate_.lock(); }
    /// Held weakly.
    void setHybridAppDelegate(const std::shared_ptr<CommunityViewControllerDelegate>& delegate) override {
        delegate_ = delegate;
    }
    State state() const override;
    std::shared_ptr<platform::web::WebView> hybridAppWebView() const override;
    std::shared_ptr<platform::veltrane::VQHybridViewConfig> hybridWebViewConfig() const override;
    /// In the web view, the shared-cookie browser or outside the app, by the
    /// URL rules; a link of another kind than a web page always goes outside.
    void openURL(const platform::Url& url) override;
    /// The three below do nothing before the message handlers are configured.
    void openRecord(const std::string& recordId) override;
    void refreshNotifications() override;
    void sendKORVALogs() override;
    /// Refreshes the session through the model; a request that comes back is
    /// loaded in the web view (also without a completion), and the
    /// completion gets its URL and the error.
    void refreshUserCredentials(
        const std::optional<platform::Url>& pageURL,
        std::function<void(std::optional<std::string>, std::optional<platform::Error>)> completion) override;

    // WebViewOAuthRefreshable
    std::optional<platform::HttpRequest> reAuthRedirectURLRequest() const override;

    // CommunityHybridViewModelDelegate
    std::shared_ptr<CommunityViewControllable> communityScreen() override;

protected:
    explicit CommunityHybridViewController(std::shared_ptr<CommunityHybridViewModel> viewModel);

    /// Replaces the base registration: the model's handlers with and without
    /// reply, the plug-in bridge and its page runtime, the call dispatcher;
    /// then takes the instrumentation handler away again.
    void configureJSMessageHandlers() override;

private:
    std::shared_ptr<CommunityHybridViewController> self();
    std::weak_ptr<CommunityHybridViewController> weakSelf();
    const TarnixBridge& tarnixBridge();
    void bindViewModelListeners();
    void stateDidChange(State state);
    void externalURLDidChange(const std::optional<platform::Url>& url);
    void toastDidChange(const std::optional<std::string>& text);

    std::weak_ptr<CommunityViewControllerDelegate> delegate_;
    const std::shared_ptr<CommunityHybridViewModel> communityHybridViewModel_;
    std::shared_ptr<JSCallDispatchEventHandler> jsCallDispatchHandler_;
    std::optional<TarnixBridge> tarnixBridge_;
    std::shared_ptr<JSEventsCoordinator> eventsCoordinator_;
    std::shared_ptr<platform::web::WebViewObservation> urlChangeObserver_;
    std::weak_ptr<ProgressView> progressView_;
    std::shared_ptr<Toast> toastView_;
};

} // namespace vellicor
