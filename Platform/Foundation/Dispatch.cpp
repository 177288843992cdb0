#include "Platform/Foundation/Dispatch.hpp"

#include "Platform/Foundation/Error.hpp"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <queue>
#include <thread>
#include <utility>
#include <vector>

namespace platform {

std::shared_ptr<WorkItem> WorkItem::create(std::function<void()> block) {
    return std::shared_ptr<WorkItem>(new WorkItem(std::move(block)));
}

void WorkItem::perform() {
    if (!cancelled_ && block_) block_();
}

// ---------------------------------------------------------------------------
// Main queue

namespace {

struct MainQueueState {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> ready;
    // Timers ordered by due time, then by the order they were added.
    std::map<std::pair<TimeInterval, std::uint64_t>, std::function<void()>> timers;
    std::uint64_t timerSequence = 0;
    std::thread::id mainThread = std::this_thread::get_id();
    bool stopped = false;
};

MainQueueState& mainState() {
    // Never destroyed: worker threads may still post while the process exits.
    static auto* state = new MainQueueState;
    return *state;
}

void requireMainThread(const char* what) {
    if (!MainQueue::isMainThread()) {
        fatalError(std::string("MainQueue::") + what + " must be called on the main thread");
    }
}

// Moves timers that are due into the ready list. Caller holds the lock.
void collectDueTimers(MainQueueState& s, TimeInterval time) {
    while (!s.timers.empty() && s.timers.begin()->first.first <= time) {
        s.ready.push_back(std::move(s.timers.begin()->second));
        s.timers.erase(s.timers.begin());
    }
}

} // namespace

void MainQueue::async(std::function<void()> block) {
    auto& s = mainState();
    {
        std::lock_guard lock(s.mutex);
        s.ready.push_back(std::move(block));
    }
    s.wake.notify_all();
}

void MainQueue::async(std::shared_ptr<WorkItem> item) {
    async([item = std::move(item)] { item->perform(); });
}

std::shared_ptr<WorkItem> MainQueue::asyncAfter(TimeInterval seconds, std::function<void()> block) {
    auto item = WorkItem::create(std::move(block));
    asyncAfter(seconds, item);
    return item;
}

void MainQueue::asyncAfter(TimeInterval seconds, std::shared_ptr<WorkItem> item) {
    auto& s = mainState();
    const TimeInterval due = now() + (seconds > 0 ? seconds : 0);
    {
        std::lock_guard lock(s.mutex);
        s.timers.emplace(std::make_pair(due, s.timerSequence++), [item = std::move(item)] { item->perform(); });
    }
    s.wake.notify_all();
}

bool MainQueue::isMainThread() {
    auto& s = mainState();
    std::lock_guard lock(s.mutex);
    return s.mainThread == std::this_thread::get_id();
}

void MainQueue::bindToCurrentThread() {
    auto& s = mainState();
    std::lock_guard lock(s.mutex);
    s.mainThread = std::this_thread::get_id();
}

std::size_t MainQueue::runUntilIdle() {
    requireMainThread("runUntilIdle");
    auto& s = mainState();
    std::size_t count = 0;
    for (;;) {
        std::function<void()> block;
        {
            std::lock_guard lock(s.mutex);
            collectDueTimers(s, now());
            if (s.ready.empty()) break;
            block = std::move(s.ready.front());
            s.ready.pop_front();
        }
        block();
        ++count;
    }
    return count;
}

void MainQueue::advance(TimeInterval seconds) {
    requireMainThread("advance");
    auto clock = currentManualClock();
    if (!clock) {
        fatalError("MainQueue::advance needs the manual clock");
    }
    const TimeInterval target = clock->now() + seconds;
    runUntilIdle();
    for (;;) {
        TimeInterval due = 0;
        if (!nextTimerDue(due) || due > target) break;
        if (due > clock->now()) clock->set(due);
        runUntilIdle();
    }
    clock->set(target);
    runUntilIdle();
}

bool MainQueue::runUntil(const std::function<bool()>& predicate, double timeoutSeconds) {
    requireMainThread("runUntil");
    auto& s = mainState();
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(timeoutSeconds > 0 ? timeoutSeconds : 0));
    for (;;) {
        runUntilIdle();
        if (predicate()) return true;
        std::unique_lock lock(s.mutex);
        const auto activity = BackgroundActivity::inFlight();
        // The predicate may depend on work that never posts to this queue, so
        // it is checked again at least every few milliseconds.
        const auto slice = std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(5));
        if (std::chrono::steady_clock::now() >= deadline) {
            lock.unlock();
            runUntilIdle();
            return predicate();
        }
        s.wake.wait_until(lock, slice, [&] {
            return !s.ready.empty() || (!s.timers.empty() && s.timers.begin()->first.first <= now()) ||
                   BackgroundActivity::inFlight() != activity;
        });
    }
}

