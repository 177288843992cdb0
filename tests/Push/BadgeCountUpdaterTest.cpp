#include "VellicorApp/Push/BadgeCountUpdater.hpp"

#include "VellicorApp/Push/ZentariPushManager.hpp"
#include "VellicorApp/Core/AppContext.hpp"

#include "Platform/System/UserNotificationCenter.hpp"
#include "Platform/UI/Application.hpp"
#include "tests/Push/PushTestSupport.hpp"
#include "tests/Shell/AppAccountFixture.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vellicor;
using platform::Json;
using platform::ui::Application;

namespace {

class BadgeCountUpdaterTest : public apptest::AppAccountFixture {
protected:
    void TearDown() override {
        context->setMktPushManager(nullptr);
        AppAccountFixture::TearDown();
    }

    void deliver(int marketing, int others) {
        const auto center = platform::system::UNUserNotificationCenter::current();
        for (int i = 0; i < marketing; ++i) center->arrive(Json{{"_sid", "SFVQZT" + std::to_string(i)}});
        for (int i = 0; i < others; ++i) center->arrive(Json{{"nid", std::to_string(i)}});
    }
    /// Adds `count` unread notifications to the user's; gives how many are unread then.
    int unread(int count) {
        for (int i = 0; i < count; ++i) {
            server.addNotification(communityserver::CommunityServer::defaultUser().userId,
                                   {"n" + std::to_string(i), "message", false});
        }
        const auto all = server.notifications(communityserver::CommunityServer::defaultUser().userId);
        return static_cast<int>(std::count_if(all.begin(), all.end(), [](const auto& n) { return !n.read; }));
    }
    void withMarketingManager() {
        const auto path = testsupport::sandboxRoot() / "provisioning.json";
        ASSERT_TRUE(platform::writeFileAtomically(path, platform::dataFromString(pushtest::entryJson("app", true).dump()))
                        .has_value());
        context->setMktPushManager(ZentariPushManager::create(path.string(), std::make_shared<pushtest::FakeZentariSDK>()));
        ASSERT_NE(context->mktPushManager(), nullptr);
    }

    /// Runs a recount to its end and gives the badge it wrote.
    long recount() {
        auto& application = Application::shared();
        application.applicationIconBadgeNumber = 99;
        BadgeCountUpdater().resetAppIconBadgeCount();
        EXPECT_EQ(application.backgroundTaskCount(), 1u);
        EXPECT_TRUE(testsupport::waitUntil([&] {
            testsupport::pump();
            return application.backgroundTaskCount() == 0;
        }));
        return application.applicationIconBadgeNumber;
    }
};

TEST_F(BadgeCountUpdaterTest, TheBadgeIsTheMarketingNotificationsPlusTheUnreadCount) {
    signIn();
    withMarketingManager();
    deliver(2, 1);
    EXPECT_EQ(recount(), 2 + unread(3));
    const auto requests = server.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().path, "/vapi/data/v60.0/connect/notifications/status");
}

TEST_F(BadgeCountUpdaterTest, SignedOutOnlyMarketingNotificationsCount) {
    withMarketingManager();
    deliver(1, 0);
    const auto before = server.requests().size();
    EXPECT_EQ(recount(), 1);
    EXPECT_EQ(server.requests().size(), before) << "nothing asked of the community";
}

TEST_F(BadgeCountUpdaterTest, WithoutAMarketingManagerOnlyTheCommunityCounts) {
    signIn();
    deliver(2, 0);
    EXPECT_EQ(recount(), unread(2));
}

TEST_F(BadgeCountUpdaterTest, AFailedStatusRequestCountsZero) {
    signIn();
    withMarketingManager();
    deliver(1, 0);
    unread(4);
    server.failNextRequests(1, 500, "SERVER_ERROR", "The status is down.", "/vapi/data");
    EXPECT_EQ(recount(), 1);
    EXPECT_TRUE(pushtest::logged("ERROR", "PushNotificationObserver: Failed to retrieve user notifications status "
                                          "with error: The status is down."));
}

TEST_F(BadgeCountUpdaterTest, WithoutACommunityURLTheInstanceURLIsAsked) {
    const auto account = signIn();
    ASSERT_NE(account, nullptr);
    auto credentials = std::make_shared<platform::veltrane::VQOAuthCredentials>(*account->credentials());
    credentials->communityUrl.reset();
    credentials->instanceUrl = platform::Url::parse("https://community.example.test");
    account->setCredentials(credentials);
    EXPECT_EQ(recount(), unread(1));
    EXPECT_TRUE(pushtest::logged("ERROR", "PushNotificationObserver: No community URL avalible for notification "
                                          "status request"));
}

} // namespace
