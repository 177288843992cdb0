#include "VellicorApp/Hybrid/HybridViewModel.hpp"

#include "VellicorApp/Core/FaultManager.hpp"
#include "VellicorApp/Core/UserAgent.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerCenter.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/PropertyList.hpp"
#include "Platform/SDKs/Veltrane/UIDevice.hpp"
#include "Platform/SDKs/Veltrane/UserAccountManagerError.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthError.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWebUtils.hpp"
#include "Platform/SDKs/Veltrane/VeltraneHybridSDKManager.hpp"
#include "Platform/Web/WebView.hpp"
#include "tests/Hybrid/HybridTestSupport.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

using namespace vellicor;
using platform::Json;
using platform::web::NavigationActionPolicy;
namespace veltrane = platform::veltrane;

namespace {

constexpr const char* kStartPage = "https://community.example.test/s/";

/// A user whose pages and API are at the community's root.
std::shared_ptr<veltrane::VQUserAccount> makeUser(bool withCredentials = true) {
    if (!withCredentials) return veltrane::VQUserAccount::create(nullptr);
    auto credentials = apptest::sampleCredentials();
    credentials->communityUrl = platform::Url::parse("https://community.example.test");
    return veltrane::VQUserAccount::create(std::move(credentials));
}

/// An org that signs in on a login page of its own and through one SSO provider.
std::shared_ptr<veltrane::VQOAuthOrgAuthConfiguration> orgSignIn() {
    return veltrane::VQOAuthOrgAuthConfiguration::fromJson(
        Json{{"loginPage", {{"loginPageUrl", "https://login.example.test/portal"}}},
             {"samlProviders", Json::array({{{"ssoUrl", "https://idp.example.test/sso/start?SAMLRequest=1"}}})}});
}

/// Sees the loads the model starts in the web view, and lets none go out.
class LoadRecorder : public platform::web::NavigationDelegate {
public:
    void decidePolicyForNavigationAction(platform::web::WebView&, const platform::web::NavigationAction& action,
                                         std::function<void(NavigationActionPolicy)> decisionHandler) override {
        if (action.request.url) loads.push_back(action.request.url->absoluteString());
        decisionHandler(NavigationActionPolicy::cancel);
    }
    std::vector<std::string> loads;
};

class HybridViewModelTest : public hybridtest::HybridTest {
protected:
    void SetUp() override {
        HybridTest::SetUp();
        // A port that refuses at once: the org's sign-in configuration never arrives.
        accounts->host = "127.0.0.1:9";
        center = KORVAMarkerCenter::create([logged = logged](std::shared_ptr<const KORVAMarker> marker) {
            logged->push_back(std::move(marker));
        });
        Context::Dependencies dependencies;
        dependencies.veltraneSDKManager =
            VeltraneSDKManagerAdapter::create(veltrane::VeltraneHybridSDKManager::sharedManager());
        dependencies.userAccountManager = accounts;
        dependencies.userDefaults = UserDefaultsStore::standard();
        dependencies.mainBundle = apptest::FakeBundle::sample();
        dependencies.sessionID = "session";
        dependencies.notificationCenter = platform::NotificationCenter::create();
        dependencies.korvaMarkerCenter = center;
        context = Context::create(std::move(dependencies));
        AppContext::setStackForTesting({context});
        webView->setNavigationDelegate(recorder);
    }
    void TearDown() override {
        veltrane::UIDevice::resetForTesting();
        HybridTest::TearDown();
    }

    std::shared_ptr<HybridViewModel> makeModel(std::optional<std::string> startPage = "/s/",
                                               std::optional<std::string> unauthenticatedStartPage = kStartPage,
                                               bool withCoordinator = true) {
        auto config = veltrane::VQHybridViewConfig::create(Json::object());
        config->setStartPage(std::move(startPage));
        config->setUnauthenticatedStartPage(std::move(unauthenticatedStartPage));
        std::optional<HybridViewOAuthCoordinator> coordinator;
        if (withCoordinator) coordinator = HybridViewOAuthCoordinator(orgSignIn(), kStartPage);
        return HybridViewModel::create(config, coordinator);
    }

