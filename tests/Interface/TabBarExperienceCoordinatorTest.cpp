#include "VellicorApp/Interface/TabBarExperienceCoordinator.hpp"

#include "VellicorApp/Interface/CommunityTabBarController.hpp"
#include "tests/Interface/TabBarTestSupport.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace vellicor;
using tabbartest::FakeTab;

namespace {

/// A tab-bar dictionary as the page sends it, with `count` menu items.
platform::Json tabBarDictionary(int count) {
    auto items = platform::Json::array();
    for (int i = 0; i < count; ++i) {
        items.push_back({{"id", i + 1},
                         {"position", i},
                         {"name", "Tab " + std::to_string(i + 1)},
                         {"targetUrl", "https://community.example.test/s/t" + std::to_string(i + 1)}});
    }
    return {{"menuItems", items}, {"branding", {{"iconTintColor", "#0070D2"}}}, {"changedSinceLastSession", false}};
}

class TabBarExperienceCoordinatorTest : public tabbartest::TabBarTest {
protected:
    void SetUp() override {
        TabBarTest::SetUp();
        configure(false);
        start = FakeTab::make("https://community.example.test/s/", "Start");
        start->loadViewIfNeeded();
    }

    /// Starts a step over the dictionary; its completions are recorded.
    std::shared_ptr<TabBarExperienceCoordinator> run(platform::Json dictionary) {
        auto step = TabBarExperienceCoordinator::create(navigation, start, std::move(dictionary));
        step->start([completions = completions](const std::optional<FlowCoordinatorError>& error) {
            completions->push_back(error);
        });
        return step;
    }

    std::shared_ptr<CommunityTabBarController> pushedTabBar() const {
        return std::dynamic_pointer_cast<CommunityTabBarController>(navigation->topViewController());
    }

