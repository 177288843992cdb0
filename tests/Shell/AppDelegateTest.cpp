#include "VellicorApp/Shell/AppDelegate.hpp"

#include "VellicorApp/Community/ManagedURLs.hpp"
#include "VellicorApp/Core/BaseFlowCoordinator.hpp"
#include "VellicorApp/Core/FloatingActionButtonProviding.hpp"
#include "VellicorApp/Hybrid/AuthenticationObserver.hpp"
#include "VellicorApp/Instrumentation/AppSessionTracker.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerCenter.hpp"
#include "VellicorApp/Interface/InterfaceResources.hpp"
#include "VellicorApp/Interface/LoadingViewController.hpp"
#include "VellicorApp/Shell/ColdStartMarking.hpp"
#include "VellicorApp/Shell/URLLinkAction.hpp"
#include "tests/Hybrid/HybridTestSupport.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include "Platform/Foundation/Reachability.hpp"
#include "Platform/SDKs/Veltrane/UserAccountManagerError.hpp"
#include "Platform/SDKs/Veltrane/VQIdData.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Storyboard.hpp"
#include "Platform/UI/Window.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace vellicor;
using platform::ui::Application;

namespace {

/// A step that starts and never ends: the chain stays where it is.
class HeldStep : public BaseFlowCoordinator {
protected:
    void execute() override {}
};

/// Makes held steps in place of the real ones and records their kinds.
class HeldSteps : public AppCoordinator::StepFactory {
public:
    using StepPtr = AppCoordinator::StepPtr;
    using ScreenPtr = AppCoordinator::ScreenPtr;
    using NavigationControllerPtr = AppCoordinator::NavigationControllerPtr;

    StepPtr eula() override { return make("eula"); }
    StepPtr preBootstrapLaunchAction(std::shared_ptr<LaunchActionable>) override { return make("preBootstrap"); }
    StepPtr customDomain(AppMode) override { return make("customDomain"); }
    StepPtr bootstrap(AppMode, bool) override { return make("bootstrap"); }
    StepPtr userAccessPermissions(const NavigationControllerPtr&) override { return make("permissions"); }
    StepPtr appUI(const NavigationControllerPtr&, const ScreenPtr&, AppMode) override { return make("appUI"); }
    StepPtr launchAction(std::shared_ptr<LaunchActionable>, const ScreenPtr&) override { return make("launchAction"); }

    std::vector<std::string> made;

private:
    StepPtr make(const std::string& kind) {
        made.push_back(kind);
        return std::make_shared<HeldStep>();
    }
};

/// An account manager whose identity-provider handling the test answers.
class IdentityProviderAccounts : public hybridtest::FakeUserAccountManager {
public:
    bool handleIdentityProviderCommand(const platform::Url& url, const platform::Json&,
                                       platform::veltrane::VQAuthCompletion completion) override {
        commands.push_back(url.absoluteString());
        pending = std::move(completion);
        return takesCommand;
    }
    bool takesCommand = true;
    std::vector<std::string> commands;
    platform::veltrane::VQAuthCompletion pending;
};

/// The messages of the app's log lines at a level, without their "<type>: ".
std::vector<std::string> messages(const std::string& level) {
    std::vector<std::string> found;
    for (const auto& line : apptest::appLogLines()) {
        if (line.level != level) continue;
        const auto prefix = line.className + ": ";
        found.push_back(line.text.starts_with(prefix) ? line.text.substr(prefix.size()) : line.text);
    }
    return found;
}

/// The info messages that start with `prefix`, prefix removed.
std::vector<std::string> infoLinesStartingWith(const std::string& prefix) {
    std::vector<std::string> found;
    for (const auto& text : messages("INFO")) {
        if (text.starts_with(prefix)) found.push_back(text.substr(prefix.size()));
    }
    return found;
}

/// Where the storyboard test's dying children keep their files.
constexpr const char* kDeathSandboxVariable = "VELLICOR_APP_DELEGATE_DEATH_SANDBOX";

class AppDelegateTest : public apptest::AppTest {
protected:
    void SetUp() override {
        platform::ui::Storyboard::resetRegistry();
        registerInterfaceResources();
        platform::veltrane::VeltraneSDKManager::resetForTesting();
    }
    void TearDown() override {
        ::unsetenv(kDeathSandboxVariable);
        Application::shared().reset();
        AppContext::setDefaultContextMaker(nullptr);
        platform::ui::Storyboard::resetRegistry();
        platform::veltrane::VQSDKWindowManager::resetForTesting();
        apptest::AppTest::TearDown();
    }

