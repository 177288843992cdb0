#include "Platform/Foundation/Calendar.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace platform;

namespace {

constexpr std::string_view kBerlin = "Europe/Berlin";

// Moments around the 2024 clock changes in Berlin (UTC seconds).
constexpr TimeInterval kMar30Midnight = 1711753200; // Sat 00:00 CET
constexpr TimeInterval kMar31Midnight = 1711839600; // Sun 00:00 CET, a 23-hour day
constexpr TimeInterval kApr01Midnight = 1711922400; // Mon 00:00 CEST
constexpr TimeInterval kMar30Noon = 1711796400;
constexpr TimeInterval kMar31Noon = 1711879200;
constexpr TimeInterval kApr01Noon = 1711965600;
constexpr TimeInterval kOct27Midnight = 1729980000; // Sun 00:00 CEST, a 25-hour day
constexpr TimeInterval kOct28Midnight = 1730070000; // Mon 00:00 CET

class CalendarTest : public ::testing::Test {
protected:
    void TearDown() override { resetDeviceTimeZone(); }
};

TEST_F(CalendarTest, StartOfDayFollowsTheZoneAcrossClockChanges) {
    struct Case {
        const char* name;
        TimeInterval time;
        std::string_view zone;
        TimeInterval start;
    };
    const Case cases[] = {
        {"noon before spring change", kMar30Noon, kBerlin, kMar30Midnight},
        {"noon on 23-hour day", kMar31Noon, kBerlin, kMar31Midnight},
        {"last second of 23-hour day", kApr01Midnight - 1, kBerlin, kMar31Midnight},
        {"first moment of the next day", kApr01Midnight, kBerlin, kApr01Midnight},
        {"late on 25-hour day", kOct28Midnight - 0.5, kBerlin, kOct27Midnight},
        {"UTC day differs from Berlin day", kMar31Midnight + 1800, "UTC", kMar31Midnight - 82800},
        // 2018-11-04 in Sao Paulo had no midnight: the day began at 01:00.
        {"skipped midnight", 1541340000, "America/Sao_Paulo", 1541300400},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(startOfDay(c.time, c.zone), c.start) << c.name;
    }
    EXPECT_EQ(kApr01Midnight - kMar31Midnight, 23 * 3600);
    EXPECT_EQ(kOct28Midnight - kOct27Midnight, 25 * 3600);
}

TEST_F(CalendarTest, SameDayAndDaysBetweenCountCalendarDays) {
    // 00:30 and 23:30 Berlin time on the 23-hour day: one day there, two in UTC.
    EXPECT_TRUE(isSameDay(kMar31Midnight + 1800, kApr01Midnight - 1800, kBerlin));
    EXPECT_FALSE(isSameDay(kMar31Midnight + 1800, kApr01Midnight - 1800, "UTC"));
    EXPECT_FALSE(isSameDay(kApr01Midnight - 1, kApr01Midnight, kBerlin));

    struct Case {
        const char* name;
        TimeInterval from;
        TimeInterval to;
        std::int64_t days;
    };
    const Case cases[] = {
        {"noon to noon over a 23-hour day (47 hours)", kMar30Noon, kApr01Noon, 2},
        {"backwards", kApr01Noon, kMar30Noon, -2},
        {"24 hours inside one 25-hour day", kOct27Midnight + 1800, kOct27Midnight + 1800 + 86400, 0},
        {"one second across midnight", kApr01Midnight - 1, kApr01Midnight, 1},
        {"same moment", kMar31Noon, kMar31Noon, 0},
        {"over a year", kMar30Noon, kMar30Noon + 366 * 86400.0, 366},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(daysBetween(c.from, c.to, kBerlin), c.days) << c.name;
    }
}

TEST_F(CalendarTest, DateComponentsInSeveralZones) {
    const TimeInterval t = 1'700'000'000.25; // 2023-11-14 22:13:20.25 UTC, a Tuesday
    EXPECT_EQ(dateComponents(t, "UTC"), (DateComponents{2023, 11, 14, 22, 13, 20, 250'000'000, 3}));
    EXPECT_EQ(dateComponents(t, kBerlin), (DateComponents{2023, 11, 14, 23, 13, 20, 250'000'000, 3}));
    EXPECT_EQ(dateComponents(t, "Asia/Tokyo"), (DateComponents{2023, 11, 15, 7, 13, 20, 250'000'000, 4}));
    EXPECT_EQ(dateComponents(-0.5, "UTC"), (DateComponents{1969, 12, 31, 23, 59, 59, 500'000'000, 4}));
    EXPECT_EQ(dateComponents(std::numeric_limits<double>::quiet_NaN(), "UTC"), DateComponents{});
}

TEST_F(CalendarTest, DeviceZoneCanBeSetAndUnknownZonesFallBackToUtc) {
    EXPECT_TRUE(setDeviceTimeZone(kBerlin));
    EXPECT_EQ(deviceTimeZone(), kBerlin);
    EXPECT_EQ(startOfDay(kMar31Noon), kMar31Midnight);
    EXPECT_TRUE(isSameDay(kMar31Midnight + 1800, kApr01Midnight - 1800));
    EXPECT_EQ(daysBetween(kMar30Noon, kApr01Noon), 2);
    EXPECT_EQ(dateComponents(kMar31Noon).hour, 12);

    EXPECT_FALSE(setDeviceTimeZone("Mars/Olympus_Mons"));
    EXPECT_EQ(deviceTimeZone(), "UTC");
    EXPECT_EQ(dateComponents(kMar31Noon).hour, 10);

    EXPECT_FALSE(isKnownTimeZone("Mars/Olympus_Mons"));
    EXPECT_FALSE(isKnownTimeZone(""));
    EXPECT_TRUE(isKnownTimeZone("America/New_York"));
    EXPECT_EQ(startOfDay(kMar31Noon, "Mars/Olympus_Mons"), startOfDay(kMar31Noon, "UTC"));

    resetDeviceTimeZone();
    EXPECT_TRUE(isKnownTimeZone(deviceTimeZone()));
}

TEST_F(CalendarTest, AddingDaysKeepsTheWallClockTime) {
    EXPECT_EQ(addingDays(kMar30Noon, 1, kBerlin), kMar31Noon); // 23 hours later
    EXPECT_EQ(addingDays(kMar30Noon, 2, kBerlin), kApr01Noon);
    EXPECT_EQ(addingDays(kApr01Noon, -2, kBerlin), kMar30Noon);
    EXPECT_EQ(addingDays(kMar30Noon + 0.75, 1, kBerlin), kMar31Noon + 0.75);
    EXPECT_EQ(addingDays(std::numeric_limits<double>::infinity(), 1, kBerlin), std::nullopt);
}

TEST_F(CalendarTest, TimesThatAreNotFiniteOrFarOutAreHandled) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(std::isnan(startOfDay(nan, kBerlin)));
    EXPECT_EQ(startOfDay(infinity, kBerlin), infinity);
    EXPECT_FALSE(isSameDay(nan, nan, kBerlin));
    EXPECT_EQ(daysBetween(nan, kMar30Noon, kBerlin), 0);
    EXPECT_EQ(nextTimeMatching(nan, 1, 0, 0, 0, SearchDirection::forward, kBerlin), std::nullopt);
    // Far outside the calendar's range the answers are clamped, never a crash.
    EXPECT_TRUE(std::isfinite(startOfDay(1e300, kBerlin)));
    EXPECT_NE(dateComponents(-1e300, kBerlin).year, 0);
}

