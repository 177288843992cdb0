#include "tests/Platform/SDKs/VeltraneAccountFixture.hpp"

#include "Platform/Foundation/Reachability.hpp"
#include "Platform/UI/AlertController.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Window.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthError.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountStore.hpp"
#include "Platform/SDKs/Veltrane/VeltraneSDKManager.hpp"
#include "Platform/UI/EventDriver.hpp"
#include "Platform/Web/WebEventCommands.hpp"
#include "Platform/Web/WebView.hpp"

#include <condition_variable>
#include <thread>

using namespace platform;
using namespace platform::veltrane;
using namespace veltranetest;

namespace {

class VQUserAccountManagerTest : public AccountFixture {
protected:
    /// Records the account manager's notifications with the current user at that moment.
    void recordNotifications() {
        for (const char* name : {kVQNotificationUserWillShowAuthView, kVQNotificationUserWillLogIn,
                                 kVQNotificationUserDidLogIn, kVQNotificationUserDidRefreshToken,
                                 kVQNotificationUserWillLogout, kVQNotificationUserDidLogout}) {
            NotificationCenter::defaultCenter()->addObserver(name, nullptr, [this](const Notification& n) {
                auto current = VQUserAccountManager::sharedInstance()->currentUser();
                notifications.push_back(n.name + (current ? " current" : " none"));
            });
        }
    }
    std::vector<std::string> notifications;

    /// A main window for the SDK to present on; returns its root screen.
    std::shared_ptr<ui::ViewController> showMainWindow() {
        VQSDKWindowManager::resetForTesting();
        mainWindow = ui::Window::create();
        auto root = ui::ViewController::create();
        mainWindow->setRootViewController(root);
        VQSDKWindowManager::sharedManager()->setMainUIWindow(mainWindow);
        mainWindow->makeKeyAndVisible();
        return root;
    }
    std::shared_ptr<ui::Window> mainWindow;

    /// The test client and a service-provider app, each with its redirect URI.
    void registerClients() {
        server.registerClient(kClientId, {kRedirectUri});
        server.registerClient("sp-app", {"spapp://done"});
    }

    /// Answers the alert the root screen shows (tap or dismissal) and lets its
    /// dismissal finish.
    static void answer(const std::shared_ptr<ui::ViewController>& root,
                       const std::function<void(ui::AlertController&)>& how) {
        auto alert = std::dynamic_pointer_cast<ui::AlertController>(root->presentedViewController());
        ASSERT_NE(alert, nullptr) << "no alert";
        how(*alert);
        testsupport::advance(1);
        testsupport::pump();
    }
    static void tap(const std::shared_ptr<ui::ViewController>& root, const std::string& title) {
        answer(root, [&](ui::AlertController& alert) { EXPECT_TRUE(alert.simulateTapAction(title)); });
    }
};

/// A service provider's command asking for a code for its client.
Url serviceProviderCommand(const std::string& challenge, const std::string& state,
                           const std::string& redirect = "spapp%3A%2F%2Fdone") {
    return url("vellicor://idp?vqidp=sp_login&client_id=sp-app&redirect_uri=" + redirect + "&state=" + state +
               "&code_challenge=" + challenge);
}

/// Whether the service provider, with its verifier, redeems the code.
bool serviceProviderRedeems(const std::string& code, const std::string& verifier) {
    std::optional<std::expected<Json, Error>> exchanged;
    std::atomic<bool> done{false};
    auto client = VQOAuthClient::create();
    client->exchangeCode(kHost, "sp-app", "spapp://done", code, verifier, {}, [&](std::expected<Json, Error> answer) {
        exchanged = std::move(answer);
        done = true;
    });
    return testsupport::waitUntil([&] { return done.load(); }) && exchanged->has_value();
}

long oauthCode(const VQAuthResult& result) {
    if (result) return 0;
    auto underlying = underlyingError(result.error());
    return underlying && underlying->domain == kVQOAuthErrorDomain ? underlying->code : -1;
}

TEST_F(VQUserAccountManagerTest, SignsInThroughTheLoginScreen) {
    VQSDKWindowManager::resetForTesting();
    auto mainWindow = ui::Window::create();
    mainWindow->setRootViewController(ui::ViewController::create());
    VQSDKWindowManager::sharedManager()->setMainUIWindow(mainWindow);
    mainWindow->makeKeyAndVisible();
    manager->setAdditionalOAuthParameterKeys({"csrf_token"});
    manager->setAdditionalTokenRefreshParams({{"csrf_token", "TRUE"}});

    AuthResults results;
    ASSERT_TRUE(manager->login(results.completion()));
    auto screen = manager->loginViewController();
    ASSERT_NE(screen, nullptr);
    auto authWindow = VQSDKWindowManager::sharedManager()->authWindow();
    ASSERT_NE(authWindow, nullptr);
    testsupport::pump();
    EXPECT_EQ(VQSDKWindowManager::sharedManager()->activeWindow(), authWindow);
    EXPECT_EQ(authWindow->topViewController(), screen);

    // The screen's web view shows the login host's sign-in page.
    auto webView = screen->oauthView();
    ASSERT_NE(webView, nullptr);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !webView->isLoading() && webView->title() == "Login | Community"; }))
        << webView->title();
    EXPECT_EQ(webView->url()->host(), std::string(kHost));

    // The user signs in, as a scenario does it: the page submits its form and
    // the server sends the web view to the redirect URI with a code.
    ui::EventDriver driver;
    web::registerEventCommands(driver);
    EXPECT_EQ(web::frontMostWebView(), webView);
    auto submitted = driver.execute(std::string("page navigate https://") + kHost +
                                    "/vapi/oauth2/authorize/login?username=alice%40example.test&password=" +
                                    kPassword + " --form");
    ASSERT_TRUE(submitted) << submitted.error();
    ASSERT_TRUE(testsupport::waitUntil([&] { return results.count() == 1; }));
    auto result = results.first();
    ASSERT_TRUE(result) << localizedDescription(result.error());
    EXPECT_TRUE(results.everOnMainThread);
    EXPECT_EQ(result->authInfo.authType, VQOAuthType::webServer);
    auto account = result->userAccount;
    EXPECT_EQ(manager->currentUser(), account);

    auto credentials = account->credentials();
    ASSERT_NE(credentials, nullptr);
    EXPECT_TRUE(server.isAccessTokenValid(credentials->accessToken.value_or("")));
    EXPECT_TRUE(credentials->refreshToken.has_value());
    EXPECT_EQ(credentials->clientId, kClientId);
    EXPECT_EQ(credentials->redirectUri, kRedirectUri);
    EXPECT_EQ(credentials->domain, kHost);
    EXPECT_EQ(credentials->protocol, "https");
    EXPECT_EQ(credentials->userId, "0US000000000001AAA");
    EXPECT_EQ(credentials->organizationId, "0OR000000000001AAA");
    EXPECT_EQ(credentials->communityId, communityserver::CommunityServer::kCommunityId);
    EXPECT_EQ(credentials->instanceUrl->absoluteString(), std::string("https://") + kHost);
    EXPECT_EQ(credentials->apiUrl()->absoluteString(), std::string("https://") + kHost);
    ASSERT_TRUE(credentials->additionalOAuthFields.has_value());
    EXPECT_TRUE((*credentials->additionalOAuthFields)["csrf_token"].is_string());

    auto idData = account->idData();
    ASSERT_NE(idData, nullptr);
    EXPECT_EQ(idData->orgId, "0OR000000000001AAA");
    EXPECT_EQ(idData->email, "alice@example.test");
    ASSERT_TRUE(idData->customAttributes.has_value());
    ASSERT_EQ(idData->customAttributes->size(), 2u);
    EXPECT_EQ((*idData->customAttributes)[0].first, "ENABLE_BIOMETRICS_UNLOCK");
    EXPECT_EQ((*idData->customAttributes)[1].first, "REQUIRE_BIOMETRICS_AFTER");

    // The code went to the token endpoint with its PKCE verifier.
    bool exchanged = false;
    for (const auto& request : server.requests()) {
        if (request.path == "/vapi/oauth2/token" && request.param("grant_type") == "authorization_code") {
            exchanged = request.param("code_verifier").has_value() && request.param("csrf_token") == "TRUE";
        }
    }
    EXPECT_TRUE(exchanged);
    testsupport::pump();
    EXPECT_FALSE(manager->isAuthenticating());
    EXPECT_NE(VQSDKWindowManager::sharedManager()->activeWindow(), authWindow);
}

