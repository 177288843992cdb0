#include "VellicorApp/Hybrid/TarnixBridge.hpp"

#include "VellicorApp/Hybrid/WebViewConfigurationFactory.hpp"

#include "tests/Hybrid/HybridTestSupport.hpp"

#include "Platform/SDKs/Tarnix/BarcodeScannerPlugin.hpp"
#include "Platform/SDKs/Tarnix/BridgeBuilder.hpp"
#include "Platform/SDKs/Tarnix/ContactsService.hpp"
#include "Platform/SDKs/Veltrane/VQSDKEventStoreManager.hpp"
#include "Platform/System/CLLocationManager.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/Web/WebView.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

using platform::Json;
using platform::tarnixbridge::BarcodeScan;
using platform::tarnixbridge::BarcodeScannerPlugin;
using platform::tarnixbridge::ContactsService;
using platform::veltrane::VQSDKEventStoreManager;
using platform::veltrane::VQSDKInstrumentationEvent;
using platform::veltrane::VQSDKVeltraneAnalyticsManager;
using platform::web::WebView;
using vellicor::TarnixBridge;

namespace {

using Events = std::vector<std::shared_ptr<const VQSDKInstrumentationEvent>>;

class TarnixBridgeTest : public hybridtest::HybridTest {
protected:
    void SetUp() override {
        HybridTest::SetUp();
        BarcodeScannerPlugin::setCodeInView(BarcodeScan{"https://example.test/item/4", "qr"});
        ContactsService::setDeviceContacts(Json::array({{{"name", "Ada"}}}));
    }
    void TearDown() override {
        BarcodeScannerPlugin::setCodeInView(std::nullopt);
        ContactsService::setDeviceContacts(Json());
        storedEvents();
        VQSDKEventStoreManager::sharedInstance()->deleteAllEvents();
        HybridTest::TearDown();
    }

    /// A web view whose bridge `bridge` built, recording what it presents.
    std::shared_ptr<WebView> webViewWithBridge(const TarnixBridge& bridge) {
        auto webView = WebView::create({}, vellicor::WebViewConfigurationFactory("Vellicor/1.0").defaultConfig());
        bridge.create(webView, [this](const std::shared_ptr<platform::ui::ViewController>& screen, bool animated) {
            presented.emplace_back(screen->typeName(), animated);
        });
        return webView;
    }

    /// A page at `pageURL` (the community's by default) calls a plug-in;
    /// gives the error text of the reply, if any.
    static std::optional<std::string> call(WebView& webView, const std::string& service, const std::string& action,
                                           Json args = Json::object(),
                                           const std::string& pageURL = "https://community.example.test/s/") {
        std::optional<std::string> error = "no reply";
        platform::web::PageMessageOptions options;
        options.frameURL = platform::Url::parse(pageURL);
        webView.postScriptMessage(platform::tarnixbridge::WebBridge::kHandlerName,
                                  {{"service", service}, {"action", action}, {"args", std::move(args)}}, options,
                                  [&error](std::optional<Json>, std::optional<std::string> text) { error = text; });
        testsupport::pump();
        return error;
    }

    static Events storedEvents() {
        EXPECT_TRUE(testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }));
        return VQSDKEventStoreManager::sharedInstance()->fetchAllEvents().value_or(Events{});
    }

    std::vector<std::pair<std::string, bool>> presented;
};

