#include "VellicorApp/Hybrid/JSCallDispatchEventHandler.hpp"

#include "VellicorApp/Instrumentation/CommunityEventStoreManager.hpp"
#include "VellicorApp/Interface/CommunityViewControllable.hpp"
#include "tests/Hybrid/HybridTestSupport.hpp"
#include "tests/Instrumentation/InstrumentationTestSupport.hpp"

#include "Platform/SDKs/Veltrane/VQSDKEventStoreManager.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/Web/WebView.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vellicor;
using platform::Json;
using platform::veltrane::VQSDKEventStoreManager;
using platform::veltrane::VQSDKInstrumentationEvent;
using platform::web::JavaScriptCall;
using platform::web::JavaScriptReply;
using platform::web::WebView;

namespace {

/// A community screen with a web view and a state the test sets.
class FakeCommunityScreen : public platform::ui::ViewController, public CommunityViewControllable {
public:
    FakeCommunityScreen() : CommunityViewControllable(*this) {}

    std::shared_ptr<CommunityViewControllerDelegate> hybridAppDelegate() const override { return nullptr; }
    void setHybridAppDelegate(const std::shared_ptr<CommunityViewControllerDelegate>&) override {}
    State state() const override { return currentState; }
    std::shared_ptr<WebView> hybridAppWebView() const override { return webView; }
    std::shared_ptr<platform::veltrane::VQHybridViewConfig> hybridWebViewConfig() const override { return nullptr; }
    void openURL(const platform::Url&) override {}
    void openRecord(const std::string&) override {}
    void refreshNotifications() override {}
    void sendKORVALogs() override {}
    void refreshUserCredentials(const std::optional<platform::Url>&,
                                std::function<void(std::optional<std::string>, std::optional<platform::Error>)>) override {}

    State currentState = State::initialized;
    std::shared_ptr<WebView> webView = WebView::create();
};

std::shared_ptr<const VQSDKInstrumentationEvent> storedEvent(const std::string& id) {
    auto event = instrtest::interactionEvent(id);
    VQSDKEventStoreManager::sharedInstance()->storeEvent(event);
    return event;
}

class JSCallDispatchEventHandlerTest : public hybridtest::HybridTest {
protected:
    void SetUp() override {
        HybridTest::SetUp();
        // The context's event hand-over reads the SDK's shared store.
        Context::Dependencies dependencies;
        dependencies.userAccountManager = accounts;
        dependencies.userDefaults = UserDefaultsStore::standard();
        dependencies.mainBundle = apptest::FakeBundle::sample();
        dependencies.sessionID = "session";
        dependencies.notificationCenter = platform::NotificationCenter::create();
        dependencies.eventStoreManager = CommunityEventStoreManager::create(VQSDKEventStoreManager::sharedInstance());
        context = Context::create(std::move(dependencies));
        AppContext::setStackForTesting({context});
        VQSDKEventStoreManager::sharedInstance()->deleteAllEvents();
        screen = platform::ui::makeController<FakeCommunityScreen>();
        show("https://community.example.test/s/");
        handler = JSCallDispatchEventHandler::create(screen);
    }
    void TearDown() override {
        VQSDKEventStoreManager::sharedInstance()->deleteAllEvents();
        HybridTest::TearDown();
    }

    /// The screen's web view shows a page at `url`.
    void show(const std::string& url) {
        screen->webView->loadHTMLString("<p>page</p>", platform::Url::parse(url).value());
        testsupport::pump();
        ASSERT_EQ(screen->webView->url(), platform::Url::parse(url));
    }

    std::vector<JavaScriptCall> journal() const { return screen->webView->javaScriptJournal(); }
    std::vector<std::string> scripts() const {
        std::vector<std::string> texts;
        for (const auto& call : journal()) texts.push_back(call.script);
        return texts;
    }
    /// The handler's log lines at a level, leaving out the first `skip`.
    static std::vector<std::string> linesAt(const char* level, std::size_t skip = 0) {
        auto lines = instrtest::logTexts(level, "JSCallDispatchEventHandler");
        lines.erase(lines.begin(), lines.begin() + std::min(skip, lines.size()));
        return lines;
    }
    static std::vector<std::string> infoLines(std::size_t skip = 0) { return linesAt("INFO", skip); }
    static std::vector<std::string> errorLines(std::size_t skip = 0) { return linesAt("ERROR", skip); }
    static std::vector<std::string> storedIds() {
        std::vector<std::string> ids;
        for (const auto& event : instrtest::storedEvents()) ids.push_back(event->eventId);
        return ids;
    }