TEST_F(VQUserAccountManagerTest, AnnouncesLoginAndLogoutInOrder) {
    recordNotifications();
    auto account = signIn();
    ASSERT_NE(account, nullptr);
    const auto storedFile = VQUserAccountStore().fileFor(account->accountIdentity());
    EXPECT_TRUE(FileManager::defaultManager().fileExists(storedFile));

    bool fileGoneAtDidLogout = false;
    NotificationCenter::defaultCenter()->addObserver(kVQNotificationUserDidLogout, nullptr, [&](const Notification& n) {
        fileGoneAtDidLogout = !FileManager::defaultManager().fileExists(storedFile);
        EXPECT_EQ(n.userInfo[kVQNotificationUserInfoAccountKey]["userId"], "0US000000000001AAA");
    });
    manager->logout();
    EXPECT_EQ(notifications, (std::vector<std::string>{
                                 std::string(kVQNotificationUserWillShowAuthView) + " none",
                                 std::string(kVQNotificationUserWillLogIn) + " none",
                                 std::string(kVQNotificationUserDidLogIn) + " current",
                                 std::string(kVQNotificationUserWillLogout) + " current",
                                 std::string(kVQNotificationUserDidLogout) + " none",
                             }));
    EXPECT_TRUE(fileGoneAtDidLogout);
    EXPECT_EQ(manager->currentUser(), nullptr);
    EXPECT_TRUE(manager->allUserAccounts().empty());
    // The refresh token is revoked at the server.
    ASSERT_TRUE(testsupport::waitUntil([&] {
        for (const auto& request : server.requests()) {
            if (request.path == "/vapi/oauth2/revoke") return true;
        }
        return false;
    }));
    // A logout with nobody signed in posts nothing.
    notifications.clear();
    manager->logout();
    EXPECT_TRUE(notifications.empty());
}

