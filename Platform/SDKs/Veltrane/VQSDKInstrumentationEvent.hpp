#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Json.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform::veltrane {

/// The kind of an instrumentation event.
enum class VQASchemaType : int { interaction = 0, pageView = 1, performance = 2, error = 3 };
/// What caused an interaction.
enum class VQAEventType : int { user = 0, system = 1, error = 2, data = 3 };
/// The severity of an event.
enum class VQAErrorType : int { info = 0, warn = 1, error = 2 };

/// The names the event's JSON forms use for the enum values.
PLATFORM_EXPORT const char* schemaTypeName(VQASchemaType type);   // "interaction", "pageView", "performance", "error"
PLATFORM_EXPORT const char* eventTypeName(VQAEventType type);     // "user", "system", "error", "data"
PLATFORM_EXPORT const char* errorTypeName(VQAErrorType type);     // "info", "warn", "error"
PLATFORM_EXPORT std::optional<VQASchemaType> schemaTypeFromInt(std::int64_t raw);
PLATFORM_EXPORT std::optional<VQAEventType> eventTypeFromInt(std::int64_t raw);
PLATFORM_EXPORT std::optional<VQAErrorType> errorTypeFromInt(std::int64_t raw);

/// One instrumentation event, as the event builder made it. Events are
/// immutable once built and shared as `std::shared_ptr<const ...>`. Times are
/// milliseconds since 1970 (0: not set).
struct PLATFORM_EXPORT VQSDKInstrumentationEvent {
    std::string eventId; // unique; letters, digits and "-" only
    std::string name;
    VQASchemaType schemaType = VQASchemaType::interaction;
    std::optional<VQAEventType> eventType;
    std::optional<VQAErrorType> errorType;
    std::optional<std::string> sessionId;
    std::int64_t startTime = 0;
    std::int64_t endTime = 0;
    std::optional<std::string> senderId;
    std::optional<std::string> senderParentId;
    std::optional<Json> senderContext; // an object
    std::optional<Json> page;          // an object
    std::optional<Json> attributes;    // an object
    /// The signed-in user the event was built for; none for the unauthenticated manager.
    std::optional<std::string> userId;
    std::optional<std::string> orgId;

    /// The stored form: a JSON object with the field names above as keys
    /// (enums as their raw integers, absent fields left out).
    Json jsonRepresentation() const;
    /// An event from its stored form; none when a field is missing, of the
    /// wrong type or out of range, or the id is not a valid event id.
    static std::shared_ptr<const VQSDKInstrumentationEvent> fromJson(const Json& json);

    /// Whether a text can be an event id: non-empty, at most 64 characters of
    /// ASCII letters, digits and "-".
    static bool isValidEventId(std::string_view id);

    bool operator==(const VQSDKInstrumentationEvent&) const = default;
};

} // namespace platform::veltrane
