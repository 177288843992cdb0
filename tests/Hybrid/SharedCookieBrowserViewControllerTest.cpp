#include "VellicorApp/Hybrid/SharedCookieBrowserViewController.hpp"

#include "VellicorApp/Hybrid/HybridResources.hpp"
#include "tests/Instrumentation/InstrumentationTestSupport.hpp"
#include "tests/Shell/AppTestSupport.hpp"
#include "tests/support/LoopbackHttpsServer.hpp"
#include "tests/support/TestSupport.hpp"

#include "Platform/UI/AlertController.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Storyboard.hpp"
#include "Platform/UI/Window.hpp"
#include "Platform/Web/WebViewConfiguration.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::Url;
using platform::ui::AlertController;
using platform::ui::Application;
using platform::ui::Color;
using platform::ui::NavigationController;
using platform::ui::StatusBarStyle;
using platform::web::WebView;

namespace {

Url url(std::string_view text) { return Url::parse(text).value(); }

/// A loopback community: "/s/" sets the session cookie, "/echo" shows the
/// cookies it received as its title, "/untitled" has no title.
class Community {
public:
    Community() {
        server.server().Get("/s/", [](const httplib::Request&, httplib::Response& response) {
            response.set_header("Set-Cookie", "sid=session-value; Path=/; Secure; HttpOnly");
            response.set_content("<html><head><title>Community</title></head></html>", "text/html");
        });
        server.server().Get("/echo", [](const httplib::Request& request, httplib::Response& response) {
            response.set_content("<html><head><title>cookies:" + request.get_header_value("Cookie") + "</title></head></html>",
                                 "text/html");
        });
        server.server().Get("/untitled", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<html><body>plain</body></html>", "text/html");
        });
        server.server().Get("/second", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<html><head><title>Second</title></head></html>", "text/html");
        });
        server.routeHost();
    }
    Url at(std::string_view path) const { return server.url(path); }

    testsupport::LoopbackHttpsServer server;
};

class SharedCookieBrowserTest : public apptest::AppTest {
protected:
    void TearDown() override {
        platform::ui::Storyboard::resetRegistry();
        Application::shared().setOpenURLResponder(nullptr);
        apptest::AppTest::TearDown();
    }

    /// A context whose Info.plist has the navigation-bar colour (none: no colour keys).
    void installContext(std::optional<std::string> barColor) {
        apptest::installContext([barColor](platform::Json& info) {
            info.erase("LoginViewNavBarColor");
            info.erase("NavBarTrueColor");
            if (barColor) info["NavBarTrueColor"] = *barColor;
        });
        platform::ui::Storyboard::resetRegistry();
        registerHybridResources();
    }

    /// The browser for an address, pushed on a navigation stack in a window.
    std::shared_ptr<SharedCookieBrowserViewController> show(std::optional<Url> address) {
        auto browser = SharedCookieBrowserViewController::instantiate();
        browser->url = std::move(address);
        root = platform::ui::makeController<platform::ui::ViewController>();
        navigation = NavigationController::create(root);
        window = platform::ui::Window::create();
        window->setRootViewController(navigation);
        window->makeKeyAndVisible();
        navigation->push(browser, false);
        testsupport::pump();
        return browser;
    }

    static bool loaded(const SharedCookieBrowserViewController& browser) {
        return testsupport::waitUntil([&] {
            const auto web = browser.webView();
            return web && web->url() && !web->isLoading();
        });
    }

    std::shared_ptr<platform::ui::ViewController> root;
    std::shared_ptr<NavigationController> navigation;
    std::shared_ptr<platform::ui::Window> window;
};