void MainQueue::run() {
    requireMainThread("run");
    auto& s = mainState();
    for (;;) {
        runUntilIdle();
        std::unique_lock lock(s.mutex);
        if (s.stopped) {
            s.stopped = false;
            return;
        }
        if (!s.ready.empty()) continue;
        // Sleeps until work is posted, the earliest timer is due, or a timer is
        // added (from any thread: it may be due before the one waited for).
        // A manual clock only moves when told, so its timers wake nothing.
        const bool manual = currentManualClock() != nullptr;
        const auto timersAdded = s.timerSequence;
        const auto woken = [&] { return s.stopped || !s.ready.empty() || (!manual && s.timerSequence != timersAdded); };
        if (!manual && !s.timers.empty()) {
            const double wait = s.timers.begin()->first.first - now();
            s.wake.wait_for(lock, std::chrono::duration<double>(wait > 0 ? wait : 0), woken);
        } else {
            s.wake.wait(lock, woken);
        }
    }
}

void MainQueue::stop() {
    auto& s = mainState();
    {
        std::lock_guard lock(s.mutex);
        s.stopped = true;
    }
    s.wake.notify_all();
}

void MainQueue::reset() {
    auto& s = mainState();
    std::deque<std::function<void()>> ready;
    std::map<std::pair<TimeInterval, std::uint64_t>, std::function<void()>> timers;
    {
        std::lock_guard lock(s.mutex);
        ready.swap(s.ready);
        timers.swap(s.timers);
        s.stopped = false;
    }
    // The dropped blocks are destroyed here, outside the lock: their captures
    // may post or log on destruction.
}

std::size_t MainQueue::pendingCount() {
    auto& s = mainState();
    std::lock_guard lock(s.mutex);
    return s.ready.size() + s.timers.size();
}

bool MainQueue::nextTimerDue(TimeInterval& due) {
    auto& s = mainState();
    std::lock_guard lock(s.mutex);
    if (s.timers.empty()) return false;
    due = s.timers.begin()->first.first;
    return true;
}

// ---------------------------------------------------------------------------
// Background activity

namespace {
std::atomic<std::size_t> gBackgroundActivity{0};
} // namespace

void BackgroundActivity::begin() { ++gBackgroundActivity; }
void BackgroundActivity::end() {
    --gBackgroundActivity;
    // Wake a main thread waiting for the work to settle.
    auto& s = mainState();
    { std::lock_guard lock(s.mutex); }
    s.wake.notify_all();
}
std::size_t BackgroundActivity::inFlight() { return gBackgroundActivity.load(); }

// ---------------------------------------------------------------------------
// Worker threads

namespace {

thread_local const DispatchQueue* tlsCurrentQueue = nullptr;

class CurrentQueueScope {
public:
    explicit CurrentQueueScope(const DispatchQueue* queue) : previous_(tlsCurrentQueue) { tlsCurrentQueue = queue; }
    ~CurrentQueueScope() { tlsCurrentQueue = previous_; }
    CurrentQueueScope(const CurrentQueueScope&) = delete;
    CurrentQueueScope& operator=(const CurrentQueueScope&) = delete;

private:
    const DispatchQueue* previous_;
};

/// A pool that grows when every thread is busy, as the platform's does, so a
/// block that waits for another block on the pool cannot starve it.
class ThreadPool {
public:
    static ThreadPool& shared() {
        // Never destroyed: its threads outlive static destruction.
        static auto* pool = new ThreadPool;
        return *pool;
    }

    void submit(std::function<void()> task) {
        bool spawn = false;
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
            if (idle_ < tasks_.size() && threads_ < kMaxThreads) {
                ++threads_;
                spawn = true;
            }
        }
        if (spawn) {
            std::thread([this] { work(); }).detach();
        }
        available_.notify_one();
    }

private:
    static constexpr std::size_t kMaxThreads = 64;

