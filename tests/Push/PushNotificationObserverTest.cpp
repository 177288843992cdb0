#include "VellicorApp/Push/PushNotificationObserver.hpp"

#include "VellicorApp/Push/BadgeCountUpdater.hpp"
#include "VellicorApp/Push/UserNotificationCenter.hpp"
#include "VellicorApp/Push/ZentariPushManager.hpp"

#include "Platform/UI/Application.hpp"
#include "tests/Push/PushTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::Json;
using platform::system::UNNotification;
using platform::system::UNUserNotificationCenter;
using platform::ui::Application;

namespace {

UNNotification notification(Json userInfo, std::string identifier = "n-1") {
    return UNNotification{{std::move(identifier), {std::move(userInfo)}}, 0};
}

TEST(MarketingPush, IsTheMarketingSDKsByItsSid) {
    const struct {
        const char* name;
        Json userInfo;
        bool marketing;
    } cases[] = {
        {"VQZT alone", {{"_sid", "VQZT"}}, true},
        {"VQZT between other letters", {{"_sid", "abcVQZTdef"}}, true},
        {"lower case", {{"_sid", "vqzt"}}, false},
        {"no _sid", {{"sid", "VQZT"}}, false},
        {"a number", {{"_sid", 7}}, false},
        {"an empty payload", Json::object(), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isMarketingPush(notification(c.userInfo)), c.marketing) << c.name;
    }
}

class PushNotificationObserverTest : public pushtest::PushTest {};

TEST_F(PushNotificationObserverTest, TheContextsObserverIsTheCentresDelegate) {
    EXPECT_EQ(UNUserNotificationCenter::current()->delegate(), context->pushNotificationObserver);
}

TEST_F(PushNotificationObserverTest, ForegroundArrivalsShowAsBannerAndListWithSoundAndBadge) {
    Application::shared().launch();
    for (const auto& payload : {Json{{"_sid", "VQZT"}}, Json{{"nid", "1"}}}) {
        UNUserNotificationCenter::current()->arrive(payload);
        EXPECT_EQ(UNUserNotificationCenter::current()->lastPresentationOptions(), 27u) << payload.dump();
    }
}

TEST_F(PushNotificationObserverTest, ATappedMarketingNotificationGoesBackToTheSDK) {
    const auto path = writeProvisioning(pushtest::entryJson("app", true));
    context->setMktPushManager(ZentariPushManager::create(path, sdk));
    sdk->takeCalls();
    bool completed = false;
    platform::system::UNNotificationResponse response{notification(Json{{"_sid", "xVQZTx"}}, "marketing-1")};
    context->pushNotificationObserver->didReceive(*UNUserNotificationCenter::current(), response,
                                                  [&] { completed = true; });
    EXPECT_TRUE(completed);
    EXPECT_EQ(sdk->takeCalls(), std::vector<std::string>{"setNotificationRequest marketing-1"});

    // A community notification is not the SDK's; without the app's own
    // delegate it is dropped silently, and the completion still runs.
    completed = false;
    response.notification = notification(Json{{"nid", "1"}}, "community-1");
    context->pushNotificationObserver->didReceive(*UNUserNotificationCenter::current(), response,
                                                  [&] { completed = true; });
    EXPECT_TRUE(completed);
    EXPECT_TRUE(sdk->takeCalls().empty());
    EXPECT_TRUE(markers->interactions.empty());
    context->setMktPushManager(nullptr);
}

TEST_F(PushNotificationObserverTest, ResigningActiveRecountsTheBadge) {
    Application::shared().launch();
    Application::shared().applicationIconBadgeNumber = 4;
    context->notificationCenter->post(platform::ui::kApplicationWillResignActiveNotification, nullptr);
    EXPECT_EQ(Application::shared().backgroundTaskCount(), 1u);
    testsupport::pump();
    EXPECT_EQ(Application::shared().applicationIconBadgeNumber, -1) << "nothing to count, signed out";
    EXPECT_EQ(Application::shared().backgroundTaskCount(), 0u);
}

TEST_F(PushNotificationObserverTest, ARecountWhoseTaskExpiresFirstEndsItOnce) {
    accounts->user = hybridtest::makeAccount();
    rest->hold = true;
    rest->answer = Json{{"unreadCount", 2}};
    auto& application = Application::shared();
    BadgeCountUpdater().resetAppIconBadgeCount();
    testsupport::advance(Application::kBackgroundTaskTime);
    EXPECT_EQ(application.backgroundTaskCount(), 0u);
    EXPECT_TRUE(pushtest::logged("WARNING", "PushNotificationObserver: PushNotification background task may get "
                                            "killed by OS before complition."));
    // Another task begun meanwhile is not ended by the late answer.
    const auto other = application.beginBackgroundTask({});
    rest->release();
    testsupport::pump();
    EXPECT_EQ(application.applicationIconBadgeNumber, 2);
    EXPECT_EQ(application.backgroundTaskCount(), 1u);
    application.endBackgroundTask(other);
    const auto requests = rest->takeRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].baseURL, "https://community.example.test/s/");
    EXPECT_EQ(requests[0].path, "/vapi/data/v60.0/connect/notifications/status");
}

TEST_F(PushNotificationObserverTest, AReplyWithoutAnIntegerUnreadCountCountsZero) {
    accounts->user = hybridtest::makeAccount();
    for (const auto& answer : {Json::object(), Json{{"unreadCount", "3"}}, Json{{"unreadCount", 2.5}}}) {
        SCOPED_TRACE(answer.dump());
        rest->answer = answer;
        auto& application = Application::shared();
        application.applicationIconBadgeNumber = 9;
        BadgeCountUpdater().resetAppIconBadgeCount();
        ASSERT_TRUE(testsupport::waitUntil([&] {
            testsupport::pump();
            return application.backgroundTaskCount() == 0;
        }));
        EXPECT_EQ(application.applicationIconBadgeNumber, -1);
    }
}

} // namespace
