#include "Platform/Foundation/DateFormatting.hpp"

#include "Platform/Foundation/LocaleIdentifier.hpp"

#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cmath>
#include <memory>

namespace platform {

namespace {

icu::UnicodeString fromUtf8(std::string_view text) {
    return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::unique_ptr<icu::TimeZone> zoneOrUtc(std::string_view identifier) {
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(fromUtf8(identifier)));
    // ICU answers an identifier it does not know with its "Etc/Unknown" zone,
    // which behaves like UTC but is named otherwise.
    if (!zone || *zone == icu::TimeZone::getUnknown()) {
        zone.reset(icu::TimeZone::createTimeZone(UNICODE_STRING_SIMPLE("UTC")));
    }
    return zone;
}

} // namespace

std::string formatDate(TimeInterval time, std::string_view pattern, std::string_view timeZone,
                       std::string_view localeIdentifier) {
    if (!std::isfinite(time)) return {};
    const auto locale = icuLocale(localeIdentifier);
    if (!locale) return {};
    UErrorCode status = U_ZERO_ERROR;
    icu::SimpleDateFormat formatter(fromUtf8(pattern), *locale, status);
    if (U_FAILURE(status)) return {};
    formatter.adoptTimeZone(zoneOrUtc(timeZone).release());

    icu::UnicodeString formatted;
    formatter.format(static_cast<UDate>(time * 1000.0), formatted);
    std::string text;
    formatted.toUTF8String(text);
    return text;
}

} // namespace platform
