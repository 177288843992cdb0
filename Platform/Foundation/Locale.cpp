#include "Platform/Foundation/Locale.hpp"

#include "Platform/Foundation/LocaleIdentifier.hpp"

namespace platform {

std::optional<std::string> languageCode(std::string_view localeIdentifier) {
    const auto locale = icuLocale(localeIdentifier);
    if (!locale || locale->getLanguage()[0] == '\0') return std::nullopt;
    return std::string(locale->getLanguage());
}

} // namespace platform
