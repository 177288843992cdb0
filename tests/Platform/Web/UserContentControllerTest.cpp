#include "Platform/Web/UserContentController.hpp"

#include "Platform/Foundation/Console.hpp"
#include "Platform/Web/WebView.hpp"
#include "tests/Platform/Web/WebTestSupport.hpp"
#include "tests/support/LoopbackHttpsServer.hpp"

#include <gtest/gtest.h>

using namespace platform::web;
using platform::Json;
using webtest::url;

namespace {

/// Keeps every message it gets.
class PlainHandler : public ScriptMessageHandler {
public:
    std::vector<ScriptMessage> messages;
    void didReceiveScriptMessage(UserContentController&, const ScriptMessage& message) override {
        messages.push_back(message);
    }
};

/// Keeps every message and its reply handler; answers at once when `answer` is set.
class ReplyingHandler : public ScriptMessageHandlerWithReply {
public:
    std::vector<ScriptMessage> messages;
    std::vector<ScriptReplyHandler> replies;
    std::function<void(const ScriptMessage&, ScriptReplyHandler&)> answer;
    void didReceiveScriptMessage(UserContentController&, const ScriptMessage& message,
                                 ScriptReplyHandler replyHandler) override {
        messages.push_back(message);
        if (answer) {
            answer(message, replyHandler);
        } else {
            replies.push_back(std::move(replyHandler));
        }
    }
};

/// What the page's promise got.
struct PageReply {
    int calls = 0;
    std::optional<Json> value;
    std::optional<std::string> error;
    ScriptReplyHandler handler() {
        return [this](std::optional<Json> v, std::optional<std::string> e) {
            ++calls;
            value = std::move(v);
            error = std::move(e);
        };
    }
};

class UserContentControllerTest : public ::testing::Test {
protected:
    testsupport::LoopbackHttpsServer server;
    std::shared_ptr<WebView> webView = WebView::create();
    std::shared_ptr<UserContentController> controller = webView->configuration()->userContentController;

    UserContentControllerTest() {
        // Controllers refuse every message by default; these tests look past that.
        controller->setSenderPolicy([](const ScriptMessage&) { return true; });
        server.server().Get("/s/", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<title>Community</title>", "text/html");
        });
        server.routeHost();
    }

    /// The community page, loaded from the loopback site.
    void showPage() {
        webView->load(platform::HttpRequest(url("https://community.example.test/s/")));
        ASSERT_TRUE(testsupport::waitUntil([&] { return webView->title() == "Community" && !webView->isLoading(); }));
    }
};

