#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/SDKs/Veltrane/UrlAdditions.hpp"
#include "Platform/SDKs/Veltrane/VQLoginViewController.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthClient.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthError.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManagerInternal.hpp"

// The sign-in flow: the login screen, its redirect, the code exchange.

namespace platform::veltrane {

using namespace accountmanager;

namespace {

/// The error of a redirect that came back with "error" instead of a code.
Error redirectError(const std::string& error, const std::optional<std::string>& description) {
    long code = VQOAuthErrorCode::unknown;
    if (error == "access_denied") code = VQOAuthErrorCode::accessDenied;
    else if (error == "invalid_request" || error == "unsupported_response_type") code = VQOAuthErrorCode::invalidRequest;
    else if (error == "invalid_client" || error == "unauthorized_client") code = VQOAuthErrorCode::invalidClientId;
    Error result = makeOAuthError(code, description.value_or(error));
    result.userInfo["error"] = error;
    return result;
}

} // namespace

struct VQUserAccountManager::AuthFlow {
    VQOAuthClient::Pkce pkce;
    std::string state;
    std::string loginHost;
    std::string clientId;
    std::string redirectUri;
    std::optional<Url> redirect;
    std::optional<Url> authorizationUrl;
    std::vector<VQAuthCompletion> completions;
    std::shared_ptr<VQLoginViewController> loginViewController;
    std::shared_ptr<ui::NavigationController> navigationController;
    std::shared_ptr<VQSDKWindowContainer> window;
    bool exchanging = false;
    bool ended = false;
};

bool VQUserAccountManager::login(VQAuthCompletion completion) {
    if (!completion) completion = [](VQAuthResult) {};
    {
        std::lock_guard lock(mutex_);
        if (flow_) {
            flow_->completions.push_back(std::move(completion));
            return true;
        }
    }
    auto flow = std::make_shared<AuthFlow>();
    flow->loginHost = loginHost();
    flow->clientId = oauthClientId();
    flow->redirectUri = oauthCompletionUrl();
    flow->redirect = Url::parse(flow->redirectUri);
    flow->pkce = VQOAuthClient::Pkce::make();
    flow->state = randomState();
    flow->authorizationUrl = VQOAuthClient::authorizationUrl(flow->loginHost, flow->clientId, flow->redirectUri,
                                                             flow->pkce.challenge, flow->state, scopes());
    std::optional<Error> refused;
    if (flow->loginHost.empty()) {
        refused = makeOAuthError(VQOAuthErrorCode::unavailable, "There is no login host to sign in at.");
    } else if (flow->clientId.empty()) {
        refused = makeOAuthError(VQOAuthErrorCode::invalidClientId, "No OAuth client id is set.");
    } else if (!flow->redirect || !flow->redirect->scheme() || !flow->authorizationUrl) {
        refused = makeOAuthError(VQOAuthErrorCode::invalidRequest, "No usable OAuth redirect URI is set.");
    }
    if (refused) {
        logger()->e(kClassName, "Cannot sign in: " + refused->localizedDescription());
        MainQueue::async([completion = std::move(completion), error = *refused] {
            completion(std::unexpected(UserAccountManagerError::loginFailed(error)));
        });
        return false;
    }
    flow->completions.push_back(std::move(completion));
    {
        std::lock_guard lock(mutex_);
        flow_ = flow;
    }

    post(kVQNotificationUserWillShowAuthView, nullptr);
    auto config = loginViewControllerConfig();
    if (!config) config = VQSDKLoginViewControllerConfig::create();
    std::shared_ptr<VQLoginViewController> screen;
    if (config->loginViewControllerCreationBlock) screen = config->loginViewControllerCreationBlock();
    if (!screen) screen = VQLoginViewController::create();
    screen->prepare(shared_from_this(), config, *flow->authorizationUrl);
    flow->loginViewController = screen;
    flow->navigationController = ui::NavigationController::create(screen);
    flow->navigationController->setNavigationBarHidden(!config->showsNavigationBar, false);
    if (auto window = VQSDKWindowManager::sharedManager()->authWindow()) {
        window->setViewController(flow->navigationController);
        window->presentWindowAnimated(false);
        flow->window = window;
    }
    // The sign-in page loads now, whether or not a window shows it.
    screen->loadViewIfNeeded();
    logger()->i(kClassName, "Presenting the login screen for " + flow->loginHost + ".");
    return true;
}

bool VQUserAccountManager::isAuthenticating() const {
    std::lock_guard lock(mutex_);
    return flow_ != nullptr;
}

std::shared_ptr<VQLoginViewController> VQUserAccountManager::loginViewController() const {
    std::lock_guard lock(mutex_);
    return flow_ ? flow_->loginViewController : nullptr;
}

std::optional<Url> VQUserAccountManager::authorizationURL() const {
    std::lock_guard lock(mutex_);
    return flow_ ? flow_->authorizationUrl : std::nullopt;
}

bool VQUserAccountManager::isAuthorizationRedirect(const Url& url) const {
    std::lock_guard lock(mutex_);
    return flow_ && flow_->redirect && isRedirect(url, *flow_->redirect);
}

bool VQUserAccountManager::handleAuthorizationRedirect(const Url& url) {
    std::shared_ptr<AuthFlow> flow;
    {
        std::lock_guard lock(mutex_);
        flow = flow_;
    }
    if (!flow || flow->exchanging || !flow->redirect || !isRedirect(url, *flow->redirect)) return false;
    // Only an answer carrying this sign-in's state speaks for it. Anything else
    // (a forged or stale redirect, a page's error without state) must not end
    // the sign-in the user is still going through.
    if (valueForParameterName(url, "state") != flow->state) {
        logger()->w(kClassName, "Ignored a sign-in answer that does not carry the sign-in's state.");
        return false;
    }
    if (auto error = valueForParameterName(url, "error")) {
        failFlow(flow, UserAccountManagerError::loginFailed(
                           redirectError(*error, valueForParameterName(url, "error_description"))));
        return true;
    }
    auto code = valueForParameterName(url, "code");
    if (!code || code->empty()) {
        failFlow(flow, UserAccountManagerError::loginFailed(
                           makeOAuthError(VQOAuthErrorCode::invalidRequest, "The sign-in answer carries no code.")));
        return true;
    }
    flow->exchanging = true;
    exchangeCode(flow, *code);
    return true;
}

void VQUserAccountManager::exchangeCode(const std::shared_ptr<AuthFlow>& flow, const std::string& code) {
    auto self = shared_from_this();
    auto fail = [self, flow](Error error) {
        MainQueue::async([self, flow, error = std::move(error)] {
            self->failFlow(flow, UserAccountManagerError::loginFailed(error));
        });
    };
    VQOAuthCredentials base;
    base.clientId = flow->clientId;
    base.redirectUri = flow->redirectUri;
    base.domain = flow->loginHost;
    base.protocol = "https";
    oauth_->exchangeCode(
        flow->loginHost, flow->clientId, flow->redirectUri, code, flow->pkce.verifier, additionalTokenRefreshParams(),
        [self, flow, fail, base](std::expected<Json, Error> answer) {
            if (!answer) return fail(answer.error());
            auto credentials = VQOAuthClient::applyTokenAnswer(*answer, base, self->additionalOAuthParameterKeys());
            if (!credentials) return fail(credentials.error());
            auto shared = std::make_shared<VQOAuthCredentials>(std::move(*credentials));
            self->oauth_->fetchIdentity(
                *shared->identityUrl, *shared->accessToken,
                [self, flow, fail, shared](std::expected<VQIdData, Error> idData) {
                    if (!idData) return fail(idData.error());
                    if (idData->userId != shared->userId || idData->orgId != shared->organizationId) {
                        return fail(makeOAuthError(VQOAuthErrorCode::malformedResponse,
                                                   "The identity data names another user."));
                    }
                    auto identity = std::make_shared<VQIdData>(std::move(*idData));
                    MainQueue::async([self, flow, shared, identity] { self->finishLogin(flow, shared, identity); });
                });
        });
}

void VQUserAccountManager::finishLogin(const std::shared_ptr<AuthFlow>& flow,
                                       std::shared_ptr<VQOAuthCredentials> credentials,
                                       std::shared_ptr<VQIdData> idData) {
    if (flow->ended) return; // stopped while the code was being exchanged
    const VQUserAccountIdentity identity{credentials->userId.value_or(""), credentials->organizationId.value_or("")};
    auto account = userAccountForIdentity(identity);
    if (account) {
        account->setCredentials(credentials);
        account->setIdData(idData);
    } else {
        account = VQUserAccount::create(credentials, idData);
    }
    account->setLoginState(VQUserAccountLoginState::loggedIn);
    post(kVQNotificationUserWillLogIn, account);
    setCurrentUser(account);
    endFlow(flow);
    logger()->i(kClassName, "Signed in " + account->description() + ".");
    post(kVQNotificationUserDidLogIn, account);
    for (auto& completion : flow->completions) completion(VQAuthSuccess{account, VQOAuthInfo(VQOAuthType::webServer)});
    flow->completions.clear();
}

void VQUserAccountManager::failFlow(const std::shared_ptr<AuthFlow>& flow, const UserAccountManagerError& error) {
    if (flow->ended) return;
    endFlow(flow);
    logger()->e(kClassName, "Sign-in ended: " + localizedDescription(error));
    auto completions = std::move(flow->completions);
    flow->completions.clear();
    for (auto& completion : completions) completion(std::unexpected(error));
}

void VQUserAccountManager::endFlow(const std::shared_ptr<AuthFlow>& flow) {
    flow->ended = true;
    {
        std::lock_guard lock(mutex_);
        if (flow_ == flow) flow_.reset();
    }
    if (auto screen = flow->loginViewController; screen && screen->oauthView()) screen->oauthView()->stopLoading();
    if (auto window = flow->window) {
        window->dismissWindowAnimated(false, [window, flow] {
            // A later sign-in may already show its own screen there.
            if (window->viewController() == flow->navigationController) window->setViewController(nullptr);
        });
    }
}

void VQUserAccountManager::stopCurrentAuthentication(std::function<void(bool)> completion) {
    std::shared_ptr<AuthFlow> flow;
    {
        std::lock_guard lock(mutex_);
        flow = flow_;
    }
    if (flow) failFlow(flow, UserAccountManagerError::cancelled());
    if (completion) completion(flow != nullptr);
}

void VQUserAccountManager::userDidCancelAuthentication() {
    if (auto handler = authCancelledByUserHandlerBlock()) {
        handler();
        return;
    }
    stopCurrentAuthentication();
}

} // namespace platform::veltrane