    std::shared_ptr<FakeCommunityScreen> screen;
    std::shared_ptr<JSCallDispatchEventHandler> handler;
    int completions = 0;
    std::function<void()> count = [this] { ++completions; };
};

TEST_F(JSCallDispatchEventHandlerTest, RunsThePageInterfaceScriptsWithTheirArguments) {
    accounts->user = hybridtest::makeAccount();
    storedEvent("event-1");

    handler->refreshNotifications(count);
    handler->openRecord(R"({"type":"standard__recordPage","id":"001"})", count);
    handler->sendKORVALogs(count);
    // Logged when scheduled, before anything runs.
    EXPECT_EQ(infoLines(), (std::vector<std::string>{"Refreshing notification tray icon.",
                                                     "Dispatching navigate to page-ref.", "Sending KORVA logs."}));
    EXPECT_TRUE(journal().empty());
    testsupport::pump();

    EXPECT_EQ(completions, 3);
    const auto calls = journal();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].kind, JavaScriptCall::Kind::evaluate);
    EXPECT_EQ(calls[0].script, "myvellicor.nativejsapi.refreshNotifications();");
    EXPECT_EQ(calls[1].script, R"(myvellicor.nativejsapi.navigateTo({"id":"001","type":"standard__recordPage"});)");
    EXPECT_EQ(calls[2].kind, JavaScriptCall::Kind::callAsync);
    EXPECT_EQ(calls[2].script, "return myvellicor.nativejsapi.sendKORVAData(payload, txnId);");
    EXPECT_EQ(calls[2].world, "page");
    ASSERT_TRUE(calls[2].arguments.is_object());
    EXPECT_EQ(calls[2].arguments["payload"]["logLines"].size(), 1u);
    const auto txnId = calls[2].arguments["txnId"].get<std::string>();
    EXPECT_TRUE(platform::Uuid::fromString(txnId)) << txnId;
}

TEST_F(JSCallDispatchEventHandlerTest, PageReferencesAreReadAsJsonAndWrittenAnew) {
    const struct {
        const char* name;
        std::string reference;
        std::optional<std::string> argument; // none: refused
    } cases[] = {
        {"an object", R"( {"id": "001", "attributes": {"name": "Home"}} )", R"({"attributes":{"name":"Home"},"id":"001"})"},
        {"a string", R"("home")", R"("home")"},
        {"a number", "42", "42"},
        {"a string with a line separator", "\"a\xE2\x80\xA8" "b\"", R"("a\u2028b")"},
        {"script text", "alert(document.cookie)", std::nullopt},
        {"a call hidden after JSON", R"({"id":"001"}); alert(1)", std::nullopt},
        {"broken JSON", R"({"id": "001")", std::nullopt},
        {"empty", "", std::nullopt},
        // A push may nest without end: read and written anew, this would run out of stack.
        {"100,000 nested arrays", std::string(100000, '[') + std::string(100000, ']'), std::nullopt},
        {"100,000 nested objects",
         [] {
             std::string text;
             for (int i = 0; i < 100000; ++i) text += R"({"a":)";
             return text + "1" + std::string(100000, '}');
         }(),
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        screen->webView->clearJavaScriptJournal();
        const auto errorsBefore = errorLines().size();
        completions = 0;
        handler->openRecord(c.reference, count);
        testsupport::pump();
        EXPECT_EQ(completions, 1);
        if (c.argument) {
            EXPECT_EQ(scripts(), std::vector<std::string>{"myvellicor.nativejsapi.navigateTo(" + *c.argument + ");"});
            EXPECT_TRUE(errorLines(errorsBefore).empty());
        } else {
            EXPECT_TRUE(journal().empty());
            EXPECT_EQ(errorLines(errorsBefore), std::vector<std::string>{"Page reference is not JSON; not dispatching navigate."});
        }
    }
}

TEST_F(JSCallDispatchEventHandlerTest, BecomingActiveRefreshesOnceThePageHasStartedLoading) {
    accounts->user = hybridtest::makeAccount();
    const struct {
        State state;
        bool refreshes;
    } cases[] = {
        {State::initialized, false}, {State::premLoad, true}, {State::bootstrapped, true}, {State::pageLoaded, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.state));
        screen->webView->clearJavaScriptJournal();
        screen->currentState = c.state;
        context->notificationCenter->post(platform::ui::kApplicationDidBecomeActiveNotification);
        testsupport::pump();
        EXPECT_EQ(journal().size(), c.refreshes ? 1u : 0u);
    }

    // The observation ends with the handler.
    screen->webView->clearJavaScriptJournal();
    handler.reset();
    context->notificationCenter->post(platform::ui::kApplicationDidBecomeActiveNotification);
    testsupport::pump();
    EXPECT_TRUE(journal().empty());
}

