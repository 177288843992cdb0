#include "VellicorApp/Shell/LoginViewController.hpp"

#include "VellicorApp/Core/FloatingActionButtonProviding.hpp"
#include "VellicorApp/Core/UserAgent.hpp"
#include "tests/Interface/InterfaceTestSupport.hpp"

#include "Platform/Foundation/PropertyList.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLoginViewControllerConfig.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Window.hpp"
#include "Platform/Web/WebView.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::Json;
using platform::ui::BarButtonItem;
using platform::ui::LayoutAttribute;
using platform::ui::StatusBarStyle;

namespace {

/// Registers a web-library bundle whose Info.plist holds the given short
/// version (none: the key is left out); each call uses a fresh folder because
/// a bundle reads its Info.plist once.
void setWebLibraryVersion(const std::optional<Json>& version) {
    static int count = 0;
    const auto folder = testsupport::sandboxRoot() / ("WebKit" + std::to_string(++count) + ".framework");
    std::filesystem::create_directories(folder);
    auto info = Json::object();
    info["CFBundleIdentifier"] = "com.example.WebKit";
    if (version) info["CFBundleShortVersionString"] = *version;
    ASSERT_TRUE(platform::PropertyList::write(folder / "Info.plist", info));
    platform::Bundle::registerBundle(platform::web::WebView::kBundleName, folder);
}

class LoginViewControllerTest : public interfacetest::InterfaceTest {
protected:
    void TearDown() override {
        platform::Bundle::unregisterBundle(platform::web::WebView::kBundleName);
        loginNavigation.reset();
        login.reset();
        InterfaceTest::TearDown();
    }

    /// A running context of the normal or the preview edition, with the
    /// developer menu's bar switch as given.
    void installEdition(bool preview, bool navBarFlag) {
        context = apptest::installContext([preview](Json& info) {
            if (preview) info["YarrowinAppType"] = "preSale";
            else info.erase("YarrowinAppType");
        });
        context->userDefaults->setBool("enableNavBar", navBarFlag);
    }

    /// The login screen in its own navigation controller, shown in the window.
    void showLogin() {
        login = LoginViewController::create();
        loginNavigation = platform::ui::NavigationController::create(login);
        window->setRootViewController(loginNavigation);
        testsupport::pump();
        ASSERT_TRUE(login->isViewLoaded());
    }

