#include "Platform/Foundation/Iso8601DateTime.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

using namespace platform;

namespace {

TEST(Iso8601DateTime, ParsesInternetTimeStampsAndRejectsEverythingElse) {
    struct Case {
        const char* name;
        std::string text;
        std::optional<TimeInterval> expected;
    };
    const Case cases[] = {
        {"utc", "2024-03-10T08:30:00Z", 1710059400},
        {"epoch", "1970-01-01T00:00:00Z", 0},
        {"before epoch", "1969-12-31T23:59:59Z", -1},
        {"positive offset", "2024-03-10T09:30:00+01:00", 1710059400},
        {"negative offset", "2024-03-10T03:00:00-05:30", 1710059400},
        {"leap day", "2024-02-29T00:00:00Z", 1709164800},
        {"end of day", "2024-12-31T23:59:59Z", 1735689599},
        {"fractional seconds", "2024-03-10T08:30:00.250Z", std::nullopt},
        {"no designator", "2024-03-10T08:30:00", std::nullopt},
        {"lower-case z", "2024-03-10T08:30:00z", std::nullopt},
        {"blank separator", "2024-03-10 08:30:00Z", std::nullopt},
        {"date only", "2024-03-10", std::nullopt},
        {"basic format", "20240310T083000Z", std::nullopt},
        {"offset without colon", "2024-03-10T09:30:00+0100", std::nullopt},
        {"offset out of range", "2024-03-10T09:30:00+24:00", std::nullopt},
        {"February 30", "2024-02-30T00:00:00Z", std::nullopt},
        {"no leap day", "2023-02-29T00:00:00Z", std::nullopt},
        {"month 13", "2024-13-01T00:00:00Z", std::nullopt},
        {"hour 24", "2024-03-10T24:00:00Z", std::nullopt},
        {"leap second", "2024-03-10T08:30:60Z", std::nullopt},
        {"signed field", "2024-03-+1T08:30:00Z", std::nullopt},
        {"trailing text", "2024-03-10T08:30:00Zjunk", std::nullopt},
        {"leading blank", " 2024-03-10T08:30:00Z", std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseIso8601DateTime(c.text), c.expected) << c.name;
    }
}

TEST(Iso8601DateTime, WritesUtcAndReadsItBack) {
    struct Case {
        const char* name;
        TimeInterval time;
        std::string expected;
    };
    const Case cases[] = {
        {"epoch", 0, "1970-01-01T00:00:00Z"},
        {"fraction dropped", 1710059400.75, "2024-03-10T08:30:00Z"},
        {"before epoch rounds down", -0.5, "1969-12-31T23:59:59Z"},
        {"leap day", 1709164800, "2024-02-29T00:00:00Z"},
        {"not finite", std::numeric_limits<double>::infinity(), ""},
        {"year beyond 9999", 400000000000.0, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(iso8601DateTimeString(c.time), c.expected) << c.name;
        if (!c.expected.empty()) {
            EXPECT_EQ(parseIso8601DateTime(c.expected), std::floor(c.time)) << c.name;
        }
    }
}

} // namespace
