#include "VellicorApp/Shell/BootstrapCoordinator.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/AppModeCommunity.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Shell/LoginViewController.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/UserAccountManagerError.hpp"

namespace vellicor {

namespace {
// Not kLogType: inside a step that names the base's type.
constexpr const char* kStepLogType = "BootstrapCoordinator";
} // namespace

std::shared_ptr<BootstrapCoordinator> BootstrapCoordinator::create(AppMode appMode, bool shouldPerformSessionRefresh) {
    return std::shared_ptr<BootstrapCoordinator>(new BootstrapCoordinator(appMode, shouldPerformSessionRefresh));
}

void BootstrapCoordinator::execute() {
    const auto context = AppContext::current();
    const auto& accounts = context->userAccountManager;

    // Every login screen the SDK shows from now on is the app's own.
    auto loginConfig = accounts->loginViewControllerConfig();
    if (!loginConfig) {
        loginConfig = platform::veltrane::VQSDKLoginViewControllerConfig::create();
        accounts->setLoginViewControllerConfig(loginConfig);
    }
    loginConfig->loginViewControllerCreationBlock = [] { return LoginViewController::create(); };

    const auto config = appConfig(appMode_);
    context->veltraneSDKManager->setBootConfig(config);
    // The web app asks for a session when it needs one; the SDK must not
    // start a sign-in of its own at launch.
    if (const auto boot = context->veltraneSDKManager->bootConfig()) boot->setShouldAuthenticate(false);
    accounts->setOAuthClientID(config ? config->remoteAccessConsumerKey().value_or("") : "");
    accounts->setOAuthCompletionURL(config ? config->oauthRedirectURI().value_or("") : "");

    if (accounts->currentUser() && shouldPerformSessionRefresh_) {
        refreshUserSession();
        return;
    }
    complete(std::nullopt);
}

void BootstrapCoordinator::refreshUserSession() {
    const auto& accounts = AppContext::current()->userAccountManager;
    const auto user = accounts->currentUser();
    const auto credentials = user ? user->credentials() : nullptr;
    if (!credentials) {
        complete(FlowCoordinatorError::missingCredentialsForSessionRefresh());
        return;
    }
    // The pending refresh holds the step: the chain waits for its answer.
    auto self = std::static_pointer_cast<BootstrapCoordinator>(shared_from_this());
    // The answer arrives on a worker thread.
    accounts->refresh(credentials, [self = std::move(self)](platform::veltrane::VQAuthResult result) mutable {
        platform::MainQueue::async([self = std::move(self), result = std::move(result)] {
            // Log texts read by support tooling; keep them verbatim.
            if (result) {
                Logger::info("Successfully performed proactive auth session refresh", kStepLogType);
                AppContext::current()->userAccountManager->setCurrentUserAccount(result->userAccount);
            } else {
                Logger::error("Failed to perform proactive auth session refresh: " +
                                  localizedDescription(result.error()),
                              kStepLogType);
            }
            self->complete(std::nullopt);
        });
    });
}

} // namespace vellicor