TEST_F(VQUserAccountManagerTest, TheAccountSurvivesARelaunchWithNoTokenInClearText) {
    manager->setAdditionalOAuthParameterKeys({"csrf_token"});
    manager->setAdditionalTokenRefreshParams({{"csrf_token", "TRUE"}});
    auto account = signIn();
    ASSERT_NE(account, nullptr);
    auto credentials = account->credentials();

    // A relaunch: nothing in memory, keys read back from the keychain.
    manager.reset();
    VQUserAccountManager::resetForTesting();
    KeyGenerator::clearCachedKeys();
    manager = VQUserAccountManager::sharedInstance();
    auto restored = manager->currentUser();
    ASSERT_NE(restored, nullptr);
    EXPECT_NE(restored, account);
    EXPECT_EQ(*restored->credentials(), *credentials);
    EXPECT_EQ(*restored->idData(), *account->idData());
    EXPECT_EQ(restored->loginState(), VQUserAccountLoginState::loggedIn);

    std::vector<std::string> secrets = server.issuedTokens();
    secrets.push_back((*credentials->additionalOAuthFields)["csrf_token"].get<std::string>());
    ASSERT_GE(secrets.size(), 3u);
    // The scan sees a token wherever it lies in an encoded text.
    for (const auto& prefix : {"", "{", "{\"", "{\"t\":\""}) {
        const auto wrapped = std::string(prefix) + secrets[0] + "\"}";
        EXPECT_TRUE(findSecret(base64Encode(dataFromString(wrapped)), secrets)) << prefix;
    }
    EXPECT_TRUE(findSecret("t=" + addingPercentEncoding(secrets[0], UrlCharacterSet::alphanumerics), secrets));
    auto files = sandboxFiles();
    EXPECT_FALSE(files.empty());
    for (const auto& [path, bytes] : files) {
        EXPECT_EQ(findSecret(bytes, secrets), std::nullopt) << path << " holds a token, as is or encoded";
    }
}

TEST_F(VQUserAccountManagerTest, AStoreThatCannotBeOpenedStartsSignedOut) {
    ASSERT_NE(signIn(), nullptr);
    manager.reset();
    VQUserAccountManager::resetForTesting();
    // The key is gone (another device's keychain): the sealed file cannot be opened.
    ASSERT_TRUE(KeyGenerator::removeEncryptionKey(VQUserAccountStore::kEncryptionKeyLabel));
    KeyGenerator::clearCachedKeys();
    manager = VQUserAccountManager::sharedInstance();
    EXPECT_EQ(manager->currentUser(), nullptr);
    EXPECT_TRUE(manager->allUserAccounts().empty());
}

TEST_F(VQUserAccountManagerTest, RefreshOfAnExpiredTokenCallsBackExactlyOnceOffTheMainThread) {
    server.setAccessTokenLifetime(60);
    auto account = signIn();
    ASSERT_NE(account, nullptr);
    const auto oldToken = *account->credentials()->accessToken;
    testsupport::advance(61);
    EXPECT_FALSE(server.isAccessTokenValid(oldToken));
    server.clearRequests();
    std::vector<std::string> refreshed;
    NotificationCenter::defaultCenter()->addObserver(kVQNotificationUserDidRefreshToken, nullptr,
                                                     [&](const Notification& n) { refreshed.push_back(n.name); });

    AuthResults first, second;
    EXPECT_TRUE(manager->refresh(account->credentials(), first.completion()));
    EXPECT_TRUE(manager->refresh(account->credentials(), second.completion()));
    ASSERT_TRUE(testsupport::waitUntil([&] { return first.count() == 1 && second.count() == 1 && !refreshed.empty(); }));
    testsupport::pump();
    EXPECT_EQ(first.count(), 1u);
    EXPECT_EQ(second.count(), 1u);
    EXPECT_FALSE(first.everOnMainThread);
    ASSERT_TRUE(first.first());
    EXPECT_EQ(first.first()->authInfo.authType, VQOAuthType::refresh);
    EXPECT_EQ(first.first()->userAccount, account);
    EXPECT_EQ(refreshed.size(), 1u);
    // Both callers were served by one request.
    EXPECT_EQ(server.requestCount(), 1u);

    const auto newToken = *account->credentials()->accessToken;
    EXPECT_NE(newToken, oldToken);
    EXPECT_TRUE(server.isAccessTokenValid(newToken));
    EXPECT_EQ(account->credentials()->refreshToken, first.first()->userAccount->credentials()->refreshToken);

    // The stored account has the new token.
    manager.reset();
    VQUserAccountManager::resetForTesting();
    EXPECT_EQ(VQUserAccountManager::sharedInstance()->currentUser()->credentials()->accessToken, newToken);
}

TEST_F(VQUserAccountManagerTest, RefreshFailuresAreReportedOnce) {
    auto account = signIn();
    ASSERT_NE(account, nullptr);
    struct Case {
        const char* name;
        std::function<std::shared_ptr<VQOAuthCredentials>()> prepare;
        bool started;
        std::string domain;
        long code;
    };
    const std::vector<Case> cases = {
        {"no refresh token",
         [&] {
             auto credentials = std::make_shared<VQOAuthCredentials>(*account->credentials());
             credentials->refreshToken.reset();
             return credentials;
         },
         false, std::string(kVQOAuthErrorDomain), VQOAuthErrorCode::unavailable},
        {"server down",
         [&] {
             server.failNextRequests(1, 503);
             return account->credentials();
         },
         true, std::string(kVQOAuthErrorDomain), VQOAuthErrorCode::unknown},
        {"offline",
         [&] {
             Reachability::setOffline(true);
             return account->credentials();
         },
         true, std::string(kURLErrorDomain), URLError::notConnectedToInternet},
        {"revoked",
         [&] {
             Reachability::setOffline(false);
             server.revokeRefreshTokens();
             return account->credentials();
         },
         true, std::string(kVQOAuthErrorDomain), VQOAuthErrorCode::invalidGrant},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        AuthResults results;
        EXPECT_EQ(manager->refresh(item.prepare(), results.completion()), item.started);
        ASSERT_TRUE(testsupport::waitUntil([&] { return results.count() == 1; }));
        testsupport::pump();
        EXPECT_EQ(results.count(), 1u);
        auto result = results.first();
        ASSERT_FALSE(result);
        ASSERT_TRUE(std::holds_alternative<UserAccountManagerError::RefreshFailed>(result.error().value));
        auto underlying = underlyingError(result.error());
        EXPECT_EQ(underlying->domain, item.domain);
        EXPECT_EQ(underlying->code, item.code);
    }
    // A failed refresh leaves the user signed in; deciding what to do is the app's.
    EXPECT_EQ(manager->currentUser(), account);
}

