#include "VellicorApp/Hybrid/URLRequestWebLoadable.hpp"

#include "VellicorApp/Community/BundleManagedURLs.hpp"
#include "VellicorApp/Hybrid/HybridResources.hpp"
#include "VellicorApp/Hybrid/SharedCookieBrowserViewController.hpp"
#include "tests/Hybrid/HybridTestSupport.hpp"
#include "tests/Hybrid/NativeEventTestSupport.hpp"

#include "Platform/UI/Application.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Storyboard.hpp"
#include "Platform/UI/Window.hpp"
#include "Platform/Web/SafariViewController.hpp"
#include "Platform/Web/WebView.hpp"
#include "Platform/Web/WebViewConfiguration.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace vellicor;
using platform::Url;
using platform::ui::Application;
using platform::ui::ModalPresentationStyle;
using platform::ui::NavigationController;
using platform::web::SafariViewController;

namespace {

Url url(std::string_view text) { return Url::parse(text).value(); }

/// Records every navigation its web view starts and lets none go out.
class RecordingNavigation : public platform::web::NavigationDelegate {
public:
    void decidePolicyForNavigationAction(platform::web::WebView&, const platform::web::NavigationAction& action,
                                         std::function<void(platform::web::NavigationActionPolicy)> decide) override {
        requests.push_back(action.request);
        decide(platform::web::NavigationActionPolicy::cancel);
    }
    std::vector<platform::HttpRequest> requests;
};

/// A community screen with a state the test sets and a web view.
class FakeScreen : public nativeeventtest::FakeScreen, public URLRequestWebLoadable {
public:
    FakeScreen() : URLRequestWebLoadable(static_cast<CommunityViewControllable&>(*this)) {
        webView = platform::web::WebView::create({}, platform::web::WebViewConfiguration::create());
        webView->setNavigationDelegate(navigation);
    }

    State state() const override { return currentState; }
    std::shared_ptr<platform::web::WebView> hybridAppWebView() const override { return webView; }
    std::string typeName() const override { return "CommunityHybridViewController"; }

    State currentState = State::initialized;
    std::shared_ptr<platform::web::WebView> webView;
    std::shared_ptr<RecordingNavigation> navigation = std::make_shared<RecordingNavigation>();
};

class URLRequestWebLoadableTest : public hybridtest::HybridTest {
protected:
    void SetUp() override {
        hybridtest::HybridTest::SetUp();
        platform::ui::Storyboard::resetRegistry();
        registerHybridResources();
        // Shop links go to the external browser, partner links to the
        // shared-cookie browser; everything else has no rule.
        context->setManagedURLs(std::make_shared<BundleManagedURLs>(
            std::vector<std::string>{"https://shop.example.net/"}, std::vector<std::string>{},
            std::vector<std::string>{"https://partner.example.com"}, std::vector<std::string>{}, "WithinApp"));
        screen = platform::ui::makeController<FakeScreen>();
        navigation = NavigationController::create(screen);
        window = platform::ui::Window::create();
        window->setRootViewController(navigation);
        window->makeKeyAndVisible();
        testsupport::pump();
    }
    void TearDown() override {
        platform::ui::Storyboard::resetRegistry();
        hybridtest::HybridTest::TearDown();
    }

    /// The screen's log messages at a level ("INFO", "WARNING", "ERROR") since
    /// the mark, each without the "CommunityHybridViewController: " that
    /// begins it (other lines are left out).
    std::vector<std::string> logged(const std::string& level) const {
        const std::string prefix = "CommunityHybridViewController: ";
        const auto texts = apptest::appLogTexts(level);
        const auto skip = std::min(texts.size(), marks_.contains(level) ? marks_.at(level) : 0);
        std::vector<std::string> messages;
        for (auto it = texts.begin() + static_cast<std::ptrdiff_t>(skip); it != texts.end(); ++it) {
            if (it->starts_with(prefix)) messages.push_back(it->substr(prefix.size()));
        }
        return messages;
    }
    /// Forgets the log lines written so far.
    void markLog() {
        for (const auto* level : {"INFO", "WARNING", "ERROR"}) marks_[level] = apptest::appLogTexts(level).size();
    }

    std::shared_ptr<SafariViewController> presentedSafari() const {
        return std::dynamic_pointer_cast<SafariViewController>(screen->presentedViewController());
    }

