#include "Platform/System/UserNotificationCenter.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/System/PermissionPresets.hpp"
#include "Platform/UI/Application.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

using namespace platform::system;
using platform::Json;
using platform::ui::Application;
using platform::ui::ApplicationState;

namespace {

/// Records what it hears, with the application's state at that moment.
class RecordingDelegate : public UNUserNotificationCenterDelegate {
public:
    void willPresent(UNUserNotificationCenter&, const UNNotification& notification,
                     std::function<void(unsigned)> completion) override {
        events.push_back("willPresent " + notification.request.content.userInfo.dump());
        completion(options);
    }
    void didReceive(UNUserNotificationCenter&, const UNNotificationResponse& response,
                    std::function<void()> completion) override {
        const bool inactive = Application::shared().applicationState() == ApplicationState::inactive;
        events.push_back("didReceive " + response.notification.request.content.userInfo.dump() +
                         (inactive ? " inactive" : " not inactive"));
        completion();
    }
    unsigned options = UNNotificationPresentationOptions::banner | UNNotificationPresentationOptions::list;
    std::vector<std::string> events;
};

/// Records the life-cycle calls the application makes.
class LifeCycle : public platform::ui::ApplicationDelegate {
public:
    void willEnterForeground(Application&) override { events->push_back("willEnterForeground"); }
    void didBecomeActive(Application&) override { events->push_back("didBecomeActive"); }
    std::shared_ptr<std::vector<std::string>> events = std::make_shared<std::vector<std::string>>();
};

class UserNotificationCenterTest : public ::testing::Test {
protected:
    void TearDown() override {
        PermissionPresets::setAnswer(PermissionKind::notifications, std::nullopt);
    }
    std::shared_ptr<UNUserNotificationCenter> center = UNUserNotificationCenter::current();
};

TEST_F(UserNotificationCenterTest, ThePromptAnswersFromThePresetOnAWorkerThread) {
    const struct {
        const char* name;
        std::optional<PermissionAnswer> preset;
        bool granted;
    } cases[] = {
        {"no preset", std::nullopt, false},
        {"allow", PermissionAnswer::allow, true},
        {"deny", PermissionAnswer::deny, false},
        {"restricted", PermissionAnswer::restricted, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PermissionPresets::setAnswer(PermissionKind::notifications, c.preset);
        std::mutex mutex;
        std::optional<bool> granted;
        std::atomic<bool> onMain{true};
        center->requestAuthorization(UNAuthorizationOptions::alert, [&](bool answer, std::optional<platform::Error>) {
            onMain = platform::MainQueue::isMainThread();
            std::lock_guard lock(mutex);
            granted = answer;
        });
        ASSERT_TRUE(testsupport::waitUntil([&] {
            std::lock_guard lock(mutex);
            return granted.has_value();
        }));
        EXPECT_EQ(*granted, c.granted);
        EXPECT_FALSE(onMain);
    }
}

TEST_F(UserNotificationCenterTest, APresetIsKeptInTheDataFolder) {
    PermissionPresets::setAnswer(PermissionKind::notifications, PermissionAnswer::allow);
    const auto first = testsupport::sandboxRoot();
    testsupport::freshSandbox();
    EXPECT_EQ(PermissionPresets::answer(PermissionKind::notifications), std::nullopt);
    platform::Sandbox::setRoot(first);
    EXPECT_EQ(PermissionPresets::answer(PermissionKind::notifications), PermissionAnswer::allow);
}

TEST_F(UserNotificationCenterTest, ArrivalsShowThroughTheDelegateOnlyWhileActive) {
    auto delegate = std::make_shared<RecordingDelegate>();
    center->setDelegate(delegate);
    Application::shared().launch();
    ASSERT_EQ(Application::shared().applicationState(), ApplicationState::active);

    center->arrive(Json{{"n", 1}});
    EXPECT_EQ(delegate->events, std::vector<std::string>{"willPresent {\"n\":1}"});
    EXPECT_EQ(center->lastPresentationOptions(), delegate->options);
    EXPECT_EQ(center->deliveredNotifications().size(), 1u);

    // Shown as a banner only: it does not stay in the notification centre.
    delegate->options = UNNotificationPresentationOptions::banner;
    center->arrive(Json{{"n", 2}});
    EXPECT_EQ(center->deliveredNotifications().size(), 1u);

    Application::shared().enterBackground();
    center->arrive(Json{{"n", 3}});
    EXPECT_EQ(delegate->events.size(), 2u);
    ASSERT_EQ(center->deliveredNotifications().size(), 2u);
    EXPECT_EQ(center->deliveredNotifications()[1].request.content.userInfo, Json({{"n", 3}}));
}

TEST_F(UserNotificationCenterTest, ATapBringsTheAppForwardAndIsHeardWhileInactive) {
    auto delegate = std::make_shared<RecordingDelegate>();
    auto lifeCycle = std::make_shared<LifeCycle>();
    center->setDelegate(delegate);
    Application::shared().setDelegate(lifeCycle);
    Application::shared().launch();
    Application::shared().enterBackground();
    center->arrive(Json{{"nid", "1"}});
    lifeCycle->events->clear();

    center->tap(Json{{"nid", "1"}});
    EXPECT_EQ(delegate->events, std::vector<std::string>{"didReceive {\"nid\":\"1\"} inactive"});
    EXPECT_EQ(*lifeCycle->events, (std::vector<std::string>{"willEnterForeground", "didBecomeActive"}));
    EXPECT_TRUE(center->deliveredNotifications().empty());
}

TEST_F(UserNotificationCenterTest, TheDelegateIsHeldWeakly) {
    auto delegate = std::make_shared<RecordingDelegate>();
    center->setDelegate(delegate);
    delegate.reset();
    EXPECT_EQ(center->delegate(), nullptr);
    Application::shared().launch();
    center->arrive(Json::object());
    EXPECT_EQ(center->deliveredNotifications().size(), 1u);
}

TEST_F(UserNotificationCenterTest, DeliveredNotificationsAreListedOnAWorkerThread) {
    center->arrive(Json{{"_sid", "VQZT"}});
    std::mutex mutex;
    std::optional<std::size_t> count;
    center->getDeliveredNotifications([&](std::vector<UNNotification> delivered) {
        std::lock_guard lock(mutex);
        count = delivered.size();
    });
    ASSERT_TRUE(testsupport::waitUntil([&] {
        std::lock_guard lock(mutex);
        return count.has_value();
    }));
    EXPECT_EQ(*count, 1u);
}

} // namespace