TEST_F(CalendarTest, NextTimeMatchingHandlesGapsAndRepeatedHours) {
    struct Case {
        const char* name;
        TimeInterval from;
        int hour, minute, second, nanosecond;
        SearchDirection direction;
        std::optional<TimeInterval> expected;
    };
    const Case cases[] = {
        {"plain next day", kMar30Noon + 0.25, 12, 0, 0, 250'000'000, SearchDirection::forward, kMar31Noon + 0.25},
        {"later the same day", kMar30Midnight, 12, 0, 0, 0, SearchDirection::forward, kMar30Noon},
        {"backward", kApr01Noon, 12, 0, 0, 0, SearchDirection::backward, kMar31Noon},
        // 02:30 does not exist on 31 March: the first moment after the gap, 03:00 CEST.
        {"skipped time moves past the gap", 1711762200, 2, 30, 0, 0, SearchDirection::forward, 1711846800},
        // 02:30 happens twice on 27 October: the first (summer-time) one counts.
        {"repeated time forward", 1729902600, 2, 30, 0, 0, SearchDirection::forward, 1729989000},
        {"repeated time backward", 1730079000, 2, 30, 0, 0, SearchDirection::backward, 1729989000},
        {"from the second occurrence", 1729992600, 2, 30, 0, 0, SearchDirection::forward, 1730079000},
        {"hour out of range", kMar30Noon, 24, 0, 0, 0, SearchDirection::forward, std::nullopt},
        {"negative nanosecond", kMar30Noon, 1, 0, 0, -1, SearchDirection::forward, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(nextTimeMatching(c.from, c.hour, c.minute, c.second, c.nanosecond, c.direction, kBerlin),
                  c.expected)
            << c.name;
    }
}

} // namespace
