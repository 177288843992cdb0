#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/Url.hpp"
#include "Platform/SDKs/Veltrane/SPConfig.hpp"
#include "Platform/SDKs/Veltrane/UserAccountManagerError.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthInfo.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLoginViewControllerConfig.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccount.hpp"

#include <cstdint>
#include <expected>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace platform::veltrane {

class VQLoginViewController;
class VQOAuthClient;
class VQUserAccountStore;

// Notifications of the account manager, posted on the default notification
// centre with the manager as sender. Their user info holds, under
// kVQNotificationUserInfoAccountKey, {"userId": ..., "orgId": ...} of the account.
/// Before a signed-in user becomes current (the account is not current yet).
inline constexpr const char* kVQNotificationUserWillLogIn = "VQNotificationUserWillLogIn";
/// After the account became current and was stored.
inline constexpr const char* kVQNotificationUserDidLogIn = "VQNotificationUserDidLogIn";
/// After a refresh gave an account a new access token (posted on the main queue).
inline constexpr const char* kVQNotificationUserDidRefreshToken = "VQNotificationUserDidRefreshToken";
/// Before a logout wipes the account (it is still current).
inline constexpr const char* kVQNotificationUserWillLogout = "VQNotificationUserWillLogout";
/// After the account was wiped and is no longer current.
inline constexpr const char* kVQNotificationUserDidLogout = "VQNotificationUserDidLogout";
/// Before the login screen shows.
inline constexpr const char* kVQNotificationUserWillShowAuthView = "VQNotificationUserWillShowAuthView";
inline constexpr const char* kVQNotificationUserInfoAccountKey = "account";

/// A signed-in account and how it was signed in.
struct PLATFORM_EXPORT VQAuthSuccess {
    std::shared_ptr<VQUserAccount> userAccount;
    VQOAuthInfo authInfo;
};
using VQAuthResult = std::expected<VQAuthSuccess, UserAccountManagerError>;
using VQAuthCompletion = std::function<void(VQAuthResult)>;

/// The SDK's user accounts: who is signed in, signing in through the login
/// screen (OAuth 2.0 authorization code with PKCE), token refresh, logout and
/// identity-provider flows.
///
/// Accounts live in an encrypted store (VQUserAccountStore) in the sandbox,
/// so the current user survives a relaunch and no token lies on disk in
/// clear. The OAuth settings (login host, client id, redirect URI, scopes,
/// extra parameters) are the app's to set at each launch; the login host is
/// also kept in the standard defaults.
///
/// Signing in (login) runs on the main thread and calls its completion there.
/// Everything else may be called from any thread; refresh calls back on a
/// worker thread.
class PLATFORM_EXPORT VQUserAccountManager : public std::enable_shared_from_this<VQUserAccountManager> {
public:
    /// The defaults key of the login host.
    static constexpr const char* kLoginHostDefaultsKey = "VQUserAccountManagerLoginHost";
    /// The query item that marks a URL as an identity-provider command, and its one value:
    ///   <scheme>://<host>/...?vqidp=sp_login&client_id=<service provider's client>
    ///     &redirect_uri=<its callback>&code_challenge=<S256 challenge>[&state=...][&scope=...]
    /// asks this app, the identity provider, to sign the service provider in
    /// as the current user: the SDK gets a code for that client and opens the
    /// callback URL with it.
    static constexpr const char* kIdentityProviderCommandKey = "vqidp";
    static constexpr const char* kServiceProviderLoginCommand = "sp_login";
    /// The start request of an identity-provider-initiated sign-in, opened at
    /// the service provider's callback URL:
    ///   <callback>?vqidp=idp_init&client_id=<its client>&state=<the flow's state>
    /// The service provider answers with an sp_login command of its own: its
    /// client and redirect URI, a code challenge of its own and the same state.
    static constexpr const char* kIdentityProviderInitiatedCommand = "idp_init";
    /// The buttons of the alert that asks the user to let a service provider
    /// sign in as them.
    static constexpr const char* kConsentAllowTitle = "Allow";
    static constexpr const char* kConsentDenyTitle = "Deny";

    /// The manager of the current sandbox, made on first use with the accounts
    /// of the sandbox's store. A new sandbox (another install) gets a new manager.
    static std::shared_ptr<VQUserAccountManager> sharedInstance();
    /// Forgets the manager: the next sharedInstance() reads the store afresh,
    /// as a relaunch would.
    static void resetForTesting();
    ~VQUserAccountManager();
    VQUserAccountManager(const VQUserAccountManager&) = delete;
    VQUserAccountManager& operator=(const VQUserAccountManager&) = delete;

