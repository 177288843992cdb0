#pragma once

#include "VellicorApp/Core/UserAccountManaging.hpp"

#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"

#include <memory>

namespace vellicor {

/// The SDK's account manager as UserAccountManaging: each member forwards to
/// the manager's own.
class VQUserAccountManagerAdapter : public UserAccountManaging {
public:
    /// The CSRF field of token answers, and the value that asks for it at a refresh.
    static constexpr const char* kCSRFTokenKey = "csrf_token";
    static constexpr const char* kCSRFTokenRefreshValue = "TRUE";

    static std::shared_ptr<VQUserAccountManagerAdapter> create(
        std::shared_ptr<platform::veltrane::VQUserAccountManager> manager);

    std::shared_ptr<platform::veltrane::VQUserAccount> currentUserAccount() const override;
    void setCurrentUserAccount(std::shared_ptr<platform::veltrane::VQUserAccount> account) override;
    std::string oauthClientID() const override;
    void setOAuthClientID(std::string clientID) override;
    std::string oauthCompletionURL() const override;
    void setOAuthCompletionURL(std::string url) override;
    std::shared_ptr<platform::veltrane::VQSDKLoginViewControllerConfig> loginViewControllerConfig() const override;
    void setLoginViewControllerConfig(std::shared_ptr<platform::veltrane::VQSDKLoginViewControllerConfig> config) override;
    std::string loginHost() const override;
    void setLoginHost(std::string host) override;
    void stopCurrentAuthentication(std::function<void(bool)> completion) override;
    void addAdditionalOAuthParams() override;
    void configureLoginCancellationBlock() override;
    void configureLoginView() override;
    void logout() override;
    bool login(platform::veltrane::VQAuthCompletion completion) override;
    bool refresh(std::shared_ptr<platform::veltrane::VQOAuthCredentials> credentials,
                 platform::veltrane::VQAuthCompletion completion) override;
    bool handleIdentityProviderCommand(const platform::Url& url, const platform::Json& options,
                                       platform::veltrane::VQAuthCompletion completion) override;
    void kickOffIDPInitiatedLoginFlow(const platform::veltrane::SPConfig& config,
                                      std::function<void(platform::veltrane::VQSPLoginStatus)> statusUpdate,
                                      std::function<void(platform::veltrane::VQSPLoginError)> failure) override;

    const std::shared_ptr<platform::veltrane::VQUserAccountManager>& manager() const { return manager_; }

private:
    explicit VQUserAccountManagerAdapter(std::shared_ptr<platform::veltrane::VQUserAccountManager> manager)
        : manager_(std::move(manager)) {}

    std::shared_ptr<platform::veltrane::VQUserAccountManager> manager_;
};

} // namespace vellicor