    std::shared_ptr<FakeScreen> screen;
    std::shared_ptr<NavigationController> navigation;
    std::shared_ptr<platform::ui::Window> window;

private:
    std::map<std::string, std::size_t> marks_;
};

constexpr const char* kNotLoaded = "Cannot load URL because web app is not yet loaded!";
constexpr const char* kUnsupported = "Can't initiate external URL fall back option due to unsupported URL scheme.";

TEST_F(URLRequestWebLoadableTest, LoadsInTheWebViewOnlyOnceTheWebAppHasBootstrapped) {
    const struct {
        State state;
        bool loads;
    } cases[] = {
        {State::initialized, false},
        {State::premLoad, false},
        {State::bootstrapped, true},
        {State::pageLoaded, true},
    };
    const auto link = url("https://community.example.test/s/topic/0TO1");
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.state));
        screen->navigation->requests.clear();
        markLog();
        screen->currentState = c.state;
        screen->loadURL(link);
        testsupport::pump();
        const auto refusals = std::ranges::count(logged("INFO"), std::string(kNotLoaded));
        if (c.loads) {
            ASSERT_EQ(screen->navigation->requests.size(), 1u);
            EXPECT_EQ(screen->navigation->requests[0].url, link);
            EXPECT_EQ(screen->navigation->requests[0].timeoutInterval, 60.0);
            EXPECT_EQ(refusals, 0);
        } else {
            EXPECT_TRUE(screen->navigation->requests.empty());
            EXPECT_EQ(refusals, 1);
        }
    }
    // A refused link is not kept for later.
    screen->currentState = State::premLoad;
    screen->loadURL(link);
    screen->currentState = State::bootstrapped;
    screen->navigation->requests.clear();
    testsupport::pump();
    EXPECT_TRUE(screen->navigation->requests.empty());
}

TEST_F(URLRequestWebLoadableTest, TwoCookieLinksLeaveOneBrowserShowingTheSecond) {
    screen->loadURLCookieSupport(url("https://partner.example.com/a"), false);
    testsupport::pump();
    screen->loadURLCookieSupport(url("https://partner.example.com/b"), false);
    testsupport::pump();

    const auto stack = navigation->viewControllers();
    ASSERT_EQ(stack.size(), 2u);
    EXPECT_EQ(stack[0], screen);
    const auto browser = std::dynamic_pointer_cast<SharedCookieBrowserViewController>(stack[1]);
    ASSERT_TRUE(browser);
    EXPECT_EQ(browser->url, url("https://partner.example.com/b"));
}

TEST_F(URLRequestWebLoadableTest, ACookieLinkOfAScreenInNoWindowShowsNothingAndSaysSo) {
    const auto alone = platform::ui::makeController<FakeScreen>();
    markLog();
    alone->loadURLCookieSupport(url("https://partner.example.com/a"), true);
    testsupport::pump();
    EXPECT_FALSE(alone->navigationController());
    EXPECT_FALSE(alone->presentedViewController());
    EXPECT_EQ(logged("ERROR"), std::vector<std::string>{"Failed to open https://partner.example.com/a in the "
                                                        "shared-cookie browser: the screen on top is not in a window"});
}

TEST_F(URLRequestWebLoadableTest, ACookieLinkInAPageShownAsASheetOpensTheBrowserOverIt) {
    // A page opened as a sheet has no navigation stack of its own.
    const auto sheet = platform::ui::makeController<FakeScreen>();
    navigation->present(sheet, false);
    testsupport::pump();

    sheet->loadURLCookieSupport(url("https://partner.example.com/a"), false);
    testsupport::pump();

    const auto stack = std::dynamic_pointer_cast<NavigationController>(sheet->presentedViewController());
    ASSERT_TRUE(stack) << "the browser comes in a stack of its own over the sheet";
    const auto browser = std::dynamic_pointer_cast<SharedCookieBrowserViewController>(stack->topViewController());
    ASSERT_TRUE(browser);
    EXPECT_EQ(browser->url, url("https://partner.example.com/a"));

    // Its close button takes the whole stack away, back to the sheet.
    ASSERT_FALSE(browser->navigationItem().leftBarButtonItems.empty());
    browser->navigationItem().leftBarButtonItems.front()->simulateTap();
    testsupport::pump();
    testsupport::advance(1);
    EXPECT_FALSE(sheet->presentedViewController());
    EXPECT_EQ(navigation->presentedViewController(), sheet);
}

TEST_F(URLRequestWebLoadableTest, AFallBackWhileASheetIsOpenComesOverTheSheet) {
    Application::shared().setOpenAnswer("https", false);
    const auto sheet = platform::ui::makeController<FakeScreen>();
    navigation->present(sheet, false);
    testsupport::pump();
    markLog();

    screen->loadExternalURL(url("https://elsewhere.example.org/page"));
    testsupport::pump();
    testsupport::advance(1);

    const auto safari = std::dynamic_pointer_cast<SafariViewController>(sheet->presentedViewController());
    ASSERT_TRUE(safari) << "not refused by the screen under the sheet";
    EXPECT_EQ(safari->url(), url("https://elsewhere.example.org/page"));
    EXPECT_TRUE(logged("ERROR").empty());
}

TEST_F(URLRequestWebLoadableTest, OnlyTheCommunitysLogoutPageLogsOutAndOpensNothing) {
    const struct {
        const char* link;
        bool logsOut;
    } links[] = {
        {"https://community.example.test/gate/logout.vx", true},
        {"https://community.example.test/gate/logout.vx?retUrl=%2Fs%2F", true},
        {"https://community.example.test/s/page?next=/gate/logout.vx", false},
        {"https://elsewhere.example.org/a#/gate/logout.vx", false},
        {"https://elsewhere.example.org/gate/logout.vx", false},
        {"https://community.example.test:8443/gate/logout.vx", false},
    };
    for (const auto& c : links) {
        SCOPED_TRACE(c.link);
        accounts->calls.clear();
        const auto openedBefore = Application::shared().openedURLs().size();
        screen->loadExternalURL(url(c.link));
        testsupport::pump();
        EXPECT_EQ(accounts->calls, c.logsOut ? std::vector<std::string>{"logout"} : std::vector<std::string>{});
        EXPECT_EQ(Application::shared().openedURLs().size(), openedBefore + (c.logsOut ? 0 : 1));
        const auto info = logged("INFO");
        EXPECT_EQ(std::ranges::find(info, std::string("Performing logout on create Web View. URL ") + c.link) != info.end(),
                  c.logsOut);
    }
}

