#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"

#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/TabBarController.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/UI/Window.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

using namespace platform;
using namespace platform::ui;
using namespace platform::veltrane;

namespace {

class VQSDKWindowManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        VQSDKWindowManager::resetForTesting();
        manager = VQSDKWindowManager::sharedManager();
        mainWindow = Window::create();
        mainWindow->setRootViewController(ViewController::create());
    }
    void TearDown() override {
        VQSDKWindowManager::resetForTesting();
        Window::resetAll();
    }

    void setUpMainWindow() {
        manager->setMainUIWindow(mainWindow);
        mainWindow->makeKeyAndVisible();
    }

    std::shared_ptr<VQSDKWindowManager> manager;
    std::shared_ptr<Window> mainWindow;
};

TEST_F(VQSDKWindowManagerTest, NothingButTheMainWindowBeforeItIsSet) {
    EXPECT_EQ(manager, VQSDKWindowManager::sharedManager());
    EXPECT_EQ(manager->mainWindow(), nullptr);
    EXPECT_EQ(manager->activeWindow(), nullptr);
    EXPECT_EQ(manager->authWindow(), nullptr);
    EXPECT_EQ(manager->createNewNamedWindow("EULAWindow"), nullptr);

    setUpMainWindow();
    auto main = manager->mainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->window(), mainWindow);
    EXPECT_EQ(main, manager->mainWindow()) << "one container per window";
    EXPECT_EQ(manager->activeWindow(), main);

    auto replacement = Window::create();
    manager->setMainUIWindow(replacement);
    EXPECT_EQ(manager->mainWindow(), main);
    EXPECT_EQ(main->window(), replacement);
}

TEST_F(VQSDKWindowManagerTest, NamedAndAuthWindowsLieAboveTheMainWindow) {
    setUpMainWindow();
    auto eula = manager->createNewNamedWindow("EULAWindow");
    ASSERT_NE(eula, nullptr);
    EXPECT_EQ(eula->windowName(), "EULAWindow");
    EXPECT_EQ(manager->createNewNamedWindow("EULAWindow"), eula);
    EXPECT_EQ(manager->windowWithName("EULAWindow"), eula);
    EXPECT_EQ(manager->windowWithName("other"), nullptr);
    for (const char* reserved : {"", "main", "auth"}) EXPECT_EQ(manager->createNewNamedWindow(reserved), nullptr);

    ASSERT_NE(eula->window(), nullptr);
    EXPECT_FALSE(eula->window()->isShown());
    EXPECT_FALSE(eula->isEnabled());
    EXPECT_NE(eula->viewController(), nullptr);
    EXPECT_EQ(eula->window()->frame, mainWindow->frame);
    EXPECT_GT(eula->window()->windowLevel, mainWindow->windowLevel);
    auto auth = manager->authWindow();
    ASSERT_NE(auth, nullptr);
    EXPECT_EQ(auth, manager->authWindow());
    EXPECT_GT(auth->window()->windowLevel, eula->window()->windowLevel);
}

TEST_F(VQSDKWindowManagerTest, PresentsAndDismissesANamedWindowWithCompletions) {
    setUpMainWindow();
    auto eula = manager->createNewNamedWindow("EULAWindow");
    int presented = 0;
    eula->presentWindowAnimated(true, [&] {
        ++presented;
        eula->viewController()->present(NavigationController::create(ViewController::create()), false);
    });
    testsupport::pump();
    EXPECT_EQ(presented, 0) << "an animated presentation ends after the fade";
    testsupport::advance(VQSDKWindowManager::kFadeDuration);
    testsupport::pump();
    EXPECT_EQ(presented, 1);
    EXPECT_TRUE(eula->window()->isShown());
    EXPECT_TRUE(eula->window()->isKeyWindow());
    EXPECT_TRUE(eula->isEnabled());
    EXPECT_EQ(manager->activeWindow(), eula);
    EXPECT_NE(manager->activeWindow(), manager->mainWindow());
    ASSERT_NE(eula->viewController()->presentedViewController(), nullptr) << "its root can present a screen";

    // Hiding as the agreement screen does: the screen first, then the window.
    int dismissed = 0;
    eula->viewController()->dismiss(false, [&] { eula->dismissWindowAnimated(true, [&] { ++dismissed; }); });
    testsupport::pump();
    EXPECT_EQ(dismissed, 0);
    testsupport::advance(VQSDKWindowManager::kFadeDuration);
    testsupport::advance(1);
    EXPECT_EQ(dismissed, 1);
    EXPECT_FALSE(eula->window()->isShown());
    EXPECT_TRUE(mainWindow->isKeyWindow());
    EXPECT_EQ(manager->activeWindow(), manager->mainWindow());
}

