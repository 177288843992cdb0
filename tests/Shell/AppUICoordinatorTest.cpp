// The app UI step with real community screens over the loopback community:
// the screen loads without being pushed, then the web app's bootstrap (or
// the SDK's login screen) decides what the step shows and how it ends.

#include "VellicorApp/Shell/AppUICoordinator.hpp"

#include "VellicorApp/Community/TabBarPersistentStore.hpp"
#include "VellicorApp/Core/AppModeCommunity.hpp"
#include "VellicorApp/Core/FloatingActionButtonProviding.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Hybrid/CommunityHybridViewController.hpp"
#include "VellicorApp/Hybrid/CommunityScreenMaking.hpp"
#include "VellicorApp/Hybrid/HybridResources.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerCenter.hpp"
#include "VellicorApp/Interface/CommunityTabBarController.hpp"
#include "VellicorApp/Interface/Toast.hpp"
#include "VellicorApp/Shell/AppCoordinator.hpp"
#include "VellicorApp/Shell/AppDelegate.hpp"
#include "VellicorApp/Shell/AppUpdateManager.hpp"
#include "tests/Interface/TabBarTestSupport.hpp"
#include "tests/support/LoopbackHttpsServer.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"
#include "Platform/SDKs/Veltrane/VeltraneSDKManager.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/Storyboard.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace vellicor;
using tabbartest::settled;
using tabbartest::threeMenuItems;
/// How a step ended: none, or the case of its error.
using Ended = std::optional<FlowCoordinatorError::Case>;
const std::vector<Ended> kEndedWithoutError = {std::nullopt};

namespace {

/// Where the dying children of the death tests keep their files.
constexpr const char* kDeathSandboxVariable = "VELLICOR_APP_UI_DEATH_SANDBOX";

constexpr const char* kAuthenticationRequired =
    "AppUICoordinator: Authentication is required. Moving forward with presenting authentication view.";

constexpr const char* kBootstrappedAgain =
    "AppUICoordinator: The web app bootstrapped again while its screen is being shown; ignoring it.";

/// Page data whose navigation does not parse.
platform::Json unreadableMenu() { return {{"menuItems", "none"}, {"branding", {{"iconTintColor", "#0070D2"}}}}; }

/// Page data with an empty menu.
platform::Json noMenuItems() { return {{"menuItems", platform::Json::array()}, {"branding", {{"iconTintColor", "#0070D2"}}}}; }

/// Records where the floating button was put.
class RecordingButton : public FloatingActionButtonProviding {
public:
    void presentFloatingActionButton(const std::shared_ptr<platform::ui::ViewController>& viewController) override {
        presentedOn.push_back(viewController);
    }
    void presentManagedURLsContentView() override {}
    void hideFloatingActionButton() override {}
    bool isFloatingActionButtonHidden() const override { return false; }

    std::vector<std::shared_ptr<platform::ui::ViewController>> presentedOn;
};

class AppUICoordinatorTest : public tabbartest::TabBarLoopbackFixture {
protected:
    void SetUp() override {
        TabBarLoopbackFixture::SetUp();
        Logger::configureLogLevel();
    }

    void TearDown() override {
        step.reset();
        platform::ui::Application::shared().reset();
        TabBarLoopbackFixture::TearDown();
    }

    /// Starts a new step in the running context's mode; its ends are recorded.
    void start() {
        ends.clear();
        step = AppUICoordinator::create(navigation, nullptr, context->appMode());
        step->start([this](const std::optional<FlowCoordinatorError>& error) {
            ends.push_back(error ? Ended(error->kind()) : std::nullopt);
        });
    }
    /// Starts a new step and waits until its screen has loaded its start page.
    std::shared_ptr<CommunityHybridViewController> startAndLoad() {
        start();
        auto screen = std::dynamic_pointer_cast<CommunityHybridViewController>(step->communityViewController());
        EXPECT_TRUE(screen);
        if (!screen) return nullptr;
        EXPECT_TRUE(settled({screen->webView()}));
        return screen;
    }

