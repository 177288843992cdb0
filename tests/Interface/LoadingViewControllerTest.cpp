#include "VellicorApp/Instrumentation/KORVAMarkerCenter.hpp"
#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Interface/LoadingViewController.hpp"
#include "tests/Interface/InterfaceTestSupport.hpp"
#include "tests/Shell/RecordingMarkerCenter.hpp"

#include "Platform/Foundation/Reachability.hpp"

#include <gtest/gtest.h>

using namespace platform::ui;
using vellicor::LoadingView;
using vellicor::LoadingViewController;
using Stage = LoadingView::ErrorMessage;

namespace {

class FakeFlows : public vellicor::LoadingViewControllerDelegate {
public:
    void executeColdStartFlow() override { ++coldStarts; }
    void executePostAuthFlow() override { ++postAuthRuns; }
    int coldStarts = 0;
    int postAuthRuns = 0;
};

class LoadingViewControllerTest : public interfacetest::InterfaceTest {
protected:
    void SetUp() override {
        InterfaceTest::SetUp();
        markers = vellicor::KORVAMarkerCenter::create(
            [this](std::shared_ptr<const vellicor::KORVAMarker> marker) { logged.push_back(std::move(marker)); });
        context = apptest::installContext(context, markers);
    }

    std::function<void(platform::Json&)> editInfo() override {
        return [this](platform::Json& info) {
            info.erase("LoginViewNavBarColor");
            if (barColor) info["LoginViewNavBarColor"] = *barColor;
        };
    }

    /// The main storyboard's screens, as the app delegate finds them.
    void instantiateMain() {
        auto initial = Storyboard::named("Main")->instantiateInitialViewController();
        appNavigation = std::dynamic_pointer_cast<NavigationController>(initial);
        ASSERT_TRUE(appNavigation);
        ASSERT_EQ(appNavigation->viewControllers().size(), 1u);
        loading = std::dynamic_pointer_cast<LoadingViewController>(appNavigation->viewControllers().front());
        ASSERT_TRUE(loading);
    }

    /// The launch as the platform and the app delegate run it: the window gets
    /// the storyboard's root, the delegate is set, the window is made key.
    void launch(bool withDelegate = true) {
        instantiateMain();
        if (withDelegate) loading->delegate = flows;
        appWindow = Window::create();
        appWindow->setRootViewController(appNavigation);
        View::clearAnimationRecords();
        appWindow->makeKeyAndVisible();
        testsupport::pump();
        startedAt = elapsed;
    }

    void runTo(double seconds) {
        run(seconds - elapsed);
        elapsed = seconds;
    }

    std::shared_ptr<LoadingView> view() const { return loading->loadingView(); }
    std::string text() const { return view()->statusLabel()->text; }
    std::size_t fadeIns() const {
        std::size_t count = 0;
        for (const auto& record : View::animationRecords()) count += record.duration == LoadingView::kShowDuration;
        return count;
    }