TEST_F(VQUserAccountManagerTest, ARefreshThatCrossesALogoutBringsNobodyBack) {
    auto account = signIn();
    ASSERT_NE(account, nullptr);
    const auto oldToken = *account->credentials()->accessToken;
    const auto storedFile = VQUserAccountStore().fileFor(account->accountIdentity());
    recordNotifications();

    // The server holds the refresh until the logout is over. The logout's
    // revocation does not get through (offline, say), so the held refresh
    // still succeeds at the server.
    server.failNextRequests(1, 503, "SERVER_UNAVAILABLE", "down", "/vapi/oauth2/revoke");
    std::mutex mutex;
    std::condition_variable releasedSignal;
    bool released = false;
    std::atomic<bool> held{false};
    const auto release = [&] {
        {
            std::lock_guard lock(mutex);
            released = true;
        }
        releasedSignal.notify_all();
    };
    struct ReleaseOnExit {
        std::function<void()> release;
        ~ReleaseOnExit() { release(); }
    } releaseOnExit{release};
    server.setRequestObserver([&](const communityserver::RecordedRequest& request) {
        if (request.path == "/vapi/oauth2/token" && request.param("grant_type") == "refresh_token") {
            held = true;
            std::unique_lock lock(mutex);
            releasedSignal.wait(lock, [&] { return released; });
        }
        MainQueue::async([] {});
    });

    AuthResults results;
    ASSERT_TRUE(manager->refresh(account->credentials(), results.completion()));
    ASSERT_TRUE(testsupport::waitUntil([&] { return held.load(); }));
    manager->logout();
    release();
    ASSERT_TRUE(testsupport::waitUntil([&] { return results.count() == 1 && BackgroundActivity::inFlight() == 0; }));
    testsupport::pump();

    ASSERT_EQ(results.count(), 1u);
    ASSERT_FALSE(results.first());
    EXPECT_TRUE(std::holds_alternative<UserAccountManagerError::RefreshFailed>(results.first().error().value));
    EXPECT_EQ(notifications, (std::vector<std::string>{std::string(kVQNotificationUserWillLogout) + " current",
                                                       std::string(kVQNotificationUserDidLogout) + " none"}));
    EXPECT_EQ(manager->currentUser(), nullptr);
    EXPECT_TRUE(manager->allUserAccounts().empty());
    EXPECT_FALSE(FileManager::defaultManager().fileExists(storedFile));
    EXPECT_EQ(account->credentials()->accessToken, oldToken);
    // A relaunch finds nobody either.
    manager.reset();
    VQUserAccountManager::resetForTesting();
    manager = VQUserAccountManager::sharedInstance();
    EXPECT_EQ(manager->currentUser(), nullptr);
    EXPECT_TRUE(manager->allUserAccounts().empty());
}

TEST_F(VQUserAccountManagerTest, ConcurrentLogoutsLogOutOnce) {
    ASSERT_NE(signIn(), nullptr);
    std::atomic<int> willLogout{0};
    std::atomic<int> didLogout{0};
    NotificationCenter::defaultCenter()->addObserver(kVQNotificationUserWillLogout, nullptr, [&](const Notification&) {
        // A second logout, from another thread, while the first one runs.
        if (willLogout++ == 0) std::thread([this] { manager->logout(); }).join();
    });
    NotificationCenter::defaultCenter()->addObserver(kVQNotificationUserDidLogout, nullptr,
                                                     [&](const Notification&) { ++didLogout; });
    manager->logout();
    EXPECT_EQ(willLogout, 1);
    EXPECT_EQ(didLogout, 1);
    EXPECT_EQ(manager->currentUser(), nullptr);
}

TEST_F(VQUserAccountManagerTest, RefusedOrSpoiledCodesEndTheSignIn) {
    // A code made for another PKCE challenge: the SDK's verifier does not fit it.
    AuthResults wrongVerifier;
    ASSERT_TRUE(manager->login(wrongVerifier.completion()));
    auto authorize = *manager->authorizationURL();
    auto foreign = server.issueAuthorizationCode(kUsername, kClientId, kRedirectUri,
                                                 VQOAuthClient::Pkce::make().challenge);
    ASSERT_TRUE(manager->handleAuthorizationRedirect(url(std::string(kRedirectUri) + "?code=" + *foreign +
                                                         "&state=" + *valueForParameterName(authorize, "state"))));
    ASSERT_TRUE(testsupport::waitUntil([&] { return wrongVerifier.count() == 1; }));
    EXPECT_EQ(oauthCode(wrongVerifier.first()), VQOAuthErrorCode::invalidGrant);
    ASSERT_TRUE(std::holds_alternative<UserAccountManagerError::LoginFailed>(wrongVerifier.first().error().value));

    // A code used once already.
    AuthResults first;
    ASSERT_TRUE(manager->login(first.completion()));
    authorize = *manager->authorizationURL();
    auto code = *server.issueAuthorizationCode(kUsername, kClientId, kRedirectUri,
                                               *valueForParameterName(authorize, "code_challenge"));
    ASSERT_TRUE(manager->handleAuthorizationRedirect(
        url(std::string(kRedirectUri) + "?code=" + code + "&state=" + *valueForParameterName(authorize, "state"))));
    ASSERT_TRUE(testsupport::waitUntil([&] { return first.count() == 1; }));
    ASSERT_TRUE(first.first());
    AuthResults replay;
    ASSERT_TRUE(manager->login(replay.completion()));
    authorize = *manager->authorizationURL();
    ASSERT_TRUE(manager->handleAuthorizationRedirect(
        url(std::string(kRedirectUri) + "?code=" + code + "&state=" + *valueForParameterName(authorize, "state"))));
    ASSERT_TRUE(testsupport::waitUntil([&] { return replay.count() == 1; }));
    EXPECT_EQ(oauthCode(replay.first()), VQOAuthErrorCode::invalidGrant);
    // The earlier sign-in stays.
    EXPECT_EQ(manager->currentUser(), first.first()->userAccount);
}

