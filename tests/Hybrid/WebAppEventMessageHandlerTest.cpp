#include "VellicorApp/Hybrid/WebAppEventMessageHandler.hpp"

#include "VellicorApp/Community/TabBarPersistentStore.hpp"
#include "VellicorApp/Hybrid/WebViewConfigurationFactory.hpp"

#include "Platform/Web/UserContentController.hpp"
#include "tests/Hybrid/HybridTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::Json;

namespace {

const std::string kBootstrapLog = "WebAppEventMessageHandler: Javascript callback received, web app fully bootstrapped.";
const std::string kPageLoadLog = "WebAppEventMessageHandler: Javascript callback PageLoadDone received";

class RecordingDelegate : public WebAppEventMessageHandlerDelegate {
public:
    void communityAppBootstrapDidComplete(WebAppEventMessageHandler& handler,
                                          const std::optional<Json>& response) override {
        handlers.push_back(&handler);
        bootstraps.push_back(response);
    }
    void communityAppPageLoadDidComplete(WebAppEventMessageHandler& handler) override {
        handlers.push_back(&handler);
        ++pageLoads;
    }
    std::vector<WebAppEventMessageHandler*> handlers;
    std::vector<std::optional<Json>> bootstraps;
    int pageLoads = 0;
};

class WebAppEventMessageHandlerTest : public hybridtest::HybridTest {
protected:
    void SetUp() override {
        HybridTest::SetUp();
        handler->setDelegate(delegate);
    }

    void post(const platform::web::ScriptMessage& message) { handler->didReceiveScriptMessage(*controller, message); }
    void bootstrap(Json body, const std::string& frameURL = "https://community.example.test/s/", bool mainFrame = true) {
        post(hybridtest::message(WebAppEventMessageHandler::kBootstrapDone, std::move(body), frameURL, mainFrame));
    }
    static std::optional<Json> stored() { return TabBarPersistentStore().tabBarConfig(); }