TEST_F(JSCallDispatchEventHandlerTest, SignedOutNoRefreshRunsAndTheCompletionIsNotCalled) {
    screen->currentState = State::pageLoaded;
    handler->refreshNotifications(count);
    context->notificationCenter->post(platform::ui::kApplicationDidBecomeActiveNotification);
    testsupport::pump();
    EXPECT_TRUE(journal().empty());
    EXPECT_EQ(completions, 0);
    EXPECT_TRUE(infoLines().empty());
}

TEST_F(JSCallDispatchEventHandlerTest, WithTheScreenGoneNothingRunsButTheCompletionIs) {
    accounts->user = hybridtest::makeAccount();
    storedEvent("event-1");
    auto webView = screen->webView;
    screen.reset();
    handler->refreshNotifications(count);
    handler->openRecord("7", count);
    handler->sendKORVALogs(count);
    testsupport::pump();
    EXPECT_TRUE(webView->javaScriptJournal().empty());
    EXPECT_EQ(completions, 3);
}

TEST_F(JSCallDispatchEventHandlerTest, NothingStoredSendsNothing) {
    handler->sendKORVALogs(count);
    testsupport::pump();
    EXPECT_TRUE(journal().empty());
    EXPECT_EQ(completions, 0);
    EXPECT_TRUE(infoLines().empty());
}

