#include "Platform/Foundation/Iso8601DateTime.hpp"

#include <chrono>
#include <cmath>

#include <fmt/format.h>

namespace platform {

namespace {

// Exactly `count` ASCII digits at `pos`.
std::optional<int> digits(std::string_view text, std::size_t pos, std::size_t count) {
    if (pos + count > text.size()) return std::nullopt;
    int value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool charAt(std::string_view text, std::size_t pos, char expected) {
    return pos < text.size() && text[pos] == expected;
}

} // namespace

std::optional<TimeInterval> parseIso8601DateTime(std::string_view text) {
    // YYYY-MM-DDTHH:MM:SS then Z or ±HH:MM.
    const auto year = digits(text, 0, 4);
    const auto month = digits(text, 5, 2);
    const auto day = digits(text, 8, 2);
    const auto hour = digits(text, 11, 2);
    const auto minute = digits(text, 14, 2);
    const auto second = digits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    if (!charAt(text, 4, '-') || !charAt(text, 7, '-') || !charAt(text, 10, 'T') || !charAt(text, 13, ':') ||
        !charAt(text, 16, ':')) {
        return std::nullopt;
    }
    if (*hour > 23 || *minute > 59 || *second > 59) return std::nullopt;

    int offsetSeconds = 0;
    const auto zone = text.substr(19);
    if (zone == "Z") {
        offsetSeconds = 0;
    } else if (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':') {
        const auto offsetHours = digits(zone, 1, 2);
        const auto offsetMinutes = digits(zone, 4, 2);
        if (!offsetHours || !offsetMinutes || *offsetHours > 23 || *offsetMinutes > 59) return std::nullopt;
        offsetSeconds = (*offsetHours * 3600 + *offsetMinutes * 60) * (zone[0] == '-' ? -1 : 1);
    } else {
        return std::nullopt;
    }

    const std::chrono::year_month_day date{std::chrono::year{*year}, std::chrono::month{static_cast<unsigned>(*month)},
                                           std::chrono::day{static_cast<unsigned>(*day)}};
    if (!date.ok()) return std::nullopt;
    const auto days = std::chrono::sys_days{date}.time_since_epoch().count();
    const auto local = static_cast<double>(days) * 86400.0 + *hour * 3600 + *minute * 60 + *second;
    return local - offsetSeconds;
}

std::string iso8601DateTimeString(TimeInterval time) {
    if (!std::isfinite(time)) return {};
    const auto whole = std::floor(time);
    const auto dayCount = static_cast<long long>(std::floor(whole / 86400.0));
    const auto secondsOfDay = static_cast<long long>(whole - static_cast<double>(dayCount) * 86400.0);
    const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{dayCount}}};
    const int year = static_cast<int>(date.year());
    if (year < 0 || year > 9999) return {};
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}Z", year, static_cast<unsigned>(date.month()),
                       static_cast<unsigned>(date.day()), secondsOfDay / 3600, secondsOfDay / 60 % 60,
                       secondsOfDay % 60);
}

} // namespace platform