TEST_F(SharedCookieBrowserTest, TheLockShowsForSecureAddressesOnly) {
    installContext("#0B2F5A");
    const struct {
        const char* address;
        bool secure;
    } cases[] = {
        {"https://127.0.0.1:1/s/", true},
        {"HTTPS://127.0.0.1:1/s/", true},
        {"http://127.0.0.1:1/s/", false},
        {"127.0.0.1/s/", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        const auto browser = show(url(c.address));
        ASSERT_TRUE(browser->secureIcon());
        EXPECT_EQ(browser->secureIcon()->isHidden, !c.secure);
    }
    // Without an address nothing loads and the lock keeps its storyboard state.
    const auto browser = show(std::nullopt);
    EXPECT_FALSE(browser->secureIcon()->isHidden);
    EXPECT_FALSE(browser->webView()->isLoading());
    EXPECT_FALSE(browser->webView()->url());
}

TEST_F(SharedCookieBrowserTest, TheHeaderShowsTheTitleOrElseTheAddress) {
    installContext("#0B2F5A");
    Community community;
    const auto browser = show(community.at("/untitled"));
    ASSERT_TRUE(loaded(*browser));
    EXPECT_EQ(browser->titleLabel()->text, community.at("/untitled").absoluteString());
    EXPECT_EQ(browser->subtitleLabel()->text, community.at("/untitled").absoluteString());

    browser->webView()->followLink(community.at("/second"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return browser->titleLabel()->text == "Second"; }));
    EXPECT_EQ(browser->subtitleLabel()->text, community.at("/second").absoluteString());
}

TEST_F(SharedCookieBrowserTest, BackAndForwardFollowTheHistory) {
    installContext("#0B2F5A");
    Community community;
    const auto browser = show(community.at("/untitled"));
    ASSERT_TRUE(loaded(*browser));
    EXPECT_FALSE(browser->backButton()->isEnabled);
    EXPECT_FALSE(browser->forwardButton()->isEnabled);

    browser->webView()->followLink(community.at("/second"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return browser->webView()->title() == "Second"; }));
    EXPECT_TRUE(browser->backButton()->isEnabled);
    EXPECT_FALSE(browser->forwardButton()->isEnabled);

    browser->backButton()->sendActions(platform::ui::ControlEvent::touchUpInside);
    ASSERT_TRUE(testsupport::waitUntil([&] { return browser->forwardButton()->isEnabled; }));
    EXPECT_FALSE(browser->backButton()->isEnabled);
    EXPECT_EQ(browser->webView()->url(), community.at("/untitled"));

    browser->forwardButton()->sendActions(platform::ui::ControlEvent::touchUpInside);
    ASSERT_TRUE(testsupport::waitUntil([&] { return browser->backButton()->isEnabled; }));
    EXPECT_EQ(browser->webView()->url(), community.at("/second"));
}

TEST_F(SharedCookieBrowserTest, ControlsTakeTheBarColourAndItsContrast) {
    const struct {
        const char* name;
        std::optional<std::string> barColor;
        std::optional<Color> contrast;
        StatusBarStyle statusBar;
    } cases[] = {
        {"dark colour", "#0B2F5A", Color::white(), StatusBarStyle::lightContent},
        {"bright colour", "#F5F5F5", Color::black(), StatusBarStyle::darkContent},
        {"no colour", std::nullopt, std::nullopt, StatusBarStyle::defaultStyle},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        installContext(c.barColor);
        const auto browser = show(std::nullopt);
        EXPECT_EQ(browser->preferredStatusBarStyle(), c.statusBar);
        EXPECT_EQ(browser->webViewControlsBar()->barTintColor.has_value(), c.barColor.has_value());
        for (const auto& view : std::initializer_list<std::shared_ptr<platform::ui::View>>{
                 browser->titleLabel(), browser->subtitleLabel(), browser->secureIcon(), browser->backButton(),
                 browser->forwardButton()}) {
            EXPECT_EQ(view->tintColor, c.contrast) << view->typeName();
        }
        EXPECT_EQ(browser->closeBarButton()->tintColor, c.contrast);
        EXPECT_EQ(browser->menuBarButton()->tintColor, c.contrast);
    }
}

