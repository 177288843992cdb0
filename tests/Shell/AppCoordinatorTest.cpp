#include "VellicorApp/Shell/AppCoordinator.hpp"

#include "VellicorApp/Core/BaseFlowCoordinator.hpp"
#include "VellicorApp/Core/BiometricsManaging.hpp"
#include "VellicorApp/Core/Faults.hpp"
#include "VellicorApp/Hybrid/AuthenticationObserver.hpp"
#include "VellicorApp/Shell/AppUICoordinator.hpp"
#include "VellicorApp/Shell/AppUpdateManager.hpp"
#include "VellicorApp/Shell/Biometrics/BiometricsValidationViewController.hpp"
#include "VellicorApp/Shell/DeeplinkAction.hpp"
#include "VellicorApp/Shell/GateWindow.hpp"
#include "VellicorApp/Shell/ShellResources.hpp"
#include "VellicorApp/Shell/URLLinkAction.hpp"
#include "tests/Hybrid/HybridTestSupport.hpp"
#include "tests/Interface/InterfaceTestSupport.hpp"
#include "tests/Shell/FlowTestSupport.hpp"

#include "Platform/Foundation/Reachability.hpp"
#include "Platform/SDKs/Veltrane/VQIdData.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Window.hpp"
#include "Platform/System/LocalAuthentication.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace vellicor;
using flowtest::FakeAction;
using flowtest::FakeCommunityScreen;
using Error = std::optional<FlowCoordinatorError>;

namespace {

class FakeSteps;

/// A step that does nothing by itself: its factory ends it at once when told
/// to, else the test ends it.
class FakeStep : public BaseFlowCoordinator {
public:
    FakeStep(FakeSteps& owner, std::string kind) : kind(std::move(kind)), owner_(owner) {}
    void end(Error error = std::nullopt) { complete(std::move(error)); }

    const std::string kind;

protected:
    void execute() override;

private:
    FakeSteps& owner_;
};

/// Makes fakes of the licence, custom-domain, bootstrap, permissions and
/// app-UI steps, and the real pre-bootstrap and launch-action steps (which
/// work on the fake screen and fake actions). Records every step it makes.
class FakeSteps : public AppCoordinator::StepFactory {
public:
    using StepPtr = AppCoordinator::StepPtr;
    using ScreenPtr = AppCoordinator::ScreenPtr;
    using NavigationControllerPtr = AppCoordinator::NavigationControllerPtr;

    StepPtr eula() override { return make("eula"); }
    StepPtr preBootstrapLaunchAction(std::shared_ptr<LaunchActionable> action) override {
        made.push_back("preBootstrap");
        preBootstrapActions.push_back(action);
        return StepFactory::preBootstrapLaunchAction(std::move(action));
    }
    StepPtr customDomain(AppMode) override { return make("customDomain"); }
    StepPtr bootstrap(AppMode, bool shouldPerformSessionRefresh) override {
        refreshFlags.push_back(shouldPerformSessionRefresh);
        return make("bootstrap");
    }
    StepPtr userAccessPermissions(const NavigationControllerPtr& navigationController) override {
        if (!realPermissions) return make("permissions");
        made.push_back("permissions");
        return StepFactory::userAccessPermissions(navigationController);
    }
    StepPtr appUI(const NavigationControllerPtr&, const ScreenPtr& communityViewController, AppMode) override {
        EXPECT_EQ(communityViewController, nullptr) << "the app-UI step always starts without a screen";
        return make("appUI");
    }
    StepPtr launchAction(std::shared_ptr<LaunchActionable> action, const ScreenPtr& screen) override {
        made.push_back("launchAction");
        return StepFactory::launchAction(std::move(action), screen);
    }

    /// The app-UI step shows the next community screen and ends without error.
    void showScreen(const std::shared_ptr<FakeStep>& step) {
        navigation.lock()->push(nextScreen, false);
        shown.push_back(nextScreen);
        nextScreen = FakeCommunityScreen::make(State::pageLoaded);
        step->end();
    }

    void started(FakeStep& step) {
        const auto found = endAtOnce.find(step.kind);
        if (found == endAtOnce.end()) return;
        const auto self = std::static_pointer_cast<FakeStep>(step.shared_from_this());
        if (step.kind == "appUI" && !found->second) {
            showScreen(self);
        } else {
            step.end(found->second);
        }
    }

    /// The last step of that kind, while it lives.
    std::shared_ptr<FakeStep> current(const std::string& kind) { return latest[kind].lock(); }
    int count(const std::string& kind) const { return static_cast<int>(std::ranges::count(made, kind)); }