    /// Makes the delegate over a copy of the sample package, edited; the
    /// running context is built while the delegate sets up the SDK.
    void makeDelegate(const std::function<void(platform::Json&)>& editInfo = {}) {
        const auto package = apptest::copyPackage(editInfo);
        platform::Bundle::setMainBundlePath(package);
        AppContext::resetForTesting();
        AppContext::setDefaultContextMaker([this, package] {
            ++contextsBuilt;
            return Context::create(Context::Dependencies{
                .veltraneSDKManager = VeltraneSDKManagerAdapter::create(
                    platform::veltrane::VeltraneSDKManager::sharedManager()),
                .userAccountManager = accounts,
                .vqPushNotificationManager = platform::veltrane::VQPushNotificationManager::sharedInstance(),
                .userDefaults = UserDefaultsStore::standard(),
                .mainBundle = ApplicationBundle::create(platform::Bundle::atPath(package)),
                .sessionID = "first-session",
                .notificationCenter = platform::NotificationCenter::defaultCenter(),
                .fileManager = &platform::FileManager::defaultManager(),
                .korvaMarkerCenter = markers,
            });
        });
        delegate = AppDelegate::create(steps);
        Application::shared().setDelegate(delegate);
    }

    /// What the platform does at launch: the main storyboard's root in a
    /// window for the delegate, then the launch calls.
    void launch(std::shared_ptr<platform::ui::ViewController> root = nullptr) {
        if (!root) root = platform::ui::Storyboard::named("Main")->instantiateInitialViewController();
        auto window = platform::ui::Window::create();
        window->setRootViewController(root);
        delegate->setWindow(window);
        Application::shared().launch();
        testsupport::pump();
    }

    std::vector<std::string> loggedNames() const {
        std::vector<std::string> names;
        for (const auto& marker : logged) names.emplace_back(rawValue(marker->name()));
        return names;
    }
    /// The logged markers of that name.
    std::vector<std::shared_ptr<const KORVAMarker>> loggedNamed(KORVAMarkerName name) const {
        std::vector<std::shared_ptr<const KORVAMarker>> found;
        for (const auto& marker : logged) {
            if (marker->name() == name) found.push_back(marker);
        }
        return found;
    }
    /// Whether the app logged the line at the level (its text after "<type>: ").
    static bool loggedLine(const std::string& level, const std::string& text) {
        const auto texts = messages(level);
        return std::ranges::find(texts, text) != texts.end();
    }