    std::optional<std::string> barColor;
    std::shared_ptr<vellicor::KORVAMarkerCenter> markers;
    std::vector<std::shared_ptr<const vellicor::KORVAMarker>> logged;
    std::shared_ptr<FakeFlows> flows = std::make_shared<FakeFlows>();
    std::shared_ptr<NavigationController> appNavigation;
    std::shared_ptr<LoadingViewController> loading;
    std::shared_ptr<Window> appWindow;
    double elapsed = 0;
    double startedAt = 0;
};

TEST_F(LoadingViewControllerTest, LaunchStartsTheFlowAndTheStagesOnce) {
    launch();
    EXPECT_EQ(flows->coldStarts, 1);
    EXPECT_EQ(flows->postAuthRuns, 0);
    ASSERT_TRUE(view());
    EXPECT_TRUE(view()->isDescendant(*loading->view()));
    runTo(4.9);
    EXPECT_EQ(view()->alpha, 0);
    runTo(5.05);
    EXPECT_EQ(view()->alpha, 1);
    EXPECT_EQ(fadeIns(), 1u) << "stages scheduled twice would fade in twice";
    runTo(15.35);
    EXPECT_EQ(text(), LoadingView::text(Stage::showPatienceLabel1));
    EXPECT_EQ(flows->coldStarts, 1);
}

TEST_F(LoadingViewControllerTest, WithoutDelegateNothingStartsAndRetryOnlyRestartsTheMessages) {
    launch(/*withDelegate=*/false);
    runTo(76);
    ASSERT_EQ(view()->retryButton()->alpha, 1);
    EXPECT_TRUE(view()->retryButton()->simulateTap());
    runTo(76.7);
    EXPECT_EQ(text(), LoadingView::text(Stage::showLoading));
    EXPECT_EQ(view()->retryButton()->alpha, 0);
    runTo(91.5);
    EXPECT_EQ(text(), LoadingView::text(Stage::showPatienceLabel1));
    EXPECT_EQ(flows->coldStarts + flows->postAuthRuns, 0);
}

TEST_F(LoadingViewControllerTest, SplashLoadIsLoggedOnceOverTwoAppearances) {
    launch();
    const auto id = loading->currentMarkerID();
    ASSERT_TRUE(id.has_value());
    const auto open = markers->getMarker(*id);
    ASSERT_TRUE(open);
    EXPECT_EQ(open->name(), vellicor::KORVAMarkerName::splashLoad);
    EXPECT_EQ(open->type(), vellicor::KORVAMarkerType::performance);

    runTo(3);
    appNavigation->push(makeController<interfacetest::Screen>(), false);
    testsupport::pump();
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0]->name(), vellicor::KORVAMarkerName::splashLoad);
    EXPECT_EQ(logged[0]->attributes(), markers->loginAndNetworkStatus());
    const auto* timed = dynamic_cast<const vellicor::DurationTracking*>(logged[0].get());
    ASSERT_NE(timed, nullptr);
    EXPECT_NEAR(timed->duration(), 3, 1e-6);
    EXPECT_FALSE(loading->currentMarkerID().has_value());
    EXPECT_EQ(markers->getMarker(*id), nullptr);
    EXPECT_EQ(view()->alpha, 0);
    EXPECT_EQ(text(), LoadingView::text(Stage::showLoading));

    appNavigation->popToRoot(false);
    testsupport::pump();
    ASSERT_TRUE(loading->isVisible());
    appNavigation->push(makeController<interfacetest::Screen>(), false);
    testsupport::pump();
    EXPECT_EQ(logged.size(), 1u);
}

TEST_F(LoadingViewControllerTest, HiddenScreenIgnoresKeyWindowsAndItsStagesStop) {
    launch();
    appNavigation->push(makeController<interfacetest::Screen>(), false);
    testsupport::pump();
    View::clearAnimationRecords();
    window->makeKey();
    appWindow->makeKey();
    platform::Reachability::setOffline(true);
    runTo(80);
    EXPECT_TRUE(View::animationRecords().empty()) << "a screen that has disappeared observes nothing";
    EXPECT_EQ(view()->alpha, 0);
    EXPECT_EQ(text(), LoadingView::text(Stage::showLoading));
}

TEST_F(LoadingViewControllerTest, OfflineFirstAppearanceShowsTheOfflineStateAtOnce) {
    platform::Reachability::setOffline(true);
    launch();
    EXPECT_EQ(flows->coldStarts, 1);
    EXPECT_EQ(view()->alpha, 1);
    ASSERT_FALSE(View::animationRecords().empty());
    EXPECT_EQ(View::animationRecords().front().duration, LoadingView::kShowDuration);
    EXPECT_EQ(View::animationRecords().front().options, AnimationOptions::bits(AnimationCurve::easeOut));
    EXPECT_EQ(text(), vellicor::localized("OFFLINE_TEXT"));
    EXPECT_EQ(view()->retryButton()->alpha, 1);
    EXPECT_FALSE(view()->activityIndicator()->isAnimating());
    runTo(80);
    EXPECT_EQ(text(), vellicor::localized("OFFLINE_TEXT")) << "the stages never start";
}

