#include "Platform/SDKs/Veltrane/VQSDKDevSupportViewController.hpp"

#include "Platform/SDKs/Veltrane/DevSupportEventCommands.hpp"
#include "Platform/SDKs/Veltrane/VeltraneSDKManager.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/EventDriver.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/ScreenDump.hpp"
#include "Platform/UI/Window.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <sstream>

using namespace platform::ui;
using namespace platform::veltrane;

namespace {

/// A manager that answers with what a test sets and records whom the actions were built for.
class ScriptedSDKManager : public VeltraneSDKManager {
public:
    static std::shared_ptr<ScriptedSDKManager> create() {
        return std::shared_ptr<ScriptedSDKManager>(new ScriptedSDKManager);
    }
    std::vector<std::string> getDevSupportInfos() override { return infos; }
    std::string devInfoTitleString() override { return "Community Dev Info"; }
    std::vector<std::shared_ptr<VQSDKDevAction>> getDevActions(
        const std::shared_ptr<ViewController>& presentedViewController) override {
        builtFor.push_back(presentedViewController);
        return actions;
    }

    std::vector<std::string> infos;
    std::vector<std::shared_ptr<VQSDKDevAction>> actions;
    std::vector<std::shared_ptr<ViewController>> builtFor;

private:
    ScriptedSDKManager() = default;
};

class VQSDKDevSupportTest : public ::testing::Test {
protected:
    void SetUp() override {
        VeltraneSDKManager::resetForTesting();
        manager = ScriptedSDKManager::create();
        VeltraneSDKManager::initializeSDK([this] { return manager; });
        manager->infos = {"SDK Version", "11.2.0", "BuildNumber", "CommunityHybridContainer/1.0.7", "Dangling"};
        manager->actions = {action("Show dev info"), action("Logout")};
        registerDevSupportEventCommands(driver);
        driver.launcher = [this] {
            auto window = Window::create();
            window->setRootViewController(NavigationController::create(root));
            delegate->setWindow(window);
            Application::shared().setDelegate(delegate);
            Application::shared().launch();
        };
    }
    void TearDown() override { VeltraneSDKManager::resetForTesting(); }

    // An action that records whether the dialog was still up when it ran.
    std::shared_ptr<VQSDKDevAction> action(const std::string& name) {
        return VQSDKDevAction::create(name, [this, name] {
            ran.push_back(name + (root->presentedViewController() ? " (dialog up)" : " (dialog gone)"));
        });
    }

    // Lets the event's work and the presentation or dismissal animations finish.
    static void settle() {
        EventDriver::settle();
        testsupport::advance(1);
    }

    std::shared_ptr<VQSDKDevSupportViewController> shownDialog() const {
        auto navigation = std::dynamic_pointer_cast<NavigationController>(root->presentedViewController());
        return navigation ? std::dynamic_pointer_cast<VQSDKDevSupportViewController>(navigation->topViewController())
                          : nullptr;
    }

    class Delegate : public ApplicationDelegate {
    public:
        std::shared_ptr<Window> window() const override { return window_; }
        void setWindow(std::shared_ptr<Window> window) override { window_ = std::move(window); }

    private:
        std::shared_ptr<Window> window_;
    };

