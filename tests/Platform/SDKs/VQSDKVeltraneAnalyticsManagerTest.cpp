#include "Platform/SDKs/Veltrane/VQSDKVeltraneAnalyticsManager.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/Uuid.hpp"
#include "Platform/SDKs/Veltrane/KeychainHelper.hpp"
#include "Platform/SDKs/Veltrane/UIDevice.hpp"
#include "Platform/SDKs/Veltrane/VQSDKInstrumentationEventBuilder.hpp"
#include "Platform/SDKs/Veltrane/VeltraneHybridSDKManager.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

using namespace platform;
using namespace platform::veltrane;

namespace {

const VQUserAccountIdentity kAlice{"user-alice", "org-1"};
const VQUserAccountIdentity kBob{"user-bob", "org-1"};

class VQSDKVeltraneAnalyticsManagerTest : public ::testing::Test {
protected:
    void TearDown() override {
        VeltraneSDKManager::resetForTesting();
        UIDevice::resetForTesting();
        VQSDKEventStoreManager::sharedInstance()->deleteAllEvents();
    }
};

TEST_F(VQSDKVeltraneAnalyticsManagerTest, OneManagerPerUserAndOneForNobody) {
    auto alice = VQSDKVeltraneAnalyticsManager::sharedInstanceWithUser(kAlice);
    auto bob = VQSDKVeltraneAnalyticsManager::sharedInstanceWithUser(kBob);
    auto nobody = VQSDKVeltraneAnalyticsManager::sharedUnauthenticatedInstance();
    ASSERT_TRUE(alice && bob && nobody);
    EXPECT_EQ(alice, VQSDKVeltraneAnalyticsManager::sharedInstanceWithUser(kAlice));
    EXPECT_NE(alice, bob);
    EXPECT_EQ(nobody, VQSDKVeltraneAnalyticsManager::sharedUnauthenticatedInstance());
    EXPECT_EQ(alice->user(), kAlice);
    EXPECT_FALSE(nobody->user().has_value());
    EXPECT_EQ(VQSDKVeltraneAnalyticsManager::sharedInstanceWithUser({"", "org"}), nullptr);

    VQSDKVeltraneAnalyticsManager::removeSharedInstanceWithUser(kAlice);
    EXPECT_NE(VQSDKVeltraneAnalyticsManager::sharedInstanceWithUser(kAlice), alice);
}

TEST_F(VQSDKVeltraneAnalyticsManagerTest, SignedInEventsReachTheUnauthenticatedStore) {
    auto alice = VQSDKVeltraneAnalyticsManager::sharedInstanceWithUser(kAlice);
    auto nobody = VQSDKVeltraneAnalyticsManager::sharedUnauthenticatedInstance();
    EXPECT_EQ(alice->eventStoreManager(), nobody->eventStoreManager());

    auto event = VQSDKInstrumentationEventBuilder::buildEventWithBuilderBlock(
        [](auto& b) {
            b.setName("PageView");
            b.setSchemaType(VQASchemaType::performance);
        },
        alice->analyticsManager());
    alice->eventStoreManager()->storeEvent(event);
    const auto fetched = nobody->eventStoreManager()->fetchAllEvents().value();
    ASSERT_EQ(fetched.size(), 1u);
    EXPECT_EQ(fetched[0]->userId, kAlice.userId);
}

TEST_F(VQSDKVeltraneAnalyticsManagerTest, DeviceAppAttributesDescribeTheInstall) {
    const auto package = testsupport::sandboxRoot() / "Attributes.app";
    ASSERT_TRUE(FileManager::defaultManager().createDirectory(package));
    ASSERT_TRUE(writeFileAtomically(package / "bootconfig.json", dataFromString(R"({"remoteAccessConsumerKey":"cid"})")));
    ASSERT_TRUE(writeFileAtomically(package / "Info.plist", dataFromString(R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>CFBundleName</key><string>Sample</string>
<key>CFBundleShortVersionString</key><string>2.4</string>
<key>CFBundleVersion</key><string>77</string>
</dict></plist>)")));
    Bundle::setMainBundlePath(package);
    UIDevice::setPlatform("iPhone14,2");
    VeltraneSDKManager::initializeSDK<VeltraneHybridSDKManager>();
    VeltraneSDKManager::setAppName("CommunityHybridContainer-a.b.c-Sample");

    const auto attributes = VQSDKVeltraneAnalyticsManager::getDeviceAppAttributes();
    const Json json = attributes.jsonRepresentation();
    EXPECT_EQ(json["appName"], "CommunityHybridContainer-a.b.c-Sample");
    EXPECT_EQ(json["appVersion"], "2.4");
    EXPECT_EQ(json["appBuild"], "77");
    EXPECT_EQ(json["systemName"], "iOS");
    EXPECT_EQ(json["hardware"], "iPhone");
    EXPECT_EQ(json["appType"], "Hybrid");
    EXPECT_EQ(json["sdkVersion"], kVeltraneSDKVersion);
    EXPECT_EQ(json["oauthClientId"], "cid");
    ASSERT_TRUE(Uuid::fromString(json["installId"].get<std::string>()));

    // The device id is kept in the keychain of the install.
    EXPECT_EQ(utf8String(KeychainHelper::read("VeltraneSDK.Device", "deviceId").value()), json["installId"]);
    EXPECT_EQ(VQSDKDeviceAppAttributes::installDeviceId(), json["installId"]);
    testsupport::freshSandbox();
    EXPECT_NE(VQSDKDeviceAppAttributes::installDeviceId(), json["installId"]);
}

} // namespace
