#include "VellicorApp/Hybrid/InstrumentationMessageHandler.hpp"

#include "VellicorApp/Core/NativeLoadTiming.hpp"

#include "Platform/SDKs/Veltrane/CTTelephonyNetworkInfo.hpp"
#include "Platform/SDKs/Veltrane/VQSDKReachability.hpp"
#include "Platform/SDKs/Veltrane/VQSDKVeltraneAnalyticsManager.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/Web/UserContentController.hpp"
#include "tests/Hybrid/HybridTestSupport.hpp"

#include <gtest/gtest.h>

#include <limits>

using namespace vellicor;
using platform::Json;
namespace veltrane = platform::veltrane;

namespace {

constexpr const char* kFailure = R"({"message":"Failed to obtain device attributes!"})";

class TimedAppDelegate : public platform::ui::ApplicationDelegate, public NativeLoadTiming {
public:
    std::optional<double> nativeLoadDuration() const override { return duration; }
    std::optional<double> duration;
};

class InstrumentationMessageHandlerTest : public hybridtest::HybridTest {
protected:
    void TearDown() override {
        platform::ui::Application::shared().setDelegate(nullptr);
        veltrane::VQSDKReachability::resetForTesting();
        veltrane::CTTelephonyNetworkInfo::resetForTesting();
        HybridTest::TearDown();
    }

    /// The handler's one reply to a message of that name.
    hybridtest::Replies::Reply post(const std::string& name = InstrumentationMessageHandler::kMessageName) {
        hybridtest::Replies replies;
        handler->didReceiveScriptMessage(*controller, hybridtest::message(name), replies.handler());
        testsupport::pump();
        EXPECT_EQ(replies.count(), 1u);
        return replies.count() == 1 ? replies.only() : hybridtest::Replies::Reply{};
    }
    static Json parsed(const hybridtest::Replies::Reply& reply) {
        return platform::parseJson(reply.value.value_or(Json("")).get<std::string>()).value_or(Json());
    }
    void useDelegate(std::optional<double> duration) {
        delegate->duration = duration;
        platform::ui::Application::shared().setDelegate(delegate);
    }

    std::shared_ptr<platform::web::UserContentController> controller = platform::web::UserContentController::create();
    std::shared_ptr<InstrumentationMessageHandler> handler = InstrumentationMessageHandler::create();
    std::shared_ptr<TimedAppDelegate> delegate = std::make_shared<TimedAppDelegate>();
};

TEST_F(InstrumentationMessageHandlerTest, TheReplyIsTheDeviceAttributesWithTheConnectionAndLoadTime) {
    const struct {
        const char* name;
        bool withDelegate;
        std::optional<double> duration;
        bool cellular;
        std::optional<Json> loadTime;
        std::string connection;
    } cases[] = {
        {"timed launch on Wi-Fi", true, 1.25, false, Json(1.25), "Wifi"},
        {"launch not timed yet", true, std::nullopt, false, std::nullopt, "Wifi"},
        {"no app delegate", false, std::nullopt, false, std::nullopt, "Wifi"},
        {"on the cellular network", true, 0.5, true, Json(0.5),
         "{\n    0000000100000001 = CTRadioAccessTechnologyLTE;\n}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        handler = InstrumentationMessageHandler::create();
        if (c.withDelegate) useDelegate(c.duration);
        else platform::ui::Application::shared().setDelegate(nullptr);
        veltrane::VQSDKReachability::setActiveInterface(c.cellular ? veltrane::VQSDKNetworkStatus::reachableViaWWAN
                                                                   : veltrane::VQSDKNetworkStatus::reachableViaWiFi);
        veltrane::CTTelephonyNetworkInfo::setServiceCurrentRadioAccessTechnology(
            std::map<std::string, std::string>{{"0000000100000001", veltrane::kCTRadioAccessTechnologyLTE}});

        const auto reply = post();
        EXPECT_EQ(reply.error, std::nullopt);
        auto expected = veltrane::VQSDKVeltraneAnalyticsManager::getDeviceAppAttributes().jsonRepresentation();
        expected["connectionType"] = c.connection;
        if (c.loadTime) expected["nativeLoadTime"] = *c.loadTime;
        EXPECT_EQ(parsed(reply), expected);
    }
    EXPECT_EQ(apptest::appLogTexts("INFO"),
              std::vector<std::string>(4, "InstrumentationMessageHandler: Javascript call received for instrumentation."));
}

TEST_F(InstrumentationMessageHandlerTest, TheTextIsMadeOnceForTheHandlersLife) {
    useDelegate(std::nullopt);
    const auto first = post();
    veltrane::VQSDKReachability::setActiveInterface(veltrane::VQSDKNetworkStatus::reachableViaWWAN);
    delegate->duration = 2.0;
    const auto second = post();
    EXPECT_EQ(second.value, first.value);
    EXPECT_FALSE(parsed(second).contains("nativeLoadTime"));
    EXPECT_EQ(parsed(second).at("connectionType"), "Wifi");
    // A new handler reads the device afresh.
    handler = InstrumentationMessageHandler::create();
    EXPECT_EQ(parsed(post()).at("nativeLoadTime"), 2.0);
}

TEST_F(InstrumentationMessageHandlerTest, AttributesThatCannotBeWrittenRejectEveryMessage) {
    useDelegate(std::numeric_limits<double>::quiet_NaN());
    const auto first = post();
    delegate->duration = 1.0;
    const auto second = post();
    for (const auto& reply : {first, second}) {
        EXPECT_EQ(reply.value, std::nullopt);
        EXPECT_EQ(reply.error, kFailure);
    }
    EXPECT_EQ(InstrumentationMessageHandler::failureMessage(), kFailure);
}

TEST_F(InstrumentationMessageHandlerTest, AnotherNameGetsTheFailureOnceAndNoLogLine) {
    const auto reply = post("getAuthCredentials");
    EXPECT_EQ(reply.error, kFailure);
    EXPECT_TRUE(apptest::appLogTexts("INFO").empty());
}

} // namespace
