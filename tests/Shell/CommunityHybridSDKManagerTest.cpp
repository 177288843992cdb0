#include "VellicorApp/Shell/CommunityHybridSDKManager.hpp"

#include "VellicorApp/Core/FloatingActionButtonProviding.hpp"
#include "VellicorApp/Shell/LoginViewController.hpp"

#include "Platform/SDKs/Veltrane/ColorAdditions.hpp"
#include "Platform/SDKs/Veltrane/VQSDKDevSupportViewController.hpp"
#include "Platform/UI/AlertController.hpp"
#include "Platform/UI/Image.hpp"
#include "Platform/UI/Window.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

#include <csignal>

using namespace vellicor;
using platform::veltrane::VeltraneHybridSDKManager;
using platform::veltrane::VeltraneSDKManager;
using platform::veltrane::VQSDKAccountActions;
using platform::veltrane::VQSDKDevAction;

namespace {

/// The preview edition's floating button, recording what the menu asks of it.
class RecordingButtonProvider : public FloatingActionButtonProviding {
public:
    void presentFloatingActionButton(const std::shared_ptr<platform::ui::ViewController>&) override {}
    void presentManagedURLsContentView() override { ++managedURLsPresented; }
    void hideFloatingActionButton() override { ++hideCalls; }
    bool isFloatingActionButtonHidden() const override { return hidden; }

    bool hidden = false;
    int hideCalls = 0;
    int managedURLsPresented = 0;
};

/// The sample configuration as a TestFlight build.
class TestFlightBundle : public apptest::FakeBundle {
public:
    using FakeBundle::FakeBundle;
    bool isTestFlightBuild() const override { return true; }
};

constexpr const char* kSwitchCommunity = "Yarrowin Mode: Switch Community";

class CommunityHybridSDKManagerTest : public apptest::AppTest {
protected:
    void SetUp() override {
        VeltraneSDKManager::resetForTesting();
        ASSERT_TRUE(CommunityHybridSDKManager::initializeSDK());
        manager = std::dynamic_pointer_cast<CommunityHybridSDKManager>(VeltraneSDKManager::sharedManager());
        ASSERT_TRUE(manager);
    }

    /// A running context over the sample configuration, in the preview edition when asked.
    std::shared_ptr<Context> install(bool preview, bool testFlight = false) {
        auto info = apptest::FakeBundle::sample()->info;
        if (preview) info["YarrowinAppType"] = "preSale";
        else info.erase("YarrowinAppType");
        std::shared_ptr<BundleType> bundle = testFlight ? std::make_shared<TestFlightBundle>(info)
                                                        : std::make_shared<apptest::FakeBundle>(info);
        return apptest::installContext(apptest::sampleResources(), bundle);
    }

    /// The SDK's account layer with a signed-in user whose actions are recorded
    /// (in place of the account manager's own, which it registers when first used).
    void withSignedInUser() {
        VQSDKAccountActions actions;
        actions.hasCurrentUser = [] { return true; };
        actions.currentUserDescription = [] { return std::optional<std::string>("user@example.test"); };
        actions.logout = [this] { sdkCalls.push_back("logout"); };
        actions.switchUser = [this](const std::shared_ptr<platform::ui::ViewController>&) {
            sdkCalls.push_back("switch user");
        };
        VeltraneSDKManager::setAccountActions(actions);
    }

    std::vector<std::shared_ptr<CommunitiesDevAction>> actions() {
        std::vector<std::shared_ptr<CommunitiesDevAction>> result;
        for (const auto& action : manager->getDevActions(presenter)) {
            auto appAction = std::dynamic_pointer_cast<CommunitiesDevAction>(action);
            EXPECT_TRUE(appAction) << action->name() << " is not an app action";
            result.push_back(appAction);
        }
        return result;
    }

    std::vector<std::string> names() {
        std::vector<std::string> result;
        for (const auto& action : actions()) result.push_back(action ? action->name() : "<none>");
        return result;
    }

    std::shared_ptr<CommunitiesDevAction> named(const std::string& name) {
        for (const auto& action : actions()) {
            if (action && action->name() == name) return action;
        }
        return nullptr;
    }

