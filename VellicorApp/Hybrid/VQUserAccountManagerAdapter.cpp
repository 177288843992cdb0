#include "VellicorApp/Hybrid/VQUserAccountManagerAdapter.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Interface/ColorBrightness.hpp"

#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowContainer.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"

namespace vellicor {

using namespace platform::veltrane;

std::shared_ptr<VQUserAccountManagerAdapter> VQUserAccountManagerAdapter::create(
    std::shared_ptr<VQUserAccountManager> manager) {
    return std::shared_ptr<VQUserAccountManagerAdapter>(new VQUserAccountManagerAdapter(std::move(manager)));
}

std::shared_ptr<VQUserAccount> VQUserAccountManagerAdapter::currentUserAccount() const { return manager_->currentUser(); }

void VQUserAccountManagerAdapter::setCurrentUserAccount(std::shared_ptr<VQUserAccount> account) {
    manager_->setCurrentUser(std::move(account));
}

std::string VQUserAccountManagerAdapter::oauthClientID() const { return manager_->oauthClientId(); }

void VQUserAccountManagerAdapter::setOAuthClientID(std::string clientID) { manager_->setOauthClientId(std::move(clientID)); }

std::string VQUserAccountManagerAdapter::oauthCompletionURL() const { return manager_->oauthCompletionUrl(); }

void VQUserAccountManagerAdapter::setOAuthCompletionURL(std::string url) { manager_->setOauthCompletionUrl(std::move(url)); }

std::shared_ptr<VQSDKLoginViewControllerConfig> VQUserAccountManagerAdapter::loginViewControllerConfig() const {
    return manager_->loginViewControllerConfig();
}

void VQUserAccountManagerAdapter::setLoginViewControllerConfig(std::shared_ptr<VQSDKLoginViewControllerConfig> config) {
    manager_->setLoginViewControllerConfig(std::move(config));
}

std::string VQUserAccountManagerAdapter::loginHost() const { return manager_->loginHost(); }

void VQUserAccountManagerAdapter::setLoginHost(std::string host) {
    manager_->setLoginHost(host);
    platform::NotificationCenter::defaultCenter()->post(kLoginHostDidChangeNotification, this,
                                                        platform::Json{{kLoginHostKey, std::move(host)}});
}

void VQUserAccountManagerAdapter::stopCurrentAuthentication(std::function<void(bool)> completion) {
    manager_->stopCurrentAuthentication(std::move(completion));
}

void VQUserAccountManagerAdapter::addAdditionalOAuthParams() {
    auto keys = manager_->additionalOAuthParameterKeys();
    keys.emplace_back(kCSRFTokenKey);
    manager_->setAdditionalOAuthParameterKeys(std::move(keys));

    auto params = manager_->additionalTokenRefreshParams();
    params[kCSRFTokenKey] = kCSRFTokenRefreshValue;
    manager_->setAdditionalTokenRefreshParams(std::move(params));
}

void VQUserAccountManagerAdapter::configureLoginView() {
    auto config = VQSDKLoginViewControllerConfig::create();
    manager_->setLoginViewControllerConfig(config);
    const auto color = AppContext::current()->navBarTrueColor();
    if (!color) return;
    config->navBarColor = *color;
    if (isPerceivedBright(*color)) {
        config->navBarTitleColor = platform::ui::Color::black();
        config->navBarTintColor = platform::ui::Color::black();
    }
}

void VQUserAccountManagerAdapter::configureLoginCancellationBlock() {
    manager_->setAuthCancelledByUserHandlerBlock([weakManager = std::weak_ptr<VQUserAccountManager>(manager_)] {
        if (const auto authWindow = VQSDKWindowManager::sharedManager()->authWindow()) authWindow->dismissWindow();
        if (const auto manager = weakManager.lock()) manager->stopCurrentAuthentication();
    });
}

void VQUserAccountManagerAdapter::logout() { manager_->logout(); }

bool VQUserAccountManagerAdapter::login(VQAuthCompletion completion) { return manager_->login(std::move(completion)); }

bool VQUserAccountManagerAdapter::refresh(std::shared_ptr<VQOAuthCredentials> credentials, VQAuthCompletion completion) {
    return manager_->refresh(std::move(credentials), std::move(completion));
}

bool VQUserAccountManagerAdapter::handleIdentityProviderCommand(const platform::Url& url, const platform::Json& options,
                                                                VQAuthCompletion completion) {
    return manager_->handleIdentityProviderCommand(url, options, std::move(completion));
}

void VQUserAccountManagerAdapter::kickOffIDPInitiatedLoginFlow(const SPConfig& config,
                                                               std::function<void(VQSPLoginStatus)> statusUpdate,
                                                               std::function<void(VQSPLoginError)> failure) {
    manager_->kickOffIDPInitiatedLoginFlow(config, std::move(statusUpdate), std::move(failure));
}

} // namespace vellicor