TEST_F(UserContentControllerTest, MessagesReachTheirHandlersWithBodyFrameAndOrigin) {
    auto events = std::make_shared<PlainHandler>();
    auto auth = std::make_shared<ReplyingHandler>();
    auth->answer = [](const ScriptMessage& message, ScriptReplyHandler& reply) {
        reply(Json{{"echo", message.body}}, std::nullopt);
    };
    controller->add(events, "webAppEventBootstrapDone");
    controller->addScriptMessageHandler(auth, ContentWorld::page(), "authenticate");
    showPage();

    struct Case {
        std::string name;
        PageMessageOptions options;
        bool mainFrame;
        std::string origin;
    } cases[] = {
        {"main frame", {}, true, "https://community.example.test"},
        {"sub-frame of another origin", {false, url("https://files.example.test:8443/embed"), nullptr}, false,
         "https://files.example.test:8443"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        events->messages.clear();
        auth->messages.clear();
        PageReply plainReply, reply;
        EXPECT_EQ(webView->postScriptMessage("webAppEventBootstrapDone", Json{{"data", {{"menuItems", Json::array()}}}},
                                             c.options, plainReply.handler()),
                  UserContentController::Delivery::delivered);
        EXPECT_EQ(webView->postScriptMessage("authenticate", Json("hi"), c.options, reply.handler()),
                  UserContentController::Delivery::awaitingReply);
        testsupport::pump();

        ASSERT_EQ(events->messages.size(), 1u);
        const auto& message = events->messages[0];
        EXPECT_EQ(message.name, "webAppEventBootstrapDone");
        EXPECT_EQ(message.body, (Json{{"data", {{"menuItems", Json::array()}}}}));
        EXPECT_EQ(message.frameInfo.isMainFrame, c.mainFrame);
        EXPECT_EQ(message.frameInfo.securityOrigin.description(), c.origin);
        EXPECT_EQ(message.webView.lock(), webView);
        EXPECT_EQ(plainReply.calls, 0) << "a handler without a reply gives the page nothing";

        ASSERT_EQ(auth->messages.size(), 1u);
        EXPECT_EQ(auth->messages[0].frameInfo.isMainFrame, c.mainFrame);
        EXPECT_EQ(auth->messages[0].frameInfo.securityOrigin.description(), c.origin);
        EXPECT_EQ(reply.calls, 1);
        EXPECT_EQ(reply.value, (Json{{"echo", "hi"}}));
        EXPECT_FALSE(reply.error);
    }
}

TEST_F(UserContentControllerTest, AReplyIsGivenOnceAndAnUnansweredMessageIsRejected) {
    auto handler = std::make_shared<ReplyingHandler>();
    controller->addScriptMessageHandler(handler, ContentWorld::page(), "getAuthCredentials");
    showPage();

    PageReply late, dropped;
    webView->postScriptMessage("getAuthCredentials", Json::object(), {}, late.handler());
    webView->postScriptMessage("getAuthCredentials", Json::object(), {}, dropped.handler());
    testsupport::pump();
    EXPECT_EQ(late.calls, 0) << "no reply until the handler answers";

    handler->replies[0](std::nullopt, "Not authenticated");
    handler->replies[0](Json("second"), std::nullopt);
    handler->replies.pop_back(); // the second message's handler is dropped unanswered
    testsupport::pump();

    EXPECT_EQ(late.calls, 1);
    EXPECT_EQ(late.error, "Not authenticated");
    EXPECT_FALSE(late.value);
    EXPECT_TRUE(platform::Console::contains("called more than once"));
    EXPECT_EQ(dropped.calls, 1);
    EXPECT_EQ(dropped.error, "The API client did not respond to this postMessage");
}

TEST_F(UserContentControllerTest, AReplyAfterItsPageIsGoneIsDropped) {
    auto handler = std::make_shared<ReplyingHandler>();
    controller->addScriptMessageHandler(handler, ContentWorld::page(), "authenticate");
    const struct {
        const char* name;
        bool leavePage;
        bool releaseView;
        bool answer; // else the reply handler is released unanswered
        int expectedCalls;
    } cases[] = {
        {"answered on its page", false, false, true, 1},
        {"released unanswered on its page", false, false, false, 1},
        {"answered after another page came", true, false, true, 0},
        {"released unanswered after another page came", true, false, false, 0},
        {"answered after the view went", false, true, true, 0},
        {"released unanswered after the view went", false, true, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto view = WebView::create({}, webView->configuration());
        view->loadHTMLString("<p>one</p>", url("https://community.example.test/s/"));
        testsupport::pump();
        PageReply reply;
        view->postScriptMessage("authenticate", Json::object(), {}, reply.handler());
        if (c.leavePage) {
            view->loadHTMLString("<p>two</p>", url("https://community.example.test/s/two"));
            testsupport::pump();
        }
        if (c.releaseView) view.reset();
        if (c.answer) handler->replies.back()(Json("late"), std::nullopt);
        handler->replies.clear();
        testsupport::pump();
        EXPECT_EQ(reply.calls, c.expectedCalls);
    }
}

TEST_F(UserContentControllerTest, HandlersAreRegisteredPerWorldAndRemoved) {
    auto handler = std::make_shared<ReplyingHandler>();
    controller->addScriptMessageHandler(handler, ContentWorld::page(), "instrumentation");
    controller->addScriptMessageHandler(handler, ContentWorld::page(), "invokeNativeEvent");
    controller->add(std::make_shared<PlainHandler>(), ContentWorld::world("tools"), "instrumentation");
    EXPECT_EQ(controller->scriptMessageHandlerNames(),
              (std::vector<std::string>{"instrumentation", "invokeNativeEvent"}));
    EXPECT_EQ(ContentWorld::world("tools"), ContentWorld::world("tools"));

    controller->removeScriptMessageHandler("instrumentation");
    EXPECT_FALSE(controller->hasScriptMessageHandler("instrumentation"));
    EXPECT_TRUE(controller->hasScriptMessageHandler("instrumentation", ContentWorld::world("tools")));
    EXPECT_EQ(webView->postScriptMessage("instrumentation", Json::object()), UserContentController::Delivery::noHandler);

    controller->removeAllScriptMessageHandlers();
    EXPECT_TRUE(controller->scriptMessageHandlerNames(ContentWorld::world("tools")).empty());
    EXPECT_EQ(webView->postScriptMessage("invokeNativeEvent", Json::object()),
              UserContentController::Delivery::noHandler);
}

TEST_F(UserContentControllerTest, TheControllerHoldsItsHandlersStrongly) {
    std::weak_ptr<PlainHandler> weak;
    {
        auto handler = std::make_shared<PlainHandler>();
        weak = handler;
        controller->add(handler, "webAppEventPageLoadDone");
    }
    ASSERT_FALSE(weak.expired());
    webView->postScriptMessage("webAppEventPageLoadDone", Json());
    EXPECT_EQ(weak.lock()->messages.size(), 1u);
    controller->removeScriptMessageHandler("webAppEventPageLoadDone");
    EXPECT_TRUE(weak.expired());
}

TEST_F(UserContentControllerTest, ViewsMadeFromOneConfigurationShareItsControllerAndScripts) {
    auto configuration = WebViewConfiguration::create();
    configuration->userContentController->addUserScript(
        UserScript{"window.a = 1;", UserScriptInjectionTime::atDocumentStart, true, ContentWorld::page()});
    auto first = WebView::create({}, configuration);
    auto second = WebView::create({}, configuration);
    EXPECT_NE(first->configuration(), configuration) << "each view keeps a copy";
    EXPECT_EQ(first->configuration()->userContentController, second->configuration()->userContentController);
    auto handler = std::make_shared<PlainHandler>();
    configuration->userContentController->add(handler, "webAppEventPageLoadDone");
    configuration->userContentController->setSenderPolicy([](const ScriptMessage&) { return true; });
    second->postScriptMessage("webAppEventPageLoadDone", Json());
    EXPECT_EQ(handler->messages.size(), 1u);
    ASSERT_EQ(first->configuration()->userContentController->userScripts().size(), 1u);
    EXPECT_EQ(first->configuration()->userContentController->userScripts()[0].injectionTime,
              UserScriptInjectionTime::atDocumentStart);
}

TEST_F(UserContentControllerTest, TheSenderPolicyDecidesBeforeAnyHandlerAndNoneRefusesAll) {
    auto events = std::make_shared<PlainHandler>();
    auto auth = std::make_shared<ReplyingHandler>();
    auth->answer = [](const ScriptMessage&, ScriptReplyHandler& reply) { reply(Json("token"), std::nullopt); };
    auto fresh = WebView::create();
    const auto& own = fresh->configuration()->userContentController;
    own->add(events, "webAppEventPageLoadDone");
    own->addScriptMessageHandler(auth, ContentWorld::page(), "getAuthCredentials");
    fresh->loadHTMLString("<p>page</p>", url("https://community.example.test/s/"));
    testsupport::pump();

    std::vector<std::string> asked;
    const std::function<bool(const ScriptMessage&)> mainFrameOnly = [&asked](const ScriptMessage& message) {
        asked.push_back(message.name);
        return message.frameInfo.isMainFrame;
    };
    const struct {
        const char* name;
        std::function<bool(const ScriptMessage&)> policy; // none: never set
        bool isMainFrame;
        bool reaches;
    } cases[] = {
        {"no policy, main frame", nullptr, true, false},
        {"no policy, sub-frame", nullptr, false, false},
        {"a policy that takes the main frame", mainFrameOnly, true, true},
        {"the same policy, a sub-frame", mainFrameOnly, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        own->setSenderPolicy(c.policy);
        EXPECT_EQ(own->hasSenderPolicy(), static_cast<bool>(c.policy));
        events->messages.clear();
        auth->messages.clear();
        PageReply plain, credentials;
        PageMessageOptions options;
        options.isMainFrame = c.isMainFrame;
        const auto plainDelivery = fresh->postScriptMessage("webAppEventPageLoadDone", Json(), options, plain.handler());
        const auto replyDelivery =
            fresh->postScriptMessage("getAuthCredentials", Json::object(), options, credentials.handler());
        testsupport::pump();
        EXPECT_EQ(plainDelivery, c.reaches ? UserContentController::Delivery::delivered
                                           : UserContentController::Delivery::refused);
        EXPECT_EQ(replyDelivery, c.reaches ? UserContentController::Delivery::awaitingReply
                                           : UserContentController::Delivery::refused);
        EXPECT_EQ(events->messages.size(), c.reaches ? 1u : 0u);
        EXPECT_EQ(auth->messages.size(), c.reaches ? 1u : 0u);
        EXPECT_EQ(plain.calls, 0) << "a handler without a reply gives the page nothing";
        ASSERT_EQ(credentials.calls, 1) << "the page's promise settles either way";
        EXPECT_EQ(credentials.value, c.reaches ? std::optional<Json>(Json("token")) : std::nullopt);
        EXPECT_EQ(credentials.error,
                  c.reaches ? std::nullopt : std::optional<std::string>(UserContentController::kRefusedSenderMessage));
    }
    EXPECT_EQ(asked, (std::vector<std::string>{"webAppEventPageLoadDone", "getAuthCredentials",
                                               "webAppEventPageLoadDone", "getAuthCredentials"}));
    // A name without a handler is not a refusal: there is nothing to post to.
    EXPECT_EQ(fresh->postScriptMessage("authenticate", Json()), UserContentController::Delivery::noHandler);
}

TEST(UserContentControllerDeathTest, ANameTakenTwiceInAWorldStopsTheApp) {
    auto controller = UserContentController::create();
    controller->add(std::make_shared<PlainHandler>(), "authenticate");
    EXPECT_DEATH(controller->addScriptMessageHandler(std::make_shared<ReplyingHandler>(), ContentWorld::page(),
                                                     "authenticate"),
                 "Attempt to add script message handler with name 'authenticate' when one already exists.");
}

} // namespace
