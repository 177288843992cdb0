#pragma once

#include "Platform/Export.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace platform {

/// The language code of a locale identifier, written as a language tag
/// ("en-US", "th-TH-u-nu-latn") or in the platform's form ("de_CH"): "en",
/// "th", "de". None when the identifier names no language ("", "und") or is
/// not one.
PLATFORM_EXPORT std::optional<std::string> languageCode(std::string_view localeIdentifier);

} // namespace platform
