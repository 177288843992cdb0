#include "VellicorApp/Community/TabIcon.hpp"

namespace vellicor {

std::expected<TabIcon, ParseableError> TabIcon::parseObject(const platform::Json& dict) {
    const auto field = [&](const char* key) -> std::optional<std::string> {
        if (!dict.is_object() || !dict.contains(key)) return std::nullopt;
        return platform::asString(dict.at(key));
    };
    const auto urlText = field("url");
    const auto url = urlText ? platform::Url::parse(*urlText) : std::nullopt;
    const auto payloadText = field("payload");
    const auto payload = payloadText ? platform::base64Decode(*payloadText) : std::nullopt;
    const auto mimeType = field("mimeType");
    if (!url || !payload || !mimeType) return std::unexpected(ParseableError::missingRequiredAttributes());
    return TabIcon{*url, *payload, *mimeType};
}

} // namespace vellicor