    std::weak_ptr<platform::ui::NavigationController> navigation;
    /// Whether the permissions step is the app's own.
    bool realPermissions = false;
    /// Kinds of step that end as soon as they start, with that error.
    std::map<std::string, Error> endAtOnce = {
        {"eula", std::nullopt}, {"customDomain", std::nullopt}, {"bootstrap", std::nullopt},
        {"permissions", std::nullopt}, {"appUI", std::nullopt},
    };
    std::shared_ptr<FakeCommunityScreen> nextScreen = FakeCommunityScreen::make(State::pageLoaded);
    std::vector<std::shared_ptr<FakeCommunityScreen>> shown;
    std::vector<std::string> made;
    std::vector<std::shared_ptr<LaunchActionable>> preBootstrapActions;
    std::vector<bool> refreshFlags;

private:
    std::shared_ptr<FakeStep> make(const std::string& kind) {
        made.push_back(kind);
        auto step = std::make_shared<FakeStep>(*this, kind);
        latest[kind] = step;
        return step;
    }
    std::map<std::string, std::weak_ptr<FakeStep>> latest;
};

void FakeStep::execute() { owner_.started(*this); }

/// The store lookup of the update check: records the check in a shared list
/// of calls and finds no app, so no alert shows.
class RecordingLookup : public AppUpdateNetworking {
public:
    explicit RecordingLookup(std::vector<std::string>& calls) : calls_(calls) {}
    void getAppUpdateDetails(const std::optional<platform::Url>&, AppUpdateLookupCompletion completion) override {
        calls_.push_back("updateCheck");
        completion(std::unexpected(AppUpdate::NetworkError::noAppResults));
    }

private:
    std::vector<std::string>& calls_;
};

constexpr const char* kFlowCompleted = "AppCoordinator: App Flow Completed.";
constexpr const char* kDeferred = "AppCoordinator: Deferring launch action to be executed later.";
constexpr const char* kProactiveRefresh =
    "AppCoordinator: Performing proactive session refresh on app foreground after timeout.";

class AppCoordinatorTest : public apptest::AppTest {
protected:
    void SetUp() override {
        Context::Dependencies dependencies;
        dependencies.userAccountManager = accounts;
        dependencies.userDefaults = UserDefaultsStore::standard();
        dependencies.mainBundle = apptest::FakeBundle::sample();
        dependencies.sessionID = "session";
        dependencies.notificationCenter = platform::NotificationCenter::create();
        context = Context::create(std::move(dependencies));
        AppContext::setStackForTesting({context});
        Logger::configureLogLevel();

        root = platform::ui::makeController<interfacetest::Screen>();
        navigation = platform::ui::NavigationController::create(root);
        window = platform::ui::Window::create();
        window->setRootViewController(navigation);
        window->makeKeyAndVisible();
        testsupport::pump();

        steps->navigation = navigation;
        coordinator = AppCoordinator::create(navigation, steps);
        context->setAppCoordinator(coordinator);
    }
    void TearDown() override {
        // A sign-out logs a marker, stored on a worker queue that reads the context.
        testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }, 5);
        context->setAppCoordinator(nullptr);
        coordinator.reset();
        platform::veltrane::VQSDKWindowManager::resetForTesting();
        apptest::AppTest::TearDown();
    }

    /// The coordinator's log lines.
    static std::vector<std::string> logs() {
        std::vector<std::string> found;
        for (const auto& text : apptest::appLogTexts("INFO")) {
            if (text.starts_with("AppCoordinator: ")) found.push_back(text);
        }
        return found;
    }
    static long countOf(const std::vector<std::string>& lines, const std::string& line) {
        return std::ranges::count(lines, line);
    }

    /// Runs the cold start to a loaded community page (every step ends at once).
    std::shared_ptr<FakeCommunityScreen> startUp() {
        coordinator->executeColdStartFlow();
        testsupport::pump();
        EXPECT_FALSE(steps->shown.empty());
        return steps->shown.empty() ? nullptr : steps->shown.back();
    }

    void signIn(const std::string& userId = "005user") {
        auto credentials = apptest::sampleCredentials();
        credentials->userId = userId;
        accounts->user = platform::veltrane::VQUserAccount::create(credentials);
    }

    std::shared_ptr<hybridtest::FakeUserAccountManager> accounts =
        std::make_shared<hybridtest::FakeUserAccountManager>();
    std::shared_ptr<FakeSteps> steps = std::make_shared<FakeSteps>();
    std::shared_ptr<Context> context;
    std::shared_ptr<interfacetest::Screen> root;
    std::shared_ptr<platform::ui::NavigationController> navigation;
    std::shared_ptr<platform::ui::Window> window;
    std::shared_ptr<AppCoordinator> coordinator;
};

// The chain --------------------------------------------------------------------