TEST_F(VQUserAccountManagerTest, RedirectsThatAreNotForThisSignIn) {
    EXPECT_FALSE(manager->handleAuthorizationRedirect(url(std::string(kRedirectUri) + "?code=x")));
    AuthResults results;
    ASSERT_TRUE(manager->login(results.completion()));
    EXPECT_FALSE(manager->isAuthorizationRedirect(url("vellicor://elsewhere?code=x")));
    EXPECT_FALSE(manager->handleAuthorizationRedirect(url("https://community.example.test/s/")));
    // Answers without this sign-in's state are ignored: the sign-in goes on.
    for (const char* query : {"?code=x&state=forged", "?code=x", "?error=access_denied",
                              "?error=access_denied&error_description=no&state=forged"}) {
        SCOPED_TRACE(query);
        EXPECT_FALSE(manager->handleAuthorizationRedirect(url(std::string(kRedirectUri) + query)));
        testsupport::pump();
        EXPECT_EQ(results.count(), 0u);
        EXPECT_TRUE(manager->isAuthenticating());
    }
    const auto authorize = *manager->authorizationURL();
    const auto code = *server.issueAuthorizationCode(kUsername, kClientId, kRedirectUri,
                                                     *valueForParameterName(authorize, "code_challenge"));
    ASSERT_TRUE(manager->handleAuthorizationRedirect(
        url(std::string(kRedirectUri) + "?code=" + code + "&state=" + *valueForParameterName(authorize, "state"))));
    ASSERT_TRUE(testsupport::waitUntil([&] { return results.count() == 1; }));
    EXPECT_TRUE(results.first());
    EXPECT_FALSE(manager->isAuthenticating());

    // The user refused: the page redirects with access_denied.
    AuthResults denied;
    ASSERT_TRUE(manager->login(denied.completion()));
    auto state = *valueForParameterName(*manager->authorizationURL(), "state");
    ASSERT_TRUE(manager->handleAuthorizationRedirect(
        url(std::string(kRedirectUri) + "?error=access_denied&error_description=no&state=" + state)));
    ASSERT_TRUE(testsupport::waitUntil([&] { return denied.count() == 1; }));
    EXPECT_EQ(oauthCode(denied.first()), VQOAuthErrorCode::accessDenied);
}

TEST_F(VQUserAccountManagerTest, TheAnswersStateIsDecodedOnce) {
    struct Case {
        const char* name;
        std::function<std::string(const std::string&)> escape;
        bool signsIn;
    };
    // The state's first character (a letter or digit) written as an escape.
    const auto escapeFirst = [](const std::string& state, const std::string& prefix) {
        const char* hex = "0123456789ABCDEF";
        const auto byte = static_cast<unsigned char>(state.front());
        return prefix + hex[byte >> 4] + hex[byte & 0xF] + state.substr(1);
    };
    const std::vector<Case> cases = {
        {"escaped once", [&](const std::string& state) { return escapeFirst(state, "%"); }, true},
        // "%2561" is "%61" once decoded: not the state, however it would read decoded again.
        {"escaped twice", [&](const std::string& state) { return escapeFirst(state, "%25"); }, false},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        server.clearRequests();
        AuthResults results;
        ASSERT_TRUE(manager->login(results.completion()));
        const auto authorize = *manager->authorizationURL();
        const auto state = *valueForParameterName(authorize, "state");
        const auto code = *server.issueAuthorizationCode(kUsername, kClientId, kRedirectUri,
                                                         *valueForParameterName(authorize, "code_challenge"));
        manager->handleAuthorizationRedirect(
            url(std::string(kRedirectUri) + "?code=" + code + "&state=" + item.escape(state)));
        if (item.signsIn) {
            ASSERT_TRUE(testsupport::waitUntil([&] { return results.count() == 1; }));
            EXPECT_TRUE(results.first());
        } else {
            testsupport::waitUntil([] { return BackgroundActivity::inFlight() == 0; }, 5);
            testsupport::pump();
            EXPECT_FALSE(results.count() == 1 && results.first()) << "signed in with another state";
        }
        bool exchanged = false;
        for (const auto& request : server.requests()) exchanged |= request.path == "/vapi/oauth2/token";
        EXPECT_EQ(exchanged, item.signsIn);
        manager->stopCurrentAuthentication();
        testsupport::pump();
    }
}

