#include "Platform/Foundation/Dispatch.hpp"

#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

using platform::DispatchQueue;
using platform::MainQueue;
using platform::QoS;
using platform::WorkItem;

TEST(MainQueueTest, RunsPostedBlocksInOrderIncludingBlocksTheyPost) {
    std::vector<int> order;
    MainQueue::async([&] {
        order.push_back(1);
        MainQueue::async([&] { order.push_back(3); });
    });
    MainQueue::async([&] { order.push_back(2); });
    EXPECT_TRUE(order.empty()) << "async never runs inline";
    EXPECT_EQ(testsupport::pump(), 3u);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(MainQueueTest, TimersFireInDueOrderAtTheirTimes) {
    std::vector<std::pair<int, double>> fired;
    const double start = platform::now();
    MainQueue::asyncAfter(2.0, [&] { fired.emplace_back(2, platform::now() - start); });
    MainQueue::asyncAfter(1.0, [&] {
        fired.emplace_back(1, platform::now() - start);
        // A timer set from inside a timer is measured from the firing time.
        MainQueue::asyncAfter(0.5, [&] { fired.emplace_back(3, platform::now() - start); });
    });
    MainQueue::asyncAfter(1.0, [&] { fired.emplace_back(4, platform::now() - start); });

    testsupport::pump();
    EXPECT_TRUE(fired.empty());
    testsupport::advance(0.99);
    EXPECT_TRUE(fired.empty());
    testsupport::advance(5);
    const std::vector<std::pair<int, double>> expected{{1, 1.0}, {4, 1.0}, {3, 1.5}, {2, 2.0}};
    EXPECT_EQ(fired, expected);
    EXPECT_NEAR(platform::now() - start, 5.99, 1e-6);
}

TEST(MainQueueTest, CancelledWorkItemNeverRuns) {
    int runs = 0;
    auto later = MainQueue::asyncAfter(1.0, [&] { ++runs; });
    auto now = WorkItem::create([&] { ++runs; });
    MainQueue::async(now);
    now->cancel();
    later->cancel();
    testsupport::advance(2);
    EXPECT_EQ(runs, 0);
}

TEST(MainQueueTest, ResetDropsPendingWorkAndTimers) {
    int runs = 0;
    MainQueue::async([&] { ++runs; });
    MainQueue::asyncAfter(1, [&] { ++runs; });
    EXPECT_EQ(MainQueue::pendingCount(), 2u);
    MainQueue::reset();
    testsupport::advance(2);
    EXPECT_EQ(runs, 0);
}

TEST(MainQueueTest, WorkPostedFromWorkerThreadsRunsOnTheMainThread) {
    std::atomic<int> done{0};
    std::vector<bool> onMain;
    for (int i = 0; i < 20; ++i) {
        DispatchQueue::global()->async([&] {
            EXPECT_FALSE(MainQueue::isMainThread());
            MainQueue::async([&] {
                onMain.push_back(MainQueue::isMainThread());
                ++done;
            });
        });
    }
    ASSERT_TRUE(testsupport::waitUntil([&] { return done == 20; }));
    EXPECT_EQ(onMain, std::vector<bool>(20, true));
}

TEST(MainQueueTest, RunUntilGivesUpAfterTheTimeout) {
    EXPECT_FALSE(MainQueue::runUntil([] { return false; }, 0.05));
}

TEST(MainQueueTest, RunLoopStopsWhenAskedFromAnotherThread) {
    bool ran = false;
    MainQueue::async([&] { ran = true; });
    DispatchQueue::global()->async([] { MainQueue::async([] { MainQueue::stop(); }); });
    MainQueue::run();
    EXPECT_TRUE(ran);
}

TEST(MainQueueTest, RunLoopOnTheSystemClockFiresATimerAddedFromAnotherThreadWhenDue) {
    // The loop sleeps; a worker thread then adds a 0.1 s timer. The loop must
    // wake for it, whether or not a later timer is pending. This test runs on
    // real time; the watchdog only ends a hung loop.
    struct Case {
        const char* name;
        std::optional<double> laterTimer;
    };
    const std::vector<Case> cases{{"no other timer", std::nullopt}, {"a later timer pending", 60.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MainQueue::reset();
        platform::setCurrentClock(std::make_shared<platform::SystemClock>());
        if (c.laterTimer) MainQueue::asyncAfter(*c.laterTimer, [] {});
        struct Flags {
            std::atomic<bool> fired{false};
            std::atomic<bool> hung{false};
            std::atomic<bool> done{false};
        };
        auto flags = std::make_shared<Flags>();
        DispatchQueue::global()->asyncAfter(0.05, [flags] {
            MainQueue::asyncAfter(0.1, [flags] {
                flags->fired = true;
                MainQueue::stop();
            });
        });
        DispatchQueue::global()->asyncAfter(10, [flags] {
            if (flags->done) return;
            flags->hung = true;
            MainQueue::stop();
        });
        MainQueue::run();
        flags->done = true;
        platform::setCurrentClock(testsupport::clock());
        EXPECT_TRUE(flags->fired);
        EXPECT_FALSE(flags->hung) << "the loop slept past the timer";
    }
}

TEST(DispatchQueueTest, SerialQueueRunsOneBlockAtATimeInOrder) {
    auto queue = DispatchQueue::makeSerial("test.serial");
    std::vector<int> order;
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    for (int i = 0; i < 200; ++i) {
        queue->async([&, i] {
            if (++inside > 1) overlapped = true;
            order.push_back(i);
            --inside;
        });
    }
    queue->sync([] {});
    EXPECT_FALSE(overlapped);
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
}

TEST(DispatchQueueTest, BarrierRunsAloneBetweenReaders) {
    auto queue = DispatchQueue::makeConcurrent("test.concurrent");
    std::mutex mutex;
    std::vector<std::string> events;
    std::atomic<int> readers{0};
    std::atomic<bool> barrierSawReader{false};
    std::atomic<int> readersAfterBarrierSawNoWrite{0};
    int value = 0;

    for (int i = 0; i < 50; ++i) {
        queue->async([&] {
            ++readers;
            std::this_thread::yield();
            --readers;
        });
    }
    queue->asyncBarrier([&] {
        if (readers != 0) barrierSawReader = true;
        value = 42;
    });
    for (int i = 0; i < 50; ++i) {
        queue->async([&] {
            if (value != 42) ++readersAfterBarrierSawNoWrite;
        });
    }
    queue->syncBarrier([] {});
    EXPECT_FALSE(barrierSawReader);
    EXPECT_EQ(readersAfterBarrierSawNoWrite, 0);
}

TEST(DispatchQueueTest, SyncReadInsideConcurrentQueueRunsInline) {
    auto queue = DispatchQueue::makeConcurrent("test.reentrant");
    int value = 0;
    queue->sync([&] { queue->sync([&] { value = 7; }); });
    EXPECT_EQ(value, 7);
}

TEST(DispatchQueueTest, SyncPassesExceptionsToTheCaller) {
    auto queue = DispatchQueue::makeSerial("test.throw");
    EXPECT_THROW(queue->sync([] { throw std::runtime_error("boom"); }), std::runtime_error);
    int after = 0;
    queue->sync([&] { after = 1; });
    EXPECT_EQ(after, 1) << "the queue keeps working after a throwing block";
}

TEST(DispatchQueueTest, BlocksWaitingOnTheGlobalQueueDoNotStarveIt) {
    // Each block waits for another block on the same global queue; a fixed
    // pool smaller than the number of waiters would deadlock here.
    constexpr int waiters = 32;
    std::atomic<int> finished{0};
    for (int i = 0; i < waiters; ++i) {
        DispatchQueue::global(QoS::utility)->async([&] {
            DispatchQueue::global(QoS::utility)->sync([] {});
            ++finished;
        });
    }
    ASSERT_TRUE(testsupport::waitUntil([&] { return finished == waiters; }));
}

TEST(DispatchQueueTest, SyncCallersOnEveryPoolThreadDoNotStarveTheQueue) {
    // More callers than the pool has threads, each adding a record with an
    // async barrier and then reading and taking it back with sync calls on
    // one concurrent queue. A caller that parked and waited for a free worker
    // to run its block (or the barrier ahead of it) would deadlock here.
    constexpr int callers = 160;
    struct Shared {
        std::map<int, int> records;
        std::atomic<int> finished{0};
        std::atomic<int> found{0};
    };
    auto shared = std::make_shared<Shared>();
    auto queue = DispatchQueue::makeConcurrent("test.records");
    for (int i = 0; i < callers; ++i) {
        DispatchQueue::global(QoS::utility)->async([queue, shared, i] {
            queue->asyncBarrier([shared, i] { shared->records[i] = i; });
            bool seen = false;
            queue->sync([&] { seen = shared->records.count(i) == 1; });
            queue->syncBarrier([&] { shared->records.erase(i); });
            if (seen) ++shared->found;
            ++shared->finished;
        });
    }
    ASSERT_TRUE(testsupport::waitUntil([&] { return shared->finished == callers; }, 60)) << "the callers deadlocked";
    EXPECT_EQ(shared->found, callers) << "a sync read ran before the barrier queued ahead of it";
    queue->sync([&] { EXPECT_TRUE(shared->records.empty()); });
}

TEST(DispatchQueueTest, SerialSyncWaitsForTheBlocksAheadAndRunsOnTheCaller) {
    auto queue = DispatchQueue::makeSerial("test.serial-sync");
    std::vector<int> order;
    for (int i = 0; i < 50; ++i) queue->async([&, i] { order.push_back(i); });
    std::thread::id ranOn;
    queue->sync([&] {
        order.push_back(50);
        ranOn = std::this_thread::get_id();
    });
    ASSERT_EQ(order.size(), 51u);
    for (int i = 0; i <= 50; ++i) EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(DispatchQueueTest, IsCurrentOnlyInsideTheQueue) {
    auto queue = DispatchQueue::makeSerial("test.current");
    bool inside = false;
    queue->sync([&] { inside = queue->isCurrent(); });
    EXPECT_TRUE(inside);
    EXPECT_FALSE(queue->isCurrent());
}

TEST(DispatchQueueDeathTest, SyncOnTheRunningSerialQueueStops) {
    EXPECT_DEATH(
        {
            auto queue = DispatchQueue::makeSerial("test.deadlock");
            queue->sync([&] { queue->sync([] {}); });
        },
        "sync called on the queue that is running the caller: test.deadlock");
}

namespace {
// Outlives every static of the process: the exit handler below reads it last.
struct ExitProbe {
    std::mutex mutex;
    std::condition_variable fired;
    bool done = false;
};
ExitProbe* gExitProbe = nullptr;
} // namespace

TEST(DispatchQueueDeathTest, GlobalQueueTimerFiringAtExitIsSafe) {
    // The exit handler is registered before the global queues first exist, so
    // it runs after the statics of the process are gone; the timer fires then.
    EXPECT_EXIT(
        {
            gExitProbe = new ExitProbe;
            std::atexit([] {
                std::unique_lock lock(gExitProbe->mutex);
                const bool fired =
                    gExitProbe->fired.wait_for(lock, std::chrono::seconds(20), [] { return gExitProbe->done; });
                std::_Exit(fired ? 0 : 3);
            });
            DispatchQueue::global(QoS::background)->asyncAfter(0.2, [] {
                std::lock_guard lock(gExitProbe->mutex);
                gExitProbe->done = true;
                gExitProbe->fired.notify_all();
            });
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
