#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/UI/AlertController.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/SDKs/Veltrane/UrlAdditions.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthClient.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthError.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowContainer.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManagerInternal.hpp"

#include <atomic>

// Identity-provider commands: this app signs service-provider apps in as its
// current user. Commands are served on the main thread.

namespace platform::veltrane {

using namespace accountmanager;

/// A service provider's sp_login command, as its URL gave it.
struct VQUserAccountManager::SPCommand {
    std::string clientId;
    std::string redirectUri;
    std::optional<Url> redirect; // redirectUri, parsed
    std::string codeChallenge;
    std::string state;
    std::vector<std::string> scopes;
};

/// An identity-provider-initiated sign-in waiting for the service provider's answer.
struct VQUserAccountManager::SPFlow {
    std::string clientId;
    std::optional<Url> callback;
    std::vector<std::string> scopes;
    std::function<void(VQSPLoginStatus)> status;
    std::function<void(VQSPLoginError)> failure;
};

namespace {

/// The user's answer to a consent alert, given once (main thread).
struct ConsentAnswer {
    std::function<void(bool)> handler;
    void give(bool allowed) {
        if (!handler) return;
        auto run = std::move(handler);
        handler = nullptr;
        run(allowed);
    }
};

/// An alert that counts as a refusal when it goes away unanswered: dismissed
/// by someone else, or never shown at all.
class ConsentAlert : public ui::AlertController {
public:
    std::shared_ptr<ConsentAnswer> answer;

    ~ConsentAlert() override {
        if (answer && answer->handler) MainQueue::async([answer = answer] { answer->give(false); });
    }

protected:
    using AlertController::AlertController;

