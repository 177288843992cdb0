#pragma once

// Support for the tab bar's tests: community tabs that record what the tab
// bar asks of them, over models whose session refresh the test answers, and
// the community model's context with the interface's storyboards and a window.

#include "VellicorApp/Hybrid/CommunityHybridViewModel.hpp"
#include "VellicorApp/Hybrid/HybridResources.hpp"
#include "VellicorApp/Hybrid/HybridViewController.hpp"
#include "VellicorApp/Hybrid/WebViewOAuthRefreshable.hpp"
#include "VellicorApp/Interface/CommunityViewControllerDelegate.hpp"
#include "VellicorApp/Interface/InterfaceResources.hpp"
#include "tests/Hybrid/CommunityModelTestSupport.hpp"
#include "tests/support/LoopbackHttpsServer.hpp"

#include "Platform/Foundation/Dispatch.hpp"

#include "Platform/SDKs/Veltrane/VQHybridViewConfig.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Storyboard.hpp"
#include "Platform/UI/Window.hpp"
#include "Platform/Web/WebView.hpp"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tabbartest {

/// A community model whose session refresh waits for the test, and which
/// records the results handed to it.
class FakeCommunityModel : public vellicor::CommunityHybridViewModel {
public:
    explicit FakeCommunityModel(std::shared_ptr<platform::veltrane::VQHybridViewConfig> config)
        : CommunityHybridViewModel(std::move(config), std::nullopt) {}

    void refreshCredentials(std::shared_ptr<platform::veltrane::VQOAuthCredentials> credentials,
                            platform::veltrane::VQAuthCompletion completion) override {
        refreshedWith.push_back(std::move(credentials));
        pendingRefresh = std::move(completion);
    }
    OAuthResultHandling handleOAuthResults(const std::optional<std::string>& url,
                                           const platform::veltrane::VQAuthResult& result) override {
        handled.push_back(Handled{url, result.has_value()});
        if (!result || !url) return {std::nullopt, std::nullopt};
        // A page that loads without a network.
        return {platform::HttpRequest(platform::Url::parse("about:blank").value()), std::nullopt};
    }

    struct Handled {
        std::optional<std::string> url;
        bool success = false;
    };
    std::vector<std::shared_ptr<platform::veltrane::VQOAuthCredentials>> refreshedWith;
    platform::veltrane::VQAuthCompletion pendingRefresh;
    std::vector<Handled> handled;
};

/// A community tab: a hybrid screen over a fake model that records the
/// calls it gets, with a state the test sets and a web view of its own. Its
/// view loads without touching the network.
class FakeTab : public vellicor::HybridViewController, public vellicor::WebViewOAuthRefreshable {
public:
    explicit FakeTab(std::shared_ptr<FakeCommunityModel> model)
        : HybridViewController(model), WebViewOAuthRefreshable(static_cast<HybridViewController&>(*this)),
          model(std::move(model)) {}

    /// A tab whose start page is `startPage` (none: a configuration without one).
    static std::shared_ptr<FakeTab> make(std::optional<std::string> startPage, std::string name = "tab") {
        auto config = platform::veltrane::VQHybridViewConfig::create(platform::Json::object());
        config->setUnauthenticatedStartPage(startPage);
        config->setStartPage(startPage);
        auto tab = platform::ui::makeController<FakeTab>(std::make_shared<FakeCommunityModel>(config));
        tab->title = name;
        tab->config = config;
        return tab;
    }

    void viewDidLoad() override { platform::ui::ViewController::viewDidLoad(); }
    std::string typeName() const override { return "FakeTab"; }

    std::shared_ptr<vellicor::CommunityViewControllerDelegate> hybridAppDelegate() const override {
        return delegate.lock();
    }
    void setHybridAppDelegate(const std::shared_ptr<vellicor::CommunityViewControllerDelegate>& d) override {
        delegate = d;
    }
    vellicor::State state() const override { return currentState; }
    std::shared_ptr<platform::web::WebView> hybridAppWebView() const override { return page; }
    std::shared_ptr<platform::veltrane::VQHybridViewConfig> hybridWebViewConfig() const override { return config; }
    void openURL(const platform::Url& url) override { calls.push_back("openURL " + url.absoluteString()); }
    void openRecord(const std::string& recordId) override { calls.push_back("openRecord " + recordId); }
    void refreshNotifications() override { calls.push_back("refreshNotifications"); }
    void sendKORVALogs() override { calls.push_back("sendKORVALogs"); }
    void refreshUserCredentials(const std::optional<platform::Url>&,
                                std::function<void(std::optional<std::string>, std::optional<platform::Error>)>) override {
        calls.push_back("refreshUserCredentials");
    }
    std::optional<platform::HttpRequest> reAuthRedirectURLRequest() const override { return std::nullopt; }