    std::shared_ptr<IdentityProviderAccounts> accounts = std::make_shared<IdentityProviderAccounts>();
    std::vector<std::shared_ptr<const KORVAMarker>> logged;
    std::shared_ptr<KORVAMarkerCenter> markers =
        KORVAMarkerCenter::create([this](std::shared_ptr<const KORVAMarker> marker) { logged.push_back(marker); });
    std::shared_ptr<HeldSteps> steps = std::make_shared<HeldSteps>();
    std::shared_ptr<AppDelegate> delegate;
    int contextsBuilt = 0;
};


TEST_F(AppDelegateTest, CreatingItBuildsTheContextInsideTheSDKSetUpAndOpensTheLaunchMarkersInOrder) {
    makeDelegate();
    EXPECT_EQ(contextsBuilt, 1);
    EXPECT_TRUE(platform::veltrane::VeltraneSDKManager::isInitialized());

    std::vector<std::string> created;
    for (const auto& line : infoLinesStartingWith("Marker created: name: ")) created.push_back(line.substr(0, line.find(',')));
    EXPECT_EQ(created, (std::vector<std::string>{"AppColdStart", "NativeLoad", "AppSession"}));
    std::vector<std::string> started;
    for (const auto& line : infoLinesStartingWith("Marker started: name: ")) started.push_back(line.substr(0, line.find(',')));
    EXPECT_EQ(started, (std::vector<std::string>{"AppColdStart", "NativeLoad", "AppSession"}));

    ASSERT_TRUE(delegate->coldStartID());
    ASSERT_TRUE(delegate->currentMarkerID());
    EXPECT_EQ(markers->getMarker(*delegate->coldStartID())->type(), KORVAMarkerType::performance);
    EXPECT_EQ(markers->getMarker(*delegate->currentMarkerID())->type(), KORVAMarkerType::pageView);
    ASSERT_TRUE(delegate->appSessionTracker());
    EXPECT_EQ(delegate->appSessionTracker()->backgroundWaitTime(), 15'000.0);
    EXPECT_FALSE(delegate->nativeLoadDuration());
}

TEST_F(AppDelegateTest, AnOfflineLaunchWithoutAUserLogsOfflineLaunchThenTheCommunitySelection) {
    platform::Reachability::setOffline(true);
    makeDelegate();
    launch();

    const auto names = loggedNames();
    const auto offline = std::ranges::find(names, "OfflineLaunch");
    const auto selected = std::ranges::find(names, "CommunitySelected");
    ASSERT_NE(offline, names.end());
    ASSERT_NE(selected, names.end());
    EXPECT_LT(offline, selected);
    const auto selection = loggedNamed(KORVAMarkerName::communitySelected).front();
    EXPECT_EQ(selection->type(), KORVAMarkerType::interaction);
    EXPECT_EQ(selection->attributes(),
              (platform::Json{{"isCommunitySelected", false}, {"orgID", "orgId:not_logged_in"}}));
}

TEST_F(AppDelegateTest, AnOnlineLaunchLogsNoOfflineMarkerAndReportsTheSignedInOrganization) {
    makeDelegate();
    auto account = platform::veltrane::VQUserAccount::create(apptest::sampleCredentials());
    auto idData = std::make_shared<platform::veltrane::VQIdData>();
    idData->orgId = "00Dorg";
    account->setIdData(idData);
    accounts->user = account;
    launch();

    EXPECT_TRUE(loggedNamed(KORVAMarkerName::offlineLaunch).empty());
    const auto selected = loggedNamed(KORVAMarkerName::communitySelected);
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(selected.front()->attributes()->at("orgID"), "00Dorg");
}

TEST_F(AppDelegateTest, LaunchingWiresTheCoordinatorToTheLoadingScreenAndStartsTheChain) {
    makeDelegate();
    launch();

    const auto context = AppContext::current();
    const auto coordinator = context->appCoordinator();
    ASSERT_TRUE(coordinator);
    const auto navigation =
        std::dynamic_pointer_cast<platform::ui::NavigationController>(delegate->window()->rootViewController());
    EXPECT_EQ(coordinator->navigationController(), navigation);
    const auto loading = std::dynamic_pointer_cast<LoadingViewController>(navigation->viewControllers().front());
    EXPECT_EQ(loading->delegate.lock(), coordinator);
    EXPECT_TRUE(delegate->window()->isKeyWindow());
    // The loading screen loaded and asked for the cold start.
    EXPECT_EQ(steps->made, std::vector<std::string>{"eula"});
    EXPECT_TRUE(context->managedURLs());
    EXPECT_FALSE(context->floatingActionButtonProvider()) << "the normal edition has no floating button";
}

TEST_F(AppDelegateTest, ThePreviewEditionGetsItsFloatingButton) {
    makeDelegate([](platform::Json& info) { info["YarrowinAppType"] = "preSale"; });
    launch();
    EXPECT_TRUE(AppContext::current()->floatingActionButtonProvider());
    EXPECT_TRUE(AppContext::current()->managedURLs()) << "empty rules when none are stored";
}

TEST_F(AppDelegateTest, AStoryboardOfAnotherShapeStopsTheApp) {
    struct Case {
        const char* name;
        std::function<std::shared_ptr<platform::ui::ViewController>()> root;
    };
    const Case cases[] = {
        {"no window", nullptr},
        {"root not a navigation controller", [] { return platform::ui::makeController<platform::ui::ViewController>(); }},
        {"first screen not the loading screen",
         [] {
             return platform::ui::NavigationController::create(
                 platform::ui::makeController<platform::ui::ViewController>());
         }},
    };
    // Each dying child is a process of its own that starts without a sandbox;
    // it works in a folder of this test's sandbox (handed down through the
    // environment, which the child inherits), so nothing outlives the test.
    ::setenv(kDeathSandboxVariable, testsupport::sandboxRoot().c_str(), 0);
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto folder = "dying-" + std::to_string(++index);
        EXPECT_DEATH(
            {
                platform::Sandbox::setRoot(std::filesystem::path(std::getenv(kDeathSandboxVariable)) / folder);
                makeDelegate();
                if (c.root) {
                    launch(c.root());
                } else {
                    Application::shared().launch();
                }
            },
            "Storyboard is not configured properly!");
    }
}

TEST_F(AppDelegateTest, TheFirstActivationClosesNativeLoadAndEachReturnClosesAWarmStart) {
    makeDelegate();
    testsupport::advance(2.5);
    launch();

    const auto nativeLoads = loggedNamed(KORVAMarkerName::nativeLoad);
    ASSERT_EQ(nativeLoads.size(), 1u);
    EXPECT_EQ(nativeLoads.front()->attributes(), markers->loginAndNetworkStatus());
    EXPECT_EQ(delegate->nativeLoadDuration(), 2.5);
    EXPECT_FALSE(delegate->currentMarkerID());
    EXPECT_FALSE(loggedLine("ERROR", "Invalid native load marker!"));

    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        Application::shared().enterBackground();
        Application::shared().enterForeground();
        testsupport::pump();
        EXPECT_EQ(loggedNamed(KORVAMarkerName::warmStart).size(), static_cast<std::size_t>(round));
        EXPECT_FALSE(delegate->currentMarkerID());
        // The open marker was a warm start: the duration stays the native load's.
        EXPECT_EQ(std::ranges::count(messages("ERROR"), std::string("Invalid native load marker!")), round);
        EXPECT_EQ(delegate->nativeLoadDuration(), 2.5);
    }
    EXPECT_EQ(loggedNamed(KORVAMarkerName::nativeLoad).size(), 1u);
    // An activation without a return to the foreground has no marker to close.
    Application::shared().resignActive();
    Application::shared().becomeActive();
    EXPECT_EQ(loggedNamed(KORVAMarkerName::warmStart).size(), 2u);
}