TEST_F(VQUserAccountManagerTest, LoginNeedsItsSettings) {
    struct Case {
        const char* name;
        std::function<void()> spoil;
        long code;
    };
    const std::vector<Case> cases = {
        {"no client id", [&] { manager->setOauthClientId(""); }, VQOAuthErrorCode::invalidClientId},
        {"no redirect URI", [&] { manager->setOauthCompletionUrl("not a URL"); }, VQOAuthErrorCode::invalidRequest},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        manager->setOauthClientId(kClientId);
        manager->setOauthCompletionUrl(kRedirectUri);
        item.spoil();
        AuthResults results;
        EXPECT_FALSE(manager->login(results.completion()));
        ASSERT_TRUE(testsupport::waitUntil([&] { return results.count() == 1; }));
        EXPECT_EQ(oauthCode(results.first()), item.code);
        EXPECT_FALSE(manager->isAuthenticating());
    }
}

TEST_F(VQUserAccountManagerTest, StoppingOrCancellingASignInReportsCancelledToEveryCaller) {
    AuthResults first, joined;
    ASSERT_TRUE(manager->login(first.completion()));
    ASSERT_TRUE(manager->login(joined.completion()));
    std::optional<bool> stopped;
    manager->stopCurrentAuthentication([&](bool value) { stopped = value; });
    EXPECT_EQ(stopped, true);
    testsupport::pump();
    ASSERT_EQ(first.count(), 1u);
    ASSERT_EQ(joined.count(), 1u);
    EXPECT_TRUE(std::holds_alternative<UserAccountManagerError::Cancelled>(first.first().error().value));
    manager->stopCurrentAuthentication([&](bool value) { stopped = value; });
    EXPECT_EQ(stopped, false);

    // The back button of a screen that offers one runs the cancellation handler.
    struct BackScreen : VQLoginViewController {
        bool shouldShowBackButton() override { return true; }
    };
    auto config = VQSDKLoginViewControllerConfig::create();
    config->loginViewControllerCreationBlock = [] { return ui::makeController<BackScreen>(); };
    manager->setLoginViewControllerConfig(config);
    int cancelled = 0;
    manager->setAuthCancelledByUserHandlerBlock([&] {
        ++cancelled;
        manager->stopCurrentAuthentication();
    });
    AuthResults backed;
    ASSERT_TRUE(manager->login(backed.completion()));
    auto screen = manager->loginViewController();
    ASSERT_NE(std::dynamic_pointer_cast<BackScreen>(screen), nullptr);
    auto& left = screen->navigationItem().leftBarButtonItems;
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(left.front()->simulateTap());
    EXPECT_EQ(cancelled, 1);
    ASSERT_EQ(backed.count(), 1u);
    EXPECT_TRUE(std::holds_alternative<UserAccountManagerError::Cancelled>(backed.first().error().value));
}

TEST_F(VQUserAccountManagerTest, ServiceProviderCommandsGetACodeForTheCurrentUser) {
    registerClients();
    auto root = showMainWindow();
    AuthResults notACommand;
    EXPECT_FALSE(manager->handleIdentityProviderCommand(url("vellicor://open?page=home"), Json::object(),
                                                        notACommand.completion()));
    testsupport::pump();
    ASSERT_EQ(notACommand.count(), 1u);
    EXPECT_TRUE(std::holds_alternative<UserAccountManagerError::InvalidIdentityProviderCommand>(
        notACommand.first().error().value));

    AuthResults malformed;
    EXPECT_TRUE(manager->handleIdentityProviderCommand(url("vellicor://idp?vqidp=sp_login&client_id=sp"),
                                                       Json::object(), malformed.completion()));
    testsupport::pump();
    ASSERT_EQ(malformed.count(), 1u);
    EXPECT_EQ(oauthCode(malformed.first()), VQOAuthErrorCode::invalidRequest);
    EXPECT_EQ(root->presentedViewController(), nullptr);

    auto account = signIn();
    ASSERT_NE(account, nullptr);
    const auto pkce = VQOAuthClient::Pkce::make();
    AuthResults handled;
    EXPECT_TRUE(manager->handleIdentityProviderCommand(serviceProviderCommand(pkce.challenge, "a%2541"),
                                                       Json::object(), handled.completion()));
    testsupport::pump();
    tap(root, VQUserAccountManager::kConsentAllowTitle);
    ASSERT_TRUE(testsupport::waitUntil([&] { return handled.count() == 1; }));
    ASSERT_TRUE(handled.first()) << localizedDescription(handled.first().error());
    EXPECT_EQ(handled.first()->userAccount, account);
    EXPECT_EQ(handled.first()->authInfo.authType, VQOAuthType::identityProvider);
    const auto& opened = ui::Application::shared().openedURLs();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].url.scheme(), "spapp");
    // Handed on as it came, decoded once.
    EXPECT_EQ(valueForParameterName(opened[0].url, "state"), "a%41");
    // The service provider can exchange the code with its own verifier.
    auto code = valueForParameterName(opened[0].url, "code");
    ASSERT_TRUE(code.has_value());
    EXPECT_TRUE(serviceProviderRedeems(*code, pkce.verifier));
}

