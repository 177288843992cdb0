#pragma once

// Inside the platform library only: ICU's locale for an identifier.

#include <unicode/locid.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

/// The locale of a language tag ("en-US") or of the platform's form
/// ("en_US"); none when ICU cannot read it. An empty identifier is ICU's
/// root locale.
inline std::optional<icu::Locale> icuLocale(std::string_view identifier) {
    std::string tag(identifier);
    std::replace(tag.begin(), tag.end(), '_', '-');
    UErrorCode status = U_ZERO_ERROR;
    auto locale = icu::Locale::forLanguageTag(tag, status);
    if (U_FAILURE(status)) return std::nullopt;
    return locale;
}

} // namespace platform
