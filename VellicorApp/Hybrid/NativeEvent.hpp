#pragma once

#include "VellicorApp/Core/ParseableError.hpp"

#include "Platform/Foundation/Json.hpp"

#include <expected>
#include <optional>
#include <string_view>

namespace vellicor {

/// What a page can ask the app to do natively through "invokeNativeEvent".
enum class NativeEventType {
    downloadFile,          // "downloadFile": fetch a record's file and preview it
    navigateToExternalURL, // "navigateToExternalURL": open a URL the way the URL rules say
};

/// The page's name of the event type.
std::string_view rawValue(NativeEventType type);
/// The type of a page's name, compared exactly; none for any other text.
std::optional<NativeEventType> nativeEventType(std::string_view rawValue);

/// One event a page asked for: its type and its attributes, which the event
/// handler reads as it needs.
struct NativeEvent {
    NativeEventType type;
    /// The page's "data" object, unchanged.
    platform::Json attributes;

    /// The page's message body {"action": TYPE, "data": {...}}. Anything else
    /// (no object, a missing or unknown action, data missing or no object)
    /// fails with unknownNativeAction.
    static std::expected<NativeEvent, ParseableError> parseObject(const platform::Json& object);
};

} // namespace vellicor
