#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/SDKs/Veltrane/UrlAdditions.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthClient.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthError.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManagerInternal.hpp"

// Identity-provider commands: this app signs service-provider apps in as its
// current user.

namespace platform::veltrane {

using namespace accountmanager;

namespace {

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

} // namespace

bool VQUserAccountManager::handleIdentityProviderCommand(const Url& url, const Json& /*options*/,
                                                         VQAuthCompletion completion) {
    if (!completion) completion = [](VQAuthResult) {};
    if (valueForParameterName(url, kIdentityProviderCommandKey) != kServiceProviderLoginCommand) {
        MainQueue::async([completion = std::move(completion)] {
            completion(std::unexpected(UserAccountManagerError::invalidIdentityProviderCommand()));
        });
        return false;
    }
    const auto clientId = valueForParameterName(url, "client_id").value_or("");
    const auto redirectUri = valueForParameterName(url, "redirect_uri").value_or("");
    const auto challenge = valueForParameterName(url, "code_challenge").value_or("");
    const auto state = valueForParameterName(url, "state").value_or("");
    const auto scopes = splitScopes(valueForParameterName(url, "scope").value_or(""));
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
