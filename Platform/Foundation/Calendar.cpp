#include "Platform/Foundation/Calendar.hpp"

#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cmath>
#include <memory>
#include <mutex>

namespace platform {

namespace {

constexpr std::string_view kUtc = "UTC";

std::mutex gDeviceZoneMutex;
std::optional<std::string> gDeviceZoneOverride; // guarded by gDeviceZoneMutex

std::string toUtf8(const icu::UnicodeString& text) {
    std::string result;
    text.toUTF8String(result);
    return result;
}

// The zone for an identifier, or null when the database does not know it.
std::unique_ptr<icu::TimeZone> knownZone(std::string_view identifier) {
    if (identifier.empty() || identifier.size() > 256) {
        return nullptr;
    }
    const auto id = icu::UnicodeString::fromUTF8(icu::StringPiece(identifier.data(), static_cast<int32_t>(identifier.size())));
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(id));
    icu::UnicodeString resolved;
    if (!zone || zone->getID(resolved) == UNICODE_STRING_SIMPLE(UCAL_UNKNOWN_ZONE_ID)) {
        return nullptr;
    }
    return zone;
}

std::unique_ptr<icu::TimeZone> zoneOrUtc(std::string_view identifier) {
    auto zone = knownZone(identifier);
    if (!zone) {
        zone.reset(icu::TimeZone::createTimeZone(UNICODE_STRING_SIMPLE("UTC")));
    }
    return zone;
}

// A Gregorian calendar in the zone that resolves skipped wall-clock times to
// the next valid moment and repeated ones to their first occurrence.
std::unique_ptr<icu::Calendar> makeCalendar(std::string_view timeZone) {
    UErrorCode status = U_ZERO_ERROR;
    auto calendar = std::make_unique<icu::GregorianCalendar>(zoneOrUtc(timeZone).release(), icu::Locale::getRoot(),
                                                             status);
    if (U_FAILURE(status)) {
        return nullptr;
    }
    calendar->setRepeatedWallTimeOption(UCAL_WALLTIME_FIRST);
    calendar->setSkippedWallTimeOption(UCAL_WALLTIME_NEXT_VALID);
    return calendar;
}

// A moment split into whole seconds, which go through the calendar, and the
// fraction of a second, which no zone offset touches.
struct SplitTime {
    double wholeSeconds;
    double fraction;
};

SplitTime split(TimeInterval time) {
    const double whole = std::floor(time);
    return {whole, time - whole};
}

int nanosecondsOf(double fraction) {
    const auto nanoseconds = static_cast<long long>(std::llround(fraction * 1e9));
    return static_cast<int>(std::min(nanoseconds, 999'999'999LL));
}

// The calendar set to `wholeSeconds`; null when it cannot be.
std::unique_ptr<icu::Calendar> calendarAt(double wholeSeconds, std::string_view timeZone) {
    auto calendar = makeCalendar(timeZone);
    if (!calendar) {
        return nullptr;
    }
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(wholeSeconds * 1000.0, status);
    return U_SUCCESS(status) ? std::move(calendar) : nullptr;
}

std::optional<int32_t> localDayNumber(TimeInterval time, std::string_view timeZone) {
    if (!std::isfinite(time)) {
        return std::nullopt;
    }
    auto calendar = calendarAt(split(time).wholeSeconds, timeZone);
    if (!calendar) {
        return std::nullopt;
    }
    UErrorCode status = U_ZERO_ERROR;
    const int32_t day = calendar->get(UCAL_JULIAN_DAY, status);
    return U_SUCCESS(status) ? std::optional<int32_t>(day) : std::nullopt;
}

} // namespace

std::string deviceTimeZone() {
    {
        std::lock_guard lock(gDeviceZoneMutex);
        if (gDeviceZoneOverride) {
            return *gDeviceZoneOverride;
        }
    }
    std::unique_ptr<icu::TimeZone> host(icu::TimeZone::createDefault());
    icu::UnicodeString id;
    if (host) {
        host->getID(id);
    }
    const std::string identifier = toUtf8(id);
    return isKnownTimeZone(identifier) ? identifier : std::string(kUtc);
}

bool setDeviceTimeZone(std::string_view identifier) {
    const bool known = isKnownTimeZone(identifier);
    std::lock_guard lock(gDeviceZoneMutex);
    gDeviceZoneOverride = known ? std::string(identifier) : std::string(kUtc);
    return known;
}

void resetDeviceTimeZone() {
    std::lock_guard lock(gDeviceZoneMutex);
    gDeviceZoneOverride.reset();
}

bool isKnownTimeZone(std::string_view identifier) { return knownZone(identifier) != nullptr; }

TimeInterval startOfDay(TimeInterval time) { return startOfDay(time, deviceTimeZone()); }

TimeInterval startOfDay(TimeInterval time, std::string_view timeZone) {
    if (!std::isfinite(time)) {
        return time;
    }
    auto calendar = calendarAt(split(time).wholeSeconds, timeZone);
    if (!calendar) {
        return time;
    }
    calendar->set(UCAL_HOUR_OF_DAY, 0);
    calendar->set(UCAL_MINUTE, 0);
    calendar->set(UCAL_SECOND, 0);
    calendar->set(UCAL_MILLISECOND, 0);
    UErrorCode status = U_ZERO_ERROR;
    const UDate start = calendar->getTime(status);
    return U_SUCCESS(status) ? start / 1000.0 : time;
}

