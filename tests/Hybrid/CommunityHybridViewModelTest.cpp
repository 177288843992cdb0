#include "VellicorApp/Hybrid/CommunityHybridViewModel.hpp"

#include "VellicorApp/Core/Faults.hpp"
#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Hybrid/AuthenticationObserver.hpp"
#include "VellicorApp/Hybrid/InstrumentationMessageHandler.hpp"
#include "VellicorApp/Hybrid/InvokeNativeEventMessageHandler.hpp"
#include "VellicorApp/Hybrid/UserTrackingTransparencyManager.hpp"
#include "VellicorApp/Shell/URLLinkAction.hpp"

#include "Platform/Foundation/Reachability.hpp"
#include "Platform/SDKs/Veltrane/UserAccountManagerError.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthError.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"
#include "Platform/UI/Window.hpp"
#include "Platform/Web/WebView.hpp"
#include "tests/Hybrid/CommunityModelTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::Json;
namespace veltrane = platform::veltrane;

namespace {

/// An app configuration whose bootstrap time-out is set.
class TimeoutBundle : public apptest::FakeBundle {
public:
    explicit TimeoutBundle(double seconds)
        : FakeBundle(platform::PropertyList::read(apptest::sampleResources() / "Info.plist").value()), seconds(seconds) {}
    double webAppBootstrapTimeout() const override { return seconds; }
    double seconds;
};

class CommunityHybridViewModelTest : public communitytest::CommunityModelTest {
protected:
    void TearDown() override {
        platform::Reachability::setOffline(false);
        veltrane::VQSDKWindowManager::resetForTesting();
        CommunityModelTest::TearDown();
    }

    /// The page's bootstrap event as the handler reports it.
    void bootstrap(CommunityHybridViewModel& model, std::optional<Json> response = Json{{"menuItems", Json::array()}}) {
        model.communityAppBootstrapDidComplete(*handler, response);
        testsupport::pump();
    }
    void pageLoad(CommunityHybridViewModel& model) {
        model.communityAppPageLoadDidComplete(*handler);
        testsupport::pump();
    }

    std::vector<State> statesSeen(CommunityHybridViewModel& model) {
        model.state().bind([seen = seen](State state) { seen->push_back(state); });
        seen->clear();
        return *seen;
    }

