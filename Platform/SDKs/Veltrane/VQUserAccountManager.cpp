#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/Crypto.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/Foundation/Text.hpp"
#include "Platform/Foundation/UserDefaults.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthClient.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLoginHostStorage.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManagerInternal.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountStore.hpp"
#include "Platform/SDKs/Veltrane/VeltraneSDKManager.hpp"

#include <algorithm>
#include <cctype>

namespace platform::veltrane {

namespace accountmanager {

std::shared_ptr<VQSDKLogger> logger() { return VQSDKLogger::sharedInstanceWithComponent(kVQCoreComponentName); }

std::string randomState() {
    std::string text = base64Encode(randomBytes(16));
    std::erase_if(text, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
    return text;
}

bool isRedirect(const Url& url, const Url& redirect) {
    return lowercased(url.scheme().value_or("")) == lowercased(redirect.scheme().value_or("")) &&
           lowercased(url.host().value_or("")) == lowercased(redirect.host().value_or("")) &&
           url.port() == redirect.port() && url.path() == redirect.path();
}

} // namespace accountmanager

using namespace accountmanager;

namespace {

struct Shared {
    std::mutex mutex;
    std::shared_ptr<VQUserAccountManager> manager;
    std::uint64_t generation = 0;
};

Shared& shared() {
    static auto* s = new Shared;
    return *s;
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
    setReportsServiceProviderFlowOnWorkerThread(false);
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

} // namespace platform::veltrane
