#include "Platform/Foundation/DateFormatting.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>

using platform::formatDate;

namespace {

// 2024-05-01 14:05:09 UTC.
constexpr platform::TimeInterval kTime = 1'714'572'309.0;

TEST(DateFormatting, WritesThePatternInTheZoneWithTheLocalesCalendar) {
    struct Case {
        const char* name;
        const char* pattern;
        const char* zone;
        const char* locale;
        std::string expected;
    };
    const Case cases[] = {
        {"24-hour clock in UTC", "yyyy-MM-dd HH:mm", "UTC", "en-US", "2024-05-01 14:05"},
        {"12-hour clock without a marker", "yyyyMMddhhmmss", "GMT", "en-US", "20240501020509"},
        {"another zone", "yyyy-MM-dd HH:mm", "Europe/Berlin", "en-US", "2024-05-01 16:05"},
        {"an unknown zone is UTC", "HH:mm", "Nowhere/Else", "en-US", "14:05"},
        {"Buddhist calendar", "yyyy", "UTC", "th-TH", "2567"},
        {"the locale's digits", "yyyy", "UTC", "ar-EG", "\u0662\u0660\u0662\u0664"},
        {"no locale", "yyyy-MM-dd", "UTC", "", "2024-05-01"},
        {"the platform's form of an identifier", "yyyy", "UTC", "th_TH", "2567"},
        {"a malformed identifier", "yyyy", "UTC", "en--US", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(formatDate(kTime, c.pattern, c.zone, c.locale), c.expected);
    }
}

TEST(DateFormatting, ATimeThatIsNotFiniteGivesNothing) {
    EXPECT_EQ(formatDate(std::numeric_limits<double>::infinity(), "yyyy", "UTC", "en-US"), "");
    EXPECT_EQ(formatDate(std::numeric_limits<double>::quiet_NaN(), "yyyy", "UTC", "en-US"), "");
}

} // namespace