    /// The model's decision about a navigation to `url`.
    std::optional<NavigationActionPolicy> decide(HybridViewModel& model, const std::string& url) {
        std::optional<NavigationActionPolicy> decision;
        platform::web::NavigationAction action;
        action.request = platform::HttpRequest(platform::Url::parse(url).value());
        model.decidePolicyForNavigationAction(*webView, action, [&](NavigationActionPolicy policy) {
            EXPECT_FALSE(decision.has_value()) << "decided twice";
            decision = policy;
        });
        return decision;
    }

    std::vector<KORVAMarkerName> loggedNames() const {
        std::vector<KORVAMarkerName> names;
        for (const auto& marker : *logged) names.push_back(marker->name());
        return names;
    }
    std::size_t count(KORVAMarkerName name) const {
        const auto names = loggedNames();
        return static_cast<std::size_t>(std::count(names.begin(), names.end(), name));
    }

    std::shared_ptr<std::vector<std::shared_ptr<const KORVAMarker>>> logged =
        std::make_shared<std::vector<std::shared_ptr<const KORVAMarker>>>();
    std::shared_ptr<KORVAMarkerCenter> center;
    std::shared_ptr<platform::web::WebView> webView = platform::web::WebView::create();
    std::shared_ptr<LoadRecorder> recorder = std::make_shared<LoadRecorder>();
};

TEST_F(HybridViewModelTest, UserAgentJoinsTheSdkAgentDevicePlatformIdentifierAndWebKitVersion) {
    using platform::ui::UserInterfaceSizeClass;
    const auto webKit = testsupport::sandboxRoot() / "WebKit.framework";
    std::filesystem::create_directories(webKit);
    ASSERT_TRUE(platform::PropertyList::write(webKit / "Info.plist", Json{{"CFBundleShortVersionString", "8615"}}));
    platform::Bundle::registerBundle(platform::web::WebView::kBundleName, webKit);
    const auto identifier = " " + context->communityIdentifier() + " Safari/615";
    const struct {
        const char* name;
        std::optional<std::string> hardware;
        bool isLocal;
        UserInterfaceSizeClass sizeClass;
        std::string qualifier;
        std::string expectedTail;
    } cases[] = {
        {"phone, compact", "iPhone14,2", false, UserInterfaceSizeClass::compact, "Remote", " iPhone" + identifier},
        {"phone, unspecified", "iPhone14,2", false, UserInterfaceSizeClass::unspecified, "Remote", " iPhone" + identifier},
        {"phone, regular", "iPhone14,2", false, UserInterfaceSizeClass::regular, "Remote",
         " iPhone" + identifier + " veskff/lg"},
        {"local start page", "iPad13,1", true, UserInterfaceSizeClass::compact, "Local", " iPad" + identifier},
        {"unknown hardware: its raw identifier", "Gizmo7,1", false, UserInterfaceSizeClass::compact, "Remote",
         " Gizmo7,1" + identifier},
        {"no hardware identifier at all", std::nullopt, false, UserInterfaceSizeClass::compact, "Remote",
         " N/A" + identifier},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        veltrane::UIDevice::setPlatform(c.hardware);
        const auto model = makeModel();
        model->hybridViewConfig()->setIsLocal(c.isLocal);
        const auto agent = model->userAgent(c.sizeClass);
        EXPECT_EQ(agent, context->veltraneSDKManager->userAgentGenerator()(c.qualifier) + c.expectedTail);
        EXPECT_EQ(veltrane::VQSDKWebUtils::configuredUserAgent(), agent);
    }
    platform::Bundle::unregisterBundle(platform::web::WebView::kBundleName);
}

TEST_F(HybridViewModelTest, StartPageIsComputedOnceFromTheSignedInStateAtFirstRead) {
    const std::string frontDoorToHome =
        "https://community.example.test/gate/entry.vx?sid=access%252Dtoken&returnTo=https://community.example.test/s/"
        "home&display=touch";
    const struct {
        const char* name;
        std::shared_ptr<veltrane::VQUserAccount> user;
        std::optional<std::string> startPage;
        std::optional<std::string> unauthenticated;
        std::optional<std::string> expected;
    } cases[] = {
        {"signed in: the front door to the start page", makeUser(), "s/home", kStartPage, frontDoorToHome},
        {"signed in, absolute start page", makeUser(), "https://community.example.test/s/home", kStartPage,
         "https://community.example.test/gate/entry.vx?sid=access%252Dtoken&returnTo=https://community.example.test/"
         "s/home&display=touch"},
        {"signed in without credentials: none", makeUser(false), "/s/home", kStartPage, std::nullopt},
        {"signed out: the unauthenticated start page", nullptr, "/s/home", kStartPage, kStartPage},
        {"signed out, no unauthenticated page: none", nullptr, "/s/home", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        accounts->user = c.user;
        const auto model = makeModel(c.startPage, c.unauthenticated);
        EXPECT_EQ(model->startPage(), c.expected);
        // A change of user afterwards changes nothing, a missing page included.
        accounts->user = c.user ? nullptr : makeUser();
        EXPECT_EQ(model->startPage(), c.expected);
    }
}

TEST_F(HybridViewModelTest, NavigationDecisions) {
    const std::string redirect = "https://community.example.test/s/login/?ec=302&startAt=%2Fs%2Ftopic";
    // Without a user's credentials the community is the login host's alone.
    const std::string loginHostRedirect = "https://127.0.0.1:9/s/login/?ec=302&startAt=%2Fs%2Ftopic";
    const struct {
        const char* name;
        std::string url;
        std::shared_ptr<veltrane::VQUserAccount> user;
        bool withCoordinator;
        NavigationActionPolicy policy;
        std::vector<std::string> accountCalls;
    } cases[] = {
        {"plain community page", "https://community.example.test/s/topic?returnTo=%2Fs%2F", makeUser(), true,
         NavigationActionPolicy::allow, {}},
        {"login redirect, signed in: refresh", redirect, makeUser(), true, NavigationActionPolicy::cancel, {"refresh"}},
        {"ec=301, signed in: refresh", "https://community.example.test/s/login/?ec=301", makeUser(), true,
         NavigationActionPolicy::cancel, {"refresh"}},
        {"mobile sign-in redirect", "https://community.example.test/vapi/identity/mobileauthredirect?returnTo=%2Fs%2F",
         makeUser(), true, NavigationActionPolicy::cancel, {"refresh"}},
        {"the org's login page", "https://login.example.test/portal?startURL=%2Fs%2F", makeUser(), true,
         NavigationActionPolicy::cancel, {"refresh"}},
        {"the SSO provider's page", "https://idp.example.test/sso/start", makeUser(), true,
         NavigationActionPolicy::cancel, {"refresh"}},
        {"login redirect, signed out: login screen", loginHostRedirect, nullptr, true, NavigationActionPolicy::cancel,
         {"login"}},
        {"login redirect, no credentials: logout", loginHostRedirect, makeUser(false), true,
         NavigationActionPolicy::cancel, {"logout"}},
        {"the signed-out user's page redirect of another host", redirect, nullptr, true, NavigationActionPolicy::allow,
         {}},
        {"a page redirect of another site", "https://evil.test/s/login/?ec=302", makeUser(), true,
         NavigationActionPolicy::allow, {}},
        {"login redirect without a coordinator", redirect, makeUser(), false, NavigationActionPolicy::allow, {}},
        {"another scheme", "mailto:someone@example.test?ec=302", makeUser(), true, NavigationActionPolicy::allow, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        accounts->user = c.user;
        accounts->calls.clear();
        accounts->pendingLogins.clear();
        const auto model = makeModel("/s/", kStartPage, c.withCoordinator);
        EXPECT_EQ(decide(*model, c.url), c.policy);
        EXPECT_EQ(accounts->calls, c.accountCalls);
        testsupport::pump();
        EXPECT_TRUE(recorder->loads.empty()) << "nothing loads before the sign-in ends";
    }
}

TEST_F(HybridViewModelTest, NavigationsDuringARefreshAreHeldBackAndTheLastIsKept) {
    accounts->user = makeUser();
    const auto model = makeModel();
    std::vector<std::optional<std::string>> seen;
    model->reAuthRedirectURLRequest().bind([&](const std::optional<platform::HttpRequest>& request) {
        seen.push_back(request && request->url ? std::optional(request->url->absoluteString()) : std::nullopt);
    });
    std::optional<bool> refreshed;
    bool onMain = false;
    model->refreshCredentials(accounts->user->credentials(), [&](veltrane::VQAuthResult result) {
        refreshed = result.has_value();
        onMain = platform::MainQueue::isMainThread();
    });
    ASSERT_TRUE(model->isReAuthenticating());
    EXPECT_EQ(decide(*model, "https://community.example.test/s/a"), NavigationActionPolicy::cancel);
    // A login redirect too is only held: no second sign-in starts.
    EXPECT_EQ(decide(*model, "https://community.example.test/s/login/?ec=302"), NavigationActionPolicy::cancel);
    EXPECT_EQ(accounts->calls, std::vector<std::string>{"refresh"});
    EXPECT_EQ(seen, (std::vector<std::optional<std::string>>{std::nullopt, "https://community.example.test/s/a",
                                                            "https://community.example.test/s/login/?ec=302"}));
    EXPECT_EQ(model->reAuthRedirectURLRequest().value()->url->absoluteString(),
              "https://community.example.test/s/login/?ec=302");

    // The SDK answers on a worker thread.
    std::thread([&] {
        accounts->pendingLogins.front()(veltrane::VQAuthSuccess{makeUser(), veltrane::VQOAuthInfo(veltrane::VQOAuthType::refresh)});
    }).join();
    EXPECT_FALSE(refreshed.has_value());
    testsupport::pump();
    EXPECT_EQ(refreshed, true);
    EXPECT_TRUE(onMain);
    EXPECT_FALSE(model->isReAuthenticating());
    EXPECT_EQ(decide(*model, "https://community.example.test/s/b"), NavigationActionPolicy::allow);
}

TEST_F(HybridViewModelTest, ALoginRedirectRefreshesNativelyAndLoadsTheFrontDoorToItsPage) {
    accounts->user = makeUser();
    const auto model = makeModel();
    EXPECT_EQ(decide(*model, "https://community.example.test/s/login/?ec=302&startAt=%2Fs%2Ftopic%2F7"),
              NavigationActionPolicy::cancel);
    ASSERT_EQ(accounts->pendingLogins.size(), 1u);
    const auto refreshedUser = makeUser();
    accounts->pendingLogins.front()(veltrane::VQAuthSuccess{refreshedUser, veltrane::VQOAuthInfo(veltrane::VQOAuthType::refresh)});
    testsupport::pump();
    EXPECT_EQ(recorder->loads, std::vector<std::string>{
                                   "https://community.example.test/gate/entry.vx?sid=access%252Dtoken&returnTo=https://"
                                   "community.example.test/s/topic/7&display=touch"});
    EXPECT_EQ(accounts->user, refreshedUser);
    EXPECT_EQ(count(KORVAMarkerName::userSessionRefresh), 1u);
    EXPECT_EQ(logged->back()->attributes(), Json({{"error", "N/A"}}));
    EXPECT_EQ(apptest::appLogTexts("INFO").back(), "HybridViewModel: Successfully performed proactive auth session refresh");
}

TEST_F(HybridViewModelTest, ASignInThatEndsAfterTheModelIsGoneLoadsNothing) {
    accounts->user = nullptr;
    auto model = makeModel();
    // Signed out, the community's pages are the login host's.
    EXPECT_EQ(decide(*model, "https://127.0.0.1:9/s/login/?ec=302"), NavigationActionPolicy::cancel);
    model.reset();
    accounts->pendingLogins.front()(veltrane::VQAuthSuccess{makeUser(), veltrane::VQOAuthInfo(veltrane::VQOAuthType::webServer)});
    testsupport::pump();
    EXPECT_TRUE(recorder->loads.empty());
    EXPECT_EQ(accounts->user, nullptr);
}

TEST_F(HybridViewModelTest, OAuthResults) {
    using veltrane::UserAccountManagerError;
    const platform::Error refusedGrant(std::string(veltrane::kVQOAuthErrorDomain), veltrane::VQOAuthErrorCode::invalidGrant);
    const platform::Error sameCodeElsewhere("SomeOtherDomain", veltrane::VQOAuthErrorCode::invalidGrant);
    const struct {
        const char* name;
        UserAccountManagerError error;
        bool logsOut;
        std::vector<std::string> errorLines;
    } cases[] = {
        {"refused grant on refresh: logout", UserAccountManagerError::refreshFailed(refusedGrant), true,
         {"OAuth failed with error " + localizedDescription(UserAccountManagerError::refreshFailed(refusedGrant)) +
              ". Error code: 1",
          "OAuth failed with underlying error code 672"}},
        {"refused grant on login: logout", UserAccountManagerError::loginFailed(refusedGrant), true,
         {"OAuth failed with error " + localizedDescription(UserAccountManagerError::loginFailed(refusedGrant)) +
              ". Error code: 0",
          "OAuth failed with underlying error code 672"}},
        {"672 outside the OAuth domain: network failure", UserAccountManagerError::authenticationFailed(sameCodeElsewhere),
         false,
         {"OAuth failed with error " +
              localizedDescription(UserAccountManagerError::authenticationFailed(sameCodeElsewhere)) + ". Error code: 2",
          "OAuth failed with underlying error code 672"}},
        {"offline refresh: network failure",
         UserAccountManagerError::refreshFailed(platform::makeURLError(platform::URLError::notConnectedToInternet)), false,
         {"OAuth failed with error " +
              localizedDescription(UserAccountManagerError::refreshFailed(
                  platform::makeURLError(platform::URLError::notConnectedToInternet))) +
              ". Error code: 1",
          "OAuth failed with underlying error code -1009"}},
        {"cancelled, no underlying error", UserAccountManagerError::cancelled(), false,
         {"OAuth failed with error " + localizedDescription(UserAccountManagerError::cancelled()) + ". Error code: 3"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        accounts->user = makeUser();
        accounts->calls.clear();
        logged->clear();
        const auto linesBefore = apptest::appLogTexts("ERROR").size();
        const auto model = makeModel();
        model->refreshCredentials(accounts->user->credentials(), {});
        const auto [request, error] = model->handleOAuthResults("/s/topic", std::unexpected(c.error));
        EXPECT_FALSE(request.has_value());
        EXPECT_EQ(error, veltrane::asError(c.error));
        EXPECT_EQ(accounts->calls, (c.logsOut ? std::vector<std::string>{"refresh", "logout"}
                                              : std::vector<std::string>{"refresh"}));
        EXPECT_EQ(count(KORVAMarkerName::webViewBootstrapError), c.logsOut ? 0u : 1u);
        ASSERT_EQ(count(KORVAMarkerName::userSessionRefresh), 1u);
        EXPECT_EQ(logged->front()->attributes(), Json({{"error", veltrane::asError(c.error).localizedDescription()}}));
        auto lines = apptest::appLogTexts("ERROR");
        lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(linesBefore));
        std::erase_if(lines, [](const std::string& line) { return !line.starts_with("HybridViewModel: OAuth"); });
        std::vector<std::string> expected;
        for (const auto& line : c.errorLines) expected.push_back("HybridViewModel: " + line);
        EXPECT_EQ(lines, expected);
        // A second result finds no open refresh marker.
        model->handleOAuthResults(std::nullopt, std::unexpected(c.error));
        EXPECT_EQ(count(KORVAMarkerName::userSessionRefresh), 1u);
    }
}

TEST_F(HybridViewModelTest, ASuccessWithoutCoordinatorSignsInButLoadsNothing) {
    const auto model = makeModel("/s/", kStartPage, false);
    const auto user = makeUser();
    const auto [request, error] =
        model->handleOAuthResults("/s/", veltrane::VQAuthSuccess{user, veltrane::VQOAuthInfo(veltrane::VQOAuthType::webServer)});
    EXPECT_FALSE(request.has_value());
    EXPECT_FALSE(error.has_value());
    EXPECT_EQ(accounts->user, user);
}

TEST_F(HybridViewModelTest, LoadFailures) {
    using platform::URLError::cancelled;
    using platform::URLError::networkConnectionLost;
    using platform::URLError::notConnectedToInternet;
    using platform::URLError::timedOut;
    const struct {
        const char* name;
        bool provisional;
        platform::Error error;
        std::size_t faults;
        std::size_t bootstrapMarkers;
    } cases[] = {
        {"cancelled load: a fault, no recovery", false, platform::makeURLError(cancelled), 1, 0},
        {"offline load", false, platform::makeURLError(notConnectedToInternet), 1, 1},
        {"time-out after commit", false, platform::makeURLError(timedOut), 1, 1},
        {"provisional, not connected", true, platform::makeURLError(notConnectedToInternet), 0, 1},
        {"provisional, connection lost", true, platform::makeURLError(networkConnectionLost), 0, 1},
        {"provisional, timed out", true, platform::makeURLError(timedOut), 0, 0},
        {"provisional, cancelled", true, platform::makeURLError(cancelled), 0, 0},
        {"provisional, same code in another domain", true, platform::Error("Other", notConnectedToInternet), 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        logged->clear();
        const auto model = makeModel();
        const auto faultsBefore = context->faultManager->faults().size();
        if (c.provisional) {
            model->didFailProvisionalNavigation(*webView, nullptr, c.error);
        } else {
            model->didFail(*webView, nullptr, c.error);
        }
        const auto& faults = context->faultManager->faults();
        ASSERT_EQ(faults.size() - faultsBefore, c.faults);
        if (c.faults) {
            EXPECT_EQ(faults.back()->description(), c.error.localizedDescription());
            EXPECT_FALSE(faults.back()->action().has_value());
        }
        EXPECT_EQ(count(KORVAMarkerName::webViewBootstrapError), c.bootstrapMarkers);
        const auto prefix = c.provisional ? "HybridViewModel: WebView did failed provisional navigation with error: "
                                          : "HybridViewModel: WebView did failed navigation with error: ";
        const auto lines = apptest::appLogTexts("ERROR");
        EXPECT_NE(std::find(lines.begin(), lines.end(), prefix + c.error.localizedDescription()), lines.end());
    }
}

TEST_F(HybridViewModelTest, ScriptMessageHandlersShareOneHandlerWhoseDelegateIsTheModel) {
    const auto model = makeModel();
    const auto handlers = model->scriptMessageHandlersWithReply();
    ASSERT_EQ(handlers.size(), 4u);
    const auto first = std::dynamic_pointer_cast<AuthenticationMessageHandler>(handlers.at("authenticate"));
    ASSERT_NE(first, nullptr);
    for (const auto* name : {"logoutCurrentUser", "getAuthCredentials", "getAppHomeUrl"}) {
        EXPECT_EQ(handlers.at(name), first) << name;
    }
    EXPECT_EQ(first->delegate(), model);
    EXPECT_EQ(first->userAgent(), model->userAgent(platform::ui::UserInterfaceSizeClass::compact));
    EXPECT_NE(model->scriptMessageHandlersWithReply().at("authenticate"), first) << "a new table on every read";
}

TEST_F(HybridViewModelTest, WebViewConfigurationIsMadeOnceWithTheCompactAgent) {
    const auto model = makeModel();
    const auto& config = model->webViewConfig();
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(model->webViewConfig(), config);
    EXPECT_EQ(config->applicationNameForUserAgent, model->userAgent(platform::ui::UserInterfaceSizeClass::compact));
}

} // namespace