    std::shared_ptr<WebAppEventMessageHandler> handler = WebAppEventMessageHandler::create();
    std::shared_ptr<std::vector<State>> seen = std::make_shared<std::vector<State>>();
};

TEST_F(CommunityHybridViewModelTest, TheSplashTimeOutLetsTheAppGoOnWithoutTheWebApp) {
    const struct {
        const char* name;
        std::shared_ptr<BundleType> bundle;
        double timeout;
    } cases[] = {
        {"default", apptest::FakeBundle::sample(), 60.0},
        {"configured", std::make_shared<TimeoutBundle>(12.5), 12.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        installContext(c.bundle);
        logged->clear();
        flow->bootstraps.clear();
        const auto model = makeModel();
        statesSeen(*model);
        model->startSplashDismissalTimeout();
        testsupport::advance(c.timeout - 0.1);
        EXPECT_EQ(model->state().value(), State::initialized);
        EXPECT_TRUE(context->faultManager->faults().empty());

        testsupport::advance(0.2);
        EXPECT_EQ(model->state().value(), State::premLoad);
        EXPECT_EQ(*seen, std::vector<State>{State::premLoad});
        ASSERT_EQ(context->faultManager->faults().size(), 1u);
        EXPECT_NE(std::dynamic_pointer_cast<const AppBootstrapFault>(context->faultManager->faults().front()), nullptr);
        EXPECT_EQ(count(KORVAMarkerName::communityPrematureLoadAfterTimeout), 1u);
        ASSERT_TRUE(model->currentMarkerID().has_value());
        const auto open = center->getMarker(*model->currentMarkerID());
        ASSERT_NE(open, nullptr);
        EXPECT_EQ(open->name(), KORVAMarkerName::communityLoadedAfterTimeout);
        EXPECT_EQ(apptest::appLogTexts("WARNING").back(),
                  "CommunityHybridViewModel: Prematurely dismissing splash after native timeout...!");
        // The flow goes on as if the web app had bootstrapped, without its data.
        EXPECT_EQ(flow->bootstraps, std::vector<std::optional<Json>>{std::nullopt});
        EXPECT_EQ(flow->lastScreen.get(), static_cast<CommunityViewControllable*>(screen.get()));
    }
}

TEST_F(CommunityHybridViewModelTest, TheTimeOutIsSkippedAndNotArmedAgain) {
    const struct {
        const char* name;
        std::function<void(CommunityHybridViewModel&)> arrange;
        std::function<void()> undo;
    } cases[] = {
        {"offline", [](CommunityHybridViewModel&) { platform::Reachability::setOffline(true); },
         [] { platform::Reachability::setOffline(false); }},
        {"another window in front",
         [](CommunityHybridViewModel&) {
             const auto windows = veltrane::VQSDKWindowManager::sharedManager();
             windows->setMainUIWindow(platform::ui::Window::create());
             windows->presentWindow(windows->authWindow(), false, {});
             testsupport::pump();
         },
         [] { veltrane::VQSDKWindowManager::resetForTesting(); }},
        {"state left initialized", [](CommunityHybridViewModel& model) { model.state().setValue(State::bootstrapped); },
         [] {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        logged->clear();
        const auto model = makeModel();
        model->startSplashDismissalTimeout();
        c.arrange(*model);
        const auto arranged = model->state().value();
        testsupport::advance(61);
        c.undo();
        testsupport::advance(120);
        EXPECT_EQ(model->state().value(), arranged);
        EXPECT_TRUE(context->faultManager->faults().empty());
        EXPECT_EQ(count(KORVAMarkerName::communityPrematureLoadAfterTimeout), 0u);
        EXPECT_FALSE(model->currentMarkerID().has_value());
        EXPECT_TRUE(flow->bootstraps.empty());
    }
}

TEST_F(CommunityHybridViewModelTest, ABootstrapAfterTheTimeOutToastsAndEndsTheLoadMarker) {
    const auto model = makeModel();
    model->startSplashDismissalTimeout();
    testsupport::advance(60.1);
    ASSERT_EQ(model->state().value(), State::premLoad);
    const auto markerID = model->currentMarkerID().value();
    context->notificationCenter->post(veltrane::kVQNotificationUserWillLogIn);
    statesSeen(*model);
    std::vector<std::optional<std::string>> toasts;
    model->toast().bind([&](const std::optional<std::string>& text) { toasts.push_back(text); });

    const Json response{{"menuItems", Json::array()}, {"changedSinceLastSession", false}};
    bootstrap(*model, response);
    EXPECT_EQ(toasts, (std::vector<std::optional<std::string>>{std::nullopt, localized("COMMUNITY_LOADED_SUCCESSFULLY")}));
    EXPECT_EQ(*seen, std::vector<State>{State::bootstrapped});
    const auto marker = lastLogged(KORVAMarkerName::communityLoadedAfterTimeout);
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(marker->markerID(), markerID);
    ASSERT_TRUE(marker->attributes().has_value());
    EXPECT_EQ(marker->attributes()->at("redirectedFromLogin"), true);
    EXPECT_TRUE(marker->attributes()->contains("isUserLoggedIn"));
    EXPECT_TRUE(marker->attributes()->contains("networkStatus"));
    EXPECT_FALSE(marker->attributes()->contains("errorCode"));
    EXPECT_FALSE(model->currentMarkerID().has_value());
    EXPECT_EQ(flow->bootstraps, (std::vector<std::optional<Json>>{std::nullopt, response}));
}

TEST_F(CommunityHybridViewModelTest, AnEarlyBootstrapCancelsTheTimeOut) {
    const auto model = makeModel();
    model->startSplashDismissalTimeout();
    testsupport::advance(10);
    std::vector<std::optional<std::string>> toasts;
    model->toast().bind([&](const std::optional<std::string>& text) { toasts.push_back(text); });
    bootstrap(*model);
    testsupport::advance(120);
    EXPECT_EQ(model->state().value(), State::bootstrapped);
    EXPECT_TRUE(context->faultManager->faults().empty());
    EXPECT_EQ(count(KORVAMarkerName::communityPrematureLoadAfterTimeout), 0u);
    EXPECT_EQ(toasts, std::vector<std::optional<std::string>>{std::nullopt}) << "no toast";
    EXPECT_EQ(flow->bootstraps.size(), 1u);
}

TEST_F(CommunityHybridViewModelTest, PageLoadsCountOnlyAfterTheFirstLoad) {
    const auto model = makeModel();
    pageLoad(*model);
    EXPECT_EQ(model->state().value(), State::initialized);
    EXPECT_EQ(flow->pageLoads, 0);
    bootstrap(*model);
    pageLoad(*model);
    EXPECT_EQ(model->state().value(), State::pageLoaded);
    EXPECT_EQ(flow->pageLoads, 1);
    // No screen or no flow: the state still moves.
    model->setDelegate(nullptr);
    bootstrap(*model);
    pageLoad(*model);
    EXPECT_EQ(model->state().value(), State::pageLoaded);
    EXPECT_EQ(flow->pageLoads, 1);
}

TEST_F(CommunityHybridViewModelTest, TheCookieIsWrittenBeforeEachBootstrapReport) {
    auto bundle = apptest::FakeBundle::sample();
    bundle->info[UserTrackingTransparencyManager::kUsageDescriptionKey] = "Personalised content.";
    installContext(bundle);
    const auto model = makeModel();
    std::vector<std::size_t> cookiesBefore;
    flow->onBootstrap = [&] { cookiesBefore.push_back(count(KORVAMarkerName::userTrackingPermission)); };
    model->startSplashDismissalTimeout();
    testsupport::advance(60.1);
    bootstrap(*model);
    EXPECT_EQ(cookiesBefore, (std::vector<std::size_t>{1, 2}));
}

TEST_F(CommunityHybridViewModelTest, ARefreshIsNotPossibleBeforeTheFirstLoadOrWithoutCredentials) {
    const struct {
        const char* name;
        State state;
        std::shared_ptr<veltrane::VQUserAccount> user;
    } cases[] = {
        {"initialized", State::initialized, communitytest::makeUser()},
        {"no user", State::pageLoaded, nullptr},
        {"no credentials", State::pageLoaded, veltrane::VQUserAccount::create(nullptr)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        accounts->user = c.user;
        accounts->calls.clear();
        const auto model = makeModel();
        model->state().setValue(c.state);
        int urlReads = 0;
        std::optional<platform::Error> reported;
        int calls = 0;
        model->refreshUserCredentials(
            [&] {
                ++urlReads;
                return platform::Url::parse("https://community.example.test/s/");
            },
            [&](std::optional<platform::HttpRequest> request, std::optional<platform::Error> error) {
                ++calls;
                EXPECT_FALSE(request.has_value());
                reported = error;
            });
        EXPECT_EQ(calls, 1) << "at once";
        ASSERT_TRUE(reported.has_value());
        EXPECT_EQ(reported->domain, veltrane::kVQUserAccountManagerErrorDomain);
        EXPECT_EQ(reported->code, 2);
        const auto underlying = reported->userInfo.at(std::string(platform::kUnderlyingErrorKey));
        EXPECT_EQ(underlying.at("domain"), veltrane::kVQOAuthErrorDomain);
        EXPECT_EQ(underlying.at("code"), 684);
        EXPECT_EQ(urlReads, 0);
        EXPECT_TRUE(accounts->calls.empty());
        model->refreshUserCredentials({}, {}); // no completion: nothing to report
    }
}

TEST_F(CommunityHybridViewModelTest, ARefreshStartsOverAndAsksForThePageOnlyAtItsEnd) {
    accounts->user = communitytest::makeUser();
    const auto model = makeModel();
    bootstrap(*model);
    pageLoad(*model);
    int urlReads = 0;
    std::optional<platform::HttpRequest> loaded;
    model->refreshUserCredentials(
        [&] {
            ++urlReads;
            return platform::Url::parse("https://community.example.test/s/topic%2F7");
        },
        [&](std::optional<platform::HttpRequest> request, std::optional<platform::Error> error) {
            loaded = request;
            EXPECT_FALSE(error.has_value());
        });
    EXPECT_EQ(model->state().value(), State::initialized) << "the screen shows its progress again";
    EXPECT_TRUE(model->isReAuthenticating());
    EXPECT_EQ(accounts->calls, std::vector<std::string>{"refresh"});
    EXPECT_EQ(urlReads, 0);
    accounts->pendingLogins.front()(veltrane::VQAuthSuccess{communitytest::makeUser(),
                                                            veltrane::VQOAuthInfo(veltrane::VQOAuthType::refresh)});
    testsupport::pump();
    EXPECT_EQ(urlReads, 1);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->url->absoluteString(),
              "https://community.example.test/gate/entry.vx?sid=access%252Dtoken&returnTo=https://"
              "community.example.test/s/topic/7&display=touch");
    // The refresh armed a new time-out; the web app bootstraps before it runs out.
    bootstrap(*model);
    testsupport::advance(61);
    EXPECT_TRUE(context->faultManager->faults().empty());
}

TEST_F(CommunityHybridViewModelTest, FailuresNeverLowerALaterState) {
    const auto failure = veltrane::UserAccountManagerError::refreshFailed(
        platform::makeURLError(platform::URLError::timedOut));
    const struct {
        State before;
        State after;
    } cases[] = {
        {State::initialized, State::premLoad},
        {State::premLoad, State::premLoad},
        {State::bootstrapped, State::bootstrapped},
        {State::pageLoaded, State::pageLoaded},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.before));
        logged->clear();
        const auto model = makeModel();
        model->state().setValue(c.before);
        statesSeen(*model);
        const auto [request, error] = model->handleOAuthResults("/s/", std::unexpected(failure));
        EXPECT_FALSE(request.has_value());
        EXPECT_EQ(error, veltrane::asError(failure));
        EXPECT_EQ(*seen, std::vector<State>{c.after}) << "the listener hears of it either way";
        EXPECT_EQ(count(KORVAMarkerName::webViewBootstrapError), 1u) << "the base handling ran";
    }
}

TEST_F(CommunityHybridViewModelTest, ASuccessfulResultDecodesItsTargetAndFallsBackToTheRedirectPage) {
    const auto success = veltrane::VQAuthSuccess{communitytest::makeUser(),
                                                 veltrane::VQOAuthInfo(veltrane::VQOAuthType::webServer)};
    const std::string door = "https://community.example.test/gate/entry.vx?sid=access%252Dtoken&returnTo=";
    const struct {
        const char* name;
        std::optional<std::string> target;
        bool withCoordinator;
        State state;
        std::optional<std::string> expected;
    } cases[] = {
        {"encoded target is decoded", "%2Fs%2Ftopic", true, State::bootstrapped,
         door + "https://community.example.test/s/topic&display=touch"},
        {"undecodable target: no target", "%ZZ", true, State::bootstrapped, std::nullopt},
        {"no target", std::nullopt, true, State::pageLoaded, std::nullopt},
        {"no coordinator, page loaded: the OAuth redirect page", "/services/oauth2/success?x=1", false,
         State::pageLoaded, "https://community.example.test/services/oauth2/success?x=1"},
        {"no coordinator, before the page load: nothing", "/services/oauth2/success?x=1", false,
         State::bootstrapped, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        accounts->user = communitytest::makeUser();
        const auto model = makeModel();
        if (!c.withCoordinator) model->setOAuthCoordinator(std::nullopt);
        model->state().setValue(c.state);
        const auto [request, error] = model->handleOAuthResults(c.target, success);
        EXPECT_EQ(request && request->url ? std::optional(request->url->absoluteString()) : std::nullopt, c.expected);
        EXPECT_FALSE(error.has_value());
        EXPECT_EQ(model->state().value(), c.state);
    }
}

TEST_F(CommunityHybridViewModelTest, ANetworkFailureWithoutTheAppCoordinatorIsOnlyLoggedAndMarked) {
    const auto model = makeModel();
    bootstrap(*model);
    model->handleNetworkFailureResponse(platform::makeURLError(platform::URLError::notConnectedToInternet));
    EXPECT_EQ(count(KORVAMarkerName::webViewBootstrapError), 1u);
    EXPECT_EQ(model->state().value(), State::bootstrapped);
}

TEST_F(CommunityHybridViewModelTest, ANetworkFailureRestartsTheInterfaceOnceTheAppsScreenHasLoaded) {
    // The app's screen decides, not the model's own state: a tab's model may
    // be further along or behind the screen the app's flow holds.
    const struct {
        const char* name;
        AppStates states;
        bool restarts;
    } cases[] = {
        {"app's screen initialized, model loaded", {State::initialized, State::pageLoaded}, false},
        {"app's screen cut short", {State::premLoad, State::initialized}, true},
        {"app's screen bootstrapped", {State::bootstrapped, State::initialized}, true},
        {"app's screen loaded", {State::pageLoaded, State::initialized}, true},
        {"no screen yet, model bootstrapped", {std::nullopt, State::bootstrapped}, true},
        {"no screen yet, model initialized", {std::nullopt, State::initialized}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        logged->clear();
        const auto model = makeModelUnderApp(c.states);
        model->handleNetworkFailureResponse(platform::makeURLError(platform::URLError::notConnectedToInternet));
        EXPECT_EQ(count(KORVAMarkerName::webViewBootstrapError), 1u) << "logged and marked either way";
        EXPECT_EQ(postAuthRuns(), c.restarts ? 1 : 0);
        EXPECT_EQ(screenPopped(), c.restarts || !c.states.shown);
        EXPECT_EQ(model->state().value(), c.states.own);
    }
}

TEST_F(CommunityHybridViewModelTest, EveryFailedLoadOrSessionThatIsNotCancelledRestartsTheInterface) {
    const platform::Error refusedGrant(std::string(veltrane::kVQOAuthErrorDomain),
                                       veltrane::VQOAuthErrorCode::invalidGrant);
    const platform::Error timedOut = platform::makeURLError(platform::URLError::timedOut);
    const struct {
        const char* name;
        std::function<void(CommunityHybridViewModel&, platform::web::WebView&)> fail;
        bool restarts;
    } cases[] = {
        {"failed load", [&](auto& model, auto& view) { model.didFail(view, nullptr, timedOut); }, true},
        {"cancelled load",
         [](auto& model, auto& view) {
             model.didFail(view, nullptr, platform::makeURLError(platform::URLError::cancelled));
         },
         false},
        {"offline before the page arrived",
         [](auto& model, auto& view) {
             model.didFailProvisionalNavigation(view, nullptr,
                                                platform::makeURLError(platform::URLError::networkConnectionLost));
         },
         true},
        {"other failure before the page arrived",
         [&](auto& model, auto& view) { model.didFailProvisionalNavigation(view, nullptr, timedOut); }, false},
        {"failed session refresh",
         [&](auto& model, auto&) {
             model.handleOAuthResults("/s/", std::unexpected(veltrane::UserAccountManagerError::refreshFailed(timedOut)));
         },
         true},
        {"refused grant: signed out instead",
         [&](auto& model, auto&) {
             model.handleOAuthResults("/s/",
                                      std::unexpected(veltrane::UserAccountManagerError::refreshFailed(refusedGrant)));
         },
         false},
    };
    const auto webView = platform::web::WebView::create();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        installAppCoordinator(flowtest::FakeCommunityScreen::make(State::pageLoaded));
        const auto model = makeModel();
        c.fail(*model, *webView);
        EXPECT_EQ(postAuthRuns(), c.restarts ? 1 : 0);
    }
}

TEST_F(CommunityHybridViewModelTest, ASignInAfterTheAppsScreenLoadedKeepsItsPageForTheApp) {
    const auto success = veltrane::VQAuthSuccess{communitytest::makeUser(),
                                                 veltrane::VQOAuthInfo(veltrane::VQOAuthType::webServer)};
    const std::string redirect = "https://community.example.test/services/oauth2/success?x=1";
    const struct {
        const char* name;
        AppStates states;
        bool actionQueued;
        bool appLoaded;
    } cases[] = {
        {"app's screen loaded, model refreshing", {State::pageLoaded, State::initialized}, false, true},
        {"app's screen bootstrapped, model loaded", {State::bootstrapped, State::pageLoaded}, false, false},
        {"no screen yet, model loaded", {std::nullopt, State::pageLoaded}, false, true},
        {"no screen yet, model bootstrapped", {std::nullopt, State::bootstrapped}, false, false},
        {"an action is already queued", {State::pageLoaded, State::initialized}, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        accounts->user = communitytest::makeUser();
        const auto model = makeModelUnderApp(c.states);
        model->setOAuthCoordinator(std::nullopt); // no front-door request: the page is the fall-back
        const auto queued = std::make_shared<flowtest::FakeAction>(true);
        if (c.actionQueued) coordinator->launchActionFlow(queued);
        const auto [request, error] = model->handleOAuthResults("/services/oauth2/success?x=1", success);
        const auto expected = c.appLoaded ? std::optional(redirect) : std::nullopt;
        EXPECT_FALSE(error.has_value());
        EXPECT_EQ(request && request->url ? std::optional(request->url->absoluteString()) : std::nullopt, expected)
            << "the page is also the request to load";
        if (c.actionQueued) {
            EXPECT_EQ(coordinator->launchAction(), queued) << "the queued action stays";
            continue;
        }
        const auto link = std::dynamic_pointer_cast<URLLinkAction>(coordinator->launchAction());
        EXPECT_EQ(link && link->url() ? std::optional(link->url()->absoluteString()) : std::nullopt, expected);
        EXPECT_EQ(coordinator->launchAction() != nullptr, c.appLoaded);
    }
}

TEST_F(CommunityHybridViewModelTest, ScriptMessageHandlers) {
    const auto model = makeModel();
    const auto& plain = model->scriptMessageHandlers();
    ASSERT_EQ(plain.size(), 2u);
    const auto events = std::dynamic_pointer_cast<WebAppEventMessageHandler>(plain.at("webAppEventBootstrapDone"));
    ASSERT_NE(events, nullptr);
    EXPECT_EQ(plain.at("webAppEventPageLoadDone"), events);
    EXPECT_EQ(events->delegate(), model);
    EXPECT_EQ(&model->scriptMessageHandlers(), &plain) << "made once";

    const auto withReply = model->scriptMessageHandlersWithReply();
    EXPECT_EQ(withReply.size(), 6u);
    for (const auto* name : {"authenticate", "logoutCurrentUser", "getAuthCredentials", "getAppHomeUrl",
                             "instrumentation", "invokeNativeEvent"}) {
        EXPECT_TRUE(withReply.contains(name)) << name;
    }
    const auto nativeEvents = std::dynamic_pointer_cast<InvokeNativeEventMessageHandler>(withReply.at("invokeNativeEvent"));
    ASSERT_NE(nativeEvents, nullptr);
    EXPECT_EQ(nativeEvents->delegate(), nullptr) << "the screen sets it";
    EXPECT_NE(std::dynamic_pointer_cast<InstrumentationMessageHandler>(withReply.at("instrumentation")), nullptr);
}

} // namespace