    /// What a reset of the web screen does: the loading screen (the fixture's
    /// root) is the only screen again.
    void showLoadingScreenAgain() { navigation->setViewControllers({root}, false); }

    std::shared_ptr<CommunityTabBarController> shownTabBar() const {
        return std::dynamic_pointer_cast<CommunityTabBarController>(navigation->topViewController());
    }
    static long errorLinesStartingWith(const std::string& prefix) {
        return std::ranges::count_if(apptest::appLogTexts("ERROR"),
                                     [&](const auto& text) { return text.starts_with(prefix); });
    }
    static long infoLines(const std::string& text) { return std::ranges::count(apptest::appLogTexts("INFO"), text); }

    std::shared_ptr<AppUICoordinator> step;
    std::vector<Ended> ends;
};

// Configuration faults ------------------------------------------------------------

TEST_F(AppUICoordinatorTest, ConfigurationFaultsStopTheApp) {
    // A screen already there when the step starts.
    EXPECT_DEATH(
        {
            step = AppUICoordinator::create(navigation, flowtest::FakeCommunityScreen::make(), AppMode::normal);
            step->start({});
        },
        "Hybrid view controller should not be initialized.");
    // No boot configuration for the mode: neither a stored one nor one in the
    // package. The dying child has no sandbox of its own; it works in a
    // folder of this test's, handed down through the environment (which the
    // child inherits, so it must not set the variable again).
    ::setenv(kDeathSandboxVariable, testsupport::sandboxRoot().c_str(), 0);
    EXPECT_DEATH(
        {
            platform::Sandbox::setRoot(std::filesystem::path(std::getenv(kDeathSandboxVariable)) / "dying");
            const auto package = apptest::copyPackage();
            std::filesystem::remove(package / platform::veltrane::VQHybridViewConfig::kDefaultConfigFileName);
            platform::Bundle::setMainBundlePath(package);
            start();
        },
        "appMode.appConfig must not be nil.");
    ::unsetenv(kDeathSandboxVariable);
    // A bootstrap with page data reaching a step that made no screen.
    EXPECT_DEATH(
        {
            step = AppUICoordinator::create(navigation, nullptr, AppMode::normal);
            step->webAppDidBootstrap(flowtest::FakeCommunityScreen::make(), threeMenuItems());
        },
        "Hybrid view controller should not be anything other than CommunityViewController.");
}

// Loading ---------------------------------------------------------------------------

TEST_F(AppUICoordinatorTest, TheScreenLoadsWithItsMarkerAndWaitsWithoutBeingPushed) {
    const auto button = std::make_shared<RecordingButton>();
    context->setFloatingActionButtonProvider(button);

    const auto screen = startAndLoad();
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->webView()->title(), "/s/");
    EXPECT_EQ(screen->hybridAppDelegate(), step) << "the step hears of the bootstrap";
    EXPECT_EQ(navigation->topViewController(), root) << "nothing is pushed before the bootstrap";
    EXPECT_TRUE(ends.empty());
    ASSERT_EQ(button->presentedOn.size(), 1u);
    EXPECT_EQ(button->presentedOn.front(), navigation);

    const auto markerID = screen->communityHybridViewModel()->currentMarkerID();
    ASSERT_TRUE(markerID);
    const auto marker = center->getMarker(*markerID);
    ASSERT_TRUE(marker);
    EXPECT_EQ(marker->name(), KORVAMarkerName::communityLoad);
    EXPECT_EQ(marker->type(), KORVAMarkerType::performance);
}

TEST_F(AppUICoordinatorTest, TheLoginScreenEndsTheStepWithRequiresAuthenticationAndPushesNothing) {
    const auto screen = startAndLoad();
    ASSERT_TRUE(screen);

    context->notificationCenter->post(platform::veltrane::kVQNotificationUserWillShowAuthView);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends.front(), FlowCoordinatorError::Case::requiresAuthentication);
    EXPECT_EQ(infoLines(kAuthenticationRequired), 1);
    testsupport::advance(1);
    EXPECT_EQ(navigation->viewControllers().size(), 1u) << "no screen was pushed";
    EXPECT_EQ(navigation->topViewController(), root);
}