    std::shared_ptr<FakeCommunityModel> model;
    std::shared_ptr<platform::veltrane::VQHybridViewConfig> config;
    std::weak_ptr<vellicor::CommunityViewControllerDelegate> delegate;
    vellicor::State currentState = vellicor::State::bootstrapped;
    std::shared_ptr<platform::web::WebView> page;
    std::vector<std::string> calls;
};

/// A context over the sample package, the fake account manager (login host
/// "community.example.test", nobody signed in) and a marker centre whose
/// logged markers the test reads; the interface's storyboards registered; a
/// key window whose root is a navigation controller.
class TabBarTest : public communitytest::CommunityModelTest {
protected:
    void SetUp() override {
        // The package's boot configuration is the selected community's.
        platform::Bundle::setMainBundlePath(apptest::sampleResources());
        CommunityModelTest::SetUp();
        accounts->host = "community.example.test";
        platform::ui::Storyboard::resetRegistry();
        vellicor::registerInterfaceResources();
        root = platform::ui::ViewController::create();
        navigation = platform::ui::NavigationController::create(root);
        window = platform::ui::Window::create();
        window->setRootViewController(navigation);
        window->makeKeyAndVisible();
        testsupport::pump();
    }

    void TearDown() override {
        platform::ui::Window::resetAll();
        platform::ui::Storyboard::resetRegistry();
        platform::veltrane::VQSDKWindowManager::resetForTesting();
        CommunityModelTest::TearDown();
    }

    void signIn() { accounts->user = hybridtest::makeAccount(); }

    /// A new context over the sample configuration, with or without its
    /// service-provider apps.
    void configure(bool serviceProviderApps) {
        auto bundle = apptest::FakeBundle::sample();
        if (!serviceProviderApps) bundle->info.erase("ServiceProviderApps");
        installContext(bundle);
    }

    std::shared_ptr<platform::ui::ViewController> root;
    std::shared_ptr<platform::ui::NavigationController> navigation;
    std::shared_ptr<platform::ui::Window> window;
};

/// Three tabs of the community ("Tab 1" to "Tab 3", at /s/tab1 to /s/tab3)
/// with the bar's colours, as the web app's bootstrap sends them.
inline platform::Json threeMenuItems() {
    auto items = platform::Json::array();
    for (int i = 1; i <= 3; ++i) {
        items.push_back({{"id", i},
                         {"position", i},
                         {"name", "Tab " + std::to_string(i)},
                         {"targetUrl", "https://community.example.test/s/tab" + std::to_string(i)}});
    }
    return {{"menuItems", items}, {"branding", {{"iconTintColor", "#0070D2"}, {"barTintColor", "#FFFFFF"}}}};
}

/// Waits until no load is in flight in any of the web views and the main queue is idle.
inline bool settled(const std::vector<std::shared_ptr<platform::web::WebView>>& webViews) {
    const bool done = testsupport::waitUntil([&] {
        testsupport::pump();
        return platform::BackgroundActivity::inFlight() == 0 &&
               std::none_of(webViews.begin(), webViews.end(), [](const auto& view) { return view->isLoading(); });
    });
    testsupport::pump();
    return done;
}

/// The tab-bar test over the loopback community, without service-provider
/// apps: the front door sends the browser on to the page it names, and every
/// page under /s/ has its path as its title.
class TabBarLoopbackFixture : public TabBarTest {
protected:
    void SetUp() override {
        TabBarTest::SetUp();
        configure(false);
        server.server().Get("/gate/entry.vx", [](const httplib::Request& request, httplib::Response& response) {
            response.set_redirect(request.get_param_value("returnTo"));
        });
        server.server().Get(R"(/s/.*)", [](const httplib::Request& request, httplib::Response& response) {
            response.set_content("<html><head><title>" + request.path + "</title></head></html>", "text/html");
        });
        server.routeHost();
        vellicor::registerHybridResources();
    }

    void TearDown() override {
        platform::ui::Nib::resetRegistry();
        TabBarTest::TearDown();
    }

    testsupport::LoopbackHttpsServer server;
};

} // namespace tabbartest