TEST_F(AppCoordinatorTest, TheColdStartRunsEveryStepInOrderAndAdoptsTheScreen) {
    EXPECT_EQ(coordinator->activeFlowCoordinator(), nullptr);
    EXPECT_EQ(coordinator->communityViewController(), nullptr);

    const auto screen = startUp();

    EXPECT_EQ(steps->made, (std::vector<std::string>{"eula", "preBootstrap", "customDomain", "bootstrap", "permissions",
                                                     "appUI", "launchAction"}));
    EXPECT_EQ(steps->preBootstrapActions, std::vector<std::shared_ptr<LaunchActionable>>{nullptr});
    EXPECT_EQ(coordinator->communityViewController(), screen->self());
    EXPECT_EQ(coordinator->activeFlowCoordinator(), nullptr) << "every step has ended";
    EXPECT_TRUE(coordinator->isWebAppLoaded());
    EXPECT_EQ(screen->calls, (std::vector<std::string>{"refreshNotifications", "sendKORVALogs"}));
    EXPECT_EQ(logs().back(), kFlowCompleted);
}

TEST_F(AppCoordinatorTest, TheLoadingScreenStartsAndReloadsTheFlowsThroughItsDelegate) {
    const std::shared_ptr<LoadingViewControllerDelegate> delegate = coordinator;
    delegate->executeColdStartFlow();
    EXPECT_EQ(steps->made.front(), "eula");
    EXPECT_EQ(steps->count("launchAction"), 1);

    steps->made.clear();
    delegate->executePostAuthFlow(); // the loading screen's reload
    EXPECT_EQ(steps->made, (std::vector<std::string>{"permissions", "appUI", "launchAction"}));
}