TEST_F(URLRequestWebLoadableTest, OpensOutsideTheAppWithTheRulesOptions) {
    // An installed app claims the link without a rule, which may open only as a universal link.
    Application::shared().addUniversalLinkHost("elsewhere.example.org");
    const struct {
        const char* link;
        bool universalLinksOnly;
    } cases[] = {
        {"mailto:someone@example.com", false},
        {"https://shop.example.net/cart", false},
        {"https://elsewhere.example.org/", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        screen->loadExternalURL(url(c.link));
        testsupport::pump();
        ASSERT_FALSE(Application::shared().openedURLs().empty());
        const auto& opened = Application::shared().openedURLs().back();
        EXPECT_EQ(opened.url, url(c.link));
        EXPECT_EQ(opened.options.contains(platform::ui::kOpenURLOptionUniversalLinksOnly), c.universalLinksOnly);
        const auto info = logged("INFO");
        EXPECT_NE(std::ranges::find(info, std::string("Open external URL ") + c.link), info.end());
    }
    // Every link was opened by the system: no fall-back.
    EXPECT_FALSE(screen->presentedViewController());
    EXPECT_TRUE(logged("WARNING").empty());
}

TEST_F(URLRequestWebLoadableTest, AFailedOpenFallsBackToTheInAppBrowserOnlyForWebLinksTheRulesKeepInside) {
    auto& application = Application::shared();
    application.setOpenAnswer("mailto", false);
    application.setOpenAnswer("tnx", false);
    application.setOpenAnswer("https", false);
    const struct {
        const char* name;
        const char* link;
        bool inAppBrowser;
    } cases[] = {
        {"mail link", "mailto:someone@example.com", false},
        {"app scheme link: no browser can show it", "tnx://record/001", false},
        {"link the rules send to the external browser", "https://shop.example.net/cart", false},
        {"link without a rule", "https://elsewhere.example.org/page", true},
        {"shared-cookie link", "https://partner.example.com/a", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        markLog();
        screen->loadExternalURL(url(c.link));
        testsupport::pump();
        testsupport::advance(1);
        EXPECT_EQ(logged("WARNING"),
                  std::vector<std::string>{std::string("Failed to open external URL: ") + c.link +
                                           ". Falling back to load it in SafariViewController."});
        const auto safari = presentedSafari();
        if (c.inAppBrowser) {
            EXPECT_TRUE(logged("ERROR").empty());
            ASSERT_TRUE(safari);
            EXPECT_EQ(safari->url(), url(c.link));
            EXPECT_TRUE(safari->configuration().entersReaderIfAvailable);
            EXPECT_EQ(safari->modalPresentationStyle, ModalPresentationStyle::overCurrentContext);
            const auto info = logged("INFO");
            EXPECT_NE(std::ranges::find(info, std::string("Not able to handle url: ") + c.link +
                                                  " as universal link. Handling it within app."),
                      info.end());
            screen->dismiss(false);
            testsupport::pump();
        } else {
            EXPECT_EQ(logged("ERROR"), std::vector<std::string>{kUnsupported});
            EXPECT_FALSE(safari);
        }
    }
}

TEST_F(URLRequestWebLoadableTest, ASecondFallBackReplacesTheFirstBrowser) {
    Application::shared().setOpenAnswer("https", false);
    screen->loadExternalURL(url("https://elsewhere.example.org/first"));
    testsupport::pump();
    testsupport::advance(1);
    const auto first = presentedSafari();
    ASSERT_TRUE(first);

    screen->loadExternalURL(url("https://elsewhere.example.org/second"));
    testsupport::pump();
    // The first goes at once; the second comes in with an animation.
    EXPECT_FALSE(first->presentingViewController());
    testsupport::advance(1);
    const auto second = presentedSafari();
    ASSERT_TRUE(second);
    EXPECT_NE(second, first);
    EXPECT_EQ(second->url(), url("https://elsewhere.example.org/second"));
}

TEST_F(URLRequestWebLoadableTest, AnAnswerAfterTheScreenIsGoneDoesNothing) {
    Application::shared().setOpenAnswer("https", false);
    auto alone = platform::ui::makeController<FakeScreen>();
    alone->loadExternalURL(url("https://elsewhere.example.org/"));
    alone.reset();
    testsupport::pump();
    EXPECT_EQ(Application::shared().openedURLs().size(), 1u);
    EXPECT_TRUE(logged("WARNING").empty());
}

} // namespace
