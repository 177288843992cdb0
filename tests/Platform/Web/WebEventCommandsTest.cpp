#include "Platform/Web/WebEventCommands.hpp"

#include "Platform/UI/EventDriver.hpp"
#include "Platform/UI/Window.hpp"
#include "tests/Platform/Web/WebTestSupport.hpp"
#include "tests/support/LoopbackHttpsServer.hpp"

#include <gtest/gtest.h>

#include <sstream>

using namespace platform::web;
using platform::Json;
using webtest::RecordingNavigationDelegate;
using webtest::url;

namespace {

/// Answers "authenticate" with the body it got and the frame's origin.
class EchoHandler : public ScriptMessageHandlerWithReply {
public:
    void didReceiveScriptMessage(UserContentController&, const ScriptMessage& message,
                                 ScriptReplyHandler replyHandler) override {
        if (message.body.is_object() && message.body.contains("fail")) {
            replyHandler(std::nullopt, "Not \"authenticated\"");
            return;
        }
        replyHandler(Json{{"body", message.body},
                          {"main", message.frameInfo.isMainFrame},
                          {"origin", message.frameInfo.securityOrigin.description()}},
                     std::nullopt);
    }
};

class PlainHandler : public ScriptMessageHandler {
public:
    std::vector<ScriptMessage> messages;
    void didReceiveScriptMessage(UserContentController&, const ScriptMessage& message) override {
        messages.push_back(message);
    }
};

/// A shown window whose screen holds a web view on the loopback community site.
class WebEventCommandsTest : public ::testing::Test {
protected:
    testsupport::LoopbackHttpsServer server;
    platform::ui::EventDriver driver;
    std::ostringstream out, err;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create();
    std::shared_ptr<WebView> webView = WebView::create();
    std::shared_ptr<RecordingNavigationDelegate> delegate = std::make_shared<RecordingNavigationDelegate>();
    std::shared_ptr<PlainHandler> events = std::make_shared<PlainHandler>();

    WebEventCommandsTest() {
        server.server().Get(R"(/page/(\d+))", [](const httplib::Request& request, httplib::Response& response) {
            response.set_header("Set-Cookie", "visited=" + std::string(request.matches[1]) + "; Path=/");
            response.set_content("<title>Page " + std::string(request.matches[1]) + "</title>", "text/html");
        });
        server.routeHost();
        registerEventCommands(driver);

        auto controller = platform::ui::ViewController::create();
        controller->view()->addSubview(webView);
        window->setRootViewController(controller);
        window->makeKeyAndVisible();
        webView->setNavigationDelegate(delegate);
        auto contentController = webView->configuration()->userContentController;
        contentController->setSenderPolicy(takesMessage);
        contentController->addScriptMessageHandler(std::make_shared<EchoHandler>(), ContentWorld::page(),
                                                   "authenticate");
        contentController->add(events, "webAppEventBootstrapDone");
        webView->load(platform::HttpRequest(url("https://community.example.test/page/1")));
        platform::ui::EventDriver::settle();
    }

    /// The sender policy of these pages: every frame but those of refused.example.test.
    static bool takesMessage(const ScriptMessage& message) {
        return message.frameInfo.securityOrigin.host != "refused.example.test";
    }

