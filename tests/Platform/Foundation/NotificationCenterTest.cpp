#include "Platform/Foundation/NotificationCenter.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using platform::Notification;
using platform::NotificationCenter;

TEST(NotificationCenterTest, FiltersByNameAndSender) {
    auto center = NotificationCenter::create();
    int senderA = 0, senderB = 0;
    std::vector<std::string> seen;
    center->addObserver("ping", nullptr, [&](const Notification& n) { seen.push_back("any:" + n.name); });
    center->addObserver("ping", &senderA, [&](const Notification&) { seen.push_back("fromA"); });
    center->addObserver("", nullptr, [&](const Notification& n) { seen.push_back("all:" + n.name); });

    center->post("ping", &senderB);
    center->post("pong", &senderA, {{"k", 1}});
    center->post("ping", &senderA);

    const std::vector<std::string> expected{"any:ping", "all:ping", "all:pong", "any:ping", "fromA", "all:ping"};
    EXPECT_EQ(seen, expected);
}

TEST(NotificationCenterTest, DeliversUserInfoSynchronouslyOnThePostingThread) {
    auto center = NotificationCenter::create();
    std::thread::id deliveredOn;
    nlohmann::json info;
    center->addObserver("n", nullptr, [&](const Notification& n) {
        deliveredOn = std::this_thread::get_id();
        info = n.userInfo;
    });
    std::thread poster([&] { center->post("n", nullptr, {{"count", 3}}); });
    const auto posterId = poster.get_id();
    poster.join();
    EXPECT_EQ(deliveredOn, posterId);
    EXPECT_EQ(info["count"], 3);
}

TEST(NotificationCenterTest, ObserverOfAGoneOwnerIsNeverCalled) {
    auto center = NotificationCenter::create();
    struct Owner {
        int calls = 0;
    };
    auto owner = std::make_shared<Owner>();
    int* calls = &owner->calls;
    int callsWhileAlive = 0;
    center->addObserver<Owner>(owner, "n", nullptr, [&](Owner& o, const Notification&) {
        ++o.calls;
        ++callsWhileAlive;
    });
    center->post("n");
    EXPECT_EQ(*calls, 1);
    owner.reset();
    center->post("n");
    EXPECT_EQ(callsWhileAlive, 1);
    EXPECT_EQ(center->observerCount(), 0u);
}

TEST(NotificationCenterTest, RemovalByTokenAndByOwner) {
    auto center = NotificationCenter::create();
    auto owner = std::make_shared<int>(0);
    int byToken = 0, byOwner = 0;
    auto token = center->addObserver("n", nullptr, [&](const Notification&) { ++byToken; });
    center->addObserver(std::static_pointer_cast<const void>(owner), "n", nullptr,
                        [&](const Notification&) { ++byOwner; });
    center->removeObserver(token);
    center->removeObservers(owner.get());
    center->post("n");
    EXPECT_EQ(byToken + byOwner, 0);
}

TEST(NotificationCenterTest, ObserverRemovedByAnEarlierHandlerIsNotCalled) {
    auto center = NotificationCenter::create();
    platform::ObserverToken second = 0;
    int secondCalls = 0;
    center->addObserver("n", nullptr, [&](const Notification&) { center->removeObserver(second); });
    second = center->addObserver("n", nullptr, [&](const Notification&) { ++secondCalls; });
    center->post("n");
    EXPECT_EQ(secondCalls, 0);
}

TEST(NotificationCenterTest, HandlerMayAddAndPostWithoutDeadlock) {
    auto center = NotificationCenter::create();
    int nested = 0;
    center->addObserver("outer", nullptr, [&](const Notification&) {
        center->addObserver("inner", nullptr, [&](const Notification&) { ++nested; });
        center->post("inner");
    });
    center->post("outer");
    EXPECT_EQ(nested, 1);
}

TEST(NotificationCenterTest, ConcurrentPostsAndRegistrationsLoseNothing) {
    auto center = NotificationCenter::create();
    std::atomic<int> received{0};
    center->addObserver("n", nullptr, [&](const Notification&) { ++received; });
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 500; ++i) {
                auto token = center->addObserver("other", nullptr, [](const Notification&) {});
                center->post("n");
                center->removeObserver(token);
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(received, 8 * 500);
    EXPECT_EQ(center->observerCount(), 1u);
}
