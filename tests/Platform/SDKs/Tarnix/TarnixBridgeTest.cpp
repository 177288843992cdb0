#include "Platform/SDKs/Tarnix/AppReviewService.hpp"
#include "Platform/SDKs/Tarnix/BarcodeScannerPlugin.hpp"
#include "Platform/SDKs/Tarnix/BridgeBuilder.hpp"
#include "Platform/SDKs/Tarnix/CalendarService.hpp"
#include "Platform/SDKs/Tarnix/ContactsService.hpp"
#include "Platform/SDKs/Tarnix/LocationService.hpp"
#include "Platform/SDKs/Tarnix/TarnixJavascript.hpp"

#include "TarnixKORVAInstrumentation/TarnixKORVALogger.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/VQSDKEventStoreManager.hpp"
#include "Platform/SDKs/Veltrane/VQSDKVeltraneAnalyticsManager.hpp"
#include "Platform/System/CLLocationManager.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/Web/WebView.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>
#include <fstream>

using namespace platform::tarnixbridge;
using platform::Json;
using platform::system::CLLocation;
using platform::system::CLLocationManager;
using platform::veltrane::VQSDKEventStoreManager;
using platform::veltrane::VQSDKInstrumentationEvent;
using platform::veltrane::VQSDKVeltraneAnalyticsManager;
using platform::web::PageMessageOptions;
using platform::web::WebView;

namespace {

using Events = std::vector<std::shared_ptr<const VQSDKInstrumentationEvent>>;

struct Reply {
    std::optional<Json> value;
    std::optional<std::string> error;
};

struct Presented {
    std::string screen;
    bool animated = false;
};

class TarnixBridgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        webView = WebView::create();
        // Controllers refuse every message by default; the bridge's own checks are under test.
        webView->configuration()->userContentController->setSenderPolicy(
            [](const platform::web::ScriptMessage&) { return true; });
        logger = tarnix::TarnixKORVALogger::create(VQSDKVeltraneAnalyticsManager::sharedInstanceWithUser({"user-1", "org-1"}),
                                                   tarnix::TarnixLogLevel::INFO);
        barcode = BarcodeScannerPlugin::create(
            [this](const std::shared_ptr<platform::ui::ViewController>& screen, bool animated) {
                presented.push_back({screen->typeName(), animated});
            },
            logger);
        location = LocationService::create(logger, LocationServiceCore(CLLocationManager::create()));
        contacts = ContactsService::create(
            [this](const std::shared_ptr<platform::ui::ViewController>& screen) {
                presented.push_back({screen->typeName(), true});
            },
            logger);
        calendar = CalendarService::create(logger);
        review = AppReviewService::create(logger);
    }

    void TearDown() override {
        BarcodeScannerPlugin::setCodeInView(std::nullopt);
        ContactsService::setDeviceContacts(Json());
        CalendarService::setDeviceEvents(Json());
        CLLocationManager::resetForTesting();
        AppReviewService::resetForTesting();
        setTarnixResourcesHiddenForTesting(false);
        storedEvents();
        VQSDKEventStoreManager::sharedInstance()->deleteAllEvents();
    }

    std::shared_ptr<WebBridge> build(bool injectRuntime = true) {
        return BridgeBuilder::createBridge(webView, {barcode, location, contacts, calendar, review}, injectRuntime);
    }

    /// What the page's promise settles with for a message, or none when it never settles.
    std::optional<Reply> post(Json body, bool isMainFrame = true) {
        std::optional<Reply> reply;
        PageMessageOptions options;
        options.isMainFrame = isMainFrame;
        webView->postScriptMessage(WebBridge::kHandlerName, std::move(body), options,
                                   [&reply](std::optional<Json> value, std::optional<std::string> error) {
                                       reply = Reply{std::move(value), std::move(error)};
                                   });
        testsupport::pump();
        return reply;
    }

    static Events storedEvents() {
        EXPECT_TRUE(testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }));
        return VQSDKEventStoreManager::sharedInstance()->fetchAllEvents().value_or(Events{});
    }

    std::shared_ptr<WebView> webView;
    std::shared_ptr<tarnix::TarnixKORVALogger> logger;
    std::shared_ptr<BarcodeScannerPlugin> barcode;
    std::shared_ptr<LocationService> location;
    std::shared_ptr<ContactsService> contacts;
    std::shared_ptr<CalendarService> calendar;
    std::shared_ptr<AppReviewService> review;
    std::vector<Presented> presented;
};