    std::shared_ptr<CommunityHybridSDKManager> manager;
    std::shared_ptr<platform::ui::ViewController> presenter = platform::ui::ViewController::create();
    std::vector<std::string> sdkCalls;
};

TEST_F(CommunityHybridSDKManagerTest, TheListByEditionBuildAndFloatingButton) {
    enum class Button { none, shown, hidden };
    struct Case {
        const char* name;
        bool preview;
        bool testFlight;
        Button button;
        bool signedIn;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"normal edition", false, false, Button::none, false, {"Send Feedback", "Crash App", "Show dev info"}},
        {"normal edition, signed in",
         false,
         false,
         Button::none,
         true,
         {"Send Feedback", "Crash App", "Show dev info", "Logout", "Switch user"}},
        {"preview edition with the button shown",
         true,
         false,
         Button::shown,
         false,
         {"Hide Button", kSwitchCommunity, "Send Feedback", "Show Login Bar", "Crash App", "Show dev info"}},
        {"preview edition in a TestFlight build",
         true,
         true,
         Button::shown,
         true,
         {"Hide Button", kSwitchCommunity, "Send Feedback", "Show Login Bar", "Crash App", "Show dev info", "Logout",
          "Switch user"}},
        {"preview edition with the button hidden",
         true,
         false,
         Button::hidden,
         false,
         {kSwitchCommunity, "Send Feedback", "Show Login Bar", "Crash App", "Show dev info"}},
        {"preview edition before the button exists",
         true,
         false,
         Button::none,
         false,
         {kSwitchCommunity, "Send Feedback", "Show Login Bar", "Crash App", "Show dev info"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto context = install(c.preview, c.testFlight);
        VeltraneSDKManager::setAccountActions({});
        if (c.signedIn) withSignedInUser();
        if (c.button != Button::none) {
            auto provider = std::make_shared<RecordingButtonProvider>();
            provider->hidden = c.button == Button::hidden;
            context->setFloatingActionButtonProvider(provider);
        }
        EXPECT_EQ(names(), c.expected);
    }
}

TEST_F(CommunityHybridSDKManagerTest, TheLoginBarSwitchFlipsTheStateReadWhenTheListWasBuilt) {
    struct Case {
        const char* name;
        bool storedAtBuild;
        bool storedAtTap;
        const char* title;
        bool storedAfter;
    };
    const Case cases[] = {
        {"bar shown", true, true, "Hide Login Bar", false},
        {"bar hidden", false, false, "Show Login Bar", true},
        {"changed after the list was built", false, true, "Show Login Bar", true},
    };
    auto context = install(true);
    int posted = 0;
    auto token = context->notificationCenter->addObserver(kLoginViewNavBarDidChangeNotification, nullptr,
                                                          [&](const platform::Notification&) { ++posted; });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        posted = 0;
        context->userDefaults->setBool("enableNavBar", c.storedAtBuild);
        const auto toggle = named(c.title);
        ASSERT_TRUE(toggle);
        EXPECT_EQ(toggle->icon ? toggle->icon->description() : "", "system:eye.slash.fill");
        EXPECT_EQ(toggle->iconBackgroundColor, platform::veltrane::colorFromHexValue("#9050E9"));
        context->userDefaults->setBool("enableNavBar", c.storedAtTap);
        toggle->perform();
        EXPECT_EQ(context->userDefaults->boolForKey("enableNavBar"), c.storedAfter);
        EXPECT_EQ(posted, 1);
    }
    context->notificationCenter->removeObserver(token);
}

TEST_F(CommunityHybridSDKManagerTest, TheAppsActionsLookAsTheMenuShowsThem) {
    struct Case {
        const char* name;
        const char* color;
        std::string icon;
        bool bold;
    };
    const Case cases[] = {
        {"Crash App", "#e9696f", "named:CrashApp", false},
        {"Send Feedback", "#A86403", "named:SendLogs", false},
        {kSwitchCommunity, "#47b46c", "named:SwitchCommunity", false},
        {"Hide Button", "#d41515", "named:HideFAB", true},
    };
    auto context = install(true);
    context->setFloatingActionButtonProvider(std::make_shared<RecordingButtonProvider>());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto action = named(c.name);
        ASSERT_TRUE(action);
        EXPECT_EQ(action->iconBackgroundColor, platform::veltrane::colorFromHexValue(c.color));
        EXPECT_EQ(action->icon ? action->icon->description() : "", c.icon);
        EXPECT_EQ(action->isTextBold, c.bold);
        EXPECT_TRUE(action->shouldDismissPresenter);
        EXPECT_EQ(action->counter, -1);
    }
}

TEST_F(CommunityHybridSDKManagerTest, TheSDKsActionsAreRestyledAndKeepTheirHandlers) {
    struct Case {
        const char* name;
        const char* color;
        std::string icon;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"Show dev info", "#679bdf", "named:DevInfo", {}},
        {"Logout", "#34af5d", "named:Logout", {"logout"}},
        {"Switch user", "#ed6e93", "named:SwitchUser", {"switch user"}},
    };
    install(false);
    withSignedInUser();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sdkCalls.clear();
        const auto action = named(c.name);
        ASSERT_TRUE(action);
        EXPECT_EQ(action->iconBackgroundColor, platform::veltrane::colorFromHexValue(c.color));
        EXPECT_EQ(action->icon ? action->icon->description() : "", c.icon);
        EXPECT_FALSE(action->isTextBold);
        action->perform();
        EXPECT_EQ(sdkCalls, c.calls);
    }
}

