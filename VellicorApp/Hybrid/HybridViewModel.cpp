#include "VellicorApp/Hybrid/HybridViewModel.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/FaultManager.hpp"
#include "VellicorApp/Core/Faults.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Core/UserAgent.hpp"
#include "VellicorApp/Hybrid/WebViewConfigurationFactory.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerManaging.hpp"

#include "Platform/Foundation/Clock.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/UIDevice.hpp"
#include "Platform/SDKs/Veltrane/UserAccountManagerError.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthError.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWebUtils.hpp"
#include "Platform/SDKs/Veltrane/VeltraneHybridSDKManager.hpp"
#include "Platform/Web/WebView.hpp"

namespace vellicor {

namespace {

constexpr const char* kLogType = "HybridViewModel";

using platform::veltrane::VQAuthCompletion;
using platform::veltrane::VQAuthResult;

/// Offline: not connected to the internet, or the connection was lost.
bool isNetworkOffline(const platform::Error& error) {
    return error.domain == platform::kURLErrorDomain &&
           (error.code == platform::URLError::notConnectedToInternet ||
            error.code == platform::URLError::networkConnectionLost);
}

} // namespace

std::shared_ptr<HybridViewModel> HybridViewModel::create(
    std::shared_ptr<platform::veltrane::VQHybridViewConfig> hybridViewConfig,
    std::optional<HybridViewOAuthCoordinator> oAuthCoordinator) {
    std::shared_ptr<HybridViewModel> model(new HybridViewModel(std::move(hybridViewConfig), std::move(oAuthCoordinator)));
    model->fetchAuthConfig();
    return model;
}

HybridViewModel::HybridViewModel(std::shared_ptr<platform::veltrane::VQHybridViewConfig> hybridViewConfig,
                                 std::optional<HybridViewOAuthCoordinator> oAuthCoordinator)
    : hybridViewConfig_(std::move(hybridViewConfig)), oAuthCoordinator_(std::move(oAuthCoordinator)) {
    configureStoreSync();
}

void HybridViewModel::configureStoreSync() {
    const auto manager = platform::veltrane::VeltraneHybridSDKManager::sharedManager();
    if (!manager) return;
    manager->setupGlobalStoreFromDefaultConfig();
    manager->setupGlobalSyncsFromDefaultConfig();
    if (AppContext::current()->userAccountManager->currentUserAccount()) {
        manager->setupUserStoreFromDefaultConfig();
        manager->setupUserSyncsFromDefaultConfig();
    }
}

void HybridViewModel::fetchAuthConfig() {
    std::weak_ptr<HybridViewModel> weakSelf = weak_from_this();
    auto authConfigClosure = [weakSelf](std::shared_ptr<platform::veltrane::VQOAuthOrgAuthConfiguration> configuration,
                                        std::optional<platform::Error> error) {
        // A failed fetch keeps the coordinator the model was made with.
        if (error) return;
        platform::MainQueue::async([weakSelf, configuration = std::move(configuration)] {
            const auto self = weakSelf.lock();
            if (!self) return;
            self->authConfig_ = configuration;
            self->oAuthCoordinator_ = HybridViewOAuthCoordinator(configuration, self->startPage());
        });
    };
    platform::veltrane::VQSDKAuthConfigUtil::getCustomDomainAuthConfig(
        std::move(authConfigClosure), AppContext::current()->userAccountManager->loginHost());
}

const std::optional<std::string>& HybridViewModel::startPage() {
    if (startPage_) return *startPage_;
    std::optional<std::string> page;
    if (AppContext::current()->userAccountManager->currentUserAccount()) {
        if (const auto configured = hybridViewConfig_->startPage()) {
            if (const auto frontDoor = HybridViewOAuthCoordinator::generateFrontDoorURL(*configured, true, false)) {
                page = frontDoor->absoluteString();
            }
        }
    } else {
        page = hybridViewConfig_->unauthenticatedStartPage();
    }
    startPage_ = std::move(page);
    return *startPage_;
}

const std::shared_ptr<platform::web::WebViewConfiguration>& HybridViewModel::webViewConfig() {
    if (!webViewConfig_) {
        WebViewConfigurationFactory factory(userAgent(platform::ui::UserInterfaceSizeClass::compact));
        webViewConfig_ = factory.defaultConfig();
    }
    return webViewConfig_;
}

HybridViewModel::ScriptMessageHandlers HybridViewModel::scriptMessageHandlersWithReply() {
    auto handler = AuthenticationMessageHandler::create(userAgent(platform::ui::UserInterfaceSizeClass::compact));
    handler->setDelegate(shared_from_this());
    ScriptMessageHandlers handlers;
    for (const auto type : AuthenticationMessageHandler::kAllMessageTypes) {
        handlers.emplace(std::string(AuthenticationMessageHandler::rawValue(type)), handler);
    }
    return handlers;
}

std::string HybridViewModel::userAgent(platform::ui::UserInterfaceSizeClass horizontalSizeClass) {
    using platform::veltrane::UIDevice;
    const auto context = AppContext::current();
    auto devicePlatform = UIDevice::platformString();
    if (devicePlatform.starts_with("Unknown")) devicePlatform = UIDevice::platform().value_or("N/A");

    std::string agent = context->veltraneSDKManager->userAgentGenerator()(hybridViewConfig_->isLocal() ? "Local" : "Remote");
    agent.append(" ").append(devicePlatform);
    agent.append(" ").append(context->communityIdentifier());
    agent.append(" ").append(UserAgent::safariWebKitVersion());
    if (horizontalSizeClass == platform::ui::UserInterfaceSizeClass::regular) agent.append(" veskff/lg");
    // The SDK's own web requests carry the same agent.
    platform::veltrane::VQSDKWebUtils::configureUserAgent(agent);
    return agent;
}

void HybridViewModel::endUserSessionRefreshKORVAMarker(const std::optional<platform::Error>& error) {
    if (!sessionRefreshMarkerID_) return;
    const auto center = AppContext::current()->korvaMarkerCenter;
    const auto markerID = *std::exchange(sessionRefreshMarkerID_, std::nullopt);
    if (const auto marker = center->getMarker(markerID)) {
        marker->setAttributes(platform::Json{{"error", error ? error->localizedDescription() : std::string("N/A")}});
    }
    center->end(markerID, platform::now());
    center->log(markerID);
}

HybridViewModel::OAuthResultHandling HybridViewModel::handleOAuthResults(const std::optional<std::string>& url,
                                                                         const VQAuthResult& result) {
    const auto context = AppContext::current();
    if (result) {
        endUserSessionRefreshKORVAMarker(std::nullopt);
        // Also after a first sign-in: log text read by support tooling; keep verbatim.
        Logger::info("Successfully performed proactive auth session refresh", kLogType);
        context->userAccountManager->setCurrentUserAccount(result->userAccount);
        if (!oAuthCoordinator_) return {std::nullopt, std::nullopt};
        return {oAuthCoordinator_->authCompletion(url, result->authInfo), std::nullopt};
    }

    const auto& failure = result.error();
    const auto sdkError = platform::veltrane::asError(failure);
    endUserSessionRefreshKORVAMarker(sdkError);
    Logger::error("OAuth failed with error " + platform::veltrane::localizedDescription(failure) +
                      ". Error code: " + std::to_string(sdkError.code),
                  kLogType);
    auto examined = sdkError;
    if (const auto underlying = platform::veltrane::underlyingError(failure)) {
        Logger::error("OAuth failed with underlying error code " + std::to_string(underlying->code), kLogType);
        examined = *underlying;
    }
    // A refused grant cannot be refreshed again: the user must sign in anew.
    if (examined.domain == platform::veltrane::kVQOAuthErrorDomain &&
        examined.code == platform::veltrane::VQOAuthErrorCode::invalidGrant) {
        context->userAccountManager->logout();
    } else {
        handleNetworkFailureResponse(sdkError);
    }
    return {std::nullopt, sdkError};
}

void HybridViewModel::handleNetworkFailureResponse(const platform::Error& error) {
    Logger::error("Handling failure by triggering PostAuthFlow with error description: " +
                      error.localizedDescription() + " ",
                  kLogType);
    const auto center = AppContext::current()->korvaMarkerCenter;
    const auto markerID =
        center->createMarker(KORVAMarkerName::webViewBootstrapError, KORVAMarkerType::error, KORVAErrorType::info);
    center->log(markerID);
}

void HybridViewModel::refreshCredentials(std::shared_ptr<platform::veltrane::VQOAuthCredentials> credentials,
                                         VQAuthCompletion completion) {
    const auto context = AppContext::current();
    isReAuthenticating_ = true;
    const auto center = context->korvaMarkerCenter;
    sessionRefreshMarkerID_ =
        center->createMarker(KORVAMarkerName::userSessionRefresh, KORVAMarkerType::performance, KORVAErrorType::info);
    center->start(*sessionRefreshMarkerID_, platform::now());

    std::weak_ptr<HybridViewModel> weakSelf = weak_from_this();
    context->userAccountManager->refresh(
        std::move(credentials), [weakSelf, completion = std::move(completion)](VQAuthResult result) mutable {
            // The SDK may answer on a worker thread; the flag belongs to the main thread.
            platform::MainQueue::async([weakSelf, completion = std::move(completion), result = std::move(result)] {
                if (const auto self = weakSelf.lock()) self->isReAuthenticating_ = false;
                if (completion) completion(result);
            });
        });
}

void HybridViewModel::authenticate(VQAuthCompletion completion) {
    const auto accounts = AppContext::current()->userAccountManager;
    if (const auto user = accounts->currentUserAccount()) {
        if (const auto credentials = user->credentials()) {
            refreshCredentials(credentials, std::move(completion));
        } else {
            // Nothing to refresh with: the logout brings the user to the login
            // screen; the page's own request is answered by its reply object.
            accounts->logout();
        }
        return;
    }
    accounts->login(std::move(completion));
}

void HybridViewModel::authenticationMessageHandlerShouldAuthenticate(VQAuthCompletion completion) {
    authenticate(std::move(completion));
}

HybridViewModel::OAuthResultHandling HybridViewModel::authenticationMessageHandlerShouldHandleOAuthResults(
    const std::optional<std::string>& address, const VQAuthResult& result) {
    return handleOAuthResults(address, result);
}

void HybridViewModel::decidePolicyForNavigationAction(
    platform::web::WebView& webView, const platform::web::NavigationAction& action,
    std::function<void(platform::web::NavigationActionPolicy)> decisionHandler) {
    using platform::web::NavigationActionPolicy;
    if (isReAuthenticating_) {
        // Log text read by support tooling; keep verbatim.
        Logger::info("Canceling and preserving URL request coz re-authentication in process.", kLogType);
        reAuthRedirectURLRequest_.setValue(action.request);
        decisionHandler(NavigationActionPolicy::cancel);
        return;
    }
    if (action.request.url && oAuthCoordinator_) {
        if (auto target = oAuthCoordinator_->isLoginRedirectURL(*action.request.url)) {
            if (!refreshedNavigation_.expired()) {
                // The page a refresh led to sends to a login page again: another
                // refresh would end here once more, without end. The navigation
                // goes on to the login page.
                Logger::info("Showing the login page: the session was refreshed for this navigation already.",
                             kLogType);
                decisionHandler(NavigationActionPolicy::allow);
                return;
            }
            // Sets the SDK's agent as a side effect, for the sign-in's own requests.
            userAgent(platform::ui::UserInterfaceSizeClass::compact);
            std::weak_ptr<HybridViewModel> weakSelf = weak_from_this();
            std::weak_ptr<platform::web::WebView> weakView =
                std::static_pointer_cast<platform::web::WebView>(webView.weak_from_this().lock());
            authenticate([weakSelf, weakView, target = std::move(target)](VQAuthResult result) {
                if (weakSelf.expired()) return;
                platform::MainQueue::async([weakSelf, weakView, target, result = std::move(result)] {
                    const auto self = weakSelf.lock();
                    if (!self) return;
                    const auto [request, error] = self->handleOAuthResults(target, result);
                    (void)error; // reported by handleOAuthResults
                    if (!request) return;
                    if (const auto view = weakView.lock()) self->refreshedNavigation_ = view->load(*request);
                });
            });
            decisionHandler(NavigationActionPolicy::cancel);
            return;
        }
    }
    decisionHandler(NavigationActionPolicy::allow);
}

void HybridViewModel::navigationDidEnd(const std::shared_ptr<platform::web::Navigation>& navigation) {
    if (navigation && navigation == refreshedNavigation_.lock()) refreshedNavigation_.reset();
}

void HybridViewModel::didCommit(platform::web::WebView& /*webView*/,
                                const std::shared_ptr<platform::web::Navigation>& navigation) {
    navigationDidEnd(navigation);
}

void HybridViewModel::didFail(platform::web::WebView& /*webView*/,
                              const std::shared_ptr<platform::web::Navigation>& navigation,
                              const platform::Error& error) {
    navigationDidEnd(navigation);
    const auto description = error.localizedDescription();
    Logger::error("WebView did failed navigation with error: " + description, kLogType);
    // Cancelled loads too: the user sees every load that did not finish.
    AppContext::current()->faultManager->addFault(std::make_shared<WebViewFault>(description), faultScreen());
    if (error.domain == platform::kURLErrorDomain && error.code == platform::URLError::cancelled) return;
    handleNetworkFailureResponse(error);
}

void HybridViewModel::didFailProvisionalNavigation(platform::web::WebView& /*webView*/,
                                                   const std::shared_ptr<platform::web::Navigation>& navigation,
                                                   const platform::Error& error) {
    navigationDidEnd(navigation);
    Logger::error("WebView did failed provisional navigation with error: " + error.localizedDescription(), kLogType);
    if (isNetworkOffline(error)) handleNetworkFailureResponse(error);
}

} // namespace vellicor