TEST_F(TarnixBridgeTest, TheLibraryIsLoadedWithItsResources) {
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<const void*>(&BridgeBuilder::createBridge), &info), 0);
    EXPECT_EQ(std::filesystem::path(info.dli_fname).filename().string().rfind("libTarnixBridge.so", 0), 0u)
        << info.dli_fname;
    const auto bundle = tarnixResourceBundle();
    ASSERT_TRUE(bundle);
    EXPECT_TRUE(bundle->pathForResource("tarnix", "js"));
    // Each plug-in reports the version of its own bundle.
    EXPECT_EQ(barcode->pluginVersion(), "1.3.0");
    EXPECT_EQ(review->pluginVersion(), "1.0.1");
}

TEST_F(TarnixBridgeTest, TheWebViewKeepsTheBridgeAndItsRuntimeOnce) {
    std::weak_ptr<WebBridge> first = build();
    const auto& controller = webView->configuration()->userContentController;
    EXPECT_FALSE(first.expired()) << "the web view keeps the bridge";
    EXPECT_TRUE(controller->hasScriptMessageHandler(WebBridge::kHandlerName));
    ASSERT_EQ(controller->userScripts().size(), 1u);
    const auto& runtime = controller->userScripts().front();
    EXPECT_NE(runtime.source.find("window.tarnix"), std::string::npos);
    EXPECT_EQ(runtime.injectionTime, platform::web::UserScriptInjectionTime::atDocumentStart);
    EXPECT_TRUE(runtime.forMainFrameOnly);

    // Built again (the screen configures its handlers again): the new bridge
    // replaces the old one and the runtime is not added twice.
    std::weak_ptr<WebBridge> second = build();
    EXPECT_TRUE(first.expired());
    EXPECT_FALSE(second.expired());
    EXPECT_EQ(controller->userScripts().size(), 1u);
    ASSERT_TRUE(injectTarnixJavascript(*webView, "tarnix"));
    EXPECT_EQ(controller->userScripts().size(), 1u);
}

TEST_F(TarnixBridgeTest, WithoutTheRuntimeNoScriptIsAdded) {
    build(false);
    EXPECT_TRUE(webView->configuration()->userContentController->userScripts().empty());
}

TEST_F(TarnixBridgeTest, EachPluginAnswersThePageAndRecordsItsTask) {
    BarcodeScannerPlugin::setCodeInView(BarcodeScan{"4006381333931", "ean13"});
    CLLocationManager::setDeviceLocation(CLLocation{{48.1374, 11.5755}, 5});
    ContactsService::setDeviceContacts(Json::array({{{"name", "Ada"}}, {{"name", "Grace"}}}));
    CalendarService::setDeviceEvents(Json::array({{{"title", "Review"}}}));
    build();

    struct Case {
        const char* service;
        const char* action;
        Json value;
        Json resultAttributes;
    };
    const Case cases[] = {
        {"BarcodeScanner", "scan", {{"text", "4006381333931"}, {"format", "ean13"}}, {{"barcode_type", "ean13"}}},
        {"LocationService", "getCurrentPosition", {{"latitude", 48.1374}, {"longitude", 11.5755}, {"accuracy", 5.0}},
         Json::object()},
        {"ContactsService", "pickContacts", {{"contacts", Json::array({{{"name", "Ada"}}, {{"name", "Grace"}}})}},
         {{"item_count", 2}}},
        {"CalendarService", "getEvents", {{"events", Json::array({{{"title", "Review"}}})}}, {{"item_count", 1}}},
        {"AppReviewService", "requestReview", Json(), Json::object()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.service);
        VQSDKEventStoreManager::sharedInstance()->deleteAllEvents();
        const auto reply = post({{"service", c.service}, {"action", c.action}, {"args", Json::object()}});
        ASSERT_TRUE(reply);
        EXPECT_FALSE(reply->error) << *reply->error;
        EXPECT_EQ(reply->value.value_or(Json("none")), c.value);

        const auto events = storedEvents();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events.front()->name, c.service);
        ASSERT_TRUE(events.front()->attributes);
        const auto& attributes = *events.front()->attributes;
        EXPECT_EQ(attributes.value("task_name", ""), c.action);
        EXPECT_EQ(attributes.value("message", "?"), "");
        for (const auto& [key, value] : c.resultAttributes.items()) EXPECT_EQ(attributes.value(key, Json()), value) << key;
    }
    EXPECT_EQ(AppReviewService::reviewRequestCount(), 1);
}

TEST_F(TarnixBridgeTest, PresentersGetThePluginScreens) {
    BarcodeScannerPlugin::setCodeInView(BarcodeScan{"x", "qr"});
    build();
    post({{"service", "BarcodeScanner"}, {"action", "scan"}, {"args", {{"animated", false}}}});
    post({{"service", "BarcodeScanner"}, {"action", "scan"}});
    post({{"service", "ContactsService"}, {"action", "pickContacts"}});
    ASSERT_EQ(presented.size(), 3u);
    EXPECT_EQ(presented[0].screen, "TarnixBarcodeScannerViewController");
    EXPECT_FALSE(presented[0].animated);
    EXPECT_TRUE(presented[1].animated) << "animated unless the page says otherwise";
    EXPECT_EQ(presented[2].screen, "TarnixContactPickerViewController");
}

