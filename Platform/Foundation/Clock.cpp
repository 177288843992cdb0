#include "Platform/Foundation/Clock.hpp"

#include <atomic>
#include <chrono>
#include <mutex>
#include <vector>

namespace platform {

TimeInterval SystemClock::now() const {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

ManualClock::ManualClock(TimeInterval start) : now_(start) {}

TimeInterval ManualClock::now() const {
    std::lock_guard lock(mutex_);
    return now_;
}

void ManualClock::set(TimeInterval time) {
    std::lock_guard lock(mutex_);
    now_ = time;
}

void ManualClock::advance(TimeInterval seconds) {
    std::lock_guard lock(mutex_);
    now_ += seconds;
}

namespace {
std::mutex gClockMutex;
std::shared_ptr<Clock>& clockSlot() {
    static std::shared_ptr<Clock> clock = std::make_shared<SystemClock>();
    return clock;
}

/// Every clock that has been current, kept for the life of the process, so
/// that now() may read the current one through a plain pointer: it is called
/// for every log line and marker, from any thread, and must not contend.
/// Clocks are replaced a handful of times per process (once per test).
std::vector<std::shared_ptr<Clock>>& keptClocks() {
    static std::vector<std::shared_ptr<Clock>> clocks;
    return clocks;
}

std::atomic<Clock*>& fastClock() {
    static std::atomic<Clock*> clock = [] {
        keptClocks().push_back(clockSlot());
        return clockSlot().get();
    }();
    return clock;
}
} // namespace

std::shared_ptr<Clock> currentClock() {
    std::lock_guard lock(gClockMutex);
    return clockSlot();
}

void setCurrentClock(std::shared_ptr<Clock> clock) {
    std::lock_guard lock(gClockMutex);
    // Set up first, from the clock that was current until now.
    auto& fast = fastClock();
    clockSlot() = clock ? std::move(clock) : std::make_shared<SystemClock>();
    keptClocks().push_back(clockSlot());
    fast.store(clockSlot().get(), std::memory_order_release);
}

std::shared_ptr<ManualClock> currentManualClock() {
    return std::dynamic_pointer_cast<ManualClock>(currentClock());
}

TimeInterval now() { return fastClock().load(std::memory_order_acquire)->now(); }

} // namespace platform
