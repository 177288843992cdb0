#include "Platform/SDKs/Veltrane/VQSDKReachability.hpp"

#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/Foundation/Reachability.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace platform;
using namespace platform::veltrane;

namespace {

class VQSDKReachabilityTest : public ::testing::Test {
protected:
    void SetUp() override {
        Reachability::setOffline(false);
        VQSDKReachability::resetForTesting();
    }
    void TearDown() override {
        Reachability::setOffline(false);
        VQSDKReachability::resetForTesting();
    }

    // Records the statuses announced by `reachability`'s notifications.
    void record(const std::shared_ptr<VQSDKReachability>& reachability) {
        NotificationCenter::defaultCenter()->addObserver(
            kVQSDKReachabilityChangedNotification, reachability.get(), [this](const Notification& n) {
                announced.push_back(static_cast<const VQSDKReachability*>(n.object)->currentReachabilityStatus());
                onMainThread.push_back(MainQueue::isMainThread());
            });
    }

    std::vector<VQSDKNetworkStatus> announced;
    std::vector<bool> onMainThread;
};

TEST_F(VQSDKReachabilityTest, StatusFollowsTheNetworkSwitchAndTheInterface) {
    auto reachability = VQSDKReachability::reachabilityForInternetConnection();
    ASSERT_NE(reachability, nullptr);
    const struct {
        bool offline;
        VQSDKNetworkStatus interface;
        int status;
    } table[] = {
        {false, VQSDKNetworkStatus::reachableViaWiFi, 1},
        {false, VQSDKNetworkStatus::reachableViaWWAN, 2},
        {true, VQSDKNetworkStatus::reachableViaWiFi, 0},
        {true, VQSDKNetworkStatus::reachableViaWWAN, 0},
    };
    for (const auto& row : table) {
        Reachability::setOffline(row.offline);
        VQSDKReachability::setActiveInterface(row.interface);
        EXPECT_EQ(static_cast<int>(reachability->currentReachabilityStatus()), row.status)
            << row.offline << " " << static_cast<int>(row.interface);
    }
    VQSDKReachability::setActiveInterface(VQSDKNetworkStatus::notReachable);
    EXPECT_EQ(VQSDKReachability::activeInterface(), VQSDKNetworkStatus::reachableViaWWAN) << "not an interface";
}

TEST_F(VQSDKReachabilityTest, StartedNotifierPostsEachStatusChangeOnce) {
    auto reachability = VQSDKReachability::reachabilityForInternetConnection();
    auto other = VQSDKReachability::reachabilityForInternetConnection(); // never started
    record(reachability);
    record(other);
    EXPECT_TRUE(reachability->startNotifier());
    EXPECT_TRUE(reachability->startNotifier());
    EXPECT_TRUE(reachability->isNotifierRunning());

    Reachability::setOffline(true);
    Reachability::setOffline(true);                                                 // no change
    VQSDKReachability::setActiveInterface(VQSDKNetworkStatus::reachableViaWWAN);    // still offline: same status
    Reachability::setOffline(false);
    VQSDKReachability::setActiveInterface(VQSDKNetworkStatus::reachableViaWiFi);
    EXPECT_EQ(announced, (std::vector<VQSDKNetworkStatus>{VQSDKNetworkStatus::notReachable,
                                                          VQSDKNetworkStatus::reachableViaWWAN,
                                                          VQSDKNetworkStatus::reachableViaWiFi}));

    reachability->stopNotifier();
    EXPECT_FALSE(reachability->isNotifierRunning());
    Reachability::setOffline(true);
    testsupport::pump();
    EXPECT_EQ(announced.size(), 3u);
}

TEST_F(VQSDKReachabilityTest, ChangesOnAnotherThreadArriveOnTheMainThread) {
    auto reachability = VQSDKReachability::reachabilityForInternetConnection();
    record(reachability);
    reachability->startNotifier();
    std::thread([] { Reachability::setOffline(true); }).join();
    EXPECT_TRUE(announced.empty()) << "not before the main queue runs";
    ASSERT_TRUE(testsupport::waitUntil([this] { return !announced.empty(); }));
    EXPECT_EQ(announced, std::vector<VQSDKNetworkStatus>{VQSDKNetworkStatus::notReachable});
    EXPECT_EQ(onMainThread, std::vector<bool>{true});
}

TEST_F(VQSDKReachabilityTest, AReleasedObjectHearsNothingMore) {
    auto reachability = VQSDKReachability::reachabilityForInternetConnection();
    reachability->startNotifier();
    std::thread([] { Reachability::setOffline(true); }).join(); // queued for the main queue
    reachability.reset();
    Reachability::setOffline(false);
    VQSDKReachability::setActiveInterface(VQSDKNetworkStatus::reachableViaWWAN);
    testsupport::pump();
    SUCCEED();
}

} // namespace
