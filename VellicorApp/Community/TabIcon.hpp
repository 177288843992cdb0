#pragma once

#include "VellicorApp/Core/ParseableError.hpp"

#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/Url.hpp"

#include <expected>
#include <string>

namespace vellicor {

/// The icon of a tab as the web app sends it: where it lives and its bytes.
struct TabIcon {
    platform::Url url;
    platform::Data payload;
    std::string mimeType;

    /// "url" (a string forming a URL), "payload" (standard Base64) and
    /// "mimeType" (a string) are required: missingRequiredAttributes otherwise.
    static std::expected<TabIcon, ParseableError> parseObject(const platform::Json& dict);
};

} // namespace vellicor