TEST_F(AppDelegateTest, TheColdStartMarkerEndsOnceWithTheLoginAndNetworkStatus) {
    makeDelegate();
    launch();
    testsupport::advance(4);

    endApplicationColdStartMarker(true);
    endApplicationColdStartMarker(false);
    delegate->endColdStartKORVAMarker(false);

    const auto coldStarts = loggedNamed(KORVAMarkerName::coldStart);
    ASSERT_EQ(coldStarts.size(), 1u);
    auto expected = markers->loginAndNetworkStatus();
    expected["redirectedFromLogin"] = true;
    EXPECT_EQ(coldStarts.front()->attributes(), expected);
    const auto* timed = dynamic_cast<const DurationTracking*>(coldStarts.front().get());
    ASSERT_NE(timed, nullptr);
    EXPECT_EQ(timed->duration(), 4.0);
    EXPECT_FALSE(delegate->coldStartID());
}

TEST_F(AppDelegateTest, EachEntryIntoTheBackgroundGivesANewSessionID) {
    makeDelegate();
    launch();
    std::vector<std::string> sessions{AppContext::current()->sessionID()};
    for (int round = 0; round < 3; ++round) {
        Application::shared().enterBackground();
        sessions.push_back(AppContext::current()->sessionID());
        Application::shared().enterForeground();
    }
    std::ranges::sort(sessions);
    EXPECT_EQ(std::ranges::unique(sessions).begin(), sessions.end()) << "every session ID differs";
}

