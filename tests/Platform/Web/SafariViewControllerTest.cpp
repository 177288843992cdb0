#include "Platform/Web/SafariViewController.hpp"

#include "Platform/UI/ScreenDump.hpp"
#include "Platform/UI/Window.hpp"
#include "tests/Platform/Web/WebTestSupport.hpp"
#include "tests/support/LoopbackHttpsServer.hpp"

#include <gtest/gtest.h>

using namespace platform::web;
using webtest::url;

namespace {

class RecordingBrowserDelegate : public SafariViewControllerDelegate {
public:
    std::vector<std::string> events;
    void safariViewControllerDidFinish(SafariViewController&) override { events.push_back("finish"); }
    void didCompleteInitialLoad(SafariViewController&, bool success) override {
        events.push_back(success ? "loaded" : "failed");
    }
};

class SafariViewControllerTest : public ::testing::Test {
protected:
    testsupport::LoopbackHttpsServer server;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create();
    std::shared_ptr<platform::ui::ViewController> root = platform::ui::ViewController::create();

    SafariViewControllerTest() {
        server.server().Get("/help", [](const httplib::Request& request, httplib::Response& response) {
            response.set_content("<title>Help " + request.get_header_value("Cookie") + "</title>", "text/html");
        });
        server.routeHost();
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        testsupport::pump();
    }
};

TEST_F(SafariViewControllerTest, ShowsTheAddressWithAJarOfItsOwnAndIsRecorded) {
    // The app's web views have a session with the site...
    platform::HttpCookieProperties properties;
    properties.name = "sid";
    properties.value = "app-session";
    properties.domain = "community.example.test";
    properties.path = "/";
    WebsiteDataStore::defaultDataStore()->httpCookieStore()->setCookie(*platform::HttpCookie::create(properties));

    auto browser = SafariViewController::create(url("https://community.example.test/help"));
    auto delegate = std::make_shared<RecordingBrowserDelegate>();
    browser->setDelegate(delegate);
    root->present(browser, true);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !delegate->events.empty(); }));
    testsupport::advance(1);

    EXPECT_EQ(delegate->events, (std::vector<std::string>{"loaded"}));
    // ...which the browser does not send.
    EXPECT_EQ(browser->pageTitle(), "Help");
    EXPECT_EQ(SafariViewController::presentedURLs(),
              (std::vector<platform::Url>{url("https://community.example.test/help")}));
    auto screen = platform::ui::ScreenDump::render();
    EXPECT_NE(screen.find("SafariView url=https://community.example.test/help title=\"Help\""), std::string::npos)
        << screen;

    ASSERT_TRUE(platform::ui::ScreenDump::tap("Done"));
    testsupport::advance(1);
    EXPECT_EQ(delegate->events, (std::vector<std::string>{"loaded", "finish"}));
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST(SafariViewControllerDeathTest, OnlyHttpAndHttpsAddressesAreAccepted) {
    for (const char* text : {"mailto:someone@example.test", "tel:+15551234", "tnx://plugin", "file:///tmp/a.html",
                             "myapp://open"}) {
        SCOPED_TRACE(text);
        EXPECT_DEATH(SafariViewController::create(url(text)),
                     "The specified URL has an unsupported scheme\\. Only HTTP and HTTPS URLs are supported\\.");
    }
}

} // namespace
