#include "VellicorApp/Push/PushNotificationManager.hpp"

#include "VellicorApp/Community/NetworkService.hpp"
#include "VellicorApp/Push/ZentariPushManager.hpp"
#include "VellicorApp/Core/AppContext.hpp"

#include "Platform/SDKs/Veltrane/VQRestAPI.hpp"
#include "Platform/System/PermissionPresets.hpp"
#include "Platform/UI/Application.hpp"
#include "tests/Push/PushTestSupport.hpp"
#include "tests/Shell/AppAccountFixture.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::Json;
using platform::ui::Application;

namespace {

class PushNotificationManagerTest : public apptest::AppAccountFixture {
protected:
    void TearDown() override {
        testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }, 5);
        testsupport::pump();
        context->setPushNotificationManager(nullptr);
        context->setMktPushManager(nullptr);
        platform::system::PermissionPresets::setAnswer(platform::system::PermissionKind::notifications, std::nullopt);
        AppAccountFixture::TearDown();
    }

    std::shared_ptr<PushNotificationManager> signedInManager() {
        const auto account = signIn();
        EXPECT_NE(account, nullptr);
        context->setNetworkService(NetworkService::create(platform::veltrane::VQRestAPI::sharedInstance()));
        return PushNotificationManager::create(account);
    }

    /// Marks the notification read and waits for the answer.
    std::optional<platform::Error> markRead(PushNotificationManager& manager, std::optional<std::string> id) {
        auto answered = std::make_shared<std::optional<std::optional<platform::Error>>>();
        manager.updateNotificationStatusToRead(id, [answered](std::optional<platform::Error> error) {
            EXPECT_TRUE(platform::MainQueue::isMainThread());
            *answered = std::move(error);
        });
        EXPECT_TRUE(testsupport::waitUntil([&] {
            testsupport::pump();
            return answered->has_value();
        }));
        return answered->value_or(std::nullopt);
    }

    const std::string userId = communityserver::CommunityServer::defaultUser().userId;
};

TEST_F(PushNotificationManagerTest, MarkingReadPatchesTheNotificationWithReadTrueAsText) {
    server.addNotification(userId, {"0AB001", "Hello", false});
    const auto manager = signedInManager();
    EXPECT_EQ(markRead(*manager, "0AB001"), std::nullopt);
    const auto all = server.notifications(userId);
    const auto marked = std::find_if(all.begin(), all.end(), [](const auto& n) { return n.id == "0AB001"; });
    ASSERT_NE(marked, all.end());
    EXPECT_TRUE(marked->read);
    const auto requests = server.requests();
    const auto patch = std::find_if(requests.rbegin(), requests.rend(),
                                    [](const communityserver::RecordedRequest& r) { return r.method == "PATCH"; });
    ASSERT_NE(patch, requests.rend());
    EXPECT_EQ(patch->path, "/vapi/data/v60.0/connect/notifications/0AB001");
    EXPECT_EQ(Json::parse(patch->body), Json({{"read", "true"}}));
    EXPECT_TRUE(pushtest::logged("INFO", "PushNotificationManager: Mark notification ID: 0AB001 as "
                                         "[\"read\": \"true\"] succeed."));
}

TEST_F(PushNotificationManagerTest, ErrorsComeBackWithoutRequestsWhereNoneCanBeMade) {
    const auto manager = signedInManager();
    const auto before = server.requests().size();

    const auto noID = markRead(*manager, std::nullopt);
    ASSERT_TRUE(noID.has_value());
    EXPECT_EQ(noID->domain, "INVALID_RECORD_ID");
    EXPECT_EQ(noID->code, 400);
    EXPECT_EQ(noID->localizedDescription(), "The notification ID isn't valid.");

    context->userAccountManager->setCurrentUserAccount(nullptr);
    const auto signedOut = markRead(*manager, "0AB001");
    ASSERT_TRUE(signedOut.has_value());
    EXPECT_EQ(signedOut->domain, "AUTHENTICATION_REQUIRED");
    EXPECT_EQ(signedOut->code, -1013);
    EXPECT_EQ(server.requests().size(), before);
}

TEST_F(PushNotificationManagerTest, AFailedPatchIsLoggedAndPassedOn) {
    const auto manager = signedInManager();
    const auto error = markRead(*manager, "unknown");
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->code, 404);
    EXPECT_TRUE(pushtest::logged("ERROR", "PushNotificationManager: Failed to mark notification ID: unknown as "
                                          "[\"read\": \"true\"] with error: "));
}

TEST_F(PushNotificationManagerTest, ReleaseUnregistersOnlyWithoutAMarketingManager) {
    for (const bool marketing : {false, true}) {
        SCOPED_TRACE(marketing ? "with a marketing manager" : "without");
        if (marketing) {
            const auto path = testsupport::sandboxRoot() / "provisioning.json";
            ASSERT_TRUE(platform::writeFileAtomically(path, platform::dataFromString(pushtest::entryJson("a", true).dump()))
                            .has_value());
            context->setMktPushManager(
                ZentariPushManager::create(path.string(), std::make_shared<pushtest::FakeZentariSDK>()));
        }
        Application::shared().registerForRemoteNotifications();
        ASSERT_TRUE(Application::shared().isRegisteredForRemoteNotifications());
        context->setPushNotificationManager(PushNotificationManager::create(nullptr));
        context->setPushNotificationManager(nullptr);
        EXPECT_EQ(Application::shared().isRegisteredForRemoteNotifications(), marketing);
        EXPECT_EQ(Application::shared().backgroundTaskCount(), 1u) << "the badge is recounted";
        ASSERT_TRUE(testsupport::waitUntil([] {
            testsupport::pump();
            return Application::shared().backgroundTaskCount() == 0;
        }));
    }
}

TEST_F(PushNotificationManagerTest, ThePermissionAnswerIsReportedOnTheMainQueue) {
    const auto manager = signedInManager();
    for (const bool allow : {true, false}) {
        platform::system::PermissionPresets::setAnswer(
            platform::system::PermissionKind::notifications,
            allow ? platform::system::PermissionAnswer::allow : platform::system::PermissionAnswer::deny);
        std::optional<bool> granted;
        manager->registerForNotifications([&](bool answer, std::optional<platform::Error>) {
            EXPECT_TRUE(platform::MainQueue::isMainThread());
            granted = answer;
        });
        ASSERT_TRUE(testsupport::waitUntil([&] {
            testsupport::pump();
            return granted.has_value();
        }));
        EXPECT_EQ(*granted, allow);
    }
    // Granted or not, the device registers through the marketing manager only.
    EXPECT_FALSE(Application::shared().isRegisteredForRemoteNotifications());
    EXPECT_TRUE(pushtest::logged("ERROR", "PushNotificationManager: Notification access denied! nil"));
}

} // namespace