TEST_F(AppDelegateTest, ResigningActivePublishesTheEditionsShortcut) {
    platform::ui::ShortcutItem earlier;
    earlier.type = "earlier";
    struct Case {
        const char* name;
        std::function<void(platform::Json&)> editInfo;
        std::optional<std::string> expectedType; // none: the items stay as they were
    };
    const Case cases[] = {
        {"normal edition with a sandbox host", {}, "com.vellicor.app.sandboxSwitching"},
        {"normal edition without one", [](platform::Json& info) { info.erase("SandboxLoginHost"); }, std::nullopt},
        {"preview edition", [](platform::Json& info) { info["YarrowinAppType"] = "preSale"; },
         "com.vellicor.app.communitySwitching"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        makeDelegate(c.editInfo);
        Application::shared().shortcutItems = {earlier};
        delegate->willResignActive(Application::shared());
        const auto& items = Application::shared().shortcutItems;
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(items.front().type, c.expectedType.value_or("earlier"));
    }
}

TEST_F(AppDelegateTest, UniversalLinksAreQueuedWithTheCoordinatorAndMarked) {
    const auto link = platform::Url::parse("https://community.example.test/s/topic/1").value();
    makeDelegate();

    // Before the launch there is no coordinator: handled, marked, nothing queued.
    EXPECT_TRUE(Application::shared().continueUserActivity({platform::ui::kUserActivityTypeBrowsingWeb, link}));
    launch();
    const auto coordinator = AppContext::current()->appCoordinator();
    EXPECT_FALSE(coordinator->launchAction());

    struct Case {
        const char* name;
        platform::ui::UserActivity activity;
        bool handled;
    };
    const Case cases[] = {
        {"a web link", {platform::ui::kUserActivityTypeBrowsingWeb, link}, true},
        {"a hand-off", {"com.vellicor.app.handoff", link}, false},
        {"a web activity without a URL", {platform::ui::kUserActivityTypeBrowsingWeb, std::nullopt}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Application::shared().continueUserActivity(c.activity), c.handled);
    }
    // Only the web link reached the coordinator, deferred until a page has loaded.
    const auto queued = std::dynamic_pointer_cast<URLLinkAction>(coordinator->launchAction());
    ASSERT_TRUE(queued);
    EXPECT_EQ(queued->url(), link);
    EXPECT_EQ(queued->navigationController(), coordinator->navigationController());
    EXPECT_EQ(infoLinesStartingWith("URL received: "),
              (std::vector<std::string>{link.absoluteString(), link.absoluteString()}));

    Application::shared().enterBackground();
    Application::shared().enterForeground();
    EXPECT_TRUE(Application::shared().continueUserActivity({platform::ui::kUserActivityTypeBrowsingWeb, link}));
    std::vector<platform::Json> launchStates;
    for (const auto& marker : loggedNamed(KORVAMarkerName::universalLinks)) launchStates.push_back(*marker->attributes());
    EXPECT_EQ(launchStates, (std::vector<platform::Json>{{{"isColdStart", "coldStart"}},
                                                         {{"isColdStart", "coldStart"}},
                                                         {{"isColdStart", "warmStart"}}}));
}

TEST_F(AppDelegateTest, ShortcutsAnswerByTheirType) {
    makeDelegate();
    struct Case {
        const char* type;
        bool handled;
        bool marksEventLog;
    };
    const Case cases[] = {
        {"com.vellicor.app.sendEventLog", true, true},
        {"com.vellicor.app.communitySwitching", true, false},
        {"com.vellicor.app.sandboxSwitching", true, false},
        {"com.other.app.sendEventLog", false, false},
        {"com.vellicor.app.unknown", false, false},
        {"", false, false},
    };
    // Without a coordinator first, then with one: the answers are the same.
    for (const bool launched : {false, true}) {
        if (launched) launch();
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.type) + (launched ? " after launch" : " before launch"));
            const auto before = loggedNamed(KORVAMarkerName::sendEventLogs).size();
            platform::ui::ShortcutItem item;
            item.type = c.type;
            EXPECT_EQ(Application::shared().performShortcut(item), c.handled);
            EXPECT_EQ(loggedNamed(KORVAMarkerName::sendEventLogs).size() - before, c.marksEventLog ? 1u : 0u);
        }
    }
}