    void work() {
        std::unique_lock lock(mutex_);
        for (;;) {
            ++idle_;
            available_.wait(lock, [&] { return !tasks_.empty(); });
            --idle_;
            auto task = std::move(tasks_.front());
            tasks_.pop_front();
            lock.unlock();
            task();
            task = nullptr;
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable available_;
    std::deque<std::function<void()>> tasks_;
    std::size_t threads_ = 0;
    std::size_t idle_ = 0;
};

/// Fires blocks after a real-time delay.
class DelayTimer {
public:
    static DelayTimer& shared() {
        static auto* timer = new DelayTimer;
        return *timer;
    }

    void schedule(double seconds, std::function<void()> fire) {
        const auto due = std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                                 std::chrono::duration<double>(seconds > 0 ? seconds : 0));
        {
            std::lock_guard lock(mutex_);
            entries_.emplace(std::make_pair(due, sequence_++), std::move(fire));
            if (!started_) {
                started_ = true;
                std::thread([this] { loop(); }).detach();
            }
        }
        changed_.notify_one();
    }

private:
    void loop() {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (entries_.empty()) {
                changed_.wait(lock, [&] { return !entries_.empty(); });
                continue;
            }
            auto due = entries_.begin()->first.first;
            if (std::chrono::steady_clock::now() < due) {
                changed_.wait_until(lock, due);
                continue;
            }
            auto fire = std::move(entries_.begin()->second);
            entries_.erase(entries_.begin());
            lock.unlock();
            fire();
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::pair<std::chrono::steady_clock::time_point, std::uint64_t>, std::function<void()>> entries_;
    std::uint64_t sequence_ = 0;
    bool started_ = false;
};

class GlobalQueue final : public DispatchQueue {
public:
    GlobalQueue(std::string label, QoS qos) : DispatchQueue(std::move(label), qos) {}

    void async(std::function<void()> block) override {
        ThreadPool::shared().submit([this, block = std::move(block)] {
            CurrentQueueScope scope(this);
            block();
        });
    }
    void asyncAfter(double seconds, std::function<void()> block) override {
        DelayTimer::shared().schedule(seconds, [this, block = std::move(block)]() mutable { async(std::move(block)); });
    }
    void asyncBarrier(std::function<void()> block) override {
        // Global queues ignore barriers, as on the platform.
        async(std::move(block));
    }
    bool isConcurrent() const override { return true; }

protected:
    void runSync(const std::function<void()>& block, bool) override {
        CurrentQueueScope scope(this);
        block();
    }
};

/// A serial or concurrent queue with barrier blocks, fed to the thread pool.
///
/// A block passes three stages: pending (waiting for its turn, in order),
/// ready (its turn has come and the queue counts it as running, but no thread
/// has taken it yet) and running. Each ready block asks the pool for a worker,
/// but a caller waiting in sync() takes ready blocks itself and runs them on
/// its own thread, and runs its own block there once its turn comes. A sync
/// call therefore never needs a free worker: callers on every pool thread
/// cannot starve the queue.
class PrivateQueue final : public DispatchQueue, public std::enable_shared_from_this<PrivateQueue> {
public:
    PrivateQueue(std::string label, QoS qos, bool concurrent)
        : DispatchQueue(std::move(label), qos), concurrent_(concurrent) {}

    void async(std::function<void()> block) override { enqueue(std::move(block), false); }
    void asyncBarrier(std::function<void()> block) override { enqueue(std::move(block), true); }
    bool isConcurrent() const override { return concurrent_; }
    void asyncAfter(double seconds, std::function<void()> block) override {
        std::weak_ptr<PrivateQueue> weak = shared_from_this();
        DelayTimer::shared().schedule(seconds, [weak, block = std::move(block)]() mutable {
            if (auto self = weak.lock()) self->async(std::move(block));
        });
    }

protected:
    void runSync(const std::function<void()>& block, bool barrier) override {
        const bool exclusive = barrier || !concurrent_;
        SyncTurn turn;
        {
            std::unique_lock lock(mutex_);
            if (pending_.empty() && !exclusiveRunning_ && !(exclusive && running_ > 0)) {
                // Nothing waits ahead and nothing running excludes the block: it runs now.
                startLocked(exclusive);
            } else {
                pending_.push_back(Item{{}, exclusive, &turn});
                ++syncWaiters_;
                for (;;) {
                    turnChanged_.wait(lock, [&] { return turn.granted || !ready_.empty(); });
                    if (turn.granted) break;
                    Item ahead = std::move(ready_.front());
                    ready_.pop_front();
                    lock.unlock();
                    run(std::move(ahead));
                    lock.lock();
                }
                --syncWaiters_;
            }
        }
        Finish finish{*this, exclusive};
        CurrentQueueScope scope(this);
        block();
    }

private:
    /// The turn of a caller waiting in sync(); lives on that caller's stack
    /// until `granted`, which the queue sets under its lock.
    struct SyncTurn {
        bool granted = false;
    };

    struct Item {
        std::function<void()> block;
        /// Runs alone: a barrier, or any block of a serial queue.
        bool exclusive = false;
        /// Set for a sync caller's place in line; the block is then empty.
        SyncTurn* turn = nullptr;
    };

    /// Ends a block that ran, when it returns or throws, and starts what may start next.
    struct Finish {
        PrivateQueue& queue;
        bool exclusive;
        ~Finish() {
            std::lock_guard lock(queue.mutex_);
            if (exclusive) {
                queue.exclusiveRunning_ = false;
            } else {
                --queue.running_;
            }
            queue.schedule();
        }
    };

    void enqueue(std::function<void()> block, bool barrier) {
        std::lock_guard lock(mutex_);
        pending_.push_back(Item{std::move(block), barrier || !concurrent_});
        schedule();
    }

    // Counts a block as running. Caller holds the lock.
    void startLocked(bool exclusive) {
        if (exclusive) {
            exclusiveRunning_ = true;
        } else {
            ++running_;
        }
    }

    // Starts what may start now: grants waiting sync callers their turn and
    // makes async blocks ready. Caller holds the lock.
    void schedule() {
        bool wake = false;
        while (!pending_.empty()) {
            Item& front = pending_.front();
            if (exclusiveRunning_ || (front.exclusive && running_ > 0)) break;
            startLocked(front.exclusive);
            Item item = std::move(front);
            pending_.pop_front();
            const bool exclusive = item.exclusive;
            if (item.turn) {
                item.turn->granted = true;
                wake = true;
            } else {
                ready_.push_back(std::move(item));
                wake = wake || syncWaiters_ > 0;
                ThreadPool::shared().submit([self = shared_from_this()] { self->runReady(); });
            }
            if (exclusive) break;
        }
        if (wake) turnChanged_.notify_all();
    }

    // A pool worker's share: one ready block, unless a sync caller took it.
    void runReady() {
        Item item;
        {
            std::lock_guard lock(mutex_);
            if (ready_.empty()) return;
            item = std::move(ready_.front());
            ready_.pop_front();
        }
        run(std::move(item));
    }

    // An async block that throws ends the process wherever it runs, as on a
    // worker thread; a sync caller running it never unwinds past its turn.
    void run(Item item) noexcept {
        Finish finish{*this, item.exclusive};
        CurrentQueueScope scope(this);
        item.block();
        item.block = nullptr;
    }

    const bool concurrent_;
    std::mutex mutex_;
    /// Signals sync callers that their turn came or that a block is ready.
    std::condition_variable turnChanged_;
    std::deque<Item> pending_;
    std::deque<Item> ready_;
    std::size_t running_ = 0;
    bool exclusiveRunning_ = false;
    std::size_t syncWaiters_ = 0;
};

} // namespace

std::shared_ptr<DispatchQueue> DispatchQueue::global(QoS qos) {
    // Never destroyed, like the pool: blocks and timers in flight hold the
    // queues by plain pointer and may still run while the process exits.
    static const auto* queues = [] {
        auto* all = new std::vector<std::shared_ptr<DispatchQueue>>;
        const char* names[] = {"global.user-interactive", "global.user-initiated", "global.default",
                               "global.utility", "global.background"};
        for (int i = 0; i < 5; ++i) {
            all->push_back(std::make_shared<GlobalQueue>(names[i], static_cast<QoS>(i)));
        }
        return all;
    }();
    return queues->at(static_cast<std::size_t>(qos));
}

std::shared_ptr<DispatchQueue> DispatchQueue::makeSerial(std::string label, QoS qos) {
    return std::make_shared<PrivateQueue>(std::move(label), qos, false);
}

std::shared_ptr<DispatchQueue> DispatchQueue::makeConcurrent(std::string label, QoS qos) {
    return std::make_shared<PrivateQueue>(std::move(label), qos, true);
}

void DispatchQueue::sync(const std::function<void()>& block) {
    if (isCurrent() && isConcurrent()) {
        // A read from inside a concurrent queue runs at once on the caller's thread.
        block();
        return;
    }
    if (isCurrent()) {
        // The platform's own behaviour is a deadlock; stop with a clear message instead.
        fatalError("sync called on the queue that is running the caller: " + label_);
    }
    runSync(block, false);
}

void DispatchQueue::syncBarrier(const std::function<void()>& block) {
    if (isCurrent()) {
        fatalError("sync called on the queue that is running the caller: " + label_);
    }
    runSync(block, true);
}

bool DispatchQueue::isCurrent() const { return tlsCurrentQueue == this; }

} // namespace platform
