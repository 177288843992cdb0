#include "Platform/Foundation/Clock.hpp"

#include <atomic>
#include <chrono>

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
} // namespace

std::shared_ptr<Clock> currentClock() {
    std::lock_guard lock(gClockMutex);
    return clockSlot();
}

void setCurrentClock(std::shared_ptr<Clock> clock) {
    std::lock_guard lock(gClockMutex);
    clockSlot() = clock ? std::move(clock) : std::make_shared<SystemClock>();
}

std::shared_ptr<ManualClock> currentManualClock() {
    return std::dynamic_pointer_cast<ManualClock>(currentClock());
}

TimeInterval now() { return currentClock()->now(); }

} // namespace platform