TEST_F(JSCallDispatchEventHandlerTest, TheHandOverDeletesOnlyConfirmedEvents) {
    const auto& transactions = context->eventStoreManager->store();
    const struct {
        const char* name;
        std::function<JavaScriptReply(const std::string& txnId)> answer;
        bool deletes;
        std::vector<std::string> info;
        std::vector<std::string> errors;
    } cases[] = {
        {"confirmed", [](const std::string& txnId) { return JavaScriptReply{Json(txnId), std::nullopt}; }, true,
         {"Send korva data successful.", "Removing in-memory store of events."}, {}},
        {"answered with something else", [](const std::string&) { return JavaScriptReply{Json(true), std::nullopt}; },
         false, {"Removing in-memory store of events."}, {}},
        {"rejected",
         [](const std::string&) {
             return JavaScriptReply{std::nullopt, platform::Error{"WKErrorDomain", 4, {{"NSLocalizedDescription", "A JavaScript exception occurred"}}}};
         },
         false, {"Removing in-memory store of events."},
         {"Failed to send korva data with error: A JavaScript exception occurred"}},
        {"rejected as signed out",
         [](const std::string&) { return JavaScriptReply{std::nullopt, platform::Error{"WKErrorDomain", 401}}; },
         false, {"Removing in-memory store of events."},
         {"Failed to send korva data with error: Log in to download this file."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VQSDKEventStoreManager::sharedInstance()->deleteAllEvents();
        storedEvent("event-1");
        storedEvent("event-2");
        screen->webView->setJavaScriptResponder([&c](const JavaScriptCall& call) -> std::optional<JavaScriptReply> {
            if (call.kind != JavaScriptCall::Kind::callAsync) return std::nullopt;
            return c.answer(call.arguments["txnId"].get<std::string>());
        });
        handler->sendKORVALogs(count);
        EXPECT_EQ(transactions.size(), 1u);
        const auto infoBefore = infoLines().size();
        const auto errorsBefore = errorLines().size();
        testsupport::pump();
        // An event stored while the page works is not part of the hand-over.
        storedEvent("event-3");
        const std::vector<std::string> kept =
            c.deletes ? std::vector<std::string>{"event-3"} : std::vector<std::string>{"event-1", "event-2", "event-3"};
        EXPECT_EQ(storedIds(), kept);
        EXPECT_TRUE(transactions.empty());
        EXPECT_EQ(infoLines(infoBefore), c.info);
        EXPECT_EQ(errorLines(errorsBefore), c.errors);
    }
}

TEST_F(JSCallDispatchEventHandlerTest, CallsGoOnlyIntoACommunityPageAndTheWorkIsKept) {
    accounts->user = hybridtest::makeAccount();
    const auto& transactions = context->eventStoreManager->store();
    const std::string navigate = R"(myvellicor.nativejsapi.navigateTo({"id":"001"});)";
    const struct {
        const char* name;
        std::string page;
        bool community;
    } pages[] = {
        {"the community page", "https://community.example.test/s/topic", true},
        {"the default port written out", "https://community.example.test:443/s/", true},
        {"the API host", "https://api.example.test/s/", true},
        {"another port of the community's host", "https://community.example.test:8443/s/", false},
        {"plain http", "http://community.example.test/s/", false},
        {"a look-alike host", "https://community.example.test.evil.test/s/", false},
        {"another site a link brought in", "https://evil.test/s/", false},
        {"a blank page", "about:blank", false},
    };
    for (const auto& c : pages) {
        SCOPED_TRACE(c.name);
        VQSDKEventStoreManager::sharedInstance()->deleteAllEvents();
        storedEvent("event-1");
        show(c.page);
        // A page that confirms whatever it is handed.
        screen->webView->setJavaScriptResponder([](const JavaScriptCall& call) -> std::optional<JavaScriptReply> {
            if (call.kind != JavaScriptCall::Kind::callAsync) return std::nullopt;
            return JavaScriptReply{call.arguments["txnId"], std::nullopt};
        });
        screen->webView->clearJavaScriptJournal();
        completions = 0;
        const auto warningsBefore = linesAt("WARNING").size();

        handler->refreshNotifications(count);
        handler->openRecord(R"({"id":"001"})", count);
        handler->sendKORVALogs(count);
        testsupport::pump();
        EXPECT_EQ(completions, 3);
        EXPECT_TRUE(transactions.empty());
        if (c.community) {
            EXPECT_EQ(scripts(), (std::vector<std::string>{"myvellicor.nativejsapi.refreshNotifications();", navigate,
                                                           "return myvellicor.nativejsapi.sendKORVAData(payload, txnId);"}));
            EXPECT_TRUE(storedIds().empty()) << "the community's page confirmed the events";
            continue;
        }
        EXPECT_TRUE(journal().empty()) << "no notification, no page reference, no event";
        EXPECT_EQ(storedIds(), std::vector<std::string>{"event-1"});
        EXPECT_EQ(linesAt("WARNING", warningsBefore),
                  (std::vector<std::string>{
                      "Dropped a call into the page: the web view shows a page outside the community.",
                      "Did not send korva data: the web view shows a page outside the community."}));

        // The record opens once the community's page is back, and only then.
        show("https://evil.test/other");
        EXPECT_TRUE(journal().empty());
        show("https://community.example.test/s/");
        EXPECT_EQ(scripts(), std::vector<std::string>{navigate});
        show("https://community.example.test/s/again");
        EXPECT_EQ(scripts(), std::vector<std::string>{navigate}) << "a held record opens once";
    }
}

TEST_F(JSCallDispatchEventHandlerTest, OnlyTheLatestHeldRecordOpens) {
    show("https://evil.test/");
    handler->openRecord(R"("first")");
    handler->openRecord(R"("second")");
    testsupport::pump();
    EXPECT_TRUE(journal().empty());
    show("https://community.example.test/s/");
    EXPECT_EQ(scripts(), std::vector<std::string>{R"(myvellicor.nativejsapi.navigateTo("second");)"});
}

} // namespace