TEST_F(VQUserAccountManagerTest, AServiceProviderCommandIsServedOnlyWithTheUsersConsent) {
    registerClients();
    auto root = showMainWindow();
    ASSERT_NE(signIn(), nullptr);
    const auto challenge = VQOAuthClient::Pkce::make().challenge;
    struct Case {
        const char* name;
        bool fromWorkerThread;
        std::function<void(ui::AlertController&)> answer;
        bool allowed;
    };
    const std::vector<Case> cases = {
        {"denied", false, [](ui::AlertController& alert) { EXPECT_TRUE(alert.simulateTapAction("Deny")); }, false},
        {"dismissed", false, [](ui::AlertController& alert) { alert.dismiss(false); }, false},
        {"denied, asked from a worker thread", true,
         [](ui::AlertController& alert) { EXPECT_TRUE(alert.simulateTapAction("Deny")); }, false},
        {"allowed, asked from a worker thread", true,
         [](ui::AlertController& alert) { EXPECT_TRUE(alert.simulateTapAction("Allow")); }, true},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        const auto openedBefore = ui::Application::shared().openedURLs().size();
        AuthResults results;
        const auto command = serviceProviderCommand(challenge, "s1");
        if (item.fromWorkerThread) {
            std::thread([&] {
                EXPECT_TRUE(manager->handleIdentityProviderCommand(command, Json::object(), results.completion()));
            }).join();
            // The alert waits for the main thread.
            EXPECT_EQ(root->presentedViewController(), nullptr);
        } else {
            EXPECT_TRUE(manager->handleIdentityProviderCommand(command, Json::object(), results.completion()));
        }
        testsupport::pump();
        auto alert = std::dynamic_pointer_cast<ui::AlertController>(root->presentedViewController());
        ASSERT_NE(alert, nullptr);
        // The alert names the client and the host its answer goes to.
        const auto text = alert->title.value_or("") + " " + alert->message.value_or("");
        EXPECT_NE(text.find("sp-app"), std::string::npos) << text;
        EXPECT_NE(text.find("done"), std::string::npos) << text;
        EXPECT_EQ(results.count(), 0u);

        answer(root, item.answer);
        ASSERT_TRUE(testsupport::waitUntil([&] { return results.count() == 1; }));
        EXPECT_TRUE(results.everOnMainThread);
        EXPECT_EQ(root->presentedViewController(), nullptr);
        const auto& opened = ui::Application::shared().openedURLs();
        if (item.allowed) {
            ASSERT_TRUE(results.first()) << localizedDescription(results.first().error());
            ASSERT_EQ(opened.size(), openedBefore + 1);
            EXPECT_TRUE(valueForParameterName(opened.back().url, "code").has_value());
        } else {
            ASSERT_FALSE(results.first());
            EXPECT_TRUE(std::holds_alternative<UserAccountManagerError::AuthenticationFailed>(
                results.first().error().value));
            EXPECT_EQ(oauthCode(results.first()), VQOAuthErrorCode::accessDenied);
            EXPECT_EQ(opened.size(), openedBefore);
        }
    }
}

TEST_F(VQUserAccountManagerTest, IdentityProviderInitiatedSignInOfAServiceProvider) {
    registerClients();
    auto root = showMainWindow();
    const SPConfig config("sp-app", "spapp://done", {"api", "web", "refresh_token"}, "AB12.com.example.shared");
    std::vector<std::string> events;
    auto status = [&](VQSPLoginStatus value) { events.push_back("status " + description(value)); };
    auto failure = [&](VQSPLoginError error) { events.push_back("failure " + description(error)); };
    manager->kickOffIDPInitiatedLoginFlow(config, status, failure);
    testsupport::pump();
    EXPECT_EQ(events, std::vector<std::string>{"failure noUserSignedIn"});

    ASSERT_NE(signIn(), nullptr);
    events.clear();
    manager->kickOffIDPInitiatedLoginFlow(SPConfig("", "spapp://done", {}, std::nullopt), status, failure);
    testsupport::pump();
    EXPECT_EQ(events, std::vector<std::string>{"failure invalidServiceProviderConfig"});

    // The service provider's app is asked to start: a start request, no code.
    events.clear();
    manager->kickOffIDPInitiatedLoginFlow(config, status, failure);
    testsupport::pump();
    const auto& opened = ui::Application::shared().openedURLs();
    ASSERT_EQ(opened.size(), 1u);
    const auto start = opened[0].url;
    EXPECT_EQ(start.scheme(), "spapp");
    EXPECT_EQ(start.host(), "done");
    EXPECT_EQ(valueForParameterName(start, VQUserAccountManager::kIdentityProviderCommandKey),
              VQUserAccountManager::kIdentityProviderInitiatedCommand);
    EXPECT_EQ(valueForParameterName(start, "client_id"), "sp-app");
    EXPECT_FALSE(valueForParameterName(start, "code").has_value());
    EXPECT_FALSE(valueForParameterName(start, "code_verifier").has_value());
    const auto state = valueForParameterName(start, "state");
    ASSERT_TRUE(state && !state->empty());
    EXPECT_TRUE(events.empty());

    // A command with the flow's state but another redirect is not the flow's
    // answer: the user is asked, and says no.
    const auto pkce = VQOAuthClient::Pkce::make();
    AuthResults foreign;
    EXPECT_TRUE(manager->handleIdentityProviderCommand(serviceProviderCommand(pkce.challenge, *state, "evil%3A%2F%2Fx"),
                                                       Json::object(), foreign.completion()));
    testsupport::pump();
    tap(root, VQUserAccountManager::kConsentDenyTitle);
    ASSERT_TRUE(testsupport::waitUntil([&] { return foreign.count() == 1; }));
    EXPECT_FALSE(foreign.first());
    EXPECT_EQ(opened.size(), 1u);

    // The service provider answers with its own command and challenge: served
    // without asking, the code going to the answer's redirect.
    AuthResults answered;
    EXPECT_TRUE(manager->handleIdentityProviderCommand(serviceProviderCommand(pkce.challenge, *state), Json::object(),
                                                       answered.completion()));
    testsupport::pump();
    EXPECT_EQ(root->presentedViewController(), nullptr);
    ASSERT_TRUE(testsupport::waitUntil([&] { return events.size() == 3 && answered.count() == 1; }));
    EXPECT_EQ(events, (std::vector<std::string>{"status authCodeRequested", "status authCodeReceived",
                                                 "status serviceProviderOpened"}));
    ASSERT_TRUE(answered.first()) << localizedDescription(answered.first().error());
    ASSERT_EQ(opened.size(), 2u);
    const auto callback = opened[1].url;
    EXPECT_EQ(callback.scheme(), "spapp");
    EXPECT_EQ(valueForParameterName(callback, "state"), state);
    EXPECT_FALSE(valueForParameterName(callback, "code_verifier").has_value());
    auto code = valueForParameterName(callback, "code");
    ASSERT_TRUE(code.has_value());
    // The service provider redeems it with the verifier that never left it.
    EXPECT_TRUE(serviceProviderRedeems(*code, pkce.verifier));

    // The flow is over: the same answer again is a command like any other.
    AuthResults again;
    EXPECT_TRUE(manager->handleIdentityProviderCommand(serviceProviderCommand(pkce.challenge, *state), Json::object(),
                                                       again.completion()));
    testsupport::pump();
    tap(root, VQUserAccountManager::kConsentDenyTitle);
    ASSERT_TRUE(testsupport::waitUntil([&] { return again.count() == 1; }));
    EXPECT_FALSE(again.first());

    // The service provider cannot be opened.
    events.clear();
    ui::Application::shared().setOpenURLResponder([](const Url&) { return false; });
    manager->kickOffIDPInitiatedLoginFlow(config, status, failure);
    ASSERT_TRUE(testsupport::waitUntil([&] { return events.size() == 1; }));
    EXPECT_EQ(events.back(), "failure serviceProviderUnavailable");
}