    std::shared_ptr<LoginViewController> login;
    std::shared_ptr<platform::ui::NavigationController> loginNavigation;
};

TEST_F(LoginViewControllerTest, SafariVersionComesFromTheWebLibraryBundle) {
    struct Case {
        const char* name;
        std::optional<Json> version;
        const char* expected;
    };
    const Case cases[] = {
        {"four digits", Json("8615"), "Safari/615"},
        {"below a thousand", Json("605"), "Safari/605"},
        {"whole thousands", Json("9000"), "Safari/0"},
        {"dotted", Json("605.1.15"), ""},
        {"empty", Json(""), ""},
        {"trailing text", Json("8615a"), ""},
        {"leading blank", Json(" 8615"), ""},
        {"number, not text", Json(8615), ""},
        {"too large for an integer", Json("99999999999999999999999"), ""},
        {"missing key", std::nullopt, ""},
    };
    for (const auto& c : cases) {
        setWebLibraryVersion(c.version);
        EXPECT_EQ(UserAgent::safariWebKitVersion(), c.expected) << c.name;
    }
    platform::Bundle::unregisterBundle(platform::web::WebView::kBundleName);
    EXPECT_EQ(UserAgent::safariWebKitVersion(), "") << "no bundle";
}

TEST_F(LoginViewControllerTest, LoginUserAgentGetsTheSafariTokenAfterABlank) {
    struct Case {
        const char* name;
        std::optional<Json> version;
        const char* suffix;
    };
    const Case cases[] = {
        {"integer version", Json("8615"), " Safari/615"},
        {"dotted version keeps a trailing blank", Json("605.1.15"), " "},
    };
    for (const auto& c : cases) {
        setWebLibraryVersion(c.version);
        showLogin();
        auto webView = login->oauthView();
        ASSERT_NE(webView, nullptr);
        ASSERT_TRUE(webView->customUserAgent) << c.name;
        const auto& agent = *webView->customUserAgent;
        const std::string base = platform::veltrane::VeltraneSDKManager::sharedManager()->userAgent();
        EXPECT_EQ(agent, base + c.suffix) << c.name;
    }
}

TEST_F(LoginViewControllerTest, WebViewFillsTheSafeAreaWithoutPreviewsAndIsInspectable) {
    showLogin();
    auto webView = login->oauthView();
    ASSERT_NE(webView, nullptr);
    EXPECT_FALSE(webView->translatesAutoresizingMaskIntoConstraints);
    EXPECT_FALSE(webView->allowsLinkPreview);
    EXPECT_TRUE(webView->isInspectable);

    const auto root = login->view();
    struct Edge {
        LayoutAttribute attribute;
        bool safeArea;
    };
    const Edge edges[] = {{LayoutAttribute::top, true},
                          {LayoutAttribute::leading, false},
                          {LayoutAttribute::trailing, false},
                          {LayoutAttribute::bottom, true}};
    EXPECT_EQ(interfacetest::constraintsTo(*root, *webView), 4u);
    for (const auto& edge : edges) {
        const auto found = std::ranges::find_if(root->constraints(), [&](const auto& c) {
            return c.first.view.lock() == webView && c.first.attribute == edge.attribute && c.second &&
                   c.second->view.lock() == root && c.second->attribute == edge.attribute &&
                   c.second->safeArea == edge.safeArea && c.isActive && c.constant == 0;
        });
        EXPECT_NE(found, root->constraints().end()) << static_cast<int>(edge.attribute);
    }
}

TEST_F(LoginViewControllerTest, NavigationBarShowsOnlyInThePreviewEditionWithTheSwitchOn) {
    struct Case {
        const char* name;
        bool preview;
        bool flag;
        bool hidden;
    };
    const Case cases[] = {
        {"normal edition", false, false, true},
        {"normal edition ignores the switch", false, true, true},
        {"preview edition, switch off", true, false, true},
        {"preview edition, switch on", true, true, false},
    };
    for (const auto& c : cases) {
        installEdition(c.preview, c.flag);
        showLogin();
        run(1.0);
        EXPECT_EQ(loginNavigation->isNavigationBarHidden(), c.hidden) << c.name;
    }
}

TEST_F(LoginViewControllerTest, SwitchingTheBarUpdatesAnOpenScreenOnTheNextTurn) {
    installEdition(true, false);
    showLogin();
    run(1.0);
    ASSERT_TRUE(loginNavigation->isNavigationBarHidden());

    for (const bool on : {true, false, true}) {
        context->userDefaults->setBool("enableNavBar", on);
        context->notificationCenter->post(kLoginViewNavBarDidChangeNotification);
        EXPECT_EQ(loginNavigation->isNavigationBarHidden(), on) << "handled on the main queue, not at the post";
        run(1.0);
        EXPECT_EQ(loginNavigation->isNavigationBarHidden(), !on) << on;
    }

    // A screen gone before its block runs is not touched.
    context->userDefaults->setBool("enableNavBar", false);
    context->notificationCenter->post(kLoginViewNavBarDidChangeNotification);
    window->setRootViewController(navigation);
    loginNavigation.reset();
    login.reset();
    run(1.0);
    context->notificationCenter->post(kLoginViewNavBarDidChangeNotification);
    run(1.0);
}

TEST_F(LoginViewControllerTest, RefreshButtonReloadsTheSignInPage) {
    showLogin();
    auto* item = login->navBar() ? login->navBar()->topItem() : nullptr;
    ASSERT_NE(item, nullptr);
    ASSERT_EQ(item->rightBarButtonItems.size(), 1u);
    const auto refresh = item->rightBarButtonItems.front();
    EXPECT_EQ(refresh->systemItem, BarButtonItem::SystemItem::refresh);

    struct Recorder : platform::web::NavigationDelegate {
        std::vector<platform::web::NavigationType> types;
        void decidePolicyForNavigationAction(
            platform::web::WebView&, const platform::web::NavigationAction& action,
            std::function<void(platform::web::NavigationActionPolicy)> decisionHandler) override {
            types.push_back(action.navigationType);
            decisionHandler(platform::web::NavigationActionPolicy::allow);
        }
    };
    auto recorder = std::make_shared<Recorder>();
    auto webView = login->oauthView();
    webView->setNavigationDelegate(recorder);

    // Nothing shown yet: nothing to reload.
    EXPECT_TRUE(refresh->simulateTap());
    run(1.0);
    EXPECT_TRUE(recorder->types.empty());

    webView->loadHTMLString("<html><title>Sign in</title></html>");
    run(1.0);
    recorder->types.clear();
    EXPECT_TRUE(refresh->simulateTap());
    run(1.0);
    ASSERT_EQ(recorder->types.size(), 1u);
    EXPECT_EQ(recorder->types.front(), platform::web::NavigationType::reload);
}

TEST_F(LoginViewControllerTest, StatusBarFollowsTheBrightnessOfTheBarColour) {
    struct Case {
        const char* name;
        std::optional<const char*> color;
        StatusBarStyle expected;
    };
    const Case cases[] = {
        {"no colour", std::nullopt, StatusBarStyle::defaultStyle},
        {"white", "#FFFFFF", StatusBarStyle::darkContent},
        {"dark blue", "#1B5297", StatusBarStyle::lightContent},
        {"black", "#000000", StatusBarStyle::lightContent},
    };
    for (const auto& c : cases) {
        context = apptest::installContext([&](Json& info) {
            info.erase("LoginViewNavBarColor");
            if (c.color) info["NavBarTrueColor"] = *c.color;
            else info.erase("NavBarTrueColor");
        });
        EXPECT_EQ(LoginViewController::create()->preferredStatusBarStyle(), c.expected) << c.name;
    }
}

TEST_F(LoginViewControllerTest, FloatingButtonIsPlacedOnEveryLayoutPass) {
    struct Provider : FloatingActionButtonProviding {
        std::vector<std::shared_ptr<platform::ui::ViewController>> placedOn;
        void presentFloatingActionButton(const std::shared_ptr<platform::ui::ViewController>& controller) override {
            placedOn.push_back(controller);
        }
        void presentManagedURLsContentView() override {}
        void hideFloatingActionButton() override {}
        bool isFloatingActionButtonHidden() const override { return false; }
    };
    showLogin();
    login->viewDidLayoutSubviews();
    auto provider = std::make_shared<Provider>();
    context->setFloatingActionButtonProvider(provider);
    login->viewDidLayoutSubviews();
    login->viewDidLayoutSubviews();
    ASSERT_EQ(provider->placedOn.size(), 2u);
    EXPECT_EQ(provider->placedOn.front(), login);
    EXPECT_EQ(provider->placedOn.back(), login);
}

TEST_F(LoginViewControllerTest, BackButtonRunsTheSignInCancellationBeforeThePost) {
    std::vector<std::string> events;
    [[maybe_unused]] const auto token = context->notificationCenter->addObserver(
        kLoginViewNavBarDidHandleBackButtonActionNotification, nullptr, [&](const platform::Notification& note) {
            EXPECT_EQ(note.object, nullptr);
            events.push_back("posted");
        });

    auto manager = platform::veltrane::VQUserAccountManager::sharedInstance();
    manager->setLoginHost("127.0.0.1:1");
    manager->setOauthClientId("vellicor-login-test");
    manager->setOauthCompletionUrl("vellicor://auth/done");
    auto config = platform::veltrane::VQSDKLoginViewControllerConfig::create();
    config->loginViewControllerCreationBlock = [] { return LoginViewController::create(); };
    manager->setLoginViewControllerConfig(config);
    manager->setAuthCancelledByUserHandlerBlock([&] {
        events.push_back("cancelled");
        manager->stopCurrentAuthentication();
    });
    bool completed = false;
    ASSERT_TRUE(manager->login([&](auto&&...) { completed = true; }));
    auto screen = std::dynamic_pointer_cast<LoginViewController>(manager->loginViewController());
    ASSERT_NE(screen, nullptr);
    run(1.0);
    EXPECT_TRUE(screen->shouldShowBackButton());

    const auto& left = screen->navigationItem().leftBarButtonItems;
    const auto back = std::ranges::find_if(left, [](const auto& b) { return b->accessibilityIdentifier == "LoginBackButton"; });
    ASSERT_NE(back, left.end());
    EXPECT_TRUE((*back)->simulateTap());
    EXPECT_EQ(events, (std::vector<std::string>{"cancelled", "posted"}));
    run(1.0);
    EXPECT_TRUE(completed);
    manager->setAuthCancelledByUserHandlerBlock({});
    manager->setLoginViewControllerConfig(platform::veltrane::VQSDKLoginViewControllerConfig::create());
}

} // namespace
