#include "VellicorApp/Hybrid/CommunityHybridViewController.hpp"

#include "VellicorApp/Community/UrlClassification.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/AppCoordinating.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/FaultManager.hpp"
#include "VellicorApp/Hybrid/InvokeNativeEventMessageHandler.hpp"
#include "VellicorApp/Interface/ProgressView.hpp"
#include "VellicorApp/Interface/Toast.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/SDKs/Tarnix/TarnixJavascript.hpp"
#include "Platform/Web/ContentWorld.hpp"
#include "Platform/Web/UserContentController.hpp"
#include "Platform/Web/WebViewConfiguration.hpp"

namespace vellicor {

namespace {

/// The page runtime of the plug-in bridge, among the bridge framework's resources.
constexpr const char* kTarnixScriptName = "tarnix";
/// The handler of instrumentation events, which no community screen takes.
constexpr const char* kInstrumentationHandlerName = "instrumentation";

} // namespace

std::shared_ptr<CommunityHybridViewController> CommunityHybridViewController::create(
    std::shared_ptr<CommunityHybridViewModel> viewModel) {
    auto screen = platform::ui::makeController<CommunityHybridViewController>(viewModel);
    viewModel->setDelegate(screen);
    return screen;
}

std::shared_ptr<CommunityHybridViewController> CommunityHybridViewController::makeStoryboardContent() {
    platform::fatalError("This class does not support NSCoder");
}

CommunityHybridViewController::CommunityHybridViewController(std::shared_ptr<CommunityHybridViewModel> viewModel)
    : HybridViewController(viewModel),
      WebViewOAuthRefreshable(*this),
      URLRequestWebLoadable(static_cast<CommunityViewControllable&>(*this)),
      communityHybridViewModel_(std::move(viewModel)) {}

CommunityHybridViewController::~CommunityHybridViewController() {
    // The web view may outlive the screen (a page still loading): stop
    // hearing of its URL before anything else goes.
    if (urlChangeObserver_) urlChangeObserver_->invalidate();
}

std::shared_ptr<CommunityHybridViewController> CommunityHybridViewController::self() {
    return std::static_pointer_cast<CommunityHybridViewController>(shared_from_this());
}

std::weak_ptr<CommunityHybridViewController> CommunityHybridViewController::weakSelf() { return self(); }

const std::shared_ptr<JSEventsCoordinator>& CommunityHybridViewController::eventsCoordinator() {
    if (!eventsCoordinator_) eventsCoordinator_ = JSEventsCoordinator::create(communityScreen());
    return eventsCoordinator_;
}

const TarnixBridge& CommunityHybridViewController::tarnixBridge() {
    if (!tarnixBridge_) tarnixBridge_.emplace();
    return *tarnixBridge_;
}

const std::shared_ptr<Toast>& CommunityHybridViewController::toastView() {
    if (!toastView_) toastView_ = Toast::loadFromNib();
    return toastView_;
}

std::shared_ptr<platform::ui::ViewController> CommunityHybridViewController::webAppViewController() {
    // The screen the app shows (a tab bar holding this one, say) is where
    // the user looks.
    if (const auto coordinator = AppContext::current()->appCoordinating()) {
        if (const auto& shown = coordinator->communityViewController()) return shown->viewController().shared_from_this();
    }
    return self();
}

void CommunityHybridViewController::viewDidLoad() {
    HybridViewController::viewDidLoad();
    communityHybridViewModel_->startSplashDismissalTimeout();
    bindViewModelListeners();
    // The model's observer holds the model weakly; the token keeps it installed.
    urlChangeObserver_ = webView()->observe(platform::web::WebViewProperty::url,
                                            communityHybridViewModel_->urlObserveChangeHandler());
}

void CommunityHybridViewController::viewDidAppear(bool animated) {
    HybridViewController::viewDidAppear(animated);
    // This screen's own faults, and those of no screen.
    AppContext::current()->faultManager->presentFault(webAppViewController(), *this);
}

void CommunityHybridViewController::configureJSMessageHandlers() {
    const auto& web = webView();
    web->allowsLinkPreview = false;
    const auto& controller = web->configuration()->userContentController;
    for (const auto& [name, handler] : communityHybridViewModel_->scriptMessageHandlersWithReply()) {
        controller->addScriptMessageHandler(handler, platform::web::ContentWorld::page(), name);
        if (const auto events = std::dynamic_pointer_cast<InvokeNativeEventMessageHandler>(handler)) {
            events->setDelegate(eventsCoordinator());
        }
    }
    for (const auto& [name, handler] : communityHybridViewModel_->scriptMessageHandlers()) {
        controller->add(handler, platform::web::ContentWorld::page(), name);
    }

    tarnixBridge().create(web, [weak = weakSelf()](const std::shared_ptr<platform::ui::ViewController>& screen,
                                                   bool animated) {
        if (const auto strong = weak.lock()) strong->present(screen, animated);
    });
    // The bridge has added its runtime already; a second request adds nothing,
    // and a runtime that cannot be read leaves the page without plug-ins only.
    (void)platform::tarnixbridge::injectTarnixJavascript(*web, kTarnixScriptName);

    jsCallDispatchHandler_ = JSCallDispatchEventHandler::create(communityScreen());

    // Reading the tab bar item makes one, so every community screen, in the
    // tab bar or not, goes without the instrumentation handler.
    if (tabBarItem()) controller->removeScriptMessageHandler(kInstrumentationHandlerName);
}

void CommunityHybridViewController::bindViewModelListeners() {
    communityHybridViewModel_->state().bind([weak = weakSelf()](State state) {
        if (const auto strong = weak.lock()) strong->stateDidChange(state);
    });
    communityHybridViewModel_->externalURL().bind([weak = weakSelf()](std::optional<platform::Url> url) {
        if (const auto strong = weak.lock()) strong->externalURLDidChange(url);
    });
    communityHybridViewModel_->toast().bind([weak = weakSelf()](std::optional<std::string> text) {
        if (const auto strong = weak.lock()) strong->toastDidChange(text);
    });
}

void CommunityHybridViewController::stateDidChange(State state) {
    if (state == State::initialized) {
        auto overlay = progressView_.lock();
        if (!overlay) overlay = ProgressView::loadFromNib();
        progressView_ = overlay;
        overlay->show(*view());
        return;
    }
    if (const auto overlay = progressView_.lock()) overlay->removeFromSuperview();
}

void CommunityHybridViewController::externalURLDidChange(const std::optional<platform::Url>& url) {
    if (url) openURL(*url);
}

void CommunityHybridViewController::toastDidChange(const std::optional<std::string>& text) {
    if (!text) return;
    // The model's messages tell of success (the community has loaded after
    // all): no warning sign, and they leave on their own.
    const auto& toast = toastView();
    toast->configureMessage(*text);
    toast->present(webAppViewController(), true);
}

State CommunityHybridViewController::state() const { return communityHybridViewModel_->state().value(); }

std::shared_ptr<platform::web::WebView> CommunityHybridViewController::hybridAppWebView() const {
    return webViewIfMade();
}

std::shared_ptr<platform::veltrane::VQHybridViewConfig> CommunityHybridViewController::hybridWebViewConfig() const {
    return communityHybridViewModel_->hybridViewConfig();
}

void CommunityHybridViewController::openURL(const platform::Url& url) {
    // A mail, phone or other non-web link would come back from the web view's
    // policy as an outside link again, and the in-app browsers cannot show it.
    if (!isHttpRequest(url)) {
        loadExternalURL(url);
    } else if (shouldTreatAsInternalWebAppLink(url)) {
        loadURL(url);
    } else if (shouldTreatAsInternalCookieBrowserLink(url)) {
        loadURLCookieSupport(url, true);
    } else {
        loadExternalURL(url);
    }
}

void CommunityHybridViewController::openRecord(const std::string& recordId) {
    if (jsCallDispatchHandler_) jsCallDispatchHandler_->openRecord(recordId);
}

void CommunityHybridViewController::refreshNotifications() {
    if (jsCallDispatchHandler_) jsCallDispatchHandler_->refreshNotifications();
}

void CommunityHybridViewController::sendKORVALogs() {
    if (jsCallDispatchHandler_) jsCallDispatchHandler_->sendKORVALogs();
}

void CommunityHybridViewController::refreshUserCredentials(
    const std::optional<platform::Url>& pageURL,
    std::function<void(std::optional<std::string>, std::optional<platform::Error>)> completion) {
    auto weak = weakSelf();
    communityHybridViewModel_->refreshUserCredentials(
        [weak, pageURL]() -> std::optional<platform::Url> {
            const auto strong = weak.lock();
            if (!strong) return std::nullopt;
            return strong->responseURLForRefreshCredentials(pageURL);
        },
        [weak, completion = std::move(completion)](std::optional<platform::HttpRequest> request,
                                                   std::optional<platform::Error> error) {
            if (const auto strong = weak.lock(); strong && request) strong->webView()->load(*request);
            if (!completion) return;
            std::optional<std::string> address;
            if (request && request->url) address = request->url->absoluteString();
            completion(std::move(address), std::move(error));
        });
}

std::optional<platform::HttpRequest> CommunityHybridViewController::reAuthRedirectURLRequest() const {
    return communityHybridViewModel_->reAuthRedirectURLRequest().value();
}

std::shared_ptr<CommunityViewControllable> CommunityHybridViewController::communityScreen() { return self(); }

} // namespace vellicor