TEST_F(AppCoordinatorTest, StepErrorsAreIgnoredExceptBeforeTheAppUI) {
    struct Case {
        const char* name;
        const char* failing;
        FlowCoordinatorError error;
        bool reachesTheScreen;
    };
    const Case cases[] = {
        {"licence", "eula", FlowCoordinatorError::transport(), true},
        {"custom domain", "customDomain", FlowCoordinatorError::legacy(), true},
        {"bootstrap", "bootstrap", FlowCoordinatorError::missingCredentialsForSessionRefresh(), true},
        {"permissions", "permissions", FlowCoordinatorError::requiresAuthentication(), true},
        {"app UI: the user must sign in", "appUI", FlowCoordinatorError::requiresAuthentication(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        steps = std::make_shared<FakeSteps>();
        SetUp();
        steps->endAtOnce[c.failing] = c.error;
        const auto completedBefore = countOf(logs(), kFlowCompleted);

        coordinator->executeColdStartFlow();
        testsupport::pump();

        EXPECT_EQ(steps->count("appUI"), 1);
        EXPECT_EQ(steps->count("launchAction"), c.reachesTheScreen ? 1 : 0);
        EXPECT_EQ(coordinator->communityViewController() != nullptr, c.reachesTheScreen);
        EXPECT_EQ(coordinator->activeFlowCoordinator(), nullptr);
        EXPECT_EQ(countOf(logs(), kFlowCompleted) - completedBefore, c.reachesTheScreen ? 1 : 0);
    }
}

TEST_F(AppCoordinatorTest, ANonCommunityScreenOnTopAfterTheAppUIStopsTheApp) {
    steps->endAtOnce.erase("appUI");
    coordinator->executeColdStartFlow();
    const auto appUI = steps->current("appUI");
    ASSERT_TRUE(appUI);
    navigation->push(platform::ui::makeController<interfacetest::Screen>(), false);
    EXPECT_DEATH(appUI->end(), "Failed to create/load hybrid container view controller.");
}

TEST_F(AppCoordinatorTest, TheRealFactoryMakesTheAppsOwnSteps) {
    AppCoordinator::StepFactory real;
    const auto appUI = std::dynamic_pointer_cast<AppUICoordinator>(real.appUI(navigation, nullptr, AppMode::yarrowin));
    ASSERT_TRUE(appUI);
    EXPECT_EQ(appUI->communityViewController(), nullptr);
    EXPECT_EQ(appUI->appMode(), AppMode::yarrowin);
    // The steps that exist are the real ones.
    EXPECT_TRUE(std::dynamic_pointer_cast<BaseFlowCoordinator>(real.preBootstrapLaunchAction(nullptr)));
    EXPECT_TRUE(std::dynamic_pointer_cast<BaseFlowCoordinator>(real.bootstrap(AppMode::normal, false)));
    EXPECT_TRUE(std::dynamic_pointer_cast<BaseFlowCoordinator>(real.launchAction(nullptr, nullptr)));
}

// Sign-in and sign-out ----------------------------------------------------------

TEST_F(AppCoordinatorTest, SignInAndSignOutResetTheScreensAndRunTheTail) {
    for (const char* notification :
         {platform::veltrane::kVQNotificationUserDidLogIn, platform::veltrane::kVQNotificationUserDidLogout}) {
        SCOPED_TRACE(notification);
        const auto screen = startUp();
        const auto presented = platform::ui::makeController<interfacetest::Screen>();
        screen->present(presented, false);
        testsupport::pump();
        ASSERT_TRUE(navigation->presentedViewController());
        steps->made.clear();
        steps->endAtOnce.erase("permissions");

        context->notificationCenter->post(notification);

        EXPECT_EQ(steps->made, std::vector<std::string>{"permissions"});
        EXPECT_EQ(coordinator->communityViewController(), nullptr);
        testsupport::pump();
        EXPECT_EQ(navigation->presentedViewController(), nullptr);
        EXPECT_EQ(navigation->viewControllers(), std::vector<std::shared_ptr<platform::ui::ViewController>>{root});

        steps->current("permissions")->end();
        testsupport::pump();
        EXPECT_EQ(steps->made, (std::vector<std::string>{"permissions", "appUI", "launchAction"}));
        EXPECT_EQ(coordinator->communityViewController(), steps->shown.back()->self());
        steps->endAtOnce["permissions"] = std::nullopt;
        // Back to the loading screen for the next round.
        navigation->popToRoot(false);
    }
}

TEST_F(AppCoordinatorTest, RepeatedPostAuthRequestsRunOnePermissionsStepPerUser) {
    signIn();
    startUp();
    steps->made.clear();
    steps->endAtOnce.erase("permissions"); // the lock screen holds the step

    // Each loaded tab reports the same failed refresh.
    coordinator->executePostAuthFlow();
    coordinator->executePostAuthFlow();
    coordinator->executePostAuthFlow();
    EXPECT_EQ(steps->made, std::vector<std::string>{"permissions"});
    EXPECT_EQ(countOf(logs(), "AppCoordinator: Post-authentication flow is already running for this user; ignoring "
                              "the request."),
              2);

    // A sign-out on the lock screen still restarts the tail.
    const auto locked = steps->current("permissions");
    accounts->user = nullptr;
    context->notificationCenter->post(platform::veltrane::kVQNotificationUserDidLogout);
    EXPECT_EQ(steps->count("permissions"), 2);
    EXPECT_NE(steps->current("permissions"), locked);

    // Another user's request is no repeat.
    signIn("005other");
    coordinator->executePostAuthFlow();
    EXPECT_EQ(steps->count("permissions"), 3);

    // Once the permissions step has ended, a request runs the tail again.
    steps->current("permissions")->end();
    testsupport::pump();
    coordinator->executePostAuthFlow();
    EXPECT_EQ(steps->count("permissions"), 4);
}

TEST_F(AppCoordinatorTest, TheBootstrapFaultsRefreshRerunsTheTail) {
    startUp();
    steps->made.clear();
    const auto action = AppBootstrapFault().action();
    ASSERT_TRUE(action && action->handler);
    action->handler();
    EXPECT_EQ(steps->made, (std::vector<std::string>{"permissions", "appUI", "launchAction"}));

    // Without a coordinator the button does nothing.
    context->setAppCoordinator(nullptr);
    action->handler();
    EXPECT_EQ(steps->count("permissions"), 1);
}

// Launch actions ------------------------------------------------------------------

TEST_F(AppCoordinatorTest, LaunchActionsRunNowRestartTheChainOrWait) {
    enum class App { idle, stepRunning, loaded };
    struct Case {
        const char* name;
        App app;
        bool needsWebApp;
        const char* expectedStep; // the first step made for the action, if any
        bool deferred;
    };
    const Case cases[] = {
        {"link, web app loaded", App::loaded, true, "launchAction", false},
        {"shortcut, web app loaded", App::loaded, false, "launchAction", false},
        {"link while a step runs", App::stepRunning, true, nullptr, true},
        {"shortcut while a step runs", App::stepRunning, false, "eula", false},
        {"link while idle (login screen shown)", App::idle, true, nullptr, true},
        {"shortcut while idle", App::idle, false, nullptr, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        steps = std::make_shared<FakeSteps>();
        SetUp();
        if (c.app == App::loaded) startUp();
        if (c.app == App::stepRunning) {
            steps->endAtOnce.erase("appUI"); // the first page still loads
            coordinator->executeColdStartFlow();
        }
        if (c.app == App::idle) {
            steps->endAtOnce["appUI"] = FlowCoordinatorError::requiresAuthentication();
            coordinator->executeColdStartFlow();
        }
        steps->made.clear();
        const auto deferredBefore = countOf(logs(), kDeferred);
        const auto action = std::make_shared<FakeAction>(c.needsWebApp, true);

        coordinator->launchActionFlow(action);

        EXPECT_EQ(coordinator->launchAction(), action);
        EXPECT_EQ(steps->made.empty() ? std::string() : steps->made.front(), c.expectedStep ? c.expectedStep : "");
        EXPECT_EQ(countOf(logs(), kDeferred) - deferredBefore, c.deferred ? 1 : 0);
        // The restarted chain's pre-bootstrap step runs the shortcut.
        const bool runs = c.app == App::loaded || (c.app == App::stepRunning && !c.needsWebApp);
        EXPECT_EQ(action->runs, runs ? 1 : 0);
    }
}

TEST_F(AppCoordinatorTest, AfterTheActionTheScreenIsRefreshedThenUpdatesCheckedThenTheFlowCompletes) {
    const auto screen = startUp();
    screen->calls.clear();
    std::vector<std::string>* calls = &screen->calls;
    context->setAppUpdateManager(AppUpdateManager::create(AppUpdateConfigModel{true, 7}, "17.0",
                                                          std::make_shared<RecordingLookup>(*calls),
                                                          [](AppUpdateMarker, const platform::Json&) {}));
    const auto action = std::make_shared<FakeAction>(true, true);
    coordinator->launchActionFlow(action);
    EXPECT_TRUE(screen->calls.empty()) << "nothing before the action has run";
    const auto completedBefore = countOf(logs(), kFlowCompleted);

    action->held(true);
    testsupport::pump();

    EXPECT_EQ(screen->calls, (std::vector<std::string>{"refreshNotifications", "sendKORVALogs", "updateCheck"}));
    EXPECT_EQ(countOf(logs(), kFlowCompleted), completedBefore + 1);
    EXPECT_EQ(coordinator->launchAction(), nullptr) << "the action that ran is cleared";
}

TEST_F(AppCoordinatorTest, ALinkDeferredWhileSignedOutRunsAtTheEndOfTheNextChain) {
    steps->endAtOnce["appUI"] = FlowCoordinatorError::requiresAuthentication();
    coordinator->executeColdStartFlow();
    const auto link = std::make_shared<FakeAction>(true);
    coordinator->launchActionFlow(link);
    EXPECT_EQ(link->runs, 0);

    steps->endAtOnce["appUI"] = std::nullopt;
    signIn();
    context->notificationCenter->post(platform::veltrane::kVQNotificationUserDidLogIn);
    testsupport::pump();
    EXPECT_EQ(link->runs, 1);
    EXPECT_EQ(coordinator->launchAction(), nullptr);
}

TEST_F(AppCoordinatorTest, ALinkArrivingWhileAGateIsUpRunsOnceTheGatesClose) {
    const auto screen = startUp();
    // The lock (or a required update) is up in a window of its own.
    const auto gate = GateWindow::create("TestGate");
    gate->present(platform::ui::ViewController::create(), false);
    testsupport::pump();
    ASSERT_TRUE(GateWindow::isAnyUp());
    const auto completedBefore = countOf(logs(), kFlowCompleted);

    const auto link = std::make_shared<FakeAction>(true);
    coordinator->launchActionFlow(link);
    EXPECT_EQ(link->runs, 0) << "nothing runs behind a gate";
    EXPECT_EQ(countOf(logs(), kFlowCompleted), completedBefore) << "the flow is not done";
    EXPECT_EQ(coordinator->launchAction(), link);

    gate->close(false);
    testsupport::pump();
    EXPECT_FALSE(GateWindow::isAnyUp());
    EXPECT_EQ(link->runs, 1) << "it runs once the gate has closed";
    EXPECT_EQ(coordinator->launchAction(), nullptr);
    EXPECT_EQ(countOf(logs(), kFlowCompleted), completedBefore + 1);
}

TEST_F(AppCoordinatorTest, APushTapLandsWhateverIsOnTop) {
    enum class Top { screen, pushedBrowser, sheet, gate };
    const struct {
        const char* name;
        Top top;
    } cases[] = {
        {"the community screen", Top::screen},
        {"a browser pushed over the community screen", Top::pushedBrowser},
        {"a sheet presented over the community screen", Top::sheet},
        {"a gate (the lock): it lands once the gate closes", Top::gate},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        steps = std::make_shared<FakeSteps>();
        SetUp();
        const auto screen = startUp();
        screen->calls.clear();
        const auto gate = GateWindow::create("TestGate");
        if (c.top == Top::pushedBrowser) navigation->push(platform::ui::makeController<interfacetest::Screen>(), false);
        if (c.top == Top::sheet) navigation->present(platform::ui::makeController<interfacetest::Screen>(), false);
        if (c.top == Top::gate) gate->present(platform::ui::ViewController::create(), false);
        testsupport::pump();

        // The payload of a tapped notification: a record and its link.
        coordinator->launchActionFlow(DeeplinkAction::create(
            platform::Url::parse("https://community.example.test/s/detail/rec1"), "rec1", std::nullopt, navigation));
        if (c.top == Top::gate) {
            EXPECT_TRUE(std::ranges::find(screen->calls, "openRecord rec1") == screen->calls.end());
            gate->close(false);
        }
        testsupport::pump();

        EXPECT_NE(std::ranges::find(screen->calls, "openRecord rec1"), screen->calls.end());
        EXPECT_EQ(coordinator->launchAction(), nullptr);
    }
}

TEST_F(AppCoordinatorTest, ALinkWhileTheScreenReloadsRunsAtItsNextPageLoad) {
    const auto screen = startUp();
    // A session refresh reloads the screen: it is back to its first state.
    screen->currentState = State::initialized;
    const auto link = std::make_shared<FakeAction>(true);
    coordinator->launchActionFlow(link);
    EXPECT_EQ(link->runs, 0);

    screen->bootstrap();
    EXPECT_EQ(link->runs, 0) << "a bootstrap is not a loaded page";
    screen->loadPage();
    EXPECT_EQ(link->runs, 1);
    EXPECT_EQ(coordinator->launchAction(), nullptr);
}

TEST_F(AppCoordinatorTest, AnActionThatCouldNotRunStaysQueuedAndTheFlowIsNotDone) {
    const auto screen = startUp();
    const auto completedBefore = countOf(logs(), kFlowCompleted);
    const auto link = std::make_shared<FakeAction>(true);
    link->tookEffect = false; // say, no community screen to open it in

    coordinator->launchActionFlow(link);

    EXPECT_EQ(link->runs, 1);
    EXPECT_EQ(coordinator->launchAction(), link) << "kept for the next run";
    EXPECT_EQ(countOf(logs(), kFlowCompleted), completedBefore);
    EXPECT_EQ(countOf(logs(), "AppCoordinator: Keeping the launch action queued: it could not run yet."), 1);

    // The next run (a refresh, say) runs it again.
    link->tookEffect = true;
    coordinator->launchActionFlow(coordinator->launchAction());
    EXPECT_EQ(link->runs, 2);
    EXPECT_EQ(coordinator->launchAction(), nullptr);
}

TEST_F(AppCoordinatorTest, PreserveLastSessionURLQueuesALinkOnlyWhenNothingIsQueued) {
    const auto url = platform::Url::parse("https://community.example.test/s/after-login").value();
    coordinator->preserveLastSessionURL(url);
    const auto link = std::dynamic_pointer_cast<URLLinkAction>(coordinator->launchAction());
    ASSERT_TRUE(link);
    EXPECT_EQ(link->url(), url);
    EXPECT_EQ(link->navigationController(), navigation);

    coordinator->preserveLastSessionURL(platform::Url::parse("https://community.example.test/s/other").value());
    EXPECT_EQ(coordinator->launchAction(), link);

    // Queued as the first chain runs; opened on the first loaded page.
    const auto screen = startUp();
    EXPECT_EQ(screen->calls.front(), "openURL https://community.example.test/s/after-login");
}

// Session refresh -----------------------------------------------------------------

TEST_F(AppCoordinatorTest, TheBootstrapRefreshesASessionNeverRefreshedOrADayOld) {
    struct Case {
        const char* name;
        std::optional<double> refreshedAgo; // seconds; none: never
        bool expected;
    };
    const Case cases[] = {
        {"never refreshed", std::nullopt, true},
        {"an hour ago", 3600.0, false},
        {"23 hours ago", 23 * 3600.0, false},
        {"exactly a day ago", 86'400.0, true},
        {"two days ago", 2 * 86'400.0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        context->userDefaults->removeObject(AuthenticationObserver::kTimeSinceLastSessionRefreshKey);
        if (c.refreshedAgo) AuthenticationObserver::setTimeSinceLastSessionRefresh(platform::now() - *c.refreshedAgo);
        EXPECT_EQ(coordinator->shouldTriggerSessionRefresh(), c.expected);
        steps->refreshFlags.clear();
        coordinator->executeColdStartFlow();
        EXPECT_EQ(steps->refreshFlags, std::vector<bool>{c.expected});
    }

    // A sign-in restarts the day.
    context->notificationCenter->post(platform::veltrane::kVQNotificationUserDidLogIn);
    EXPECT_FALSE(coordinator->shouldTriggerSessionRefresh());
    testsupport::advance(86'400);
    EXPECT_TRUE(coordinator->shouldTriggerSessionRefresh());
}

TEST_F(AppCoordinatorTest, AReturnToTheForegroundRefreshesTheSessionWhenDue) {
    struct Case {
        const char* name;
        double away;         // seconds in the background
        double refreshedAgo; // seconds before leaving
        bool refreshes;
    };
    const Case cases[] = {
        {"a short time away, refreshed recently", 60.0, 3600.0, false},
        {"a short time away, the refresh a day old", 60.0, 86'400.0, true},
        {"away longer than a day", 86'401.0, 0.0, true},
        {"away exactly a day", 86'400.0, 0.0, false},
    };
    const auto screen = startUp();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        screen->calls.clear();
        screen->credentialRefreshes.clear();
        AuthenticationObserver::setTimeSinceLastSessionRefresh(platform::now() - c.refreshedAgo);
        const auto before = countOf(logs(), kProactiveRefresh);
        context->notificationCenter->post(platform::ui::kApplicationDidEnterBackgroundNotification);
        testsupport::advance(c.away);
        // The time away must not make the refresh due on its own here.
        if (c.away >= 86'400.0) AuthenticationObserver::setTimeSinceLastSessionRefresh(platform::now());
        context->notificationCenter->post(platform::ui::kApplicationWillEnterForegroundNotification);

        EXPECT_EQ(countOf(logs(), kProactiveRefresh) - before, c.refreshes ? 1 : 0);
        EXPECT_EQ(screen->calls,
                  c.refreshes ? std::vector<std::string>{"refreshUserCredentials"} : std::vector<std::string>{});
    }
}

TEST_F(AppCoordinatorTest, ASuccessfulForegroundRefreshRunsTheQueuedActionAFailedOneKeepsIt) {
    const auto screen = startUp();
    // Queued while not loaded: the screen went back to loading.
    screen->currentState = State::initialized;
    const auto link = std::make_shared<FakeAction>(true);
    coordinator->launchActionFlow(link);
    screen->currentState = State::pageLoaded;

    coordinator->sessionTrackerShouldValidate(true);
    ASSERT_EQ(screen->credentialRefreshes.size(), 1u);
    screen->credentialRefreshes[0](std::nullopt, platform::Error("NSURLErrorDomain", -1009));
    EXPECT_EQ(link->runs, 0);
    EXPECT_EQ(coordinator->launchAction(), link);

    coordinator->sessionTrackerShouldValidate(true);
    ASSERT_EQ(screen->credentialRefreshes.size(), 2u);
    screen->credentialRefreshes[1](std::nullopt, std::nullopt);
    EXPECT_EQ(link->runs, 1);
    EXPECT_EQ(coordinator->launchAction(), nullptr);

    // Without a community screen only the line is logged.
    context->notificationCenter->post(platform::veltrane::kVQNotificationUserDidLogout);
    const auto before = countOf(logs(), kProactiveRefresh);
    coordinator->sessionTrackerShouldValidate(true);
    EXPECT_EQ(countOf(logs(), kProactiveRefresh), before + 1);
}

// Replaced steps and late completions -------------------------------------------

TEST_F(AppCoordinatorTest, AReplacedStepsLateCompletionDoesNotContinueTheChain) {
    steps->endAtOnce.erase("appUI");
    coordinator->executeColdStartFlow();
    // The old app-UI step is still held by a pending callback of its own.
    const auto stale = steps->current("appUI");
    ASSERT_TRUE(stale);

    coordinator->executePostAuthFlow(); // a sign-in replaces the chain
    const auto fresh = steps->current("appUI");
    ASSERT_NE(fresh, stale);
    const auto made = steps->made;

    steps->showScreen(stale);
    testsupport::pump();
    EXPECT_EQ(steps->made, made) << "no second chain";
    EXPECT_EQ(coordinator->activeFlowCoordinator(), fresh) << "the new chain's step is kept";
    EXPECT_EQ(countOf(logs(), "AppCoordinator: Ignoring the completion of FakeStep: it is no longer the active step."),
              1);

    // The active step's completion continues as usual; a second one is ignored.
    steps->showScreen(fresh);
    EXPECT_EQ(steps->count("launchAction"), 1);
    fresh->end();
    EXPECT_EQ(steps->count("launchAction"), 1);
}

TEST_F(AppCoordinatorTest, ALinkQueuedWhileAShortcutRunsIsKept) {
    steps->endAtOnce.erase("eula");
    steps->endAtOnce.erase("appUI");
    coordinator->executeColdStartFlow();
    const auto shortcut = std::make_shared<FakeAction>(false, true);
    coordinator->launchActionFlow(shortcut); // restarts the chain
    steps->current("eula")->end();
    ASSERT_EQ(shortcut->runs, 1);

    // While the shortcut's screen is up, a link arrives.
    const auto link = std::make_shared<FakeAction>(true);
    coordinator->launchActionFlow(link);
    shortcut->held(true);
    EXPECT_EQ(coordinator->launchAction(), link) << "the link is not lost";
    EXPECT_EQ(link->runs, 0);

    steps->showScreen(steps->current("appUI"));
    EXPECT_EQ(link->runs, 1) << "it runs at the end of the chain";
    EXPECT_EQ(coordinator->launchAction(), nullptr);
}

TEST_F(AppCoordinatorTest, AURLPreservedWhileTheLaunchStepWaitsIsKept) {
    steps->nextScreen = FakeCommunityScreen::make(State::bootstrapped);
    const auto screen = startUp();
    ASSERT_TRUE(coordinator->activeFlowCoordinator()) << "the launch step waits for the first page";

    // An OAuth sign-in finishing in the page keeps the page it was on.
    coordinator->preserveLastSessionURL(platform::Url::parse("https://community.example.test/s/kept").value());
    screen->loadPage();

    EXPECT_EQ(coordinator->activeFlowCoordinator(), nullptr);
    ASSERT_TRUE(coordinator->launchAction()) << "the link queued while the step ran is not lost";
    EXPECT_EQ(std::dynamic_pointer_cast<URLLinkAction>(coordinator->launchAction())->url()->absoluteString(),
              "https://community.example.test/s/kept");
}

// The context's view ----------------------------------------------------------------

TEST_F(AppCoordinatorTest, TheGuestExperienceNeedsALoadedPageAndNobodySignedIn) {
    EXPECT_FALSE(context->hasGuestExperience()) << "a coordinator without a screen: still loading";
    const auto screen = startUp();
    struct Case {
        State state;
        bool signedIn;
        bool expected;
    };
    const Case cases[] = {
        {State::initialized, false, false}, {State::premLoad, false, true},   {State::bootstrapped, false, true},
        {State::pageLoaded, false, true},   {State::pageLoaded, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.state));
        screen->currentState = c.state;
        accounts->user = nullptr;
        if (c.signedIn) signIn();
        EXPECT_EQ(context->hasGuestExperience(), c.expected);
    }
    context->setAppCoordinator(nullptr);
    EXPECT_TRUE(context->hasGuestExperience()) << "before the coordinator exists";
}

TEST_F(AppCoordinatorTest, AReleasedCoordinatorStopsTheChainSilently) {
    steps->endAtOnce.erase("eula");
    coordinator->executeColdStartFlow();
    const auto eula = steps->current("eula");
    ASSERT_TRUE(eula);
    std::shared_ptr<FakeStep> held = eula;
    context->setAppCoordinator(nullptr);
    coordinator.reset();
    held->end();
    EXPECT_EQ(steps->made, std::vector<std::string>{"eula"});
}

// With the app's own permissions step ---------------------------------------------

/// The coordinator over the app's permissions step, a signed-in user whose
/// organisation requires the biometric lock, and no network (the access
/// check fails at once).
class AppCoordinatorPermissionsTest : public interfacetest::InterfaceTest {
protected:
    void SetUp() override {
        InterfaceTest::SetUp();
        Logger::configureLogLevel();
        registerShellResources();
        platform::system::LocalAuthentication::shared().reset();
        platform::Reachability::setOffline(true);
        steps->realPermissions = true;
        steps->endAtOnce.erase("appUI"); // the community loads behind the lock
        steps->navigation = navigation;
        coordinator = AppCoordinator::create(navigation, steps);
        context->setAppCoordinator(coordinator);

        auto account = apptest::signIn(*context);
        auto idData = std::make_shared<platform::veltrane::VQIdData>();
        idData->customAttributes = platform::veltrane::VQCustomAttributes{
            {platform::Json("ENABLE_BIOMETRICS_UNLOCK"), platform::Json("true")}};
        account->setIdData(idData);
    }
    void TearDown() override {
        testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }, 5);
        context->setAppCoordinator(nullptr);
        coordinator.reset();
        platform::Reachability::setOffline(false);
        platform::system::LocalAuthentication::shared().reset();
        context->userAccountManager->setCurrentUserAccount(nullptr);
        testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }, 5);
        InterfaceTest::TearDown();
    }

    /// Access checks run so far: each logs its outcome once.
    static long accessChecks() {
        return std::ranges::count_if(apptest::appLogLines(), [](const apptest::LogLine& line) {
            return line.text.starts_with("FaultManager: API enabled check");
        });
    }

    std::shared_ptr<FakeSteps> steps = std::make_shared<FakeSteps>();
    std::shared_ptr<AppCoordinator> coordinator;
};

TEST_F(AppCoordinatorPermissionsTest, EveryTabReportingOneFailureGivesOneLockScreen) {
    // Three loaded tabs each hand the same failed refresh on.
    coordinator->executePostAuthFlow();
    const auto manager = context->biometricsManager();
    coordinator->executePostAuthFlow();
    coordinator->executePostAuthFlow();
    // The access check answers on a worker thread (the bound only catches a hang).
    ASSERT_TRUE(testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }, 30));
    run(1.0);

    EXPECT_EQ(steps->count("permissions"), 1);
    EXPECT_EQ(accessChecks(), 1);
    EXPECT_EQ(context->biometricsManager(), manager) << "one lock manager";
    EXPECT_EQ(platform::system::LocalAuthentication::shared().pendingCount(), 1u) << "one lock screen asks";
    const auto lockScreen =
        std::dynamic_pointer_cast<BiometricsValidationViewController>(navigation->presentedViewController());
    ASSERT_TRUE(lockScreen);

    // Log Out on the lock screen: the sign-out restarts the tail.
    lockScreen->logout();
    ASSERT_TRUE(testsupport::waitUntil([this] { return steps->count("appUI") == 1; }, 30));
    ASSERT_TRUE(testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }, 30));
    run(1.0);
    EXPECT_EQ(steps->count("permissions"), 2);
    EXPECT_EQ(navigation->presentedViewController(), nullptr) << "the lock screen is gone";
    EXPECT_EQ(steps->count("appUI"), 1) << "signed out, the permissions run through to the app UI";
}

} // namespace
