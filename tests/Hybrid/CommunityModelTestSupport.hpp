#pragma once

// Support for the community model's tests: a fake community screen with the
// app's flow behind it, a running context whose marker centre hands the
// logged markers to the test, and the app's coordinator over steps that
// only record that they started.

#include "VellicorApp/Core/BaseFlowCoordinator.hpp"
#include "VellicorApp/Core/FaultManager.hpp"
#include "VellicorApp/Hybrid/CommunityHybridViewModel.hpp"
#include "VellicorApp/Instrumentation/CommunityEventStoreManager.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerCenter.hpp"
#include "VellicorApp/Interface/CommunityViewControllerDelegate.hpp"
#include "VellicorApp/Shell/AppCoordinator.hpp"

#include "Platform/SDKs/Veltrane/VQSDKEventStoreManager.hpp"
#include "Platform/SDKs/Veltrane/VeltraneHybridSDKManager.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/ViewController.hpp"
#include "tests/Hybrid/HybridTestSupport.hpp"
#include "tests/Shell/FlowTestSupport.hpp"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace communitytest {

/// The app's flow behind a screen: records what the screen tells it.
class FakeFlow : public vellicor::CommunityViewControllerDelegate {
public:
    void webAppDidBootstrap(const std::shared_ptr<vellicor::CommunityViewControllable>& screen,
                            const std::optional<platform::Json>& response) override {
        bootstraps.push_back(response);
        if (onBootstrap) onBootstrap();
        lastScreen = screen;
    }
    void webAppDidLoadPage(const std::shared_ptr<vellicor::CommunityViewControllable>& screen) override {
        ++pageLoads;
        lastScreen = screen;
    }

    std::vector<std::optional<platform::Json>> bootstraps;
    int pageLoads = 0;
    std::function<void()> onBootstrap;
    std::shared_ptr<vellicor::CommunityViewControllable> lastScreen;
};

/// A community screen that owns nothing but answers the model and the flow.
class FakeScreen : public platform::ui::ViewController,
                   public vellicor::CommunityViewControllable,
                   public vellicor::CommunityHybridViewModelDelegate {
public:
    FakeScreen() : CommunityViewControllable(*this) {}

    std::shared_ptr<vellicor::CommunityViewControllable> communityScreen() override {
        return std::shared_ptr<vellicor::CommunityViewControllable>(shared_from_this(), this);
    }
    std::shared_ptr<vellicor::CommunityViewControllerDelegate> hybridAppDelegate() const override { return flow.lock(); }
    void setHybridAppDelegate(const std::shared_ptr<vellicor::CommunityViewControllerDelegate>& d) override { flow = d; }
    vellicor::State state() const override { return vellicor::State::initialized; }
    std::shared_ptr<platform::web::WebView> hybridAppWebView() const override { return nullptr; }
    std::shared_ptr<platform::veltrane::VQHybridViewConfig> hybridWebViewConfig() const override { return nullptr; }
    void openURL(const platform::Url&) override {}
    void openRecord(const std::string&) override {}
    void refreshNotifications() override {}
    void sendKORVALogs() override {}
    void refreshUserCredentials(const std::optional<platform::Url>&,
                                std::function<void(std::optional<std::string>, std::optional<platform::Error>)>) override {}

    std::weak_ptr<vellicor::CommunityViewControllerDelegate> flow;
};

/// A step of the app's flow that starts and never ends.
class ParkedStep : public vellicor::BaseFlowCoordinator {
protected:
    void execute() override {}
};

/// The steps of the app's coordinator: each one parks, and its kind is recorded.
class ParkedSteps : public vellicor::AppCoordinator::StepFactory {
public:
    using StepPtr = vellicor::AppCoordinator::StepPtr;
    using ScreenPtr = vellicor::AppCoordinator::ScreenPtr;
    using NavigationControllerPtr = vellicor::AppCoordinator::NavigationControllerPtr;

    StepPtr eula() override { return make("eula"); }
    StepPtr preBootstrapLaunchAction(std::shared_ptr<vellicor::LaunchActionable>) override {
        return make("preBootstrap");
    }
    StepPtr customDomain(vellicor::AppMode) override { return make("customDomain"); }
    StepPtr bootstrap(vellicor::AppMode, bool) override { return make("bootstrap"); }
    StepPtr userAccessPermissions(const NavigationControllerPtr&) override { return make("permissions"); }
    StepPtr appUI(const NavigationControllerPtr&, const ScreenPtr&, vellicor::AppMode) override {
        return make("appUI");
    }
    StepPtr launchAction(std::shared_ptr<vellicor::LaunchActionable>, const ScreenPtr&) override {
        return make("launchAction");
    }

    long count(const std::string& kind) const { return std::count(made.begin(), made.end(), kind); }

    std::vector<std::string> made;

private:
    StepPtr make(std::string kind) {
        made.push_back(std::move(kind));
        return std::make_shared<ParkedStep>();
    }
};

/// A signed-in user whose pages and API are at the community's root.
inline std::shared_ptr<platform::veltrane::VQUserAccount> makeUser() {
    auto credentials = apptest::sampleCredentials();
    credentials->communityUrl = platform::Url::parse("https://community.example.test");
    return platform::veltrane::VQUserAccount::create(std::move(credentials));
}

