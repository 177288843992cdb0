#include "Platform/System/BackgroundTaskScheduler.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/PropertyList.hpp"
#include "Platform/UI/Application.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

using namespace platform::system;

namespace {

constexpr const char* kPermitted = "com.example.refresh";

class BackgroundTaskSchedulerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto package = testsupport::sandboxRoot() / "Test.app";
        std::filesystem::create_directories(package);
        ASSERT_TRUE(platform::PropertyList::write(
            package / "Info.plist",
            platform::Json{{"CFBundleIdentifier", "com.example"},
                           {"BGTaskSchedulerPermittedIdentifiers", platform::Json::array({kPermitted})}}));
        platform::Bundle::setMainBundlePath(package);
    }
    std::shared_ptr<BGTaskScheduler> scheduler = BGTaskScheduler::shared();
};

TEST_F(BackgroundTaskSchedulerTest, OnlyPermittedIdentifiersAreTaken) {
    EXPECT_FALSE(scheduler->registerForTaskWithIdentifier("com.example.other", nullptr, [](auto) {}));
    const auto refused = scheduler->submit({"com.example.other", std::nullopt});
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->domain, kBGTaskSchedulerErrorDomain);
    EXPECT_EQ(refused->code, BGTaskSchedulerErrorCode::notPermitted);
    EXPECT_TRUE(scheduler->pendingRequests().empty());

    EXPECT_TRUE(scheduler->registerForTaskWithIdentifier(kPermitted, nullptr, [](auto) {}));
    EXPECT_FALSE(scheduler->submit({kPermitted, std::nullopt}).has_value());
    // A second submission replaces the first.
    EXPECT_FALSE(scheduler->submit({kPermitted, std::nullopt}).has_value());
    EXPECT_EQ(scheduler->pendingRequests().size(), 1u);
}

TEST_F(BackgroundTaskSchedulerTest, ARunHandsANewTaskToTheHandlerOnAWorkerThread) {
    std::atomic<bool> ran{false};
    std::atomic<bool> onMain{true};
    ASSERT_TRUE(scheduler->registerForTaskWithIdentifier(kPermitted, nullptr, [&](std::shared_ptr<BGTask> task) {
        onMain = platform::MainQueue::isMainThread();
        task->setTaskCompleted(true);
        task->setTaskCompleted(false); // only the first counts
        ran = true;
    }));
    EXPECT_FALSE(scheduler->run(kPermitted)) << "nothing submitted yet";
    ASSERT_FALSE(scheduler->submit({kPermitted, std::nullopt}).has_value());
    ASSERT_TRUE(scheduler->run(kPermitted));
    ASSERT_TRUE(testsupport::waitUntil([&] { return ran.load(); }));
    EXPECT_FALSE(onMain);
    EXPECT_EQ(scheduler->lastTask(kPermitted)->completion(), true);
    EXPECT_TRUE(scheduler->pendingRequests().empty()) << "the request is used up";
    EXPECT_FALSE(scheduler->expire(kPermitted)) << "a completed task does not expire";
}

TEST_F(BackgroundTaskSchedulerTest, ExpiringARunningTaskCallsItsExpirationHandler) {
    std::atomic<bool> started{false};
    ASSERT_TRUE(scheduler->registerForTaskWithIdentifier(kPermitted, nullptr, [&](std::shared_ptr<BGTask> task) {
        std::weak_ptr<BGTask> weak = task;
        task->setExpirationHandler([weak] {
            if (auto t = weak.lock()) t->setTaskCompleted(false);
        });
        started = true;
    }));
    ASSERT_FALSE(scheduler->submit({kPermitted, std::nullopt}).has_value());
    ASSERT_TRUE(scheduler->run(kPermitted));
    ASSERT_TRUE(testsupport::waitUntil([&] { return started.load(); }));
    ASSERT_TRUE(scheduler->expire(kPermitted));
    ASSERT_TRUE(testsupport::waitUntil([&] { return scheduler->lastTask(kPermitted)->completion().has_value(); }));
    EXPECT_EQ(scheduler->lastTask(kPermitted)->completion(), false);
}

TEST(ApplicationBackgroundTask, ExpiresOnTheClockUnlessEnded) {
    auto& application = platform::ui::Application::shared();
    int expired = 0;
    const auto ended = application.beginBackgroundTask([&] { ++expired; });
    const auto left = application.beginBackgroundTask([&] { ++expired; });
    EXPECT_EQ(application.backgroundTaskCount(), 2u);
    application.endBackgroundTask(ended);
    application.endBackgroundTask(ended); // an ended task is ignored
    testsupport::advance(platform::ui::Application::kBackgroundTaskTime - 1);
    EXPECT_EQ(expired, 0);
    testsupport::advance(1);
    EXPECT_EQ(expired, 1);
    EXPECT_EQ(application.backgroundTaskCount(), 0u);
    application.endBackgroundTask(left);
}

} // namespace