TEST_F(VQUserAccountManagerTest, TheDeveloperMenuSeesTheCurrentUser) {
    auto actions = VeltraneSDKManager::accountActions();
    ASSERT_TRUE(actions.hasCurrentUser);
    EXPECT_FALSE(actions.hasCurrentUser());
    ASSERT_NE(signIn(), nullptr);
    EXPECT_TRUE(VeltraneSDKManager::accountActions().hasCurrentUser());
    EXPECT_EQ(VeltraneSDKManager::accountActions().currentUserDescription(),
              "<VQUserAccount userId=0US000000000001AAA orgId=0OR000000000001AAA>");
}

TEST(UserAccountManagerErrorTest, TheFirstThreeCasesCarryTheirCause) {
    const Error cause = makeOAuthError(VQOAuthErrorCode::invalidGrant, "expired access/refresh token");
    const VQOAuthInfo refreshInfo(2);
    EXPECT_EQ(refreshInfo.authType, VQOAuthType::refresh);
    EXPECT_EQ(VQOAuthInfo(99).authType, VQOAuthType::unknown);
    struct Case {
        UserAccountManagerError error;
        long code;
        bool carriesCause;
        const char* description;
    };
    const std::vector<Case> cases = {
        {UserAccountManagerError::loginFailed(cause), 0, true, "Login failed: expired access/refresh token"},
        {UserAccountManagerError::refreshFailed(cause, refreshInfo), 1, true,
         "Token refresh failed: expired access/refresh token"},
        {UserAccountManagerError::authenticationFailed(cause, refreshInfo), 2, true,
         "Authentication failed: expired access/refresh token"},
        {UserAccountManagerError::cancelled(), 3, false, "Authentication was cancelled."},
        {UserAccountManagerError::invalidIdentityProviderCommand(), 4, false,
         "The URL is not an identity-provider command."},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.description);
        EXPECT_EQ(errorCode(item.error), item.code);
        EXPECT_EQ(localizedDescription(item.error), item.description);
        EXPECT_EQ(underlyingError(item.error).has_value(), item.carriesCause);
        auto bridged = asError(item.error);
        EXPECT_EQ(bridged.domain, kVQUserAccountManagerErrorDomain);
        EXPECT_EQ(bridged.code, item.code);
        EXPECT_EQ(bridged.userInfo.contains(std::string(kUnderlyingErrorKey)), item.carriesCause);
    }
    EXPECT_EQ(underlyingError(cases[0].error)->code, 672);
}

TEST(VQIdDataTest, CustomAttributesKeepTheirOrderAndAnyKeys) {
    auto parsed = VQIdData::fromIdentityAnswer(dataFromString(
        R"({"user_id": "0USX", "org_id": "0ORX", "custom_attributes": {"Zeta": "1", "alpha": {"n": 2}}})"));
    ASSERT_TRUE(parsed.has_value());
    ASSERT_EQ(parsed->customAttributes->size(), 2u);
    EXPECT_EQ((*parsed->customAttributes)[0], (std::pair<Json, Json>{"Zeta", "1"}));
    EXPECT_EQ((*parsed->customAttributes)[1].second, (Json{{"n", 2}}));

    VQIdData withOtherKeys = *parsed;
    withOtherKeys.customAttributes->push_back({Json(7), Json("seven")});
    auto restored = VQIdData::fromJson(withOtherKeys.toJson());
    ASSERT_TRUE(restored.has_value());
    EXPECT_EQ(*restored, withOtherKeys);

    for (const char* bad : {"[]", "{}", R"({"user_id": "0USX"})", "not json"}) {
        EXPECT_FALSE(VQIdData::fromIdentityAnswer(dataFromString(bad)).has_value()) << bad;
    }
}

} // namespace