    // Accounts ----------------------------------------------------------------
    /// The signed-in user the SDK works for; null when signed out.
    std::shared_ptr<VQUserAccount> currentUser() const;
    /// Makes an account current (adding it to the store when new); null: nobody.
    void setCurrentUser(std::shared_ptr<VQUserAccount> account);
    std::vector<std::shared_ptr<VQUserAccount>> allUserAccounts() const;
    std::shared_ptr<VQUserAccount> userAccountForIdentity(const VQUserAccountIdentity& identity) const;

    // OAuth settings ----------------------------------------------------------
    /// The host sign-ins go to, without scheme ("community.example.test"); kept
    /// in the defaults. Until set: the app configuration's "TOVKOAuthLoginHost",
    /// else the first host of the login-host storage.
    std::string loginHost() const;
    void setLoginHost(std::string host);
    std::string oauthClientId() const;
    void setOauthClientId(std::string clientId);
    std::string oauthCompletionUrl() const;
    void setOauthCompletionUrl(std::string url);
    std::vector<std::string> scopes() const;
    void setScopes(std::vector<std::string> scopes);
    /// Fields of token answers kept in the credentials' additionalOAuthFields.
    std::vector<std::string> additionalOAuthParameterKeys() const;
    void setAdditionalOAuthParameterKeys(std::vector<std::string> keys);
    /// Parameters sent with every token request (code exchange and refresh).
    std::map<std::string, std::string> additionalTokenRefreshParams() const;
    void setAdditionalTokenRefreshParams(std::map<std::string, std::string> params);
    std::shared_ptr<VQSDKLoginViewControllerConfig> loginViewControllerConfig() const;
    void setLoginViewControllerConfig(std::shared_ptr<VQSDKLoginViewControllerConfig> config);
    /// Runs when the user gives up signing in (the login screen's back
    /// button); without one the sign-in is stopped.
    std::function<void()> authCancelledByUserHandlerBlock() const;
    void setAuthCancelledByUserHandlerBlock(std::function<void()> block);

    // Signing in (main thread) ------------------------------------------------
    /// Shows the login screen in the SDK's auth window (after posting
    /// kVQNotificationUserWillShowAuthView) and signs the user in: the screen's
    /// web view opens the login host's authorize URL; when a page sends it to
    /// the redirect URI with a code, the code is exchanged at the token
    /// endpoint, the identity data is read, the account is stored, made current
    /// and announced (will-log-in, did-log-in). The completion runs once on the
    /// main thread; a login while one runs joins it. False (the completion
    /// then reports loginFailed) without a login host, client id or redirect URI.
    bool login(VQAuthCompletion completion);
    /// Stops a sign-in in progress: its screen goes and its completions report
    /// cancelled. The completion (on the main thread) tells whether one was running.
    void stopCurrentAuthentication(std::function<void(bool)> completion = {});
    bool isAuthenticating() const;
    /// The login screen of the sign-in in progress.
    std::shared_ptr<VQLoginViewController> loginViewController() const;
    /// The authorize URL of the sign-in in progress.
    std::optional<Url> authorizationURL() const;
    /// Whether the URL is the redirect URI of the sign-in in progress.
    bool isAuthorizationRedirect(const Url& url) const;
    /// Goes on with the sign-in in progress from its redirect (a code, or an
    /// error such as access_denied); false when the URL is no such redirect.
    /// An answer whose "state" is missing or not the sign-in's own is ignored
    /// (false, logged) and the sign-in goes on.
    bool handleAuthorizationRedirect(const Url& url);
    /// The user gave up signing in: the cancellation handler runs, else the sign-in stops.
    void userDidCancelAuthentication();

    // Sessions ------------------------------------------------------------------
    /// Gets a new access token with the credentials' refresh token; the
    /// account holding those credentials gets the new ones, is stored again and
    /// kVQNotificationUserDidRefreshToken is posted. The completion runs exactly
    /// once, on a worker thread; refreshes of one account at the same time share
    /// one request. False (the completion then reports refreshFailed) when the
    /// credentials have no refresh token, client id or domain. A logout of the
    /// account while its refresh is in flight ends the refresh: it reports
    /// refreshFailed, and its answer is dropped (nothing posted or stored).
    bool refresh(std::shared_ptr<VQOAuthCredentials> credentials, VQAuthCompletion completion);
    /// Logs the current user out (nothing without one).
    void logout();
    /// Posts kVQNotificationUserWillLogout while the account is still current,
    /// ends its pending refreshes, revokes its refresh token, removes it from
    /// the store and the manager (and as current user), then posts
    /// kVQNotificationUserDidLogout. An account is logged out once: a logout
    /// of it while one runs (from another thread or an observer) does nothing.
    void logoutUser(const std::shared_ptr<VQUserAccount>& account);

