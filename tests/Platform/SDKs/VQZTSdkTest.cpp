#include "Platform/SDKs/Zentari/VQZTSdk.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/Foundation/Json.hpp"
#include "tests/support/TestSupport.hpp"
#include "tools/community-server/CommunityServer.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace platform::zentari;

namespace {

constexpr const char* kHost = "marketing.example.test";

class VQZTSdkTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.start();
        platform::HttpSession::setHostMapping(std::string(kHost) + ":443", "127.0.0.1:" + std::to_string(server.port()));
        previousCAFile = platform::HttpSession::caFile();
        platform::HttpSession::setCAFile(server.caFile());
    }
    void TearDown() override {
        testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }, 5);
        server.stop();
        platform::HttpSession::removeHostMapping(std::string(kHost) + ":443");
        platform::HttpSession::setCAFile(previousCAFile);
    }

    static PushConfig config(std::string serverUrl = std::string("https://") + kHost + "/") {
        return PushConfigBuilder("app-1")
            .setAccessToken("marketing-token")
            .setZentariServerUrl(*platform::Url::parse(serverUrl))
            .setMid("100")
            .setAnalyticsEnabled(true)
            .build();
    }

    /// Starts a set-up and records its results as they come.
    std::shared_ptr<std::vector<OperationResult>> setUp(PushConfig push) {
        auto results = std::make_shared<std::vector<OperationResult>>();
        VQZTSdk::initializeSdk(ConfigBuilder().setPush(std::move(push), [results](OperationResult result) {
            EXPECT_TRUE(platform::MainQueue::isMainThread());
            results->push_back(result);
        }).build());
        return results;
    }

    communityserver::CommunityServer server;
    std::optional<std::filesystem::path> previousCAFile;
};

TEST_F(VQZTSdkTest, ASetUpRegistersTheInstallationAndIsInitialisingUntilTheServerAnswers) {
    const auto push = VQZTSdk::mp();
    const auto results = setUp(config());
    EXPECT_TRUE(results->empty()) << "never inside the starting call";
    EXPECT_EQ(push->getStatus(), ModuleStatus::initializing);
    EXPECT_EQ(static_cast<int>(ModuleStatus::initializing), 4);

    ASSERT_TRUE(testsupport::waitUntil([&] {
        testsupport::pump();
        return !results->empty();
    }));
    EXPECT_EQ(*results, std::vector<OperationResult>{OperationResult::success});
    EXPECT_EQ(push->getStatus(), ModuleStatus::operational);
    ASSERT_EQ(server.marketingRegistrations().size(), 1u);
    const auto body = server.marketingRegistrations()[0];
    EXPECT_EQ(body["applicationId"], "app-1");
    EXPECT_EQ(body["deviceId"], push->deviceIdentifier().value());
    EXPECT_EQ(push->registrationId(), "registration-1");

    // The identity carries what the registration made, and the contact key once set.
    VQZTSdk::identity()->setProfileId("contact-1");
    const auto identity = platform::parseJson(VQZTSdk::identity()->toJson()).value();
    EXPECT_EQ(identity["registrationId"], "registration-1");
    EXPECT_EQ(identity["moduleIdentities"]["push"]["profileId"], "contact-1");
    EXPECT_EQ(identity["moduleIdentities"]["push"]["applicationId"], "app-1");
    EXPECT_EQ(identity["moduleIdentities"]["push"]["customProperties"]["deviceId"], push->deviceIdentifier().value());
}

TEST_F(VQZTSdkTest, ARefusedRegistrationFailsTheSetUp) {
    server.failNextRequests(1, 500, "SERVER_ERROR", "down", "/device");
    const auto results = setUp(config());
    ASSERT_TRUE(testsupport::waitUntil([&] {
        testsupport::pump();
        return !results->empty();
    }));
    EXPECT_EQ(*results, std::vector<OperationResult>{OperationResult::error});
    EXPECT_EQ(VQZTSdk::mp()->getStatus(), ModuleStatus::failed);
}

TEST_F(VQZTSdkTest, ATearDownDropsTheAnswerOfTheRegistrationUnderWay) {
    const auto results = setUp(config());
    VQZTSdk::mp()->tearDown();
    EXPECT_EQ(VQZTSdk::mp()->getStatus(), ModuleStatus::notInitialized);
    ASSERT_TRUE(testsupport::waitUntil([&] {
        testsupport::pump();
        return platform::BackgroundActivity::inFlight() == 0 && server.marketingRegistrations().size() == 1;
    }));
    testsupport::pump();
    EXPECT_TRUE(results->empty());
    EXPECT_EQ(VQZTSdk::mp()->getStatus(), ModuleStatus::notInitialized);
}

TEST_F(VQZTSdkTest, DriverEventsReachTheDelegatesOnTheMainQueue) {
    struct Delegate : VQZTSdkURLHandlingDelegate, VQZTSdkInAppMessageEventDelegate {
        void vqzt_handleURL(const platform::Url& url, const std::string& type) override {
            events.push_back(type + " " + url.absoluteString());
        }
        bool vqzt_shouldShow(const platform::Json&) override { return show; }
        void vqzt_didShow(const platform::Json&) override { events.push_back("shown"); }
        void vqzt_didClose(const platform::Json&) override { events.push_back("closed"); }
        bool show = true;
        std::vector<std::string> events;
    };
    const auto push = VQZTSdk::mp();
    EXPECT_FALSE(push->handleURL(*platform::Url::parse("https://example.test/a")));
    auto delegate = std::make_shared<Delegate>();
    push->setURLHandlingDelegate(delegate);
    push->setEventDelegate(delegate);
    EXPECT_TRUE(push->handleURL(*platform::Url::parse("https://example.test/a")));
    EXPECT_FALSE(push->closeInAppMessage()) << "none shown";
    EXPECT_TRUE(push->showInAppMessage());
    EXPECT_TRUE(delegate->events.empty());
    testsupport::pump();
    EXPECT_TRUE(push->closeInAppMessage());
    testsupport::pump();
    EXPECT_EQ(delegate->events, (std::vector<std::string>{"URL https://example.test/a", "shown", "closed"}));
    delegate->show = false;
    EXPECT_FALSE(push->showInAppMessage());
}

} // namespace
