#pragma once

#include "Platform/Export.hpp"

#include <memory>
#include <mutex>

namespace platform {

/// Seconds since 1970-01-01 00:00:00 UTC, the platform's time interval since 1970.
using TimeInterval = double;

/// A source of the current time.
class PLATFORM_EXPORT Clock {
public:
    virtual ~Clock() = default;
    virtual TimeInterval now() const = 0;
};

/// The wall clock.
class PLATFORM_EXPORT SystemClock final : public Clock {
public:
    TimeInterval now() const override;
};

/// A clock that moves only when told; tests and scripted runs use it.
class PLATFORM_EXPORT ManualClock final : public Clock {
public:
    explicit ManualClock(TimeInterval start = 0);
    TimeInterval now() const override;
    void set(TimeInterval time);
    void advance(TimeInterval seconds);

private:
    mutable std::mutex mutex_;
    TimeInterval now_;
};

/// The clock the whole process reads (the system clock unless replaced).
PLATFORM_EXPORT std::shared_ptr<Clock> currentClock();
PLATFORM_EXPORT void setCurrentClock(std::shared_ptr<Clock> clock);
/// The current clock as a manual clock, or null when it is not one.
PLATFORM_EXPORT std::shared_ptr<ManualClock> currentManualClock();

/// Now, in seconds since 1970, on the current clock.
PLATFORM_EXPORT TimeInterval now();

} // namespace platform