TEST_F(SharedCookieBrowserTest, TheCommunitySessionCookieGoesWithTheBrowsersRequests) {
    installContext("#0B2F5A");
    Community community;
    // A community web view (the default data store) receives the session cookie.
    auto communityView = WebView::create({}, platform::web::WebViewConfiguration::create());
    communityView->load(platform::HttpRequest(community.at("/s/")));
    ASSERT_TRUE(testsupport::waitUntil([&] { return communityView->title() == "Community" && !communityView->isLoading(); }));

    const auto browser = show(community.at("/echo"));
    ASSERT_TRUE(loaded(*browser));
    EXPECT_EQ(browser->webView()->title(), "cookies:sid=session-value");
    EXPECT_EQ(browser->titleLabel()->text, "cookies:sid=session-value");
}

/// Taps the menu and its first action, with the system opening outside
/// addresses or refusing them; the addresses handed to the system meanwhile.
std::vector<std::string> openFromMenu(SharedCookieBrowserViewController& browser, bool systemOpens) {
    Application::shared().setOpenURLResponder([systemOpens](const Url&) { return systemOpens; });
    const auto openedBefore = Application::shared().openedURLs().size();
    EXPECT_TRUE(browser.menuBarButton()->simulateTap());
    testsupport::pump();
    const auto sheet = std::dynamic_pointer_cast<AlertController>(browser.presentedViewController());
    if (!sheet) {
        ADD_FAILURE() << "no action sheet";
        return {};
    }
    EXPECT_EQ(sheet->preferredStyle(), AlertController::Style::actionSheet);
    EXPECT_FALSE(sheet->title);
    EXPECT_FALSE(sheet->message);
    EXPECT_EQ(sheet->actions().size(), 2u);
    EXPECT_EQ(sheet->actions().back()->style(), platform::ui::AlertAction::Style::cancel);
    EXPECT_TRUE(sheet->simulateTapAction(sheet->actions().front()->title()));
    testsupport::advance(1);
    testsupport::pump();
    std::vector<std::string> opened;
    const auto& all = Application::shared().openedURLs();
    for (auto i = openedBefore; i < all.size(); ++i) opened.push_back(all[i].url.absoluteString());
    return opened;
}

TEST_F(SharedCookieBrowserTest, TheMenuOpensThePageShownOutside) {
    installContext("#0B2F5A");
    Community community;
    const auto browser = show(community.at("/untitled"));
    ASSERT_TRUE(loaded(*browser));
    const auto errorsBefore = instrtest::logTexts("ERROR", "SharedCookieBrowserViewController").size();
    const auto only = [&](std::string_view path) { return std::vector{community.at(path).absoluteString()}; };

    EXPECT_EQ(openFromMenu(*browser, true), only("/untitled")) << "the first page";

    // After following a link inside, the menu speaks of the page on screen,
    // not of the one the browser was opened with.
    browser->webView()->followLink(community.at("/second"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return browser->webView()->title() == "Second"; }));
    EXPECT_EQ(openFromMenu(*browser, false), only("/second")) << "a followed link";
    EXPECT_EQ(instrtest::logTexts("ERROR", "SharedCookieBrowserViewController").size(), errorsBefore + 1);
    EXPECT_EQ(instrtest::logTexts("ERROR", "SharedCookieBrowserViewController").back(),
              "Failed to load URL in an external browser.");

    browser->backButtonTapped();
    ASSERT_TRUE(testsupport::waitUntil([&] { return browser->webView()->url() == community.at("/untitled"); }));
    EXPECT_EQ(openFromMenu(*browser, true), only("/untitled")) << "back again";
    EXPECT_EQ(instrtest::logTexts("ERROR", "SharedCookieBrowserViewController").size(), errorsBefore + 1);
}

TEST_F(SharedCookieBrowserTest, TheMenuOpensNothingWithoutAnAddress) {
    installContext("#0B2F5A");
    const auto browser = show(std::nullopt);
    EXPECT_TRUE(openFromMenu(*browser, true).empty());
}

TEST_F(SharedCookieBrowserTest, CloseLeavesTheNavigationStack) {
    installContext("#0B2F5A");
    const auto browser = show(std::nullopt);
    ASSERT_EQ(navigation->viewControllers().size(), 2u);
    ASSERT_TRUE(browser->closeBarButton()->simulateTap());
    testsupport::advance(1);
    testsupport::pump();
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
}

} // namespace
