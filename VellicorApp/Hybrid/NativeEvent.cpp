#include "VellicorApp/Hybrid/NativeEvent.hpp"

namespace vellicor {

std::string_view rawValue(NativeEventType type) {
    switch (type) {
    case NativeEventType::downloadFile: return "downloadFile";
    case NativeEventType::navigateToExternalURL: return "navigateToExternalURL";
    }
    return "";
}

std::optional<NativeEventType> nativeEventType(std::string_view text) {
    for (const auto type : {NativeEventType::downloadFile, NativeEventType::navigateToExternalURL}) {
        if (rawValue(type) == text) return type;
    }
    return std::nullopt;
}

std::expected<NativeEvent, ParseableError> NativeEvent::parseObject(const platform::Json& object) {
    const auto failure = std::unexpected(ParseableError::unknownNativeAction());
    if (!object.is_object()) return failure;
    const auto action = platform::jsonString(object, "action");
    const auto type = action ? nativeEventType(*action) : std::nullopt;
    const auto* data = platform::jsonObject(object, "data");
    if (!type || !data) return failure;
    return NativeEvent{*type, *data};
}

} // namespace vellicor