TEST_F(AppDelegateTest, IdentityProviderCommandsReportTheirCompletion) {
    makeDelegate();
    launch();
    const auto command = platform::Url::parse("vellicor://idp?vqidp=sp_login&client_id=sp").value();

    accounts->takesCommand = false;
    EXPECT_FALSE(Application::shared().openURL(command));
    accounts->takesCommand = true;
    EXPECT_TRUE(Application::shared().openURL(command));
    EXPECT_EQ(accounts->commands.size(), 2u);

    auto account = platform::veltrane::VQUserAccount::create(apptest::sampleCredentials());
    accounts->pending(platform::veltrane::VQAuthSuccess{account, platform::veltrane::VQOAuthInfo(
                                                                     platform::veltrane::VQOAuthType::webServer)});
    EXPECT_TRUE(loggedLine("INFO", "IDP Command Completion: Successfully handled IDP command for user " +
                                        account->description() + "."));
    EXPECT_TRUE(loggedNamed(KORVAMarkerName::multiSSOSPErrorRecieved).empty());

    EXPECT_TRUE(Application::shared().openURL(command));
    const platform::veltrane::UserAccountManagerError error = platform::veltrane::UserAccountManagerError::invalidIdentityProviderCommand();
    accounts->pending(std::unexpected(error));
    EXPECT_TRUE(loggedLine("ERROR", "IDP Command Completion: Failed to handle IDP command. Error: " +
                                         platform::veltrane::localizedDescription(error)));
    const auto spErrors = loggedNamed(KORVAMarkerName::multiSSOSPErrorRecieved);
    ASSERT_EQ(spErrors.size(), 1u);
    EXPECT_EQ(spErrors.front()->attributes(), (platform::Json{{"appName", "Vellicor"}, {"scheme", "vellicor"}}));

    // No token reaches the log.
    for (const auto& line : apptest::appLogLines()) {
        EXPECT_EQ(line.text.find("access-token"), std::string::npos) << line.text;
        EXPECT_EQ(line.text.find("refresh-token"), std::string::npos) << line.text;
    }
}

TEST_F(AppDelegateTest, AFailedRemoteRegistrationIsLogged) {
    makeDelegate();
    launch();
    Application::shared().setRemoteRegistrationFailure(
        platform::Error("NSCocoaErrorDomain", 3010, {{"NSLocalizedDescription", "no push in the simulator"}}));
    Application::shared().registerForRemoteNotifications();
    testsupport::pump();
    EXPECT_TRUE(loggedLine("ERROR", "Failed to register: no push in the simulator"));
}

TEST_F(AppDelegateTest, TheCoordinatorRefreshesTheSessionAfterADayAwayFromTheApp) {
    makeDelegate();
    launch();
    const auto coordinator = AppContext::current()->appCoordinator();
    struct Case {
        const char* name;
        double refreshedAgo;                // seconds
        std::optional<double> backgroundAgo; // none: never went to the background
        bool expected;
    };
    const Case cases[] = {
        {"refreshed 23 h ago, away 2 h ago", 23 * 3600.0, 2 * 3600.0, false},
        {"refreshed 23 h ago, never away", 23 * 3600.0, std::nullopt, true},
        {"refreshed 1 h ago, away a day ago", 3600.0, 86'400.0, true},
        {"refreshed a day ago, away just now", 86'400.0, 0.0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AuthenticationObserver::setTimeSinceLastSessionRefresh(platform::now() - c.refreshedAgo);
        AppContext::current()->userDefaults->removeObject(AppSessionTracker::kEnterBackgroundTimeIntervalKey);
        if (c.backgroundAgo) delegate->appSessionTracker()->setApplicationEnterBackgroundTimeInterval(platform::now() - *c.backgroundAgo);
        EXPECT_EQ(coordinator->shouldTriggerSessionRefresh(), c.expected);
    }

    // Another application delegate keeps no session tracker: only the sign-in's age counts.
    AuthenticationObserver::setTimeSinceLastSessionRefresh(platform::now() - 23 * 3600.0);
    AppContext::current()->userDefaults->removeObject(AppSessionTracker::kEnterBackgroundTimeIntervalKey);
    Application::shared().setDelegate(std::make_shared<platform::ui::ApplicationDelegate>());
    EXPECT_FALSE(coordinator->shouldTriggerSessionRefresh());
    Application::shared().setDelegate(delegate);
}

} // namespace
