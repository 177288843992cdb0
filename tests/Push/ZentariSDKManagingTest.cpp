#include "VellicorApp/Push/ZentariSDKManaging.hpp"

#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/SDKs/Zentari/VQZTSdk.hpp"
#include "tests/Push/PushTestSupport.hpp"
#include "tools/community-server/CommunityServer.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::Json;
using platform::zentari::VQZTSdk;

namespace {

constexpr const char* kHost = "marketing.example.test";

class ZentariSDKManagingTest : public pushtest::PushTest {
protected:
    void SetUp() override {
        PushTest::SetUp();
        server.start();
        platform::HttpSession::setHostMapping(std::string(kHost) + ":443", "127.0.0.1:" + std::to_string(server.port()));
        previousCAFile = platform::HttpSession::caFile();
        platform::HttpSession::setCAFile(server.caFile());
    }
    void TearDown() override {
        PushTest::TearDown();
        server.stop();
        platform::HttpSession::removeHostMapping(std::string(kHost) + ":443");
        platform::HttpSession::setCAFile(previousCAFile);
    }
    static ZentariPushProvisioningInfo entry(const Json& json) { return ZentariPushProvisioningInfo::decode(json).value(); }

    /// Runs a set-up to its completion; the errors the completion received.
    std::vector<std::optional<platform::Error>> initialize(const std::shared_ptr<ZentariSDKAdapter>& adapter,
                                                           const ZentariPushProvisioningInfo& info) {
        auto received = std::make_shared<std::vector<std::optional<platform::Error>>>();
        EXPECT_EQ(adapter->initialize(info, [received](std::optional<platform::Error> error) {
            received->push_back(std::move(error));
        }), std::nullopt);
        EXPECT_TRUE(testsupport::waitUntil([&] {
            testsupport::pump();
            return !received->empty();
        }));
        return *received;
    }

    communityserver::CommunityServer server;
    std::optional<std::filesystem::path> previousCAFile;
};

TEST_F(ZentariSDKManagingTest, TheEntryReachesTheBuilderUnchangedExceptAnalyticsAlwaysOn) {
    const auto adapter = ZentariSDKAdapter::create(VQZTSdk::mp());
    for (const bool flag : {false, true}) {
        SCOPED_TRACE(flag ? "switches on" : "switches off");
        auto json = pushtest::entryJson("app-" + std::string(flag ? "on" : "off"), flag);
        json["applicationcontrolsbadging"] = flag;
        json["location"] = flag;
        json["inbox"] = flag;
        const auto errors = initialize(adapter, entry(json));
        EXPECT_EQ(errors, std::vector<std::optional<platform::Error>>{std::nullopt});
        const auto config = VQZTSdk::mp()->configuration().value();
        EXPECT_EQ(config.appId, json["appid"]);
        EXPECT_EQ(config.accessToken, json["accesstoken"]);
        EXPECT_EQ(config.serverUrl->absoluteString(), "https://marketing.example.test/");
        EXPECT_EQ(config.mid, "100");
        EXPECT_EQ(config.inboxEnabled, flag);
        EXPECT_EQ(config.locationEnabled, flag);
        EXPECT_EQ(config.applicationControlsBadging, flag);
        EXPECT_EQ(config.delayRegistrationUntilContactKeyIsSet, flag);
        EXPECT_TRUE(config.analyticsEnabled);
        EXPECT_TRUE(VQZTSdk::mp()->pushEnabled());
    }
    EXPECT_EQ(VQZTSdk::initializeCount(), 2);
}

TEST_F(ZentariSDKManagingTest, AServerAddressThatIsNoURLFailsWithoutCallingTheSDK) {
    const auto adapter = ZentariSDKAdapter::create(VQZTSdk::mp());
    for (const char* address : {"", "not a url"}) {
        SCOPED_TRACE(address);
        bool called = false;
        const auto error =
            adapter->initialize(entry(pushtest::entryJson("app", false, address)), [&](auto) { called = true; });
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->domain, "OTHER");
        EXPECT_EQ(error->code, 400);
        EXPECT_EQ(error->localizedDescription(), "The marketing notifications could not be configured.");
        testsupport::pump();
        EXPECT_FALSE(called);
    }
    EXPECT_EQ(VQZTSdk::initializeCount(), 0);
}

TEST_F(ZentariSDKManagingTest, AFailedSetUpStillSwitchesPushOnAndCompletesWithoutAnError) {
    server.failNextRequests(1, 500, "SERVER_ERROR", "down", "/device");
    const auto adapter = ZentariSDKAdapter::create(VQZTSdk::mp());
    const auto errors = initialize(adapter, entry(pushtest::entryJson("app", false)));
    EXPECT_EQ(errors, std::vector<std::optional<platform::Error>>{std::nullopt});
    EXPECT_TRUE(VQZTSdk::mp()->pushEnabled());
    EXPECT_TRUE(pushtest::logged("INFO", "ZentariPushManager: SDK result = OperationResult.error"));
}

TEST_F(ZentariSDKManagingTest, TheRefreshResultIsLogged) {
    const auto adapter = ZentariSDKAdapter::create(VQZTSdk::mp());
    adapter->refresh();
    testsupport::pump();
    EXPECT_TRUE(pushtest::logged("INFO", "ZentariPushManager: Zentari background refresh triggered with request "
                                         "BackgroundFetchResult.failed."));
    adapter->setProfileId("key-1");
    EXPECT_EQ(VQZTSdk::identity()->profileId(), "key-1");
}

} // namespace