    std::shared_ptr<ScriptedSDKManager> manager;
    std::shared_ptr<ViewController> root = ViewController::create();
    std::shared_ptr<Delegate> delegate = std::make_shared<Delegate>();
    EventDriver driver;
    std::vector<std::string> ran;
};

TEST_F(VQSDKDevSupportTest, TheDialogListsTheSharedManagersPairsAndActionsForItsPresenter) {
    auto dialog = VQSDKDevSupportViewController::create(root);
    EXPECT_EQ(dialog->infoTitle(), "Community Dev Info");
    const std::vector<std::pair<std::string, std::string>> pairs{
        {"SDK Version", "11.2.0"}, {"BuildNumber", "CommunityHybridContainer/1.0.7"}, {"Dangling", ""}};
    EXPECT_EQ(dialog->infos(), pairs);
    ASSERT_EQ(dialog->actions().size(), 2u);
    EXPECT_EQ(dialog->actions()[1]->name(), "Logout");
    ASSERT_EQ(manager->builtFor.size(), 1u);
    EXPECT_EQ(manager->builtFor[0], root);

    // The lists are read once: a later change of the manager's answers does not reach an open dialog.
    manager->actions.clear();
    dialog->loadViewIfNeeded();
    dialog->tableView()->reloadData();
    EXPECT_EQ(dialog->tableView()->numberOfRows(0), 3);
    EXPECT_EQ(dialog->tableView()->numberOfRows(1), 2);
    EXPECT_EQ(dialog->tableView()->cellForRow({0, 1})->detailTextLabel()->text, "CommunityHybridContainer/1.0.7");
}

TEST_F(VQSDKDevSupportTest, TheEventOpensTheDialogOverTheTopScreenOnce) {
    EXPECT_FALSE(driver.execute("dev-support")) << "before the launch there is nothing to open it over";
    ASSERT_TRUE(driver.execute("launch"));
    ASSERT_TRUE(driver.execute("dev-support"));
    settle();
    auto dialog = shownDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(manager->builtFor.back(), root);

    ASSERT_TRUE(driver.execute("dev-support"));
    settle();
    EXPECT_EQ(shownDialog(), dialog) << "a second request keeps the open dialog";
    EXPECT_EQ(manager->builtFor.size(), 1u);

    const auto screen = ScreenDump::render();
    for (const char* shown : {"\"Community Dev Info\"", "\"Info\"", "\"SDK Version\"", "\"11.2.0\"", "\"Actions\"",
                              "\"Show dev info\"", "\"Logout\"", "\"Close\""}) {
        EXPECT_NE(screen.find(shown), std::string::npos) << shown << "\n" << screen;
    }
}

TEST_F(VQSDKDevSupportTest, ATappedActionRunsAfterTheDialogHasGoneAndOnlyOnce) {
    struct Case {
        const char* name;
        std::vector<const char*> taps;
        std::vector<std::string> ran;
        bool tapsOk;
    };
    const Case cases[] = {
        {"an action", {"Logout"}, {"Logout (dialog gone)"}, true},
        {"close", {"Close"}, {}, true},
        {"an information row takes no taps", {"SDK Version"}, {}, false},
    };
    ASSERT_TRUE(driver.execute("launch"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ran.clear();
        ASSERT_TRUE(driver.execute("dev-support"));
        settle();
        for (const char* tap : c.taps) {
            EXPECT_EQ(driver.execute(std::string("tap \"") + tap + "\"").has_value(), c.tapsOk);
        }
        settle();
        EXPECT_EQ(ran, c.ran);
        if (c.tapsOk) {
            EXPECT_FALSE(root->presentedViewController());
        } else {
            root->dismiss(false);
            settle();
        }
    }

    // A second tap while the dialog closes does not run another action.
    ran.clear();
    ASSERT_TRUE(driver.execute("dev-support"));
    settle();
    auto table = shownDialog()->tableView();
    ASSERT_TRUE(table->simulateSelectRow({1, 1}));
    EXPECT_FALSE(table->simulateSelectRow({1, 0}));
    settle();
    EXPECT_EQ(ran, std::vector<std::string>{"Logout (dialog gone)"});
}

TEST_F(VQSDKDevSupportTest, ShowDevInfoShowsTheInformationOverTheTopScreen) {
    // The SDK's own "Show dev info", reading this manager's title and pairs.
    manager->actions = manager->VeltraneSDKManager::getDevActions(root);
    ASSERT_FALSE(manager->actions.empty());
    ASSERT_EQ(manager->actions.front()->name(), "Show dev info");
    const std::string expected = "SDK Version: 11.2.0\nBuildNumber: CommunityHybridContainer/1.0.7\nDangling: ";
    ASSERT_TRUE(driver.execute("launch"));

    struct Case {
        const char* name;
        bool sheetOnTop;
    };
    for (const Case c : {Case{"over the app's screen", false}, Case{"over a sheet the screen presents", true}}) {
        SCOPED_TRACE(c.name);
        std::shared_ptr<ViewController> top = root;
        if (c.sheetOnTop) {
            top = ViewController::create();
            root->present(top, false);
            settle();
        }
        ASSERT_TRUE(driver.execute("dev-support"));
        settle();
        ASSERT_TRUE(driver.execute("tap \"Show dev info\""));
        settle();
        const auto alert = std::dynamic_pointer_cast<AlertController>(top->presentedViewController());
        ASSERT_TRUE(alert) << ScreenDump::render();
        EXPECT_EQ(alert->title, "Community Dev Info");
        EXPECT_EQ(alert->message, expected);
        const auto screen = ScreenDump::render();
        EXPECT_NE(screen.find("BuildNumber: CommunityHybridContainer/1.0.7"), std::string::npos) << screen;

        ASSERT_TRUE(driver.execute("tap OK"));
        settle();
        EXPECT_FALSE(top->presentedViewController());
        if (c.sheetOnTop) {
            root->dismiss(false);
            settle();
        }
    }
}

TEST_F(VQSDKDevSupportTest, ShowDevInfoWithoutAScreenShowsNothing) {
    EXPECT_FALSE(VQSDKDevSupportViewController::showDevInfo("Community Dev Info", manager->infos));
    // The action itself says so in the SDK's log instead of failing.
    manager->VeltraneSDKManager::getDevActions(nullptr).front()->perform();
    EXPECT_FALSE(root->presentedViewController());
}

} // namespace