    std::shared_ptr<FakeTab> start;
    std::shared_ptr<std::vector<std::optional<FlowCoordinatorError>>> completions =
        std::make_shared<std::vector<std::optional<FlowCoordinatorError>>>();
};

TEST_F(TabBarExperienceCoordinatorTest, ADictionaryThatDoesNotParseEndsWithItsErrorAndPushesNothing) {
    auto step = run(platform::Json{{"branding", {{"iconTintColor", "#0070D2"}}}});
    testsupport::pump();
    ASSERT_EQ(completions->size(), 1u);
    ASSERT_TRUE(completions->front().has_value());
    const auto& error = *completions->front();
    EXPECT_EQ(error.kind(), FlowCoordinatorError::Case::legacy);
    ASSERT_TRUE(error.legacyError().has_value());
    EXPECT_EQ(error.legacyError()->domain, "OTHER");
    EXPECT_EQ(error.legacyError()->code, 400);
    EXPECT_EQ(error.legacyError()->localizedDescription(), "The configuration is missing.");
    EXPECT_EQ(navigation->topViewController(), root);
    EXPECT_TRUE(logged->empty()) << "no tab bar was built";
}

class TabBarExperienceErrorTest : public apptest::AppTest {};

TEST_F(TabBarExperienceErrorTest, ThePlatformErrorCarriesTheParseErrorsTypeCodeAndText) {
    apptest::installContext();
    struct Case {
        const char* name;
        ParseableError error;
        std::string domain;
        long code;
    } cases[] = {
        {"wrapped error", ParseableError::legacy(platform::Error("NSURLErrorDomain", -1009)), "NSURLErrorDomain", -1009},
        {"legacy without an error", ParseableError::legacy(), "N/A", 400},
        {"missing attributes", ParseableError::missingRequiredAttributes(), "OTHER", 400},
        {"unknown content", ParseableError::unknownContentType(), "INVALID_RECORD_ID", 400},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto error = tabBarExperienceError(c.error);
        EXPECT_EQ(error.domain, c.domain);
        EXPECT_EQ(error.code, c.code);
        EXPECT_EQ(error.userInfo, (platform::Json{{"NSLocalizedDescription", localizedDescription(c.error)}}));
    }
}

TEST_F(TabBarExperienceCoordinatorTest, NoTabEndsAsUnavailableAndPushesNothing) {
    auto step = run(tabBarDictionary(0));
    testsupport::pump();
    ASSERT_EQ(completions->size(), 1u);
    ASSERT_TRUE(completions->front().has_value());
    EXPECT_EQ(completions->front()->kind(), FlowCoordinatorError::Case::unavailableTabBarExperience);
    EXPECT_EQ(navigation->topViewController(), root);
}

TEST_F(TabBarExperienceCoordinatorTest, TheBarIsPushedAtOncePreloadedAndTheStepCompletesOnce) {
    signIn();
    std::vector<bool> loadedAtCompletion;
    auto step = TabBarExperienceCoordinator::create(navigation, start, tabBarDictionary(3));
    step->start([&](const std::optional<FlowCoordinatorError>& error) {
        completions->push_back(error);
        auto tabBar = pushedTabBar();
        ASSERT_NE(tabBar, nullptr) << "pushed before the step ends";
        for (const auto& tab : tabBar->viewControllers()) loadedAtCompletion.push_back(tab->isViewLoaded());
    });
    ASSERT_EQ(completions->size(), 1u) << "nothing presented: the push is immediate";
    EXPECT_EQ(completions->front(), std::nullopt);
    EXPECT_EQ(loadedAtCompletion, (std::vector<bool>{true, true, true})) << "preloaded, then completed";
    auto tabBar = pushedTabBar();
    ASSERT_NE(tabBar, nullptr);
    EXPECT_EQ(tabBar->viewControllers().front(), start) << "the loaded page stays on screen";
    testsupport::advance(1);
    testsupport::pump();
    EXPECT_EQ(completions->size(), 1u);
}

TEST_F(TabBarExperienceCoordinatorTest, WhileAScreenIsPresentedThePushWaitsAFewTenthsOfASecond) {
    navigation->present(platform::ui::ViewController::create(), false);
    testsupport::pump();
    auto step = run(tabBarDictionary(2));
    EXPECT_TRUE(completions->empty());
    EXPECT_EQ(navigation->topViewController(), root);

    testsupport::advance(0.29);
    EXPECT_TRUE(completions->empty());
    testsupport::advance(0.02);
    testsupport::pump();
    ASSERT_EQ(completions->size(), 1u);
    EXPECT_EQ(completions->front(), std::nullopt);
    ASSERT_NE(pushedTabBar(), nullptr);
    EXPECT_FALSE(pushedTabBar()->viewControllers()[1]->isViewLoaded()) << "signed out: nothing preloads";
}

TEST_F(TabBarExperienceCoordinatorTest, AStepCancelledOrDroppedWhileThePushWaitsPushesNothing) {
    // A sign-in or sign-out replaced the step while a screen was presented:
    // its tab bar must not land on top of the next step's screens.
    struct Case {
        const char* name;
        bool drop;
    };
    for (const auto& c : {Case{"cancelled", false}, Case{"dropped", true}}) {
        SCOPED_TRACE(c.name);
        signIn();
        navigation->present(platform::ui::ViewController::create(), false);
        testsupport::pump();
        auto step = run(tabBarDictionary(2));
        testsupport::advance(0.1);
        if (c.drop) {
            step.reset();
        } else {
            step->cancel();
        }
        testsupport::advance(0.4);
        testsupport::pump();
        EXPECT_EQ(navigation->viewControllers(), std::vector<std::shared_ptr<platform::ui::ViewController>>{root});
        EXPECT_TRUE(completions->empty());
        navigation->dismiss(false);
        testsupport::pump();
    }
}

TEST_F(TabBarExperienceCoordinatorTest, TheBarReplacesEveryScreenOnTheStack) {
    // Nothing leads back below the app's screen.
    navigation->push(platform::ui::ViewController::create(), false);
    testsupport::pump();
    auto step = run(tabBarDictionary(2));
    testsupport::pump();
    ASSERT_EQ(navigation->viewControllers().size(), 1u);
    EXPECT_NE(pushedTabBar(), nullptr);
    EXPECT_FALSE(navigation->simulateBackTap());
}

TEST_F(TabBarExperienceCoordinatorTest, WithoutTheScreenThereIsNoTabToBuild) {
    auto step = TabBarExperienceCoordinator::create(navigation, start, tabBarDictionary(2));
    start.reset();
    step->start([completions = completions](const std::optional<FlowCoordinatorError>& error) {
        completions->push_back(error);
    });
    ASSERT_EQ(completions->size(), 1u);
    EXPECT_EQ(completions->front()->kind(), FlowCoordinatorError::Case::unavailableTabBarExperience);
    EXPECT_EQ(navigation->topViewController(), root);
}

} // namespace
