#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Clock.hpp"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace platform {

/// Quality of service of a global queue.
enum class QoS { userInteractive, userInitiated, defaultQoS, utility, background };

/// A unit of work that can be cancelled before it runs.
class PLATFORM_EXPORT WorkItem {
public:
    static std::shared_ptr<WorkItem> create(std::function<void()> block);

    /// Runs the block unless the item was cancelled.
    void perform();
    void cancel() { cancelled_ = true; }
    bool isCancelled() const { return cancelled_; }

private:
    explicit WorkItem(std::function<void()> block) : block_(std::move(block)) {}
    std::function<void()> block_;
    std::atomic<bool> cancelled_{false};
};

/// The main queue: the run loop of the main thread. Work posted from any thread
/// runs on the thread bound as main, in order; timers fire on the current clock.
/// The app runs the loop with run(); tests pump it with runUntilIdle() and
/// advance() over a manual clock.
class PLATFORM_EXPORT MainQueue {
public:
    static void async(std::function<void()> block);
    static void async(std::shared_ptr<WorkItem> item);
    /// Runs the block once `seconds` have passed on the current clock.
    static std::shared_ptr<WorkItem> asyncAfter(TimeInterval seconds, std::function<void()> block);
    static void asyncAfter(TimeInterval seconds, std::shared_ptr<WorkItem> item);

    /// Whether the caller runs on the main thread.
    static bool isMainThread();
    /// Makes the calling thread the main thread (done once at start).
    static void bindToCurrentThread();

    /// Runs every block that is due now, including blocks those post, until
    /// nothing due is left. Returns how many ran. Main thread only.
    static std::size_t runUntilIdle();
    /// Moves the manual clock forward by `seconds`, firing timers in time order
    /// at their due times, then runs what is due. Main thread only.
    static void advance(TimeInterval seconds);
    /// Pumps the queue until the predicate holds, waiting (in real time, at most
    /// `timeoutSeconds`) for work posted by other threads. Returns the predicate.
    static bool runUntil(const std::function<bool()>& predicate, double timeoutSeconds = 10.0);
    /// The app's loop: runs work as it becomes due until stop() is called.
    /// Between work it sleeps until a block is posted or, on the system clock,
    /// the earliest timer is due; a timer added from any thread wakes it.
    static void run();
    static void stop();

    /// Drops all pending work and timers (between tests).
    static void reset();
    /// Blocks and timers not yet run.
    static std::size_t pendingCount();
    /// The due time of the earliest timer, if any.
    static bool nextTimerDue(TimeInterval& due);
};

/// Work in flight outside the main thread whose result will come back to the
/// main queue (HTTP transfers, page loads). Scripted runs wait for it to
/// settle before the next event.
class PLATFORM_EXPORT BackgroundActivity {
public:
    static void begin();
    static void end();
    static std::size_t inFlight();

    /// Counts one piece of work for its lifetime.
    class PLATFORM_EXPORT Scope {
    public:
        Scope() { begin(); }
        ~Scope() { end(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    };
};

/// A dispatch queue running its work on worker threads.
class PLATFORM_EXPORT DispatchQueue {
public:
    virtual ~DispatchQueue() = default;

    /// The global concurrent queue of a quality of service.
    static std::shared_ptr<DispatchQueue> global(QoS qos = QoS::defaultQoS);
    /// A serial queue: one block at a time, in order.
    static std::shared_ptr<DispatchQueue> makeSerial(std::string label, QoS qos = QoS::defaultQoS);
    /// A concurrent queue with barrier blocks.
    static std::shared_ptr<DispatchQueue> makeConcurrent(std::string label, QoS qos = QoS::defaultQoS);

    virtual void async(std::function<void()> block) = 0;
    /// Runs the block after `seconds` of real time.
    virtual void asyncAfter(double seconds, std::function<void()> block) = 0;
    /// A block that runs alone: after the blocks before it and before the ones after it.
    /// On a serial queue the same as async.
    virtual void asyncBarrier(std::function<void()> block) = 0;
    /// Runs the block on the queue and waits for it. The block runs on the
    /// caller's thread once its turn comes; while it waits, the caller runs the
    /// queue's blocks whose turn has come itself, so a wait never needs a free
    /// worker. Calling it from a block of the same serial queue (or
    /// syncBarrier from a block of the same queue) would wait for itself
    /// forever; it stops the process with a fatal message naming the queue.
    void sync(const std::function<void()>& block);
    void syncBarrier(const std::function<void()>& block);

    /// Whether the caller is running a block of this queue.
    bool isCurrent() const;
    virtual bool isConcurrent() const = 0;
    const std::string& label() const { return label_; }
    QoS qos() const { return qos_; }

protected:
    DispatchQueue(std::string label, QoS qos) : label_(std::move(label)), qos_(qos) {}
    /// Runs a sync block on the caller's thread once its turn on the queue
    /// comes (at once when nothing excludes it), and returns after it.
    virtual void runSync(const std::function<void()>& block, bool barrier) = 0;

private:
    std::string label_;
    QoS qos_;
};

} // namespace platform