    void viewDidDisappear(bool animated) override {
        AlertController::viewDidDisappear(animated);
        // A tapped button's handler runs right after the dismissal; this turn
        // comes later and finds the answer given.
        if (answer) MainQueue::async([answer = answer] { answer->give(false); });
    }
};

/// Asks the user, on the screen in front, whether the client may sign in as
/// them. Main thread.
void askConsent(const std::string& clientId, const Url& redirect, std::function<void(bool)> handler) {
    auto answer = std::make_shared<ConsentAnswer>();
    answer->handler = std::move(handler);
    const auto destination = redirect.scheme().value_or("") + "://" + redirect.host().value_or("");
    auto alert = ui::makeController<ConsentAlert>(
        std::optional<std::string>("Sign in to another app?"),
        std::optional<std::string>("The app \"" + clientId + "\" asks to sign in with your account. " +
                                   "Its sign-in goes to " + destination + "."),
        ui::AlertController::Style::alert);
    alert->answer = answer;
    alert->addAction(ui::AlertAction::create(VQUserAccountManager::kConsentDenyTitle, ui::AlertAction::Style::cancel,
                                             [answer] { answer->give(false); }));
    auto allow = ui::AlertAction::create(VQUserAccountManager::kConsentAllowTitle, ui::AlertAction::Style::defaultStyle,
                                         [answer] { answer->give(true); });
    alert->addAction(allow);
    auto window = VQSDKWindowManager::sharedManager()->activeWindow();
    auto presenter = window ? window->topViewController() : nullptr;
    if (!presenter) {
        logger()->e(kClassName, "There is no screen to ask the user on; the identity-provider command is refused.");
        return; // the alert goes unshown, which refuses
    }
    presenter->present(alert, true);
}

std::atomic<bool>& reportsOnWorkerThread() {
    static std::atomic<bool> onWorkerThread{false};
    return onWorkerThread;
}

/// The one queue flows report on while reportsOnWorkerThread() is set.
const std::shared_ptr<DispatchQueue>& reportingQueue() {
    static const auto queue = DispatchQueue::makeSerial("com.veltrane.sdk.sp-login-reports");
    return queue;
}

/// The callback as the flow calls it: as it is, or moved to the reporting queue.
template <class Value>
std::function<void(Value)> delivered(std::function<void(Value)> callback) {
    if (!callback || !reportsOnWorkerThread()) return callback;
    return [callback = std::move(callback)](Value value) {
        reportingQueue()->async([callback, value] { callback(value); });
    };
}

Error refusedByUser(const std::string& clientId) {
    return makeOAuthError(VQOAuthErrorCode::accessDenied, "The user did not let " + clientId + " sign in.");
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
    SPCommand command;
    command.clientId = valueForParameterName(url, "client_id").value_or("");
    command.redirectUri = valueForParameterName(url, "redirect_uri").value_or("");
    command.codeChallenge = valueForParameterName(url, "code_challenge").value_or("");
    command.state = valueForParameterName(url, "state").value_or("");
    command.scopes = scopesFromText(valueForParameterName(url, "scope").value_or(""));
    command.redirect = Url::parse(command.redirectUri);
    if (command.clientId.empty() || command.codeChallenge.empty() || !command.redirect ||
        !command.redirect->scheme()) {
        auto error = makeOAuthError(VQOAuthErrorCode::invalidRequest,
                                    "The identity-provider command lacks a client, a redirect URI or a code challenge.");
        MainQueue::async([completion = std::move(completion), error] {
            completion(std::unexpected(
                UserAccountManagerError::authenticationFailed(error, VQOAuthInfo(VQOAuthType::identityProvider))));
        });
        return true;
    }
    MainQueue::async([self = shared_from_this(), command, completion = std::move(completion)] {
        self->serveCommand(command, completion);
    });
    return true;
}

void VQUserAccountManager::serveCommand(const SPCommand& command, VQAuthCompletion completion) {
    if (auto flow = takeFlowAnsweredBy(command)) {
        issueCodeForServiceProvider(command, std::move(flow), std::move(completion));
        return;
    }
    auto self = shared_from_this();
    askConsent(command.clientId, *command.redirect, [self, command, completion](bool allowed) {
        if (!allowed) {
            logger()->w(kClassName, "The user refused the sign-in of " + command.clientId + ".");
            return completion(std::unexpected(UserAccountManagerError::authenticationFailed(
                refusedByUser(command.clientId), VQOAuthInfo(VQOAuthType::identityProvider))));
        }
        if (self->currentUser()) return self->issueCodeForServiceProvider(command, nullptr, completion);
        // Nobody is signed in: sign in first, then carry the command out.
        self->login([self, command, completion](VQAuthResult result) {
            if (!result) return completion(std::unexpected(result.error()));
            self->issueCodeForServiceProvider(command, nullptr, completion);
        });
    });
}

std::shared_ptr<VQUserAccountManager::SPFlow> VQUserAccountManager::takeFlowAnsweredBy(const SPCommand& command) {
    std::lock_guard lock(mutex_);
    auto it = spFlows_.find(command.state);
    if (it == spFlows_.end()) return nullptr;
    const auto& flow = it->second;
    // Only the client the flow started, answering at its own callback, is
    // served without asking; anyone else who learnt the state is not.
    if (flow->clientId != command.clientId || !isRedirect(*command.redirect, *flow->callback)) return nullptr;
    auto taken = std::move(it->second);
    spFlows_.erase(it);
    return taken;
}

void VQUserAccountManager::issueCodeForServiceProvider(const SPCommand& command, std::shared_ptr<SPFlow> flow,
                                                       VQAuthCompletion completion) {
    const VQOAuthInfo info(VQOAuthType::identityProvider);
    auto fail = [flow, completion, info](Error error, VQSPLoginError reason) {
        if (flow && flow->failure) flow->failure(reason);
        completion(std::unexpected(UserAccountManagerError::authenticationFailed(std::move(error), info)));
    };
    auto report = [flow](VQSPLoginStatus status) {
        if (flow && flow->status) flow->status(status);
    };
    auto account = currentUser();
    auto credentials = account ? account->credentials() : nullptr;
    if (!credentials || !credentials->accessToken) {
        MainQueue::async([fail] {
            fail(makeOAuthError(VQOAuthErrorCode::unavailable, "Nobody is signed in."), VQSPLoginError::noUserSignedIn);
        });
        return;
    }
    // A flow grants what it was started with; a command the user allowed, what it asks for.
    const auto& scopes = flow ? flow->scopes : command.scopes;
    report(VQSPLoginStatus::authCodeRequested);
    oauth_->requestCode(
        credentials->domain.value_or(loginHost()), *credentials->accessToken, command.clientId, command.redirectUri,
        command.codeChallenge, command.state, scopes,
        [account, completion, info, fail, report](std::expected<Url, Error> redirect) {
            MainQueue::async([account, completion, info, fail, report, redirect] {
                if (!redirect) {
                    logger()->e(kClassName, "No code for the service provider: " + redirect.error().localizedDescription());
                    return fail(redirect.error(), VQSPLoginError::authCodeRequestFailed);
                }
                report(VQSPLoginStatus::authCodeReceived);
                ui::Application::shared().open(*redirect, Json::object(), [account, completion, info, fail,
                                                                           report](bool opened) {
                    if (!opened) {
                        return fail(makeOAuthError(VQOAuthErrorCode::unavailable,
                                                   "The service provider's callback URL could not be opened."),
                                    VQSPLoginError::serviceProviderUnavailable);
                    }
                    report(VQSPLoginStatus::serviceProviderOpened);
                    completion(VQAuthSuccess{account, info});
                });
            });
        });
}

void VQUserAccountManager::setReportsServiceProviderFlowOnWorkerThread(bool onWorkerThread) {
    reportsOnWorkerThread() = onWorkerThread;
}

void VQUserAccountManager::kickOffIDPInitiatedLoginFlow(const SPConfig& config,
                                                        std::function<void(VQSPLoginStatus)> statusUpdate,
                                                        std::function<void(VQSPLoginError)> failure) {
    statusUpdate = delivered(std::move(statusUpdate));
    failure = delivered(std::move(failure));
    auto fail = [failure](VQSPLoginError error) {
        MainQueue::async([failure, error] {
            if (failure) failure(error);
        });
    };
    auto account = currentUser();
    auto credentials = account ? account->credentials() : nullptr;
    if (!credentials || !credentials->accessToken) return fail(VQSPLoginError::noUserSignedIn);
    auto callback = Url::parse(config.oauthCallbackURL);
    auto components = callback ? UrlComponents::fromUrl(*callback) : std::nullopt;
    if (config.oauthClientId.empty() || !callback || !callback->scheme() || !components) {
        return fail(VQSPLoginError::invalidServiceProviderConfig);
    }
    auto flow = std::make_shared<SPFlow>();
    flow->clientId = config.oauthClientId;
    flow->callback = callback;
    flow->scopes.assign(config.oauthScopes.begin(), config.oauthScopes.end());
    flow->status = std::move(statusUpdate);
    flow->failure = std::move(failure);
    const auto state = randomState();
    auto items = components->queryItems().value_or(std::vector<UrlQueryItem>{});
    items.push_back({kIdentityProviderCommandKey, kIdentityProviderInitiatedCommand});
    items.push_back({"client_id", config.oauthClientId});
    items.push_back({"state", state});
    components->setQueryItems(items);
    auto start = components->url();
    if (!start) return fail(VQSPLoginError::invalidServiceProviderConfig);
    {
        std::lock_guard lock(mutex_);
        std::erase_if(spFlows_, [&](const auto& entry) { return entry.second->clientId == flow->clientId; });
        spFlows_[state] = flow;
    }
    logger()->i(kClassName, "Starting the sign-in of service provider " + config.oauthClientId + ".");
    std::weak_ptr<VQUserAccountManager> weak = weak_from_this();
    MainQueue::async([weak, start = *start, state, flow] {
        ui::Application::shared().open(start, Json::object(), [weak, state, flow](bool opened) {
            if (opened) return;
            if (auto self = weak.lock()) {
                std::lock_guard lock(self->mutex_);
                if (auto it = self->spFlows_.find(state); it != self->spFlows_.end() && it->second == flow) {
                    self->spFlows_.erase(it);
                }
            }
            if (flow->failure) flow->failure(VQSPLoginError::serviceProviderUnavailable);
        });
    });
}

} // namespace platform::veltrane
