#pragma once

#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/Url.hpp"
#include "Platform/SDKs/Veltrane/SPConfig.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthCredentials.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLoginViewControllerConfig.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccount.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"

#include <functional>
#include <memory>
#include <string>

namespace vellicor {

/// The app's view of the SDK's user-account manager, so that the SDK can be
/// replaced behind it.
class UserAccountManaging {
public:
    virtual ~UserAccountManaging() = default;

    /// The signed-in user; null when nobody is signed in.
    virtual std::shared_ptr<platform::veltrane::VQUserAccount> currentUserAccount() const = 0;
    virtual void setCurrentUserAccount(std::shared_ptr<platform::veltrane::VQUserAccount> account) = 0;
    virtual std::string oauthClientID() const = 0;
    virtual void setOAuthClientID(std::string clientID) = 0;
    virtual std::string oauthCompletionURL() const = 0;
    virtual void setOAuthCompletionURL(std::string url) = 0;
    virtual std::shared_ptr<platform::veltrane::VQSDKLoginViewControllerConfig> loginViewControllerConfig() const = 0;
    virtual void setLoginViewControllerConfig(std::shared_ptr<platform::veltrane::VQSDKLoginViewControllerConfig> config) = 0;
    /// Posted on the default notification centre, on the setter's thread,
    /// after the login host has changed; the user info holds the new host
    /// under kLoginHostKey.
    static constexpr const char* kLoginHostDidChangeNotification = "UserAccountManagingLoginHostDidChange";
    static constexpr const char* kLoginHostKey = "loginHost";

    /// The host sign-ins go to: a host name, perhaps with a path, without a scheme.
    virtual std::string loginHost() const = 0;
    /// Changes the login host, then posts kLoginHostDidChangeNotification.
    virtual void setLoginHost(std::string host) = 0;
    /// Stops a sign-in in progress; the completion (when given) learns whether one ran.
    virtual void stopCurrentAuthentication(std::function<void(bool)> completion) = 0;
    /// Makes the SDK keep the community's CSRF token of every token answer and
    /// ask for it with every refresh.
    virtual void addAdditionalOAuthParams() = 0;
    /// When the user gives up signing in, the SDK's sign-in window goes and the
    /// sign-in stops.
    virtual void configureLoginCancellationBlock() = 0;
    /// Gives the login screen a fresh configuration: the navigation bar in the
    /// app's true bar colour (when configured), with black title and tint on a
    /// bright colour.
    virtual void configureLoginView() = 0;
    virtual void logout() = 0;
    virtual bool login(platform::veltrane::VQAuthCompletion completion) = 0;
    virtual bool refresh(std::shared_ptr<platform::veltrane::VQOAuthCredentials> credentials,
                         platform::veltrane::VQAuthCompletion completion) = 0;
    /// Whether the URL is an identity-provider command the SDK takes; the
    /// completion then runs once with the user or the SDK's error.
    virtual bool handleIdentityProviderCommand(const platform::Url& url, const platform::Json& options,
                                               platform::veltrane::VQAuthCompletion completion) = 0;
    virtual void kickOffIDPInitiatedLoginFlow(const platform::veltrane::SPConfig& config,
                                              std::function<void(platform::veltrane::VQSPLoginStatus)> statusUpdate,
                                              std::function<void(platform::veltrane::VQSPLoginError)> failure) = 0;

    /// The same as currentUserAccount().
    std::shared_ptr<platform::veltrane::VQUserAccount> currentUser() const { return currentUserAccount(); }
};

} // namespace vellicor
