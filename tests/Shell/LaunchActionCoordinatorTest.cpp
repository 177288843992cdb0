#include "VellicorApp/Shell/LaunchActionCoordinator.hpp"

#include "VellicorApp/Shell/DeeplinkAction.hpp"
#include "VellicorApp/Shell/PreBootstrapLaunchActionCoordinator.hpp"
#include "tests/Shell/AppTestSupport.hpp"
#include "tests/Shell/FlowTestSupport.hpp"

#include "Platform/UI/NavigationController.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace vellicor;
using flowtest::FakeAction;
using flowtest::FakeCommunityScreen;

namespace {

class LaunchActionStepsTest : public apptest::AppTest {
protected:
    void SetUp() override {
        apptest::installContext(apptest::sampleResources());
        Logger::configureLogLevel();
    }

    /// Starts a step, keeps it as its owner does and records how it ends.
    template <class Step> void start(std::shared_ptr<Step> made) {
        ended.clear();
        step = made;
        step->start([this](const std::optional<FlowCoordinatorError>& error) { ended.push_back(error); });
    }

    std::shared_ptr<BaseFlowCoordinator> step;
    std::vector<std::optional<FlowCoordinatorError>> ended;
};

TEST_F(LaunchActionStepsTest, PreBootstrapStepRunsOnlyAnActionThatNeedsNoWebApp) {
    struct Case {
        const char* name;
        std::optional<bool> actionNeedsWebApp; // none: nothing queued
        bool runs;
        std::optional<FlowCoordinatorError::Case> error;
        const char* completionLine;
    };
    const Case cases[] = {
        {"nothing queued", std::nullopt, false, FlowCoordinatorError::Case::invalidAction,
         "[PreBootstrapLaunchActionCoordinator] Completed. Error: INVALID_ACTION"},
        {"a link", true, false, FlowCoordinatorError::Case::requiresWebBootstrap, nullptr},
        {"a shortcut", false, true, std::nullopt, "[PreBootstrapLaunchActionCoordinator] Completed. Error: N/A"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto action = c.actionNeedsWebApp ? std::make_shared<FakeAction>(*c.actionNeedsWebApp) : nullptr;
        start(PreBootstrapLaunchActionCoordinator::create(action));
        EXPECT_EQ(action ? action->runs : 0, c.runs ? 1 : 0);
        ASSERT_EQ(ended.size(), 1u);
        EXPECT_EQ(ended[0] ? std::optional(ended[0]->kind()) : std::nullopt, c.error);
        if (c.completionLine) {
            EXPECT_EQ(apptest::appLogTexts("INFO").back(), std::string("BaseFlowCoordinator: ") + c.completionLine);
        }
    }
}

TEST_F(LaunchActionStepsTest, PreBootstrapStepEndsWhenItsActionCompletes) {
    const auto action = std::make_shared<FakeAction>(false, true);
    start(PreBootstrapLaunchActionCoordinator::create(action));
    EXPECT_TRUE(ended.empty());
    action->held(true);
    EXPECT_EQ(ended.size(), 1u);

    // A step its owner dropped ends silently.
    start(PreBootstrapLaunchActionCoordinator::create(action));
    step.reset();
    action->held(true);
    EXPECT_TRUE(ended.empty());
}

TEST_F(LaunchActionStepsTest, LaunchStepRunsTheActionWhenTheScreenAllows) {
    enum class Action { none, link, shortcut };
    struct Case {
        const char* name;
        Action action;
        std::optional<State> screen; // none: the screen is gone
        bool runsAtOnce;
        bool endsAtOnce;
        bool waits; // becomes the screen's delegate; a page load then runs it / ends it
    };
    const Case cases[] = {
        {"link, page loaded", Action::link, State::pageLoaded, true, true, false},
        {"link, bootstrapped", Action::link, State::bootstrapped, false, false, true},
        {"link, still loading", Action::link, State::initialized, false, false, true},
        {"link, load cut short", Action::link, State::premLoad, false, false, true},
        {"link, screen gone", Action::link, std::nullopt, false, false, false},
        {"shortcut, still loading", Action::shortcut, State::initialized, true, true, false},
        {"shortcut, screen gone", Action::shortcut, std::nullopt, true, true, false},
        {"nothing, page loaded", Action::none, State::pageLoaded, false, true, false},
        {"nothing, bootstrapped", Action::none, State::bootstrapped, false, false, true},
        {"nothing, screen gone", Action::none, std::nullopt, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto action = c.action == Action::none ? nullptr : std::make_shared<FakeAction>(c.action == Action::link);
        auto screen = FakeCommunityScreen::make(c.screen.value_or(State::initialized));
        const auto made = LaunchActionCoordinator::create(action, screen);
        if (!c.screen) screen.reset(); // gone between the step's making and its start
        start(made);
        EXPECT_EQ(action ? action->runs : 0, c.runsAtOnce ? 1 : 0);
        EXPECT_EQ(ended.size(), c.endsAtOnce ? 1u : 0u);
        if (!screen) continue;
        EXPECT_EQ(screen->delegate.lock() == std::dynamic_pointer_cast<CommunityViewControllerDelegate>(step), c.waits);
        if (!c.waits) continue;

        screen->bootstrap(); // not what the step waits for
        EXPECT_TRUE(ended.empty());
        screen->loadPage();
        EXPECT_EQ(action ? action->runs : 0, action ? 1 : 0);
        ASSERT_EQ(ended.size(), 1u);
        EXPECT_FALSE(ended[0]);
    }
}

TEST_F(LaunchActionStepsTest, LaunchStepRunsItsActionOnceHoweverManyPagesLoad) {
    // An action still finishing (a read mark on its way) while the screen
    // keeps loading pages: the link opens once.
    const auto action = std::make_shared<FakeAction>(true, true);
    const auto screen = FakeCommunityScreen::make(State::bootstrapped);
    start(LaunchActionCoordinator::create(action, screen));
    screen->loadPage();
    screen->loadPage();
    screen->loadPage();
    EXPECT_EQ(action->runs, 1);
    EXPECT_TRUE(ended.empty());
    action->held(true);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_FALSE(ended[0]);

    // The same when the action started at once on a loaded page.
    const auto second = std::make_shared<FakeAction>(true, true);
    start(LaunchActionCoordinator::create(second, screen));
    screen->loadPage(); // the previous step still hears it; this one is not the delegate
    EXPECT_EQ(second->runs, 1);
    screen->setHybridAppDelegate(std::dynamic_pointer_cast<CommunityViewControllerDelegate>(step));
    screen->loadPage();
    EXPECT_EQ(second->runs, 1);
}

TEST_F(LaunchActionStepsTest, ATappedNotificationOpensOnceAfterTheFirstPageLoad) {
    const auto screen = FakeCommunityScreen::make(State::bootstrapped);
    const auto navigation = platform::ui::NavigationController::create(screen);
    const auto action = DeeplinkAction::create(platform::Json{{"targetPageRef", "a01"}, {"nid", "n1"}}, navigation);
    start(LaunchActionCoordinator::create(action, screen));
    EXPECT_TRUE(screen->calls.empty()) << "waits for a page";

    screen->loadPage();
    screen->loadPage(); // the step is still the screen's delegate while its owner holds it
    EXPECT_EQ(screen->calls, std::vector<std::string>{"openRecord a01"});
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_FALSE(ended[0]);
}

TEST_F(LaunchActionStepsTest, ADroppedLaunchStepIsNoLongerTheScreensDelegate) {
    const auto action = std::make_shared<FakeAction>(true);
    const auto screen = FakeCommunityScreen::make(State::initialized);
    start(LaunchActionCoordinator::create(action, screen));
    step.reset();
    EXPECT_EQ(screen->hybridAppDelegate(), nullptr) << "held weakly by the screen";
    screen->loadPage();
    EXPECT_EQ(action->runs, 0);
    EXPECT_TRUE(ended.empty());
}

} // namespace