// The web app's bootstrap -------------------------------------------------------------

TEST_F(AppUICoordinatorTest, ABootstrapWithNavigationShowsTheTabBarAroundTheLoadedScreen) {
    const auto screen = startAndLoad();
    ASSERT_TRUE(screen);
    auto data = threeMenuItems();
    data["appUpdateConfig"] = {{"enableAppUpdate", true}, {"gracePeriod", 3}};

    // The page's own message, through the screen's model.
    screen->webView()->postScriptMessage("webAppEventBootstrapDone", {{"data", data}});
    testsupport::pump();

    ASSERT_EQ(ends, kEndedWithoutError);
    EXPECT_EQ(step->activeSubFlowCoordinator(), nullptr);
    const auto tabBar = shownTabBar();
    ASSERT_TRUE(tabBar);
    ASSERT_EQ(tabBar->viewControllers().size(), 3u);
    EXPECT_EQ(tabBar->viewControllers().front(), screen) << "the loaded screen is the first tab";
    const auto updates = context->appUpdateManager();
    ASSERT_TRUE(updates);
    EXPECT_EQ(updates->appUpdateConfig(), (AppUpdateConfigModel{true, 3}));
}

TEST_F(AppUICoordinatorTest, ThePagesUpdateSettingsSetUpTheUpdateCheckOrLeaveItAsItWas) {
    struct Case {
        const char* name;
        std::optional<platform::Json> appUpdateConfig;
        bool keepsTheEarlierManager;
        std::optional<AppUpdateConfigModel> expected;
    };
    const std::vector<Case> cases = {
        {"enabled", platform::Json{{"enableAppUpdate", true}, {"gracePeriod", -1}}, false, AppUpdateConfigModel{true, -1}},
        {"switched off", platform::Json{{"enableAppUpdate", false}, {"gracePeriod", 0}}, false, std::nullopt},
        {"absent", std::nullopt, true, std::nullopt},
        {"not an object", platform::Json("yes"), true, std::nullopt},
        {"no grace period", platform::Json{{"enableAppUpdate", true}}, true, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto earlier = AppUpdateManager::create({true, 7}, "17.0", nullptr, {});
        context->setAppUpdateManager(earlier);
        const auto failuresBefore = errorLinesStartingWith("AppUICoordinator: Force app update experience failed with error ");
        const auto screen = startAndLoad();
        ASSERT_TRUE(screen);
        auto data = threeMenuItems();
        if (c.appUpdateConfig) data["appUpdateConfig"] = *c.appUpdateConfig;

        step->webAppDidBootstrap(screen, data);
        testsupport::pump();

        EXPECT_EQ(ends, kEndedWithoutError) << "the update settings never fail the step";
        EXPECT_TRUE(shownTabBar());
        const auto failures =
            errorLinesStartingWith("AppUICoordinator: Force app update experience failed with error ") - failuresBefore;
        if (c.keepsTheEarlierManager) {
            EXPECT_EQ(context->appUpdateManager(), earlier);
            EXPECT_EQ(failures, 1);
        } else {
            EXPECT_EQ(failures, 0);
            const auto manager = context->appUpdateManager();
            EXPECT_NE(manager, earlier);
            EXPECT_EQ(manager ? std::optional(manager->appUpdateConfig()) : std::nullopt, c.expected);
        }
        showLoadingScreenAgain();
        testsupport::pump();
    }
}

TEST_F(AppUICoordinatorTest, ABootstrapWithoutNavigationOrAStoredOnePushesTheSingleScreen) {
    const auto screen = startAndLoad();
    ASSERT_TRUE(screen);

    // The page sends no data: its handler empties the store, so nothing is stored either.
    screen->webView()->postScriptMessage("webAppEventBootstrapDone", platform::Json::object());
    testsupport::pump();

    ASSERT_EQ(ends, kEndedWithoutError);
    EXPECT_EQ(navigation->topViewController(), screen);
    EXPECT_EQ(context->appUpdateManager(), nullptr) << "no update settings without page data";
    EXPECT_EQ(errorLinesStartingWith("AppUICoordinator: "), 0);
}

TEST_F(AppUICoordinatorTest, ABootstrapWithoutPageDataBuildsTheTabBarTheLastSessionStored) {
    // Written directly: a bootstrap message without data empties the store.
    TabBarPersistentStore().updateTabBarConfig(threeMenuItems());
    ASSERT_EQ(TabBarPersistentStore().tabBarConfig(), threeMenuItems());
    const auto screen = startAndLoad();
    ASSERT_TRUE(screen);

    step->webAppDidBootstrap(screen, std::nullopt);
    testsupport::pump();

    ASSERT_EQ(ends, kEndedWithoutError);
    const auto tabBar = shownTabBar();
    ASSERT_TRUE(tabBar);
    ASSERT_EQ(tabBar->viewControllers().size(), 3u);
    EXPECT_EQ(tabBar->viewControllers().front(), screen);
    // The stored navigation has no update settings.
    EXPECT_EQ(errorLinesStartingWith("AppUICoordinator: Force app update experience failed with error "), 1);
}

TEST_F(AppUICoordinatorTest, ATabBarThatCannotBeBuiltFallsBackToTheSingleScreen) {
    struct Case {
        const char* name;
        platform::Json data;
    };
    const std::vector<Case> cases = {
        {"menu not a list", unreadableMenu()},
        {"empty menu", noMenuItems()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = errorLinesStartingWith("AppUICoordinator: Native (Tab bar) experience failed with error ");
        const auto screen = startAndLoad();
        ASSERT_TRUE(screen);

        step->webAppDidBootstrap(screen, c.data);
        testsupport::pump();

        EXPECT_EQ(ends, kEndedWithoutError) << "a failed tab bar is no step error";
        EXPECT_EQ(navigation->topViewController(), screen);
        EXPECT_EQ(step->activeSubFlowCoordinator(), nullptr);
        const auto errors = apptest::appLogTexts("ERROR");
        const auto line = std::ranges::find_if(errors, [](const auto& text) {
            return text.starts_with("AppUICoordinator: Native (Tab bar) experience failed with error ");
        });
        EXPECT_EQ(errorLinesStartingWith("AppUICoordinator: Native (Tab bar) experience failed with error ") - before, 1);
        if (line != errors.end()) {
            EXPECT_TRUE(line->ends_with(". Moving forward with singular hybrid web app.")) << *line;
        }
        showLoadingScreenAgain();
        testsupport::pump();
    }
}

TEST_F(AppUICoordinatorTest, WhileSomethingIsPresentedThePushWaitsAThirdOfASecondAndTheStepEndsAfterIt) {
    struct Case {
        const char* name;
        std::optional<platform::Json> data;
        bool tabBar;
    };
    const std::vector<Case> cases = {
        {"single screen", std::nullopt, false},
        {"tab bar", threeMenuItems(), true},
        {"tab bar failed", unreadableMenu(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto screen = startAndLoad();
        ASSERT_TRUE(screen);
        const auto sheet = platform::ui::ViewController::create();
        navigation->present(sheet, false);
        testsupport::pump();

        step->webAppDidBootstrap(screen, c.data);
        testsupport::advance(0.29);
        EXPECT_TRUE(ends.empty());
        EXPECT_EQ(navigation->topViewController(), root);

        testsupport::advance(0.01);
        EXPECT_EQ(ends, kEndedWithoutError);
        if (c.tabBar) {
            const auto tabBar = shownTabBar();
            ASSERT_TRUE(tabBar);
            EXPECT_EQ(tabBar->viewControllers().front(), screen);
        } else {
            EXPECT_EQ(navigation->topViewController(), screen);
        }

        navigation->dismiss(false);
        showLoadingScreenAgain();
        testsupport::pump();
    }
}

TEST_F(AppUICoordinatorTest, ABootstrapReportedAgainWhileThePushWaitsIsIgnored) {
    for (const auto& data : {std::optional<platform::Json>(), std::optional<platform::Json>(threeMenuItems())}) {
        SCOPED_TRACE(data ? "tab bar" : "single screen");
        const auto ignoredBefore = infoLines(kBootstrappedAgain);
        const auto screen = startAndLoad();
        ASSERT_TRUE(screen);
        navigation->present(platform::ui::ViewController::create(), false);
        testsupport::pump();

        step->webAppDidBootstrap(screen, data);
        step->webAppDidBootstrap(screen, data);
        testsupport::advance(1);

        EXPECT_EQ(ends, kEndedWithoutError);
        ASSERT_EQ(navigation->viewControllers().size(), 1u) << "one screen pushed, once";
        if (data) {
            const auto tabBar = shownTabBar();
            ASSERT_TRUE(tabBar);
            EXPECT_EQ(tabBar->viewControllers().front(), screen);
        } else {
            EXPECT_EQ(navigation->topViewController(), screen);
        }
        EXPECT_EQ(infoLines(kBootstrappedAgain) - ignoredBefore, 1);

        navigation->dismiss(false);
        showLoadingScreenAgain();
        testsupport::pump();
    }
}

// The cold-start marker ------------------------------------------------------------------

TEST_F(AppUICoordinatorTest, TheColdStartMarkerEndsOnceNotRedirectedFromLoginWhicheverRoadIsTaken) {
    struct Case {
        const char* name;
        std::optional<platform::Json> data;
    };
    const std::vector<Case> cases = {
        {"single screen", std::nullopt},
        {"tab bar", threeMenuItems()},
        {"tab bar failed", unreadableMenu()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // A new launch: the app's delegate opens the cold-start marker.
        const auto delegate = AppDelegate::create();
        platform::ui::Application::shared().setDelegate(delegate);
        const auto before = count(KORVAMarkerName::coldStart);
        const auto screen = startAndLoad();
        ASSERT_TRUE(screen);

        step->webAppDidBootstrap(screen, c.data);
        testsupport::pump();
        ASSERT_EQ(count(KORVAMarkerName::coldStart) - before, 1u);
        const auto marker = lastLogged(KORVAMarkerName::coldStart);
        ASSERT_TRUE(marker && marker->attributes());
        EXPECT_EQ(marker->attributes()->at("redirectedFromLogin"), false);
        EXPECT_FALSE(delegate->coldStartID());

        // The chain runs the step again (after a sign-in): the marker stays ended.
        showLoadingScreenAgain();
        testsupport::pump();
        const auto again = startAndLoad();
        ASSERT_TRUE(again);
        step->webAppDidBootstrap(again, c.data);
        testsupport::pump();
        EXPECT_EQ(count(KORVAMarkerName::coldStart) - before, 1u);

        showLoadingScreenAgain();
        testsupport::pump();
        platform::ui::Application::shared().reset();
        platform::veltrane::VeltraneSDKManager::resetForTesting();
    }
}

// With the app's coordinator -------------------------------------------------------------

/// A step that ends as soon as it starts.
class EndingStep : public BaseFlowCoordinator {
protected:
    void execute() override { complete(std::nullopt); }
};

/// The licence, custom-domain, bootstrap and permissions steps end at once;
/// the others are the app's own. Keeps the app UI steps it made, weakly.
class QuickSteps : public AppCoordinator::StepFactory {
public:
    using StepPtr = AppCoordinator::StepPtr;
    using ScreenPtr = AppCoordinator::ScreenPtr;
    using NavigationControllerPtr = AppCoordinator::NavigationControllerPtr;

    StepPtr eula() override { return std::make_shared<EndingStep>(); }
    StepPtr customDomain(AppMode) override { return std::make_shared<EndingStep>(); }
    StepPtr bootstrap(AppMode, bool) override { return std::make_shared<EndingStep>(); }
    StepPtr userAccessPermissions(const NavigationControllerPtr&) override { return std::make_shared<EndingStep>(); }
    StepPtr appUI(const NavigationControllerPtr& navigationController, const ScreenPtr& communityViewController,
                  AppMode appMode) override {
        auto step = StepFactory::appUI(navigationController, communityViewController, appMode);
        made.push_back(std::dynamic_pointer_cast<AppUICoordinator>(step));
        return step;
    }

    std::vector<std::weak_ptr<AppUICoordinator>> made;
};

class AppUICoordinatorInTheAppTest : public AppUICoordinatorTest {
protected:
    void SetUp() override {
        AppUICoordinatorTest::SetUp();
        coordinator = AppCoordinator::create(navigation, steps);
        context->setAppCoordinator(coordinator);
    }
    void TearDown() override {
        context->setAppCoordinator(nullptr);
        coordinator.reset();
        AppUICoordinatorTest::TearDown();
    }

    /// Runs the cold start up to the app UI step, whose screen has loaded.
    std::shared_ptr<CommunityHybridViewController> startUp() {
        coordinator->executeColdStartFlow();
        testsupport::pump();
        EXPECT_EQ(steps->made.size(), 1u);
        const auto appUI = steps->made.empty() ? nullptr : steps->made.back().lock();
        EXPECT_TRUE(appUI);
        EXPECT_EQ(coordinator->activeFlowCoordinator(), appUI);
        auto screen = appUI ? std::dynamic_pointer_cast<CommunityHybridViewController>(appUI->communityViewController())
                            : nullptr;
        EXPECT_TRUE(screen);
        if (screen) {
            EXPECT_TRUE(settled({screen->webView()}));
        }
        return screen;
    }

    /// The app-UI step the chain made last, while it lives.
    std::shared_ptr<AppUICoordinator> latestStep() const {
        return steps->made.empty() ? nullptr : steps->made.back().lock();
    }

    /// A sign-in or sign-out (the SDK's notification) runs the chain's tail
    /// again; returns the new app-UI step's screen once it has loaded.
    std::shared_ptr<CommunityHybridViewController> restartWith(const char* notification) {
        const auto before = steps->made.size();
        context->notificationCenter->post(notification);
        testsupport::pump();
        EXPECT_EQ(steps->made.size(), before + 1);
        const auto appUI = latestStep();
        EXPECT_TRUE(appUI);
        auto screen = appUI ? std::dynamic_pointer_cast<CommunityHybridViewController>(appUI->communityViewController())
                            : nullptr;
        EXPECT_TRUE(screen);
        if (screen) {
            EXPECT_TRUE(settled({screen->webView()}));
        }
        return screen;
    }

    /// The chevron a community screen shows at the left of its bar.
    static void tapChevron(platform::ui::ViewController& screen) {
        const auto& items = screen.navigationItem().leftBarButtonItems;
        ASSERT_FALSE(items.empty());
        ASSERT_TRUE(items.front()->action);
        items.front()->action();
    }

    std::shared_ptr<QuickSteps> steps = std::make_shared<QuickSteps>();
    std::shared_ptr<AppCoordinator> coordinator;
};

using Stack = std::vector<std::shared_ptr<platform::ui::ViewController>>;

/// The toasts shown on the controller's view.
long toastsOn(platform::ui::ViewController& controller) {
    const auto view = controller.view();
    return std::ranges::count_if(view->subviews(), [](const auto& sub) { return std::dynamic_pointer_cast<Toast>(sub) != nullptr; });
}

TEST_F(AppUICoordinatorInTheAppTest, AHiddenScreensSplashFaultWaitsForThatScreenOrGoesWithIt) {
    signIn(); // the bar preloads its other tabs only for a signed-in user
    const auto screen = startUp();
    ASSERT_TRUE(screen);
    screen->webView()->postScriptMessage("webAppEventBootstrapDone", {{"data", threeMenuItems()}});
    testsupport::pump();
    const auto tabBar = shownTabBar();
    ASSERT_TRUE(tabBar);
    ASSERT_EQ(tabBar->viewControllers().size(), 3u);
    std::vector<std::shared_ptr<platform::web::WebView>> views;
    for (const auto& tab : tabBar->viewControllers()) {
        const auto community = std::dynamic_pointer_cast<CommunityHybridViewController>(tab);
        ASSERT_TRUE(community && community->isViewLoaded());
        views.push_back(community->webView());
    }
    ASSERT_TRUE(settled(views));
    const auto timeout = context->mainBundle->webAppBootstrapTimeout();

    // The preloaded tabs' pages never report their bootstrap; nobody looks at them.
    testsupport::advance(timeout);
    ASSERT_EQ(context->faultManager->faults().size(), 2u);
    EXPECT_EQ(toastsOn(*tabBar), 0);

    // A community sheet comes on screen over the bar: those faults are not its own.
    auto config = appConfig(context->appMode());
    ASSERT_TRUE(config);
    config->setStartPage(server.url("/s/sheet").absoluteString());
    config->setUnauthenticatedStartPage(server.url("/s/sheet").absoluteString());
    auto sheet = makeCommunityScreen(std::move(config));
    tabBar->present(sheet, false);
    ASSERT_TRUE(settled({sheet->webView()}));
    EXPECT_EQ(toastsOn(*tabBar), 0) << "no fault under the sheet";
    EXPECT_EQ(toastsOn(*sheet), 0);

    // The sheet's own page times out while it is up; then it is closed.
    testsupport::advance(timeout);
    EXPECT_EQ(context->faultManager->faults().size(), 3u);
    const std::weak_ptr<CommunityHybridViewController> closed = sheet;
    tabBar->dismiss(false);
    sheet.reset();
    testsupport::pump();
    ASSERT_TRUE(closed.expired());

    // Selecting the second tab shows its fault; the third tab's waits for its turn.
    ASSERT_TRUE(tabBar->simulateTapOnTab(1));
    testsupport::pump();
    EXPECT_EQ(toastsOn(*tabBar), 1);
    EXPECT_EQ(context->faultManager->faults().size(), 1u) << "the closed sheet's fault is dropped";
    ASSERT_TRUE(tabBar->simulateTapOnTab(2));
    testsupport::pump();
    EXPECT_TRUE(context->faultManager->faults().empty());
}

TEST_F(AppUICoordinatorInTheAppTest, TheAppsScreenReplacesTheLoadingScreenSoNoBackLeadsToIt) {
    struct Case {
        const char* name;
        platform::Json message;
        bool tabBar;
    };
    const Case cases[] = {
        {"single screen", platform::Json::object(), false},
        {"tab bar", {{"data", threeMenuItems()}}, true},
    };
    auto screen = startUp();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(screen);
        screen->webView()->postScriptMessage("webAppEventBootstrapDone", c.message);
        testsupport::pump();

        const auto shown = navigation->topViewController();
        EXPECT_EQ(navigation->viewControllers(), Stack{shown}) << "the loading screen has left the stack";
        EXPECT_EQ(shown == screen, !c.tabBar);
        EXPECT_FALSE(navigation->simulateBackTap()) << "the bar has no Back";
        tapChevron(*screen);
        testsupport::advance(1);
        EXPECT_EQ(navigation->viewControllers(), Stack{shown}) << "the screen's own chevron leads nowhere";

        // A sign-in shows the loading screen, alone, while the tail runs again.
        screen = restartWith(platform::veltrane::kVQNotificationUserDidLogIn);
        EXPECT_EQ(navigation->viewControllers(), Stack{root});
    }
}

TEST_F(AppUICoordinatorInTheAppTest, ASignInOrSignOutWhileThePushWaitsLeavesNothingOfTheEndedStep) {
    struct Case {
        const char* name;
        const char* notification;
        std::optional<platform::Json> data;
    };
    const Case cases[] = {
        {"sign-out, tab bar", platform::veltrane::kVQNotificationUserDidLogout, threeMenuItems()},
        {"sign-in, tab bar", platform::veltrane::kVQNotificationUserDidLogIn, threeMenuItems()},
        {"sign-out, single screen", platform::veltrane::kVQNotificationUserDidLogout, std::nullopt},
        {"sign-in, single screen", platform::veltrane::kVQNotificationUserDidLogIn, std::nullopt},
    };
    auto screen = startUp();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(screen);
        const auto ended = latestStep();
        ASSERT_TRUE(ended);
        navigation->present(platform::ui::ViewController::create(), false);
        testsupport::pump();
        ended->webAppDidBootstrap(screen, c.data);
        testsupport::advance(0.1);

        // Within the 0.3 s the push waits, the user signs in or out.
        const auto next = restartWith(c.notification);
        ASSERT_TRUE(next);
        testsupport::advance(0.3);
        EXPECT_EQ(navigation->viewControllers(), Stack{root}) << "the ended step pushed nothing";

        // The new chain shows its own screen, with nothing under it.
        latestStep()->webAppDidBootstrap(next, std::nullopt);
        testsupport::advance(0.3);
        EXPECT_EQ(navigation->viewControllers(), Stack{next});
        EXPECT_FALSE(navigation->simulateBackTap());
        testsupport::advance(1);
        EXPECT_EQ(navigation->viewControllers(), Stack{next});

        // The next round starts from a chain that waits for its bootstrap.
        screen = restartWith(platform::veltrane::kVQNotificationUserDidLogIn);
    }
    testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }, 5);
}

TEST_F(AppUICoordinatorInTheAppTest, TheCoordinatorAdoptsTheTabBarWhichTheTabsShowTheirFaultsAndToastsOn) {
    const auto screen = startUp();
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->webAppViewController(), screen) << "the coordinator holds no screen yet";

    screen->webView()->postScriptMessage("webAppEventBootstrapDone", {{"data", threeMenuItems()}});
    testsupport::pump();

    const auto tabBar = shownTabBar();
    ASSERT_TRUE(tabBar);
    ASSERT_TRUE(coordinator->communityViewController());
    EXPECT_EQ(&coordinator->communityViewController()->viewController(), tabBar.get());
    EXPECT_TRUE(steps->made.front().expired()) << "the step is dropped at its end";
    // The launch-action step that follows ends with the first page load.
    screen->webView()->postScriptMessage("webAppEventPageLoadDone", platform::Json::object());
    testsupport::pump();
    EXPECT_EQ(infoLines("AppCoordinator: App Flow Completed."), 1);

    // Every tab shows its faults and toasts on the tab bar the user sees.
    for (const auto& tab : tabBar->viewControllers()) {
        const auto community = std::dynamic_pointer_cast<CommunityHybridViewController>(tab);
        ASSERT_TRUE(community);
        EXPECT_EQ(community->webAppViewController(), tabBar);
    }

    // A later login screen is no business of the ended step.
    context->notificationCenter->post(platform::veltrane::kVQNotificationUserWillShowAuthView);
    EXPECT_EQ(infoLines(kAuthenticationRequired), 0);
    EXPECT_EQ(shownTabBar(), tabBar);
}

TEST_F(AppUICoordinatorInTheAppTest, TheLoginScreenEndsTheChainWithoutAScreenUntilTheSignIn) {
    const auto screen = startUp();
    ASSERT_TRUE(screen);
    const std::weak_ptr<CommunityHybridViewController> made = screen;

    context->notificationCenter->post(platform::veltrane::kVQNotificationUserWillShowAuthView);
    testsupport::pump();

    EXPECT_EQ(infoLines(kAuthenticationRequired), 1);
    EXPECT_EQ(coordinator->activeFlowCoordinator(), nullptr);
    EXPECT_EQ(coordinator->communityViewController(), nullptr);
    EXPECT_TRUE(steps->made.front().expired());
    EXPECT_EQ(navigation->topViewController(), root);
    EXPECT_EQ(infoLines("AppCoordinator: App Flow Completed."), 0);
}

} // namespace
