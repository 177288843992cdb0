#pragma once

#include "Platform/Foundation/Clock.hpp"

#include <cstdint>

namespace vellicor {

/// Something timed: a start and an end in seconds since 1970.
class DurationTracking {
public:
    virtual ~DurationTracking() = default;

    virtual platform::TimeInterval startTime() const = 0;
    virtual void setStartTime(platform::TimeInterval time) = 0;
    virtual platform::TimeInterval endTime() const = 0;
    virtual void setEndTime(platform::TimeInterval time) = 0;

    /// endTime − startTime in seconds when that is greater than 0, else 0: a
    /// start without an end, or an end before the start, lasts 0 seconds.
    platform::TimeInterval duration() const;
};

/// Seconds as whole milliseconds: times 1000, truncated toward zero. Every
/// millisecond value the instrumentation logs or compares is made this way.
/// Not-a-number gives 0; infinities and values beyond the 64-bit range are
/// clamped to its ends.
std::int64_t korvaTime(platform::TimeInterval seconds);

/// A number truncated toward zero to a whole number, with the same rules
/// for values that do not fit.
std::int64_t truncatedToInteger(double value);

} // namespace vellicor