TEST_F(TarnixBridgeTest, MessagesTheBridgeRefuses) {
    build();
    struct Case {
        const char* name;
        Json body;
        bool isMainFrame;
    };
    const Case cases[] = {
        {"from a sub-frame", {{"service", "AppReviewService"}, {"action", "requestReview"}}, false},
        {"not an object", Json("AppReviewService"), true},
        {"no service", {{"action", "requestReview"}}, true},
        {"a service that is not text", {{"service", 7}, {"action", "requestReview"}}, true},
        {"no action", {{"service", "AppReviewService"}}, true},
        {"an unknown service", {{"service", "NFCService"}, {"action", "read"}}, true},
        {"an unknown action", {{"service", "AppReviewService"}, {"action", "rate"}}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto reply = post(c.body, c.isMainFrame);
        ASSERT_TRUE(reply);
        EXPECT_TRUE(reply->error);
        EXPECT_FALSE(reply->value);
    }
    EXPECT_EQ(AppReviewService::reviewRequestCount(), 0);
    EXPECT_TRUE(storedEvents().empty());
}

TEST_F(TarnixBridgeTest, APageTheSenderPolicyRefusesReachesNoPlugin) {
    build();
    std::vector<bool> asked;
    webView->configuration()->userContentController->setSenderPolicy(
        [&asked](const platform::web::ScriptMessage& message) {
            asked.push_back(message.frameInfo.isMainFrame);
            return false;
        });
    auto reply = post({{"service", "AppReviewService"}, {"action", "requestReview"}});
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->error, platform::web::UserContentController::kRefusedSenderMessage);
    EXPECT_FALSE(reply->value);
    EXPECT_EQ(asked, std::vector<bool>{true});
    // Without a policy the controller takes no page at all.
    webView->configuration()->userContentController->setSenderPolicy(nullptr);
    reply = post({{"service", "AppReviewService"}, {"action", "requestReview"}});
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->error, platform::web::UserContentController::kRefusedSenderMessage);
    EXPECT_EQ(AppReviewService::reviewRequestCount(), 0);
    EXPECT_TRUE(storedEvents().empty());
}

TEST_F(TarnixBridgeTest, AFailedTaskRejectsTheCallAndRecordsTheFailure) {
    build();
    const auto reply = post({{"service", "LocationService"}, {"action", "getCurrentPosition"}});
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->error, "The device's location is not known. [LOCATION_UNAVAILABLE]");
    const auto events = storedEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events.front()->attributes->value("message", ""),
              "The device's location is not known. [LOCATION_UNAVAILABLE]");
}

TEST_F(TarnixBridgeTest, ADisabledServiceRefusesWithoutATask) {
    review->setEnablementCheck([](const std::optional<Json>& context, tarnix::TarnixNativeService::EnablementCompletion done) {
        EXPECT_EQ(context.value_or(Json()).value("PluginTaskName", ""), "requestReview");
        done(tarnix::EnablementCheckResult::failure("Reviews are off"));
    });
    build();
    const auto reply = post({{"service", "AppReviewService"}, {"action", "requestReview"}});
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->error, "Reviews are off");
    EXPECT_EQ(AppReviewService::reviewRequestCount(), 0);
    // Only the warning line is recorded, no activity.
    const auto events = storedEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events.front()->attributes->value("message", ""), "WARNING-Service not enabled: Reviews are off");
}

TEST_F(TarnixBridgeTest, InjectingAScriptFailsWhereThereIsNone) {
    EXPECT_EQ(injectTarnixJavascript(*webView, "missing").error(), TarnixScriptError::scriptNotFound);

    setTarnixResourcesHiddenForTesting(true);
    EXPECT_EQ(injectTarnixJavascript(*webView, "tarnix").error(), TarnixScriptError::scriptNotFound);
    // The bridge still works without its runtime; the page just has no tarnix object.
    build();
    EXPECT_TRUE(webView->configuration()->userContentController->userScripts().empty());
    setTarnixResourcesHiddenForTesting(false);

    // A bundle of the caller's own is read instead of the framework's.
    const auto folder = testsupport::sandboxRoot() / "Plugins.bundle";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "extra.js") << "window.extra = 1;";
    const auto bundle = platform::Bundle::atPath(folder);
    ASSERT_TRUE(injectTarnixJavascript(*webView, "extra", bundle));
    EXPECT_EQ(webView->configuration()->userContentController->userScripts().back().source, "window.extra = 1;");
    EXPECT_EQ(injectTarnixJavascript(*webView, "tarnix", bundle).error(), TarnixScriptError::scriptNotFound);
}

} // namespace