TEST_F(VQSDKWindowManagerTest, CompletionsRunOnceOnEveryRoad) {
    setUpMainWindow();
    auto named = manager->createNewNamedWindow("Sheet");
    int calls = 0;
    named->dismissWindowAnimated(true, [&] { ++calls; }); // never shown
    testsupport::pump();
    EXPECT_EQ(calls, 1);

    named->presentWindowAnimated(false, [&] { ++calls; });
    EXPECT_TRUE(named->window()->isShown()) << "shown at once without animation";
    EXPECT_EQ(calls, 1) << "the completion waits for the next turn";
    testsupport::pump();
    EXPECT_EQ(calls, 2);

    named->dismissWindow();
    EXPECT_FALSE(named->window()->isShown());
    testsupport::advance(1);
    EXPECT_EQ(calls, 2);

    // The auth window goes away with dismissWindow, as the sign-in cancellation does.
    auto auth = manager->authWindow();
    auth->presentWindow();
    EXPECT_EQ(manager->activeWindow(), auth);
    auth->dismissWindow();
    EXPECT_EQ(manager->activeWindow(), manager->mainWindow());
}

TEST_F(VQSDKWindowManagerTest, ActiveWindowIsTheLatestShownPresentation) {
    setUpMainWindow();
    auto first = manager->createNewNamedWindow("first");
    auto second = manager->createNewNamedWindow("second");
    first->presentWindow();
    second->presentWindow();
    EXPECT_EQ(manager->activeWindow(), second);
    first->presentWindow(); // again: back on top
    EXPECT_EQ(manager->activeWindow(), first);
    first->dismissWindow();
    EXPECT_EQ(manager->activeWindow(), second);
    EXPECT_TRUE(second->window()->isKeyWindow());
    manager->removeNamedWindow("second");
    EXPECT_EQ(manager->windowWithName("second"), nullptr);
    EXPECT_FALSE(second->window()->isShown());
    EXPECT_EQ(manager->activeWindow(), manager->mainWindow());
    EXPECT_TRUE(mainWindow->isKeyWindow());
    testsupport::pump();
}

TEST_F(VQSDKWindowManagerTest, EnabledFollowsTheWindow) {
    setUpMainWindow();
    auto main = manager->mainWindow();
    EXPECT_TRUE(main->isEnabled());
    main->setEnabled(false);
    EXPECT_FALSE(main->isEnabled());
    main->setEnabled(true);
    mainWindow->setHidden(true);
    EXPECT_FALSE(main->isEnabled());
}

TEST_F(VQSDKWindowManagerTest, TopViewControllerFollowsPresentationsStacksAndTabs) {
    EXPECT_EQ(VQSDKWindowContainer::topViewControllerWithRootViewController(nullptr), nullptr);
    auto plain = ViewController::create();
    EXPECT_EQ(VQSDKWindowContainer::topViewControllerWithRootViewController(plain), plain);
    auto empty = NavigationController::create();
    EXPECT_EQ(VQSDKWindowContainer::topViewControllerWithRootViewController(empty), empty);

    // Tabs of navigation stacks in the main window.
    auto a = ViewController::create();
    auto b = ViewController::create();
    auto c = ViewController::create();
    auto firstTab = NavigationController::create(a);
    firstTab->push(b, false);
    auto tabs = TabBarController::create();
    tabs->setViewControllers({firstTab, NavigationController::create(c)});
    mainWindow->setRootViewController(tabs);
    setUpMainWindow();
    testsupport::pump();
    EXPECT_EQ(manager->mainWindow()->topViewController(), b);
    tabs->setSelectedIndex(1);
    EXPECT_EQ(manager->mainWindow()->topViewController(), c);

    // A modal over the tabs, and a navigation stack presented from that modal.
    auto modal = ViewController::create();
    c->present(modal, false);
    testsupport::pump();
    EXPECT_EQ(manager->mainWindow()->topViewController(), modal);
    auto d = ViewController::create();
    modal->present(NavigationController::create(d), false);
    testsupport::pump();
    EXPECT_EQ(manager->mainWindow()->topViewController(), d);
}

} // namespace
