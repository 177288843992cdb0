#include "Platform/SDKs/Veltrane/VQSDKKORVATransform.hpp"

#include <algorithm>

namespace platform::veltrane {

std::shared_ptr<VQSDKKORVATransform> VQSDKKORVATransform::create() {
    return std::shared_ptr<VQSDKKORVATransform>(new VQSDKKORVATransform());
}

std::optional<Json> VQSDKKORVATransform::transform(const std::shared_ptr<const VQSDKInstrumentationEvent>& event) const {
    if (!event) return std::nullopt;
    return transform(*event);
}

std::optional<Json> VQSDKKORVATransform::transform(const VQSDKInstrumentationEvent& event) const {
    if (event.name.empty()) return std::nullopt;
    switch (event.schemaType) {
    case VQASchemaType::interaction:
        if (!event.eventType) return std::nullopt;
        break;
    case VQASchemaType::error:
        if (!event.errorType) return std::nullopt;
        break;
    case VQASchemaType::pageView:
        if (!event.page) return std::nullopt;
        break;
    case VQASchemaType::performance: break;
    }

    Json result = {{"schemaType", schemaTypeName(event.schemaType)},
                   {"eventId", event.eventId},
                   {"name", event.name},
                   {"startTime", event.startTime}};
    if (event.schemaType == VQASchemaType::pageView || event.schemaType == VQASchemaType::performance) {
        result["duration"] = std::max<std::int64_t>(0, event.endTime - event.startTime);
    }
    if (event.schemaType == VQASchemaType::interaction) result["eventType"] = eventTypeName(*event.eventType);
    if (event.errorType) result["errorType"] = errorTypeName(*event.errorType);
    const auto copyText = [&result](const char* key, const std::optional<std::string>& value) {
        if (value) result[key] = *value;
    };
    copyText("sessionId", event.sessionId);
    copyText("senderId", event.senderId);
    copyText("senderParentId", event.senderParentId);
    copyText("userId", event.userId);
    copyText("orgId", event.orgId);
    if (event.senderContext) result["senderContext"] = *event.senderContext;
    if (event.page) result["page"] = *event.page;
    if (event.attributes) result["attributes"] = *event.attributes;
    return result;
}

} // namespace platform::veltrane
