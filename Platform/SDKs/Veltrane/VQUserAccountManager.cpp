#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/Crypto.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/Foundation/UserDefaults.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/SDKs/Veltrane/VQLoginViewController.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthClient.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthError.hpp"
#include "Platform/SDKs/Veltrane/VQRestAPI.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLoginHostStorage.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"
#include "Platform/SDKs/Veltrane/VQSDKVeltraneAnalyticsManager.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountStore.hpp"
#include "Platform/SDKs/Veltrane/VeltraneSDKManager.hpp"

#include <algorithm>
#include <cctype>

namespace platform::veltrane {

namespace {

constexpr const char* kClassName = "VQUserAccountManager";

std::shared_ptr<VQSDKLogger> logger() { return VQSDKLogger::sharedInstanceWithComponent(kVQCoreComponentName); }

struct Shared {
    std::mutex mutex;
    std::shared_ptr<VQUserAccountManager> manager;
    std::uint64_t generation = 0;
};

Shared& shared() {
    static auto* s = new Shared;
    return *s;
}

std::string randomState() {
    std::string text = base64Encode(randomBytes(16));
    std::erase_if(text, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
    return text;
}

std::string lowercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

/// The decoded query items of a URL, in order.
std::vector<UrlQueryItem> queryItems(const Url& url) {
    auto components = UrlComponents::fromUrl(url);
    auto items = components ? components->queryItems() : std::nullopt;
    if (!items) return {};
    for (auto& item : *items) {
        if (item.value) item.value = removingPercentEncoding(*item.value).value_or(*item.value);
    }
    return *items;
}

std::optional<std::string> queryValue(const std::vector<UrlQueryItem>& items, std::string_view name) {
    for (const auto& item : items) {
        if (item.name == name) return item.value.value_or("");
    }
    return std::nullopt;
}

/// Whether `url` is `redirect` (scheme, host, port and path; the query aside).
bool isRedirect(const Url& url, const Url& redirect) {
    return lowercased(url.scheme().value_or("")) == lowercased(redirect.scheme().value_or("")) &&
           lowercased(url.host().value_or("")) == lowercased(redirect.host().value_or("")) &&
           url.port() == redirect.port() && url.path() == redirect.path();
}

std::vector<std::string> splitScopes(const std::string& text) {
    std::vector<std::string> scopes;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) scopes.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return scopes;
}

std::string refreshKey(const VQOAuthCredentials& credentials) {
    if (credentials.organizationId && credentials.userId) return *credentials.organizationId + "/" + *credentials.userId;
    return "identifier:" + credentials.identifier;
}

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

void registerAccountActions() {
    VQSDKAccountActions actions;
    actions.hasCurrentUser = [] { return VQUserAccountManager::sharedInstance()->currentUser() != nullptr; };
    actions.currentUserDescription = []() -> std::optional<std::string> {
        auto user = VQUserAccountManager::sharedInstance()->currentUser();
        if (!user) return std::nullopt;
        return user->description();
    };
    actions.logout = [] { VQUserAccountManager::sharedInstance()->logout(); };
    actions.switchUser = [](const std::shared_ptr<ui::ViewController>&) {
        auto manager = VQUserAccountManager::sharedInstance();
        manager->logout();
        manager->login({});
    };
    VeltraneSDKManager::setAccountActions(std::move(actions));
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

struct VQUserAccountManager::PendingRefresh {
    std::vector<VQAuthCompletion> completions;
};

// Life cycle -------------------------------------------------------------------

std::shared_ptr<VQUserAccountManager> VQUserAccountManager::sharedInstance() {
    auto& s = shared();
    std::shared_ptr<VQUserAccountManager> manager;
    {
        std::lock_guard lock(s.mutex);
        if (s.manager && s.generation == Sandbox::generation()) return s.manager;
        manager = std::shared_ptr<VQUserAccountManager>(new VQUserAccountManager());
        manager->loadStore();
        s.manager = manager;
        s.generation = Sandbox::generation();
    }
    registerAccountActions();
    return manager;
}

void VQUserAccountManager::resetForTesting() {
    auto& s = shared();
    std::lock_guard lock(s.mutex);
    s.manager.reset();
}

VQUserAccountManager::VQUserAccountManager()
    : oauth_(VQOAuthClient::create()), store_(std::make_unique<VQUserAccountStore>()),
      loginConfig_(VQSDKLoginViewControllerConfig::create()) {}

VQUserAccountManager::~VQUserAccountManager() = default;

void VQUserAccountManager::loadStore() {
    auto accounts = store_->loadAccounts();
    auto current = store_->loadCurrentIdentity();
    std::lock_guard lock(mutex_);
    accounts_ = std::move(accounts);
    if (current) {
        for (const auto& account : accounts_) {
            if (account->accountIdentity() == *current) currentUser_ = account;
        }
    }
}

// Accounts -----------------------------------------------------------------------

std::shared_ptr<VQUserAccount> VQUserAccountManager::currentUser() const {
    std::lock_guard lock(mutex_);
    return currentUser_;
}

void VQUserAccountManager::setCurrentUser(std::shared_ptr<VQUserAccount> account) {
    {
        std::lock_guard lock(mutex_);
        if (account && std::find(accounts_.begin(), accounts_.end(), account) == accounts_.end()) {
            std::erase_if(accounts_, [&](const auto& known) { return known->accountIdentity() == account->accountIdentity(); });
            accounts_.push_back(account);
        }
        currentUser_ = account;
    }
    if (account) {
        account->setLoginState(VQUserAccountLoginState::loggedIn);
        saveAccount(*account);
        store_->saveCurrentIdentity(account->accountIdentity());
    } else {
        store_->saveCurrentIdentity(std::nullopt);
    }
}

std::vector<std::shared_ptr<VQUserAccount>> VQUserAccountManager::allUserAccounts() const {
    std::lock_guard lock(mutex_);
    return accounts_;
}

std::shared_ptr<VQUserAccount> VQUserAccountManager::userAccountForIdentity(const VQUserAccountIdentity& identity) const {
    std::lock_guard lock(mutex_);
    for (const auto& account : accounts_) {
        if (account->accountIdentity() == identity) return account;
    }
    return nullptr;
}

void VQUserAccountManager::saveAccount(const VQUserAccount& account) {
    if (auto saved = store_->save(account); !saved) {
        logger()->e(kClassName, "Failed to store the user account: " + saved.error().localizedDescription());
    }
}

void VQUserAccountManager::post(const char* name, const std::shared_ptr<VQUserAccount>& account) {
    Json info = Json::object();
    if (account) {
        auto identity = account->accountIdentity();
        info[kVQNotificationUserInfoAccountKey] = {{"userId", identity.userId}, {"orgId", identity.orgId}};
    }
    NotificationCenter::defaultCenter()->post(name, this, std::move(info));
}

// Settings -------------------------------------------------------------------------

std::string VQUserAccountManager::loginHost() const {
    if (auto stored = UserDefaults::standard()->stringForKey(kLoginHostDefaultsKey); stored && !stored->empty()) {
        return *stored;
    }
    if (auto configured = Bundle::main()->objectForInfoDictionaryKey("TOVKOAuthLoginHost")) {
        if (auto text = asString(*configured); text && !text->empty()) return *text;
    }
    if (auto first = VQSDKLoginHostStorage::sharedInstance()->loginHostAtIndex(0)) return first->host;
    return VQSDKLoginHostStorage::productionLoginHost();
}

void VQUserAccountManager::setLoginHost(std::string host) {
    UserDefaults::standard()->set(kLoginHostDefaultsKey, host);
}

std::string VQUserAccountManager::oauthClientId() const {
    std::lock_guard lock(mutex_);
    return clientId_;
}

void VQUserAccountManager::setOauthClientId(std::string clientId) {
    std::lock_guard lock(mutex_);
    clientId_ = std::move(clientId);
}

std::string VQUserAccountManager::oauthCompletionUrl() const {
    std::lock_guard lock(mutex_);
    return completionUrl_;
}

void VQUserAccountManager::setOauthCompletionUrl(std::string url) {
    std::lock_guard lock(mutex_);
    completionUrl_ = std::move(url);
}

std::vector<std::string> VQUserAccountManager::scopes() const {
    std::lock_guard lock(mutex_);
    return scopes_;
}

void VQUserAccountManager::setScopes(std::vector<std::string> scopes) {
    std::lock_guard lock(mutex_);
    scopes_ = std::move(scopes);
}

std::vector<std::string> VQUserAccountManager::additionalOAuthParameterKeys() const {
    std::lock_guard lock(mutex_);
    return additionalKeys_;
}

void VQUserAccountManager::setAdditionalOAuthParameterKeys(std::vector<std::string> keys) {
    std::lock_guard lock(mutex_);
    additionalKeys_ = std::move(keys);
}

std::map<std::string, std::string> VQUserAccountManager::additionalTokenRefreshParams() const {
    std::lock_guard lock(mutex_);
    return additionalParams_;
}

void VQUserAccountManager::setAdditionalTokenRefreshParams(std::map<std::string, std::string> params) {
    std::lock_guard lock(mutex_);
    additionalParams_ = std::move(params);
}

std::shared_ptr<VQSDKLoginViewControllerConfig> VQUserAccountManager::loginViewControllerConfig() const {
    std::lock_guard lock(mutex_);
    return loginConfig_;
}

void VQUserAccountManager::setLoginViewControllerConfig(std::shared_ptr<VQSDKLoginViewControllerConfig> config) {
    std::lock_guard lock(mutex_);
    loginConfig_ = std::move(config);
}

std::function<void()> VQUserAccountManager::authCancelledByUserHandlerBlock() const {
    std::lock_guard lock(mutex_);
    return cancelHandler_;
}

void VQUserAccountManager::setAuthCancelledByUserHandlerBlock(std::function<void()> block) {
    std::lock_guard lock(mutex_);
    cancelHandler_ = std::move(block);
}

// Signing in -----------------------------------------------------------------------

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
    const auto items = queryItems(url);
    if (auto error = queryValue(items, "error")) {
        failFlow(flow, UserAccountManagerError::loginFailed(redirectError(*error, queryValue(items, "error_description"))));
        return true;
    }
    if (queryValue(items, "state") != flow->state) {
        failFlow(flow, UserAccountManagerError::loginFailed(makeOAuthError(
                           VQOAuthErrorCode::invalidRequest, "The sign-in answer belongs to another sign-in.")));
        return true;
    }
    auto code = queryValue(items, "code");
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

// Sessions ---------------------------------------------------------------------------

bool VQUserAccountManager::refresh(std::shared_ptr<VQOAuthCredentials> credentials, VQAuthCompletion completion) {
    if (!completion) completion = [](VQAuthResult) {};
    if (!credentials || !credentials->refreshToken || credentials->refreshToken->empty() || !credentials->clientId ||
        !credentials->domain) {
        auto error = makeOAuthError(VQOAuthErrorCode::unavailable, "The credentials cannot be refreshed.");
        DispatchQueue::global()->async([completion = std::move(completion), error] {
            completion(std::unexpected(UserAccountManagerError::refreshFailed(error)));
        });
        return false;
    }
    const auto key = refreshKey(*credentials);
    {
        std::lock_guard lock(mutex_);
        auto& pending = refreshes_[key];
        if (pending) {
            pending->completions.push_back(std::move(completion));
            return true;
        }
        pending = std::make_shared<PendingRefresh>();
        pending->completions.push_back(std::move(completion));
    }
    auto self = shared_from_this();
    oauth_->refresh(
        *credentials->domain, *credentials->clientId, *credentials->refreshToken, additionalTokenRefreshParams(),
        [self, key, credentials](std::expected<Json, Error> answer) {
            auto outcome = [&]() -> VQAuthResult {
                if (!answer) return std::unexpected(UserAccountManagerError::refreshFailed(answer.error()));
                auto updated =
                    VQOAuthClient::applyTokenAnswer(*answer, *credentials, self->additionalOAuthParameterKeys());
                if (!updated) return std::unexpected(UserAccountManagerError::refreshFailed(updated.error()));
                auto fresh = std::make_shared<VQOAuthCredentials>(std::move(*updated));
                auto account =
                    self->userAccountForIdentity({fresh->userId.value_or(""), fresh->organizationId.value_or("")});
                if (account) {
                    account->setCredentials(fresh);
                    // Stored only while the manager still keeps the account, so a
                    // refresh that crosses a logout does not bring the file back.
                    std::lock_guard lock(self->mutex_);
                    if (std::find(self->accounts_.begin(), self->accounts_.end(), account) != self->accounts_.end()) {
                        self->saveAccount(*account);
                    }
                } else {
                    // Credentials the manager does not keep (or an account logged
                    // out meanwhile): a new account for them, not stored.
                    account = VQUserAccount::create(fresh);
                    account->setLoginState(VQUserAccountLoginState::loggedIn);
                }
                MainQueue::async([self, account] { self->post(kVQNotificationUserDidRefreshToken, account); });
                return VQAuthSuccess{account, VQOAuthInfo(VQOAuthType::refresh)};
            };
            const VQAuthResult result = outcome();
            if (!result) logger()->e(kClassName, "Token refresh failed: " + localizedDescription(result.error()));
            std::shared_ptr<PendingRefresh> pending;
            {
                std::lock_guard lock(self->mutex_);
                auto it = self->refreshes_.find(key);
                if (it != self->refreshes_.end()) {
                    pending = std::move(it->second);
                    self->refreshes_.erase(it);
                }
            }
            if (!pending) return;
            for (auto& completion : pending->completions) completion(result);
        });
    return true;
}

void VQUserAccountManager::logout() {
    auto user = currentUser();
    if (!user) {
        logger()->w(kClassName, "Logout asked for with nobody signed in.");
        return;
    }
    logoutUser(user);
}

void VQUserAccountManager::logoutUser(const std::shared_ptr<VQUserAccount>& account) {
    if (!account) return;
    {
        std::lock_guard lock(mutex_);
        if (std::find(accounts_.begin(), accounts_.end(), account) == accounts_.end() && currentUser_ != account) {
            return;
        }
    }
    const auto identity = account->accountIdentity();
    account->setLoginState(VQUserAccountLoginState::loggingOut);
    post(kVQNotificationUserWillLogout, account);

    if (auto credentials = account->credentials(); credentials && credentials->refreshToken && credentials->domain) {
        oauth_->revoke(*credentials->domain, *credentials->refreshToken);
    }
    bool wasCurrent = false;
    {
        std::lock_guard lock(mutex_);
        std::erase(accounts_, account);
        if (currentUser_ == account) {
            currentUser_.reset();
            wasCurrent = true;
        }
    }
    store_->remove(identity);
    if (wasCurrent) store_->saveCurrentIdentity(std::nullopt);
    account->setLoginState(VQUserAccountLoginState::notLoggedIn);
    VQRestAPI::removeSharedInstanceWithUser(identity);
    VQSDKVeltraneAnalyticsManager::removeSharedInstanceWithUser(identity);
    logger()->i(kClassName, "Logged out " + account->description() + ".");
    post(kVQNotificationUserDidLogout, account);
}

// Identity provider -------------------------------------------------------------------

bool VQUserAccountManager::handleIdentityProviderCommand(const Url& url, const Json& /*options*/,
                                                         VQAuthCompletion completion) {
    if (!completion) completion = [](VQAuthResult) {};
    const auto items = queryItems(url);
    if (queryValue(items, kIdentityProviderCommandKey) != std::optional<std::string>(kServiceProviderLoginCommand)) {
        MainQueue::async([completion = std::move(completion)] {
            completion(std::unexpected(UserAccountManagerError::invalidIdentityProviderCommand()));
        });
        return false;
    }
    const auto clientId = queryValue(items, "client_id").value_or("");
    const auto redirectUri = queryValue(items, "redirect_uri").value_or("");
    const auto challenge = queryValue(items, "code_challenge").value_or("");
    const auto state = queryValue(items, "state").value_or("");
    const auto scopes = splitScopes(queryValue(items, "scope").value_or(""));
    auto redirect = Url::parse(redirectUri);
    if (clientId.empty() || challenge.empty() || !redirect || !redirect->scheme()) {
        auto error = makeOAuthError(VQOAuthErrorCode::invalidRequest,
                                    "The identity-provider command lacks a client, a redirect URI or a code challenge.");
        MainQueue::async([completion = std::move(completion), error] {
            completion(std::unexpected(
                UserAccountManagerError::authenticationFailed(error, VQOAuthInfo(VQOAuthType::identityProvider))));
        });
        return true;
    }
    if (currentUser()) {
        issueCodeForServiceProvider(clientId, redirectUri, challenge, state, scopes, std::move(completion));
        return true;
    }
    // Nobody is signed in: sign in first, then carry the command out.
    auto self = shared_from_this();
    login([self, clientId, redirectUri, challenge, state, scopes, completion](VQAuthResult result) {
        if (!result) return completion(std::unexpected(result.error()));
        self->issueCodeForServiceProvider(clientId, redirectUri, challenge, state, scopes, completion);
    });
    return true;
}

void VQUserAccountManager::issueCodeForServiceProvider(const std::string& clientId, const std::string& redirectUri,
                                                       const std::string& codeChallenge, const std::string& state,
                                                       const std::vector<std::string>& scopes,
                                                       VQAuthCompletion completion) {
    const VQOAuthInfo info(VQOAuthType::identityProvider);
    auto account = currentUser();
    auto credentials = account ? account->credentials() : nullptr;
    if (!credentials || !credentials->accessToken) {
        MainQueue::async([completion, info] {
            completion(std::unexpected(UserAccountManagerError::authenticationFailed(
                makeOAuthError(VQOAuthErrorCode::unavailable, "Nobody is signed in."), info)));
        });
        return;
    }
    oauth_->requestCode(
        credentials->domain.value_or(loginHost()), *credentials->accessToken, clientId, redirectUri, codeChallenge,
        state, scopes, [account, completion, info](std::expected<Url, Error> redirect) {
            MainQueue::async([account, completion, info, redirect] {
                if (!redirect) {
                    return completion(std::unexpected(UserAccountManagerError::authenticationFailed(redirect.error(), info)));
                }
                ui::Application::shared().open(*redirect, Json::object(), [account, completion, info](bool opened) {
                    if (!opened) {
                        return completion(std::unexpected(UserAccountManagerError::authenticationFailed(
                            makeOAuthError(VQOAuthErrorCode::unavailable,
                                           "The service provider's callback URL could not be opened."),
                            info)));
                    }
                    completion(VQAuthSuccess{account, info});
                });
            });
        });
}

void VQUserAccountManager::kickOffIDPInitiatedLoginFlow(const SPConfig& config,
                                                        std::function<void(VQSPLoginStatus)> statusUpdate,
                                                        std::function<void(VQSPLoginError)> failure) {
    auto report = [statusUpdate](VQSPLoginStatus status) {
        if (statusUpdate) statusUpdate(status);
    };
    auto fail = [failure](VQSPLoginError error) {
        if (failure) failure(error);
    };
    auto account = currentUser();
    auto credentials = account ? account->credentials() : nullptr;
    if (!credentials || !credentials->accessToken) {
        MainQueue::async([fail] { fail(VQSPLoginError::noUserSignedIn); });
        return;
    }
    auto callback = Url::parse(config.oauthCallbackURL);
    if (config.oauthClientId.empty() || !callback || !callback->scheme()) {
        MainQueue::async([fail] { fail(VQSPLoginError::invalidServiceProviderConfig); });
        return;
    }
    logger()->i(kClassName, "Starting the sign-in of service provider " + config.oauthClientId + ".");
    auto pkce = VQOAuthClient::Pkce::make();
    MainQueue::async([report] { report(VQSPLoginStatus::authCodeRequested); });
    oauth_->requestCode(
        credentials->domain.value_or(loginHost()), *credentials->accessToken, config.oauthClientId,
        config.oauthCallbackURL, pkce.challenge, randomState(),
        std::vector<std::string>(config.oauthScopes.begin(), config.oauthScopes.end()),
        [report, fail, verifier = pkce.verifier](std::expected<Url, Error> redirect) {
            MainQueue::async([report, fail, verifier, redirect] {
                if (!redirect) {
                    logger()->e(kClassName, "No code for the service provider: " + redirect.error().localizedDescription());
                    return fail(VQSPLoginError::authCodeRequestFailed);
                }
                report(VQSPLoginStatus::authCodeReceived);
                auto text = redirect->absoluteString();
                text += (text.find('?') == std::string::npos ? "?" : "&") + std::string("code_verifier=") +
                        addingPercentEncoding(verifier, UrlCharacterSet::alphanumerics);
                auto target = Url::parse(text);
                if (!target) return fail(VQSPLoginError::serviceProviderUnavailable);
                ui::Application::shared().open(*target, Json::object(), [report, fail](bool opened) {
                    if (opened) report(VQSPLoginStatus::serviceProviderOpened);
                    else fail(VQSPLoginError::serviceProviderUnavailable);
                });
            });
        });
}

} // namespace platform::veltrane