    std::shared_ptr<platform::web::UserContentController> controller = platform::web::UserContentController::create();
    std::shared_ptr<WebAppEventMessageHandler> handler = WebAppEventMessageHandler::create();
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
};

const Json kTabs = Json{{"menuItems", Json::array({Json{{"name", "Home"}}})}, {"branding", Json{{"barTintColor", "#112233"}}}};

TEST_F(WebAppEventMessageHandlerTest, ABootstrapStoresTheNavigationAndTellsWhetherItChanged) {
    bootstrap(Json{{"data", Json{{"menuItems", Json::array()}}}});
    bootstrap(Json{{"data", Json{{"menuItems", Json::array()}, {"other", 1}}}});
    bootstrap(Json{{"data", kTabs}});
    ASSERT_EQ(delegate->bootstraps.size(), 3u);
    EXPECT_EQ(delegate->bootstraps[0], (Json{{"menuItems", Json::array()}, {"changedSinceLastSession", true}}));
    EXPECT_EQ(delegate->bootstraps[1],
              (Json{{"menuItems", Json::array()}, {"other", 1}, {"changedSinceLastSession", false}}));
    EXPECT_EQ(delegate->bootstraps[2]->at("changedSinceLastSession"), true);
    EXPECT_EQ(delegate->handlers.front(), handler.get());
    // The stored file holds what the page sent, never the flag.
    EXPECT_EQ(stored(), kTabs);
    EXPECT_EQ(apptest::appLogTexts("INFO"), std::vector<std::string>(3, kBootstrapLog));
}

TEST_F(WebAppEventMessageHandlerTest, TheFlagThePageSentIsReplacedByTheStoresAnswer) {
    bootstrap(Json{{"data", Json{{"menuItems", Json::array()}, {"changedSinceLastSession", "maybe"}}}});
    ASSERT_EQ(delegate->bootstraps.size(), 1u);
    EXPECT_EQ(delegate->bootstraps[0]->at("changedSinceLastSession"), true);
    // The store keeps what the page sent; the answer goes only to the delegate.
    EXPECT_EQ(stored()->at("changedSinceLastSession"), "maybe");
}

TEST_F(WebAppEventMessageHandlerTest, ABootstrapWithoutDataEmptiesTheStoreAndPassesNoResponse) {
    const struct {
        const char* name;
        Json body;
    } cases[] = {
        {"no data", Json::object()},
        {"data is a list", Json{{"data", Json::array({1})}}},
        {"data is text", Json{{"data", "{\"menuItems\":[]}"}}},
        {"data is null", Json{{"data", nullptr}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bootstrap(Json{{"data", kTabs}});
        ASSERT_EQ(stored(), kTabs);
        delegate->bootstraps.clear();
        bootstrap(c.body);
        EXPECT_EQ(stored(), std::nullopt);
        ASSERT_EQ(delegate->bootstraps.size(), 1u);
        EXPECT_EQ(delegate->bootstraps[0], std::nullopt);
    }
}

TEST_F(WebAppEventMessageHandlerTest, ABodyThatIsNoDictionaryDoesNothingAtAll) {
    bootstrap(Json{{"data", kTabs}});
    delegate->bootstraps.clear();
    const auto logsBefore = apptest::appLogLines().size();
    for (const auto& body : {Json("text"), Json::array({Json{{"data", kTabs}}}), Json(), Json(42)}) {
        SCOPED_TRACE(body.dump());
        bootstrap(body);
    }
    EXPECT_TRUE(delegate->bootstraps.empty());
    EXPECT_EQ(stored(), kTabs);
    EXPECT_EQ(apptest::appLogLines().size(), logsBefore);
}

TEST_F(WebAppEventMessageHandlerTest, EventsFromOutsideTheCommunityAreRefusedBeforeTheHandlerWithAWarning) {
    // The handler as the app's web views hold it: behind their sender policy.
    const auto appController = WebViewConfigurationFactory("Vellicor/1.0").defaultConfig()->userContentController;
    appController->add(handler, WebAppEventMessageHandler::kBootstrapDone);
    appController->add(handler, WebAppEventMessageHandler::kPageLoadDone);
    const auto deliver = [&](const platform::web::ScriptMessage& message) { return appController->deliver(message); };
    const struct {
        const char* name;
        std::string frameURL;
        bool mainFrame;
    } strangers[] = {
        {"a sub-frame of the community", "https://community.example.test/s/", false},
        {"another port of the community's host", "https://community.example.test:8443/s/", true},
        {"plain http", "http://community.example.test/s/", true},
        {"a look-alike host", "https://community.example.test.evil.test/", true},
        {"another site", "https://evil.test/tabs", true},
    };
    bootstrap(Json{{"data", kTabs}});
    delegate->bootstraps.clear();
    const auto before = apptest::appLogTexts("INFO").size();
    for (const auto& c : strangers) {
        SCOPED_TRACE(c.name);
        using platform::web::UserContentController;
        const auto planted = Json{{"data", Json{{"menuItems", Json::array({Json{{"name", "Planted"}}})}}}};
        for (const auto& body : {planted, Json::object()}) { // the empty one would empty the store
            EXPECT_EQ(deliver(hybridtest::message(WebAppEventMessageHandler::kBootstrapDone, body, c.frameURL,
                                                  c.mainFrame)),
                      UserContentController::Delivery::refused);
        }
        EXPECT_EQ(deliver(hybridtest::message(WebAppEventMessageHandler::kPageLoadDone, Json(), c.frameURL, c.mainFrame)),
                  UserContentController::Delivery::refused);
        EXPECT_EQ(stored(), kTabs);
    }
    EXPECT_TRUE(delegate->bootstraps.empty());
    EXPECT_EQ(delegate->pageLoads, 0);
    EXPECT_EQ(apptest::appLogTexts("INFO").size(), before) << "the handler heard nothing";
    const auto warnings = apptest::appLogTexts("WARNING");
    ASSERT_EQ(warnings.size(), 15u);
    EXPECT_EQ(warnings[0], "WebViewConfigurationFactory: Refused the message \"webAppEventBootstrapDone\" from a "
                           "sub-frame of https://community.example.test, outside the community.");
    EXPECT_EQ(warnings[5], "WebViewConfigurationFactory: Refused the message \"webAppEventPageLoadDone\" from the "
                           "main frame of https://community.example.test:8443, outside the community.");

    // The community's own page still reaches it.
    EXPECT_EQ(deliver(hybridtest::message(WebAppEventMessageHandler::kPageLoadDone)),
              platform::web::UserContentController::Delivery::delivered);
    EXPECT_EQ(delegate->pageLoads, 1);
}

TEST_F(WebAppEventMessageHandlerTest, APageLoadIsPassedOnWithoutReadingTheBody) {
    post(hybridtest::message(WebAppEventMessageHandler::kPageLoadDone, Json("anything")));
    post(hybridtest::message(WebAppEventMessageHandler::kPageLoadDone, Json()));
    EXPECT_EQ(delegate->pageLoads, 2);
    EXPECT_TRUE(delegate->bootstraps.empty());
    EXPECT_EQ(apptest::appLogTexts("INFO"), std::vector<std::string>(2, kPageLoadLog));
}

TEST_F(WebAppEventMessageHandlerTest, WithoutADelegateTheStoreIsStillWrittenAndOtherNamesDoNothing) {
    delegate.reset();
    bootstrap(Json{{"data", kTabs}});
    post(hybridtest::message(WebAppEventMessageHandler::kPageLoadDone));
    EXPECT_EQ(stored(), kTabs);
    EXPECT_EQ(apptest::appLogTexts("INFO"), (std::vector<std::string>{kBootstrapLog, kPageLoadLog}));
    post(hybridtest::message("webAppEventSomethingElse", Json{{"data", Json::object()}}));
    EXPECT_EQ(stored(), kTabs);
    EXPECT_EQ(apptest::appLogTexts("INFO").size(), 2u);
}

} // namespace