bool isSameDay(TimeInterval a, TimeInterval b) { return isSameDay(a, b, deviceTimeZone()); }

bool isSameDay(TimeInterval a, TimeInterval b, std::string_view timeZone) {
    const auto first = localDayNumber(a, timeZone);
    const auto second = localDayNumber(b, timeZone);
    return first && second && *first == *second;
}

std::int64_t daysBetween(TimeInterval from, TimeInterval to) { return daysBetween(from, to, deviceTimeZone()); }

std::int64_t daysBetween(TimeInterval from, TimeInterval to, std::string_view timeZone) {
    const auto first = localDayNumber(from, timeZone);
    const auto second = localDayNumber(to, timeZone);
    if (!first || !second) {
        return 0;
    }
    return static_cast<std::int64_t>(*second) - static_cast<std::int64_t>(*first);
}

DateComponents dateComponents(TimeInterval time) { return dateComponents(time, deviceTimeZone()); }

DateComponents dateComponents(TimeInterval time, std::string_view timeZone) {
    if (!std::isfinite(time)) {
        return {};
    }
    const SplitTime parts = split(time);
    auto calendar = calendarAt(parts.wholeSeconds, timeZone);
    if (!calendar) {
        return {};
    }
    UErrorCode status = U_ZERO_ERROR;
    DateComponents components;
    // EXTENDED_YEAR keeps years before the common era apart (0, -1, ...).
    components.year = calendar->get(UCAL_EXTENDED_YEAR, status);
    components.month = calendar->get(UCAL_MONTH, status) + 1;
    components.day = calendar->get(UCAL_DATE, status);
    components.hour = calendar->get(UCAL_HOUR_OF_DAY, status);
    components.minute = calendar->get(UCAL_MINUTE, status);
    components.second = calendar->get(UCAL_SECOND, status);
    components.weekday = calendar->get(UCAL_DAY_OF_WEEK, status);
    components.nanosecond = nanosecondsOf(parts.fraction);
    return U_SUCCESS(status) ? components : DateComponents{};
}

std::optional<TimeInterval> addingDays(TimeInterval time, int days) {
    return addingDays(time, days, deviceTimeZone());
}

std::optional<TimeInterval> addingDays(TimeInterval time, int days, std::string_view timeZone) {
    if (!std::isfinite(time)) {
        return std::nullopt;
    }
    const SplitTime parts = split(time);
    auto calendar = calendarAt(parts.wholeSeconds, timeZone);
    if (!calendar) {
        return std::nullopt;
    }
    UErrorCode status = U_ZERO_ERROR;
    calendar->add(UCAL_DATE, days, status);
    const UDate result = calendar->getTime(status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    return result / 1000.0 + parts.fraction;
}

std::optional<TimeInterval> nextTimeMatching(TimeInterval time, int hour, int minute, int second, int nanosecond,
                                             SearchDirection direction) {
    return nextTimeMatching(time, hour, minute, second, nanosecond, direction, deviceTimeZone());
}

std::optional<TimeInterval> nextTimeMatching(TimeInterval time, int hour, int minute, int second, int nanosecond,
                                             SearchDirection direction, std::string_view timeZone) {
    if (!std::isfinite(time) || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        nanosecond < 0 || nanosecond > 999'999'999) {
        return std::nullopt;
    }
    const auto today = localDayNumber(time, timeZone);
    auto calendar = makeCalendar(timeZone);
    if (!today || !calendar) {
        return std::nullopt;
    }
    const int step = direction == SearchDirection::forward ? 1 : -1;
    // The wanted time on the day of `time` may lie on the wrong side of it;
    // the day after (or before) always holds a match. A third day covers
    // zones that skip a whole calendar day.
    for (int offset = 0; offset <= 2; ++offset) {
        calendar->clear();
        calendar->set(UCAL_JULIAN_DAY, *today + step * offset);
        calendar->set(UCAL_HOUR_OF_DAY, hour);
        calendar->set(UCAL_MINUTE, minute);
        calendar->set(UCAL_SECOND, second);
        UErrorCode status = U_ZERO_ERROR;
        const UDate moment = calendar->getTime(status);
        // When the wall-clock time was skipped, the calendar moved to the end
        // of the gap; that moment is the match, without the fraction.
        const bool exists = calendar->get(UCAL_HOUR_OF_DAY, status) == hour &&
                            calendar->get(UCAL_MINUTE, status) == minute &&
                            calendar->get(UCAL_SECOND, status) == second;
        if (U_FAILURE(status)) {
            return std::nullopt;
        }
        const TimeInterval candidate = moment / 1000.0 + (exists ? nanosecond / 1e9 : 0.0);
        if (direction == SearchDirection::forward ? candidate > time : candidate < time) {
            return candidate;
        }
    }
    return std::nullopt;
}

} // namespace platform
