#include "Platform/SDKs/Veltrane/VQSDKInstrumentationEvent.hpp"

#include <algorithm>

namespace platform::veltrane {

const char* schemaTypeName(VQASchemaType type) {
    switch (type) {
    case VQASchemaType::interaction: return "interaction";
    case VQASchemaType::pageView: return "pageView";
    case VQASchemaType::performance: return "performance";
    case VQASchemaType::error: return "error";
    }
    return "interaction";
}

const char* eventTypeName(VQAEventType type) {
    switch (type) {
    case VQAEventType::user: return "user";
    case VQAEventType::system: return "system";
    case VQAEventType::error: return "error";
    case VQAEventType::data: return "data";
    }
    return "user";
}

const char* errorTypeName(VQAErrorType type) {
    switch (type) {
    case VQAErrorType::info: return "info";
    case VQAErrorType::warn: return "warn";
    case VQAErrorType::error: return "error";
    }
    return "info";
}

std::optional<VQASchemaType> schemaTypeFromInt(std::int64_t raw) {
    if (raw < 0 || raw > 3) return std::nullopt;
    return static_cast<VQASchemaType>(raw);
}

std::optional<VQAEventType> eventTypeFromInt(std::int64_t raw) {
    if (raw < 0 || raw > 3) return std::nullopt;
    return static_cast<VQAEventType>(raw);
}

std::optional<VQAErrorType> errorTypeFromInt(std::int64_t raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<VQAErrorType>(raw);
}

bool VQSDKInstrumentationEvent::isValidEventId(std::string_view id) {
    return !id.empty() && id.size() <= 64 && std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
    });
}

Json VQSDKInstrumentationEvent::jsonRepresentation() const {
    Json json = {{"eventId", eventId},
                 {"name", name},
                 {"schemaType", static_cast<int>(schemaType)},
                 {"startTime", startTime},
                 {"endTime", endTime}};
    if (eventType) json["eventType"] = static_cast<int>(*eventType);
    if (errorType) json["errorType"] = static_cast<int>(*errorType);
    if (sessionId) json["sessionId"] = *sessionId;
    if (senderId) json["senderId"] = *senderId;
    if (senderParentId) json["senderParentId"] = *senderParentId;
    if (senderContext) json["senderContext"] = *senderContext;
    if (page) json["page"] = *page;
    if (attributes) json["attributes"] = *attributes;
    if (userId) json["userId"] = *userId;
    if (orgId) json["orgId"] = *orgId;
    return json;
}

std::shared_ptr<const VQSDKInstrumentationEvent> VQSDKInstrumentationEvent::fromJson(const Json& json) {
    if (!json.is_object()) return nullptr;
    auto event = std::make_shared<VQSDKInstrumentationEvent>();
    auto id = jsonString(json, "eventId");
    auto name = jsonString(json, "name");
    auto schema = jsonInt(json, "schemaType");
    auto start = jsonInt(json, "startTime");
    auto end = jsonInt(json, "endTime");
    if (!id || !isValidEventId(*id) || !name || !schema || !start || !end) return nullptr;
    auto schemaType = schemaTypeFromInt(*schema);
    if (!schemaType) return nullptr;
    event->eventId = std::move(*id);
    event->name = std::move(*name);
    event->schemaType = *schemaType;
    event->startTime = *start;
    event->endTime = *end;

    if (const Json* value = jsonValue(json, "eventType")) {
        auto raw = asInt(*value);
        event->eventType = raw ? eventTypeFromInt(*raw) : std::nullopt;
        if (!event->eventType) return nullptr;
    }
    if (const Json* value = jsonValue(json, "errorType")) {
        auto raw = asInt(*value);
        event->errorType = raw ? errorTypeFromInt(*raw) : std::nullopt;
        if (!event->errorType) return nullptr;
    }
    const auto readString = [&json](const char* key, std::optional<std::string>& field) {
        const Json* value = jsonValue(json, key);
        if (!value) return true;
        field = asString(*value);
        return field.has_value();
    };
    const auto readObject = [&json](const char* key, std::optional<Json>& field) {
        const Json* value = jsonValue(json, key);
        if (!value) return true;
        if (!value->is_object()) return false;
        field = *value;
        return true;
    };
    if (!readString("sessionId", event->sessionId) || !readString("senderId", event->senderId) ||
        !readString("senderParentId", event->senderParentId) || !readString("userId", event->userId) ||
        !readString("orgId", event->orgId) || !readObject("senderContext", event->senderContext) ||
        !readObject("page", event->page) || !readObject("attributes", event->attributes)) {
        return nullptr;
    }
    return event;
}

} // namespace platform::veltrane