TEST_F(LoadingViewControllerTest, ADroppedConnectionShowsOfflineAndItsReturnChangesNothing) {
    launch();
    runTo(10);
    platform::Reachability::setOffline(true);
    runTo(10.7);
    EXPECT_EQ(text(), vellicor::localized("OFFLINE_TEXT"));
    EXPECT_EQ(view()->retryButton()->alpha, 1);
    EXPECT_FALSE(view()->activityIndicator()->isAnimating());
    platform::Reachability::setOffline(false);
    runTo(80);
    EXPECT_EQ(text(), vellicor::localized("OFFLINE_TEXT"));
    EXPECT_EQ(view()->retryButton()->alpha, 1);
    EXPECT_EQ(flows->postAuthRuns, 0);
}

TEST_F(LoadingViewControllerTest, RetryRunsThePostSignInFlowOnlyOnline) {
    struct Case {
        const char* name;
        bool offline;
        int postAuthRuns;
        std::string text;
        double retryAlpha;
    };
    const Case cases[] = {
        {"offline", true, 0, vellicor::localized("OFFLINE_TEXT"), 1},
        {"online", false, 1, LoadingView::text(Stage::showLoading), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        flows = std::make_shared<FakeFlows>();
        launch();
        runTo(elapsed + 76);
        ASSERT_EQ(view()->retryButton()->alpha, 1);
        platform::Reachability::setOffline(c.offline);
        runTo(elapsed + 1);
        EXPECT_TRUE(view()->retryButton()->simulateTap());
        runTo(elapsed + 0.7);
        EXPECT_EQ(flows->postAuthRuns, c.postAuthRuns);
        EXPECT_EQ(text(), c.text);
        EXPECT_EQ(view()->retryButton()->alpha, c.retryAlpha);
        runTo(elapsed + 15);
        if (!c.offline) {
            EXPECT_EQ(text(), LoadingView::text(Stage::showPatienceLabel1)) << "the stages restarted";
        }
        const auto reloads = apptest::appLogTexts("INFO");
        EXPECT_NE(std::find(reloads.begin(), reloads.end(),
                            "LoadingViewController: User attempts to reload CommunityViewControllable"),
                  reloads.end());
        platform::Reachability::setOffline(false);
        appWindow->setHidden(true);
        testsupport::pump();
    }
}

TEST_F(LoadingViewControllerTest, AnotherKeyWindowHidesTheViewAndTheAppWindowRestartsTheStages) {
    launch();
    runTo(6);
    ASSERT_EQ(view()->alpha, 1);
    auto licence = Window::create();
    licence->makeKeyAndVisible();
    testsupport::pump();
    EXPECT_EQ(view()->alpha, 0);
    runTo(40);
    EXPECT_EQ(view()->alpha, 0);
    EXPECT_EQ(text(), LoadingView::text(Stage::showLoading)) << "the stages were cancelled";

    licence->setHidden(true); // the app's window becomes key again
    testsupport::pump();
    ASSERT_TRUE(appWindow->isKeyWindow());
    runTo(44.9);
    EXPECT_EQ(view()->alpha, 0);
    runTo(45.05);
    EXPECT_EQ(view()->alpha, 1);
    runTo(55.35);
    EXPECT_EQ(text(), LoadingView::text(Stage::showPatienceLabel1));
}

struct StatusBarCase {
    const char* name;
    std::optional<std::string> hex;
    StatusBarStyle style;
};

class LoadingViewControllerStatusBarTest : public LoadingViewControllerTest,
                                           public ::testing::WithParamInterface<StatusBarCase> {
protected:
    void SetUp() override {
        barColor = GetParam().hex;
        LoadingViewControllerTest::SetUp();
    }
};

TEST_P(LoadingViewControllerStatusBarTest, StyleMatchesTheBarColour) {
    instantiateMain();
    EXPECT_EQ(loading->preferredStatusBarStyle(), GetParam().style);
}

INSTANTIATE_TEST_SUITE_P(Colours, LoadingViewControllerStatusBarTest,
                         ::testing::Values(StatusBarCase{"bright", "#FFFFFF", StatusBarStyle::darkContent},
                                           StatusBarCase{"dark", "#1B5297", StatusBarStyle::lightContent},
                                           StatusBarCase{"none", std::nullopt, StatusBarStyle::defaultStyle}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
