#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Clock.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Gregorian calendar arithmetic in a time zone named by its TZ database
// identifier ("Europe/Berlin", "UTC"). An identifier the time-zone database
// does not know is read as UTC. The overloads without a zone use the
// device's time zone.
//
// Where a wall-clock time does not exist on a day (clocks go forward), the
// next existing moment is used; where it occurs twice (clocks go back), the
// first occurrence.

/// The Gregorian fields of a moment in a time zone. `month` and `day` count
/// from 1; `weekday` runs from 1 (Sunday) to 7 (Saturday).
struct DateComponents {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int nanosecond = 0;
    int weekday = 0;

    bool operator==(const DateComponents&) const = default;
};

/// The identifier of the device's time zone: the one set with
/// setDeviceTimeZone, else the host's (ICU's default), else "UTC".
PLATFORM_EXPORT std::string deviceTimeZone();
/// Makes `identifier` the device's time zone (tests and scripted runs).
/// An unknown identifier selects "UTC" and gives false.
PLATFORM_EXPORT bool setDeviceTimeZone(std::string_view identifier);
/// Goes back to the host's time zone.
PLATFORM_EXPORT void resetDeviceTimeZone();
/// Whether the time-zone database knows `identifier`.
PLATFORM_EXPORT bool isKnownTimeZone(std::string_view identifier);

/// The first moment of the calendar day holding `time` (usually its midnight).
/// A time that is not finite comes back unchanged.
PLATFORM_EXPORT TimeInterval startOfDay(TimeInterval time);
PLATFORM_EXPORT TimeInterval startOfDay(TimeInterval time, std::string_view timeZone);

/// Whether two moments fall on the same calendar day.
PLATFORM_EXPORT bool isSameDay(TimeInterval a, TimeInterval b);
PLATFORM_EXPORT bool isSameDay(TimeInterval a, TimeInterval b, std::string_view timeZone);

/// Calendar days from the day of `from` to the day of `to` (negative when
/// `to` is on an earlier day), whatever the length of the days in between.
PLATFORM_EXPORT std::int64_t daysBetween(TimeInterval from, TimeInterval to);
PLATFORM_EXPORT std::int64_t daysBetween(TimeInterval from, TimeInterval to, std::string_view timeZone);

/// The fields of `time`; all zero for a time that is not finite.
PLATFORM_EXPORT DateComponents dateComponents(TimeInterval time);
PLATFORM_EXPORT DateComponents dateComponents(TimeInterval time, std::string_view timeZone);

/// The same wall-clock time `days` calendar days later (earlier when
/// negative); none for a time that is not finite.
PLATFORM_EXPORT std::optional<TimeInterval> addingDays(TimeInterval time, int days);
PLATFORM_EXPORT std::optional<TimeInterval> addingDays(TimeInterval time, int days, std::string_view timeZone);

enum class SearchDirection { forward, backward };

/// The nearest moment strictly after (or, backward, strictly before) `time`
/// whose wall-clock time is hour:minute:second.nanosecond. A wall-clock time
/// a day skips gives that day's first moment after the gap; a repeated one
/// counts only at its first occurrence. None for out-of-range fields or a
/// time that is not finite.
PLATFORM_EXPORT std::optional<TimeInterval> nextTimeMatching(TimeInterval time, int hour, int minute, int second,
                                                             int nanosecond, SearchDirection direction);
PLATFORM_EXPORT std::optional<TimeInterval> nextTimeMatching(TimeInterval time, int hour, int minute, int second,
                                                             int nanosecond, SearchDirection direction,
                                                             std::string_view timeZone);

} // namespace platform
