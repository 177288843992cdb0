#include "VellicorApp/Instrumentation/DurationTracking.hpp"

#include <cmath>
#include <limits>

namespace vellicor {

platform::TimeInterval DurationTracking::duration() const {
    const auto difference = endTime() - startTime();
    return difference > 0 ? difference : 0;
}

std::int64_t korvaTime(platform::TimeInterval seconds) { return truncatedToInteger(seconds * 1000); }

std::int64_t truncatedToInteger(double value) {
    if (std::isnan(value)) return 0;
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    constexpr double kLimit = 9223372036854775808.0;
    if (value >= kLimit) return std::numeric_limits<std::int64_t>::max();
    if (value <= -kLimit) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(std::trunc(value));
}

} // namespace vellicor
