#include "VellicorApp/Hybrid/WebViewOAuthRefreshable.hpp"

#include "Platform/UI/ViewController.hpp"
#include "Platform/Web/WebView.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::Url;

namespace {

/// A community screen with a web view and a held-back navigation, as a test sets them.
class FakeScreen : public platform::ui::ViewController, public WebViewOAuthRefreshable {
public:
    FakeScreen() : WebViewOAuthRefreshable(*this) {}

    std::shared_ptr<CommunityViewControllerDelegate> hybridAppDelegate() const override { return delegate.lock(); }
    void setHybridAppDelegate(const std::shared_ptr<CommunityViewControllerDelegate>& d) override { delegate = d; }
    State state() const override { return State::initialized; }
    std::shared_ptr<platform::web::WebView> hybridAppWebView() const override { return webView; }
    std::shared_ptr<platform::veltrane::VQHybridViewConfig> hybridWebViewConfig() const override { return nullptr; }
    void openURL(const Url&) override {}
    void openRecord(const std::string&) override {}
    void refreshNotifications() override {}
    void sendKORVALogs() override {}
    void refreshUserCredentials(const std::optional<Url>&,
                                std::function<void(std::optional<std::string>, std::optional<platform::Error>)>) override {}
    std::optional<platform::HttpRequest> reAuthRedirectURLRequest() const override { return heldBack; }

    std::weak_ptr<CommunityViewControllerDelegate> delegate;
    std::shared_ptr<platform::web::WebView> webView;
    std::optional<platform::HttpRequest> heldBack;
};

Url url(std::string_view text) {
    auto parsed = Url::parse(text);
    if (!parsed) throw std::invalid_argument(std::string(text));
    return *parsed;
}

class WebViewOAuthRefreshableTest : public apptest::AppTest {
protected:
    void SetUp() override {
        context = apptest::installContext();
        context->userAccountManager->setLoginHost("community.example.test");
    }
    std::shared_ptr<Context> context;
};

TEST_F(WebViewOAuthRefreshableTest, PicksThePageToReloadAfterARefresh) {
    const std::string startPage = "https://community.example.test/s/";
    const struct {
        const char* name;
        std::optional<std::string> original; // the page URL handed in
        std::optional<std::string> shown;    // the web view's URL; none: an empty web view
        std::optional<std::string> heldBack; // the navigation held back during the refresh
        std::optional<std::string> expected;
    } cases[] = {
        {"community page", "https://community.example.test/s/topic/0TO1", std::nullopt, std::nullopt,
         "https://community.example.test/s/topic/0TO1"},
        {"percent-encoded community URL is decoded", "https%3A%2F%2Fcommunity.example.test%2Fs%2Fgroup%2F0F9", std::nullopt,
         std::nullopt, "https://community.example.test/s/group/0F9"},
        {"outside page gives the start page", "https://elsewhere.example.org/s/", "https://community.example.test/s/a",
         std::nullopt, startPage},
        {"look-alike host gives the start page", "https://community.example.test.evil.example/s/", std::nullopt,
         std::nullopt, startPage},
        {"nested site gives the start page", "https://community.example.test/s/other/s/", std::nullopt, std::nullopt,
         startPage},
        {"community address without https is judged by its address", "http://community.example.test/s/x", std::nullopt,
         std::nullopt, "http://community.example.test/s/x"},
        {"no URL: the web view's page, not decoded", std::nullopt, "https://community.example.test/s/a%20b",
         "https://community.example.test/s/held", "https://community.example.test/s/a%20b"},
        {"no URL: an outside page in the web view gives the start page", std::nullopt, "https://elsewhere.example.org/",
         std::nullopt, startPage},
        {"a URL that does not decode: the web view's page", "https://community.example.test/s/%FF",
         "https://community.example.test/s/b", std::nullopt, "https://community.example.test/s/b"},
        {"no URL, empty web view: the held-back navigation", std::nullopt, std::nullopt,
         "https://community.example.test/s/held", "https://community.example.test/s/held"},
        {"the held-back navigation is taken as it is", std::nullopt, std::nullopt, "https://elsewhere.example.org/x",
         "https://elsewhere.example.org/x"},
        {"nothing at all", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {"a decoded text that is no URL", "https://community.example.test/s/a%20b", std::nullopt, std::nullopt,
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto screen = platform::ui::makeController<FakeScreen>();
        screen->webView = platform::web::WebView::create();
        if (c.shown) {
            screen->webView->loadHTMLString("<title>Page</title>", url(*c.shown));
            testsupport::pump();
            ASSERT_EQ(screen->webView->url(), url(*c.shown));
        }
        if (c.heldBack) screen->heldBack = platform::HttpRequest(url(*c.heldBack));
        const auto original = c.original ? std::optional<Url>(url(*c.original)) : std::nullopt;
        const auto result = screen->responseURLForRefreshCredentials(original);
        EXPECT_EQ(result ? std::optional<std::string>(result->absoluteString()) : std::nullopt, c.expected);
    }
}

TEST_F(WebViewOAuthRefreshableTest, AScreenWithoutAWebViewFallsBackToTheHeldBackNavigation) {
    const auto screen = platform::ui::makeController<FakeScreen>();
    EXPECT_EQ(&screen->viewController(), screen.get());
    EXPECT_EQ(screen->responseURLForRefreshCredentials(std::nullopt), std::nullopt);
    screen->heldBack = platform::HttpRequest(url("https://community.example.test/s/held"));
    EXPECT_EQ(screen->responseURLForRefreshCredentials(std::nullopt), url("https://community.example.test/s/held"));
}

} // namespace