    int run(const std::string& script) {
        out.str("");
        std::istringstream in(script);
        return driver.run(in, out, err, "script");
    }
};

TEST_F(WebEventCommandsTest, PagePostDeliversToTheHandlerAndPrintsItsReply) {
    ASSERT_EQ(webView->title(), "Page 1");
    ASSERT_EQ(run("page post authenticate {\"user\": \"a b\"}\n"
                  "page post authenticate {\"fail\": true}\n"
                  "page post authenticate [1, 2] --frame sub --origin https://files.example.test:8443/x\n"
                  "page post webAppEventBootstrapDone {\"data\": {}} --frame sub\n"
                  "page post instrumentation {}\n"
                  "page post authenticate {} --origin https://refused.example.test/\n"
                  "page post webAppEventBootstrapDone {} --origin https://refused.example.test/\n"),
              0)
        << err.str();
    EXPECT_EQ(out.str(),
              "page post authenticate: reply "
              "{\"body\":{\"user\":\"a b\"},\"main\":true,\"origin\":\"https://community.example.test\"}\n"
              "page post authenticate: error \"Not \\\"authenticated\\\"\"\n"
              "page post authenticate: reply {\"body\":[1,2],\"main\":false,\"origin\":\"https://files.example.test:8443\"}\n"
              "page post webAppEventBootstrapDone: delivered\n"
              "page post instrumentation: no handler\n"
              "page post authenticate: refused\n"
              "page post webAppEventBootstrapDone: refused\n");
    ASSERT_EQ(events->messages.size(), 1u);
    EXPECT_FALSE(events->messages[0].frameInfo.isMainFrame);
    EXPECT_EQ(events->messages[0].body, (Json{{"data", Json::object()}}));
}

TEST_F(WebEventCommandsTest, BadPageCommandsStopTheRun) {
    struct Case {
        std::string line;
        std::string error;
    } cases[] = {
        {"page post authenticate {not json}", "not JSON: {not json}"},
        {"page post authenticate {} --frame side", "--frame takes main or sub"},
        {"page navigate not-a-url", "not a URL: not-a-url"},
        {"page post authenticate {} --off-screen --bogus", "unknown option '--bogus' (page post takes"},
        {"page navigate https://community.example.test/ --off-screen",
         "unknown option '--off-screen' (page navigate takes --new-window, --form)"},
        {"page fly", "unknown page command 'fly'"},
    };
    for (const auto& c : cases) {
        err.str("");
        EXPECT_EQ(run(c.line + "\n"), 1) << c.line;
        EXPECT_NE(err.str().find(c.error), std::string::npos) << err.str();
    }
}

TEST_F(WebEventCommandsTest, PagePostOffScreenReachesTheLatestPageLoadedInNoWindow) {
    EXPECT_EQ(run("page post authenticate {} --off-screen\n"), 1);
    EXPECT_NE(err.str().find("no web view is loaded off screen"), std::string::npos) << err.str();

    // A screen loaded before it shows: its page is not on screen, and a web
    // view made later that has loaded nothing is not taken for it.
    auto behind = WebView::create();
    auto handler = std::make_shared<PlainHandler>();
    behind->configuration()->userContentController->add(handler, "webAppEventBootstrapDone");
    behind->configuration()->userContentController->setSenderPolicy(takesMessage);
    behind->load(platform::HttpRequest(url("https://community.example.test/page/3")));
    platform::ui::EventDriver::settle();
    const auto blank = WebView::create();
    ASSERT_EQ(run("page post webAppEventBootstrapDone {\"data\": 3} --off-screen\n"
                  "page post webAppEventBootstrapDone {\"data\": 1}\n"),
              0)
        << err.str();
    EXPECT_EQ(out.str(), "page post webAppEventBootstrapDone: delivered\npage post webAppEventBootstrapDone: delivered\n");
    ASSERT_EQ(handler->messages.size(), 1u);
    EXPECT_EQ(handler->messages[0].body, (Json{{"data", 3}}));
    ASSERT_EQ(events->messages.size(), 1u);
    EXPECT_EQ(events->messages[0].body, (Json{{"data", 1}}));
}

TEST_F(WebEventCommandsTest, PageNavigateFollowsALinkOfTheFrontMostVisibleWebView) {
    // A web view in front that is hidden does not take the event.
    auto hidden = WebView::create();
    hidden->isHidden = true;
    window->rootViewController()->view()->addSubview(hidden);
    EXPECT_EQ(frontMostWebView(), webView);

    delegate->events.clear();
    ASSERT_EQ(run("page navigate https://community.example.test/page/2\npage cookies\n"), 0) << err.str();
    EXPECT_EQ(delegate->events.front(), "action linkActivated https://community.example.test/page/2");
    EXPECT_EQ(webView->title(), "Page 2");
    EXPECT_EQ(out.str(), "page cookie: visited=2 domain=community.example.test path=/ session\n");
    EXPECT_FALSE(hidden->url());
}

TEST_F(WebEventCommandsTest, PageRespondAnswersCallsIntoThePageAndScriptsListsThem) {
    ASSERT_EQ(run("page respond sendKORVAData \"txn-7\"\n"
                  "page respond refreshNotifications --error \"Session expired\" --code 401\n"),
              0)
        << err.str();
    std::vector<std::expected<Json, platform::Error>> results;
    webView->callAsyncJavaScript("return myvellicor.nativejsapi.sendKORVAData(payload, txnId);",
                                 Json{{"payload", "p"}, {"txnId", "txn-7"}}, std::nullopt, ContentWorld::page(),
                                 [&](std::expected<Json, platform::Error> result) { results.push_back(result); });
    std::optional<platform::Error> error;
    webView->evaluateJavaScript("myvellicor.nativejsapi.refreshNotifications();",
                                [&](std::optional<Json>, std::optional<platform::Error> e) { error = e; });
    testsupport::pump();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0], Json("txn-7"));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, 401);
    EXPECT_EQ(error->localizedDescription(), "Session expired");

    ASSERT_EQ(run("page scripts\npage respond --clear\n"), 0) << err.str();
    EXPECT_EQ(out.str(),
              "page script: callAsync \"return myvellicor.nativejsapi.sendKORVAData(payload, txnId);\" "
              "{\"payload\":\"p\",\"txnId\":\"txn-7\"}\n"
              "page script: evaluate \"myvellicor.nativejsapi.refreshNotifications();\"\n");
    std::optional<Json> cleared = Json("unset");
    webView->evaluateJavaScript("myvellicor.nativejsapi.refreshNotifications();",
                                [&](std::optional<Json> value, std::optional<platform::Error>) { cleared = value; });
    testsupport::pump();
    EXPECT_FALSE(cleared);
}

} // namespace