    // Identity provider -----------------------------------------------------------
    /// Handles a URL that opened the app: an identity-provider command (see
    /// kIdentityProviderCommandKey) is carried out for the current user (after a
    /// login when nobody is signed in). Returns whether the URL was such a
    /// command. The completion runs once on the main thread: the current user,
    /// or an error (invalidIdentityProviderCommand for any other URL).
    ///
    /// Any app can open such a URL, so a command is carried out only when the
    /// user allows it: an alert, shown on the main thread whatever thread the
    /// command came on, names the client and the host of its redirect URI, with
    /// Allow and Deny. Denied or dismissed, the completion gets
    /// authenticationFailed (accessDenied) and nothing is opened. The one
    /// exception is the answer to an identity-provider-initiated sign-in this
    /// app started (its state, client and redirect URI): it is served at once.
    bool handleIdentityProviderCommand(const Url& url, const Json& options, VQAuthCompletion completion);
    /// Signs a service-provider app in as the current user, the service
    /// provider proving itself with its own PKCE: its callback URL is opened
    /// with a start request (kIdentityProviderInitiatedCommand); its answer, an
    /// sp_login command with the same state, gets a code for its own challenge,
    /// sent to the answer's redirect URI. The verifier never leaves the service
    /// provider. The callbacks run on the main thread: statuses once the answer
    /// came, as the flow advances, or one failure. A new flow for the same
    /// client replaces one still waiting for its answer.
    void kickOffIDPInitiatedLoginFlow(const SPConfig& config, std::function<void(VQSPLoginStatus)> statusUpdate,
                                      std::function<void(VQSPLoginError)> failure);
    /// Testing: whether flows started from now on report their statuses and
    /// failures from a worker thread (one serial queue, so in order) instead
    /// of the main thread, as a real SDK may. Off at start and after
    /// resetForTesting().
    static void setReportsServiceProviderFlowOnWorkerThread(bool onWorkerThread);

private:
    struct AuthFlow;
    struct PendingRefresh;
    VQUserAccountManager();
    void loadStore();

    void failFlow(const std::shared_ptr<AuthFlow>& flow, const UserAccountManagerError& error);
    void endFlow(const std::shared_ptr<AuthFlow>& flow);
    void exchangeCode(const std::shared_ptr<AuthFlow>& flow, const std::string& code);
    void finishLogin(const std::shared_ptr<AuthFlow>& flow, std::shared_ptr<VQOAuthCredentials> credentials,
                     std::shared_ptr<VQIdData> idData);
    struct SPCommand;
    struct SPFlow;
    void serveCommand(const SPCommand& command, VQAuthCompletion completion);
    std::shared_ptr<SPFlow> takeFlowAnsweredBy(const SPCommand& command);
    void issueCodeForServiceProvider(const SPCommand& command, std::shared_ptr<SPFlow> flow,
                                     VQAuthCompletion completion);
    VQAuthResult applyRefreshAnswer(const PendingRefresh& pending, const VQOAuthCredentials& credentials,
                                    const std::expected<Json, Error>& answer);
    /// Takes the identity's pending refreshes out (marked cancelled) and gives
    /// their callers; call with mutex_ held.
    std::vector<VQAuthCompletion> cancelRefreshesLocked(const VQUserAccountIdentity& identity);
    void saveAccount(const VQUserAccount& account);
    void post(const char* name, const std::shared_ptr<VQUserAccount>& account);

    std::shared_ptr<VQOAuthClient> oauth_;
    std::unique_ptr<VQUserAccountStore> store_;

    mutable std::mutex mutex_; // guards the fields below
    std::vector<std::shared_ptr<VQUserAccount>> accounts_;
    std::shared_ptr<VQUserAccount> currentUser_;
    std::string clientId_;
    std::string completionUrl_;
    std::vector<std::string> scopes_;
    std::vector<std::string> additionalKeys_;
    std::map<std::string, std::string> additionalParams_;
    std::shared_ptr<VQSDKLoginViewControllerConfig> loginConfig_;
    std::function<void()> cancelHandler_;
    std::map<std::string, std::shared_ptr<PendingRefresh>> refreshes_;
    std::set<VQUserAccountIdentity> loggingOut_; // identities whose logout runs
    std::map<std::string, std::shared_ptr<SPFlow>> spFlows_; // waiting for the service provider's answer, by state
    std::shared_ptr<AuthFlow> flow_; // the sign-in in progress; touched on the main thread
};

} // namespace platform::veltrane
