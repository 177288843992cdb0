#include "VellicorApp/Hybrid/CommunityHybridViewModel.hpp"

#include "VellicorApp/Community/UrlClassification.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/AppCoordinating.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/FaultManager.hpp"
#include "VellicorApp/Core/Faults.hpp"
#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Hybrid/AuthenticationObserver.hpp"
#include "VellicorApp/Hybrid/InstrumentationMessageHandler.hpp"
#include "VellicorApp/Hybrid/InvokeNativeEventMessageHandler.hpp"
#include "VellicorApp/Hybrid/UserTrackingTransparencyManager.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerManaging.hpp"
#include "VellicorApp/Interface/CommunityViewControllerDelegate.hpp"

#include "Platform/Foundation/Clock.hpp"
#include "Platform/SDKs/Veltrane/UserAccountManagerError.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthError.hpp"
#include "Platform/SDKs/Veltrane/VQSDKReachability.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"

namespace vellicor {

namespace {

constexpr const char* kLogType = "CommunityHybridViewModel";
/// The OAuth error of a refresh that cannot run (no session to refresh yet).
constexpr long kRefreshNotPossibleCode = 684;
constexpr double kFallbackRequestTimeout = 60.0;

} // namespace

std::shared_ptr<CommunityHybridViewModel> CommunityHybridViewModel::create(
    std::shared_ptr<platform::veltrane::VQHybridViewConfig> hybridViewConfig,
    std::optional<HybridViewOAuthCoordinator> oAuthCoordinator) {
    std::shared_ptr<CommunityHybridViewModel> model(
        new CommunityHybridViewModel(std::move(hybridViewConfig), std::move(oAuthCoordinator)));
    model->fetchAuthConfig();
    return model;
}

std::weak_ptr<CommunityHybridViewModel> CommunityHybridViewModel::weakSelf() {
    return std::static_pointer_cast<CommunityHybridViewModel>(shared_from_this());
}

// The screen the app's flow shows is this model's screen, or the tab bar
// whose first tab stands for all of them; until the flow holds one (the first
// load, or a tab of its own), the model's own state stands in.
State CommunityHybridViewModel::globalState() const {
    if (const auto coordinator = AppContext::current()->appCoordinating()) {
        if (const auto& screen = coordinator->communityViewController()) return screen->state();
    }
    return state_.value();
}

// Without the app's flow (a screen shown on its own) there is nothing to
// restart and nowhere to keep a page.
void CommunityHybridViewModel::executePostAuthFlow() {
    if (const auto coordinator = AppContext::current()->appCoordinating()) coordinator->executePostAuthFlow();
}

void CommunityHybridViewModel::preserveLastSessionURL(const platform::Url& url) {
    if (const auto coordinator = AppContext::current()->appCoordinating()) coordinator->preserveLastSessionURL(url);
}

const CommunityHybridViewModel::ScriptMessageHandlers& CommunityHybridViewModel::scriptMessageHandlers() {
    if (!scriptMessageHandlers_) {
        auto handler = WebAppEventMessageHandler::create();
        handler->setDelegate(std::static_pointer_cast<CommunityHybridViewModel>(shared_from_this()));
        scriptMessageHandlers_ = ScriptMessageHandlers{{WebAppEventMessageHandler::kBootstrapDone, handler},
                                                       {WebAppEventMessageHandler::kPageLoadDone, handler}};
    }
    return *scriptMessageHandlers_;
}

HybridViewModel::ScriptMessageHandlers CommunityHybridViewModel::scriptMessageHandlersWithReply() {
    auto handlers = HybridViewModel::scriptMessageHandlersWithReply();
    handlers.emplace("instrumentation", InstrumentationMessageHandler::create());
    // The screen gives this one its delegate, the coordinator of its native events.
    handlers.emplace(InvokeNativeEventMessageHandler::kMessageName, InvokeNativeEventMessageHandler::create());
    return handlers;
}

std::shared_ptr<const platform::ui::ViewController> CommunityHybridViewModel::faultScreen() const {
    const auto owner = delegate();
    const auto screen = owner ? owner->communityScreen() : nullptr;
    return screen ? screen->viewController().shared_from_this() : nullptr;
}

void CommunityHybridViewModel::startSplashDismissalTimeout() {
    auto item = platform::WorkItem::create([weak = weakSelf()] {
        if (const auto self = weak.lock()) self->splashDismissalTimeoutDidFire();
    });
    // An earlier item is replaced, not cancelled: it still runs, and finds
    // the state it acts on gone by then or acts the same way.
    splashDismissalTimeoutWorkItem_ = item;
    platform::MainQueue::asyncAfter(AppContext::current()->mainBundle->webAppBootstrapTimeout(), std::move(item));
}

void CommunityHybridViewModel::cancelSplashDismissalTimeout() {
    if (!splashDismissalTimeoutWorkItem_) return;
    splashDismissalTimeoutWorkItem_->cancel();
    splashDismissalTimeoutWorkItem_.reset();
}

void CommunityHybridViewModel::splashDismissalTimeoutDidFire() {
    if (state_.value() != State::initialized) return;
    // Offline, or behind another window (the sign-in screen): the user is not
    // waiting for the community yet. The time-out is not armed again.
    if (const auto reachability = platform::veltrane::VQSDKReachability::reachabilityForInternetConnection();
        reachability && reachability->currentReachabilityStatus() == platform::veltrane::VQSDKNetworkStatus::notReachable) {
        return;
    }
    if (const auto windows = platform::veltrane::VQSDKWindowManager::sharedManager()) {
        const auto active = windows->activeWindow();
        const auto main = windows->mainWindow();
        if (active != main) return;
    }

    // Log text read by support tooling; keep verbatim.
    Logger::warning("Prematurely dismissing splash after native timeout...!", kLogType);
    const auto context = AppContext::current();
    // The fault is this screen's: a sheet or a preloaded tab nobody looks at
    // shows it when it comes on screen, or never.
    context->faultManager->addFault(std::make_shared<AppBootstrapFault>(), faultScreen());
    const auto center = context->korvaMarkerCenter;
    center->logInteraction(KORVAMarkerName::communityPrematureLoadAfterTimeout, std::nullopt);
    const auto markerID = center->createMarker(KORVAMarkerName::communityLoadedAfterTimeout,
                                               KORVAMarkerType::performance, KORVAErrorType::info);
    center->start(markerID, platform::now());
    setCurrentMarkerID(markerID);
    state_.setValue(State::premLoad);
    cancelSplashDismissalTimeout();
    UserTrackingTransparencyManager::shared()->updateCookies([weak = weakSelf()] {
        if (const auto self = weak.lock()) self->callWebAppDidBootstrap(std::nullopt);
    });
}

void CommunityHybridViewModel::communityAppBootstrapDidComplete(WebAppEventMessageHandler& /*handler*/,
                                                                const std::optional<platform::Json>& response) {
    if (globalState() == State::premLoad) {
        Logger::info("Splash was dismissed prematurely earlier. Notifying user for successful load with JS callback.",
                     kLogType);
        toast_.setValue(localized("COMMUNITY_LOADED_SUCCESSFULLY", "Community loaded successfully"));
    }
    logCurrentMarker();
    state_.setValue(State::bootstrapped);
    cancelSplashDismissalTimeout();
    // The site reads the tracking cookie with the requests the flow makes next.
    UserTrackingTransparencyManager::shared()->updateCookies([weak = weakSelf(), response] {
        if (const auto self = weak.lock()) self->callWebAppDidBootstrap(response);
    });
}

void CommunityHybridViewModel::callWebAppDidBootstrap(const std::optional<platform::Json>& response) {
    const auto delegate = delegate_.lock();
    const auto screen = delegate ? delegate->communityScreen() : nullptr;
    const auto flow = screen ? screen->hybridAppDelegate() : nullptr;
    if (flow) flow->webAppDidBootstrap(screen, response);
}

void CommunityHybridViewModel::communityAppPageLoadDidComplete(WebAppEventMessageHandler& /*handler*/) {
    if (state_.value() == State::initialized) return;
    state_.setValue(State::pageLoaded);
    const auto delegate = delegate_.lock();
    const auto screen = delegate ? delegate->communityScreen() : nullptr;
    const auto flow = screen ? screen->hybridAppDelegate() : nullptr;
    if (flow) flow->webAppDidLoadPage(screen);
}

void CommunityHybridViewModel::logCurrentMarker() {
    const auto markerID = currentMarkerID();
    if (!markerID) return;
    const auto context = AppContext::current();
    const auto center = context->korvaMarkerCenter;
    const auto marker = center->getMarker(*markerID);
    if (!marker) return;
    auto attributes = center->loginAndNetworkStatus();
    attributes["redirectedFromLogin"] = context->authenticationObserver->loginWasDismissed();
    if (webViewNavErrorCode_) attributes["errorCode"] = *std::exchange(webViewNavErrorCode_, std::nullopt);
    marker->setAttributes(std::move(attributes));
    center->end(*markerID, platform::now());
    center->log(*markerID);
    setCurrentMarkerID(std::nullopt);
}

void CommunityHybridViewModel::fallBackToPremLoad() {
    const auto current = state_.value();
    state_.setValue(current >= State::bootstrapped ? current : State::premLoad);
}

void CommunityHybridViewModel::refreshCredentials(std::shared_ptr<platform::veltrane::VQOAuthCredentials> credentials,
                                                  platform::veltrane::VQAuthCompletion completion) {
    state_.setValue(State::initialized);
    startSplashDismissalTimeout();
    HybridViewModel::refreshCredentials(std::move(credentials), std::move(completion));
}

void CommunityHybridViewModel::refreshUserCredentials(std::function<std::optional<platform::Url>()> url,
                                                      RefreshCompletion completion) {
    const auto user = AppContext::current()->userAccountManager->currentUserAccount();
    const auto credentials = user ? user->credentials() : nullptr;
    if (globalState() == State::initialized || !credentials) {
        if (!completion) return;
        const auto notPossible = platform::veltrane::UserAccountManagerError::authenticationFailed(
            platform::Error(std::string(platform::veltrane::kVQOAuthErrorDomain), kRefreshNotPossibleCode),
            platform::veltrane::VQOAuthInfo(platform::veltrane::VQOAuthType::refresh));
        completion(std::nullopt, platform::veltrane::asError(notPossible));
        return;
    }
    // The base refresh answers on the main queue.
    refreshCredentials(credentials, [weak = weakSelf(), url = std::move(url),
                                     completion = std::move(completion)](platform::veltrane::VQAuthResult result) {
        const auto self = weak.lock();
        if (!self) {
            if (completion) completion(std::nullopt, std::nullopt);
            return;
        }
        const auto page = url ? url() : std::nullopt;
        const auto [request, error] =
            self->handleOAuthResults(page ? std::optional(page->absoluteString()) : std::nullopt, result);
        if (!request) self->fallBackToPremLoad();
        if (completion) completion(request, error);
    });
}

HybridViewModel::OAuthResultHandling CommunityHybridViewModel::handleOAuthResults(
    const std::optional<std::string>& url, const platform::veltrane::VQAuthResult& result) {
    if (!result) {
        fallBackToPremLoad();
        return HybridViewModel::handleOAuthResults(url, result);
    }
    const auto decoded = url ? platform::removingPercentEncoding(*url) : std::nullopt;
    if (!decoded) return HybridViewModel::handleOAuthResults(std::nullopt, result);

    std::optional<platform::HttpRequest> fallback;
    if (globalState() == State::pageLoaded) {
        if (const auto redirect = oAuthRedirectURL(*decoded)) {
            preserveLastSessionURL(*redirect);
            fallback = platform::HttpRequest(*redirect, kFallbackRequestTimeout);
        }
    }
    auto handled = HybridViewModel::handleOAuthResults(decoded, result);
    if (handled.first) return handled;
    return {fallback, std::nullopt};
}

void CommunityHybridViewModel::handleNetworkFailureResponse(const platform::Error& error) {
    HybridViewModel::handleNetworkFailureResponse(error);
    if (globalState() != State::initialized) executePostAuthFlow();
}

} // namespace vellicor