TEST_F(CommunityHybridSDKManagerTest, HandlersReadTheContextWhenTapped) {
    auto context = install(true);
    auto shown = std::make_shared<RecordingButtonProvider>();
    context->setFloatingActionButtonProvider(shown);
    const auto hide = named("Hide Button");
    const auto switchCommunity = named(kSwitchCommunity);
    const auto feedback = named("Send Feedback");
    ASSERT_TRUE(hide && switchCommunity && feedback);

    auto later = std::make_shared<RecordingButtonProvider>();
    context->setFloatingActionButtonProvider(later);
    hide->perform();
    EXPECT_EQ(shown->hideCalls, 0);
    EXPECT_EQ(later->hideCalls, 1);

    // Without a provider, a coordinator or the feedback screens, the handlers do nothing.
    context->setFloatingActionButtonProvider(nullptr);
    hide->perform();
    switchCommunity->perform();
    feedback->perform();
    presenter.reset();
    feedback->perform();
    EXPECT_EQ(later->hideCalls, 1);
    EXPECT_TRUE(apptest::appLogTexts("WARNING").empty());
}

TEST_F(CommunityHybridSDKManagerTest, TheInformationStartsWithTheBuildNumber) {
    install(false);
    const auto infos = manager->getDevSupportInfos();
    ASSERT_GE(infos.size(), 2u);
    EXPECT_EQ(infos[0], "BuildNumber");
    EXPECT_EQ(infos[1], AppContext::current()->communityIdentifier());
    EXPECT_TRUE(infos[1].starts_with("CommunityHybridContainer/"));
    const auto sdkInfos = VeltraneHybridSDKManager::create()->getDevSupportInfos();
    EXPECT_EQ(std::vector<std::string>(infos.begin() + 2, infos.end()), sdkInfos);
    EXPECT_EQ(manager->devInfoTitleString(), manager->appDisplayName());
}

TEST_F(CommunityHybridSDKManagerTest, TheSDKsDialogShowsTheAppsLists) {
    install(true);
    auto dialog = platform::veltrane::VQSDKDevSupportViewController::create(presenter);
    EXPECT_EQ(dialog->infoTitle(), manager->appDisplayName());
    ASSERT_FALSE(dialog->infos().empty());
    EXPECT_EQ(dialog->infos().front().first, "BuildNumber");
    ASSERT_FALSE(dialog->actions().empty());
    EXPECT_EQ(dialog->actions().front()->name(), kSwitchCommunity);
}

TEST_F(CommunityHybridSDKManagerTest, ShowDevInfoShowsTheBuildAndTheSDKsInformationOverTheTopScreen) {
    install(true);
    const auto window = platform::ui::Window::create();
    window->setRootViewController(presenter);
    window->makeKeyAndVisible();
    testsupport::advance(1);
    // The menu's screen presents a sheet: the information goes on top of it.
    const auto sheet = platform::ui::ViewController::create();
    presenter->present(sheet, false);
    testsupport::advance(1);

    const auto action = named("Show dev info");
    ASSERT_TRUE(action);
    action->perform();
    testsupport::advance(1);
    const auto alert = std::dynamic_pointer_cast<platform::ui::AlertController>(sheet->presentedViewController());
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title, manager->appDisplayName());
    std::string lines;
    const auto infos = manager->getDevSupportInfos();
    for (std::size_t i = 0; i + 1 < infos.size(); i += 2) lines += (i ? "\n" : "") + infos[i] + ": " + infos[i + 1];
    EXPECT_EQ(alert->message, lines);
    EXPECT_TRUE(alert->message->starts_with("BuildNumber: " + AppContext::current()->communityIdentifier() + "\n"));
    EXPECT_NE(alert->message->find("User Agent: "), std::string::npos) << "the device, system and app versions";
    window->setHidden(true);
}

using CommunityHybridSDKManagerDeathTest = CommunityHybridSDKManagerTest;

TEST_F(CommunityHybridSDKManagerDeathTest, CrashAppEndsTheProcess) {
    install(false);
    const auto crash = named("Crash App");
    ASSERT_TRUE(crash);
    EXPECT_EXIT(crash->perform(), ::testing::KilledBySignal(SIGABRT), "test crash");
}

} // namespace