/// A context over the fake account manager with a marker centre whose
/// logged markers the test reads, and a community model shown by a fake screen.
class CommunityModelTest : public hybridtest::HybridTest {
protected:
    void SetUp() override {
        HybridTest::SetUp();
        // A port that refuses at once: the org's sign-in configuration never arrives.
        accounts->host = "127.0.0.1:9";
        installContext(apptest::FakeBundle::sample());
    }

    void installContext(std::shared_ptr<vellicor::BundleType> bundle) {
        vellicor::Context::Dependencies dependencies;
        dependencies.veltraneSDKManager =
            vellicor::VeltraneSDKManagerAdapter::create(platform::veltrane::VeltraneHybridSDKManager::sharedManager());
        dependencies.userAccountManager = accounts;
        dependencies.userDefaults = vellicor::UserDefaultsStore::standard();
        dependencies.mainBundle = std::move(bundle);
        dependencies.sessionID = "session";
        dependencies.notificationCenter = platform::NotificationCenter::create();
        dependencies.korvaMarkerCenter = center;
        dependencies.eventStoreManager =
            vellicor::CommunityEventStoreManager::create(platform::veltrane::VQSDKEventStoreManager::sharedInstance());
        context = vellicor::Context::create(std::move(dependencies));
        vellicor::AppContext::setStackForTesting({context});
    }

    /// A model shown by `screen`, with `flow` behind the screen.
    std::shared_ptr<vellicor::CommunityHybridViewModel> makeModel() {
        auto config = platform::veltrane::VQHybridViewConfig::create(platform::Json::object());
        config->setStartPage("/s/");
        config->setUnauthenticatedStartPage("https://community.example.test/s/");
        auto model = vellicor::CommunityHybridViewModel::create(
            config, vellicor::HybridViewOAuthCoordinator(nullptr, "https://community.example.test/s/"));
        model->setDelegate(screen);
        screen->setHybridAppDelegate(flow);
        return model;
    }

    /// Puts the app's coordinator in the context, its navigation stack showing
    /// `shown` as the app's community screen on top of a root screen; with
    /// no screen, the coordinator holds none (the app's interface is not up).
    void installAppCoordinator(const std::shared_ptr<flowtest::FakeCommunityScreen>& shown) {
        root = platform::ui::makeController<flowtest::FakeCommunityScreen>();
        navigation = platform::ui::NavigationController::create(root);
        steps = std::make_shared<ParkedSteps>();
        coordinator = vellicor::AppCoordinator::create(navigation, steps);
        if (shown) {
            navigation->push(shown, false);
            coordinator->loadTopViewController();
        }
        context->setAppCoordinator(coordinator);
    }
    /// The state of the screen the app's flow shows (none: it holds no screen
    /// yet) and that of the model under test, which may be one of its tabs.
    struct AppStates {
        std::optional<vellicor::State> shown;
        vellicor::State own;
    };
    /// A model in `states.own`, under an app's coordinator that shows a screen
    /// in `states.shown`.
    std::shared_ptr<vellicor::CommunityHybridViewModel> makeModelUnderApp(const AppStates& states) {
        installAppCoordinator(states.shown ? flowtest::FakeCommunityScreen::make(*states.shown) : nullptr);
        auto model = makeModel();
        model->state().setValue(states.own);
        return model;
    }
    /// Whether the app's flow has popped its screen: none is left to adopt.
    bool screenPopped() const {
        return navigation->topViewController() == root && coordinator->communityViewController() == nullptr;
    }
    /// How many times the app's interface was restarted from its permissions step.
    long postAuthRuns() const { return steps ? steps->count("permissions") : 0; }

    std::size_t count(vellicor::KORVAMarkerName name) const {
        return static_cast<std::size_t>(std::count_if(logged->begin(), logged->end(),
                                                      [&](const auto& marker) { return marker->name() == name; }));
    }
    std::shared_ptr<const vellicor::KORVAMarker> lastLogged(vellicor::KORVAMarkerName name) const {
        for (auto it = logged->rbegin(); it != logged->rend(); ++it) {
            if ((*it)->name() == name) return *it;
        }
        return nullptr;
    }

    std::shared_ptr<std::vector<std::shared_ptr<const vellicor::KORVAMarker>>> logged =
        std::make_shared<std::vector<std::shared_ptr<const vellicor::KORVAMarker>>>();
    std::shared_ptr<vellicor::KORVAMarkerCenter> center =
        vellicor::KORVAMarkerCenter::create([logged = logged](std::shared_ptr<const vellicor::KORVAMarker> marker) {
            logged->push_back(std::move(marker));
        });
    std::shared_ptr<FakeScreen> screen = std::make_shared<FakeScreen>();
    std::shared_ptr<FakeFlow> flow = std::make_shared<FakeFlow>();

    std::shared_ptr<flowtest::FakeCommunityScreen> root;
    std::shared_ptr<platform::ui::NavigationController> navigation;
    std::shared_ptr<ParkedSteps> steps;
    std::shared_ptr<vellicor::AppCoordinator> coordinator;
};

} // namespace communitytest