TEST_F(TarnixBridgeTest, TheLoggerWritesForWhoeverWasSignedInWhenTheValueWasMade) {
    const TarnixBridge signedOut;
    EXPECT_EQ(signedOut.analyticsManager(), VQSDKVeltraneAnalyticsManager::sharedUnauthenticatedInstance());

    accounts->user = hybridtest::makeAccount();
    const TarnixBridge signedIn;
    const auto identity = accounts->user->accountIdentity();
    EXPECT_EQ(signedIn.analyticsManager(), VQSDKVeltraneAnalyticsManager::sharedInstanceWithUser(identity));
    // The value made while signed out keeps its manager.
    EXPECT_EQ(signedOut.analyticsManager(), VQSDKVeltraneAnalyticsManager::sharedUnauthenticatedInstance());

    auto guestView = webViewWithBridge(signedOut);
    auto userView = webViewWithBridge(signedIn);
    EXPECT_EQ(call(*guestView, "CalendarService", "getEvents"), std::nullopt);
    EXPECT_EQ(call(*userView, "AppReviewService", "requestReview"), std::nullopt);

    const auto events = storedEvents();
    ASSERT_EQ(events.size(), 2u);
    std::map<std::string, std::optional<std::string>> userOf;
    for (const auto& event : events) userOf[event->name] = event->userId;
    EXPECT_EQ(userOf.at("CalendarService"), std::nullopt);
    EXPECT_EQ(userOf.at("AppReviewService"), identity.userId);
}

TEST_F(TarnixBridgeTest, EveryPluginIsReachableFromThePageAndRecordsItsTask) {
    platform::system::CLLocationManager::setDeviceLocation(platform::system::CLLocation{{52.52, 13.405}, 10});
    auto webView = webViewWithBridge(TarnixBridge());
    const std::pair<const char*, const char*> calls[] = {
        {"BarcodeScanner", "scan"},       {"LocationService", "getCurrentPosition"},
        {"ContactsService", "pickContacts"}, {"CalendarService", "getEvents"},
        {"AppReviewService", "requestReview"},
    };
    for (const auto& [service, action] : calls) EXPECT_EQ(call(*webView, service, action), std::nullopt) << service;
    platform::system::CLLocationManager::resetForTesting();

    std::set<std::string> names;
    for (const auto& event : storedEvents()) names.insert(event->name);
    EXPECT_EQ(names, (std::set<std::string>{"AppReviewService", "BarcodeScanner", "CalendarService", "ContactsService",
                                            "LocationService"}));
    // The runtime is in the page, once.
    const auto& scripts = webView->configuration()->userContentController->userScripts();
    EXPECT_EQ(std::ranges::count_if(scripts, [](const auto& script) {
                  return script.source.starts_with("// The Tarnix page runtime");
              }),
              1);
}

TEST_F(TarnixBridgeTest, OnlyTheCommunitysOwnPagesReachThePlugins) {
    platform::system::CLLocationManager::setDeviceLocation(platform::system::CLLocation{{52.52, 13.405}, 10});
    auto webView = webViewWithBridge(TarnixBridge());
    const char* const foreignPages[] = {
        "https://elsewhere.example.test/s/",          // another site a link brought in
        "http://community.example.test/s/",           // the community's host without TLS
        "https://community.example.test:8443/s/",     // another port of the community's host
        "https://community.example.test.evil.test/",  // a look-alike host
    };
    const std::string refused = platform::web::UserContentController::kRefusedSenderMessage;
    for (const char* page : foreignPages) {
        EXPECT_EQ(call(*webView, "LocationService", "getCurrentPosition", Json::object(), page), refused) << page;
        EXPECT_EQ(call(*webView, "ContactsService", "pickContacts", Json::object(), page), refused) << page;
    }
    platform::system::CLLocationManager::resetForTesting();
    EXPECT_TRUE(presented.empty());
    EXPECT_TRUE(storedEvents().empty());
}

TEST_F(TarnixBridgeTest, TheScannerKeepsItsAnimationFlagAndThePickerIsAlwaysAnimated) {
    auto webView = webViewWithBridge(TarnixBridge());
    call(*webView, "BarcodeScanner", "scan", {{"animated", false}});
    call(*webView, "BarcodeScanner", "scan", {{"animated", true}});
    call(*webView, "ContactsService", "pickContacts", {{"animated", false}});
    ASSERT_EQ(presented.size(), 3u);
    EXPECT_EQ(presented[0], std::make_pair(std::string("TarnixBarcodeScannerViewController"), false));
    EXPECT_EQ(presented[1], std::make_pair(std::string("TarnixBarcodeScannerViewController"), true));
    EXPECT_EQ(presented[2], std::make_pair(std::string("TarnixContactPickerViewController"), true));
}

} // namespace
