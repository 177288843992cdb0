#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/SDKs/Veltrane/VQSDKInstrumentationEvent.hpp"

#include <memory>
#include <optional>

namespace platform::veltrane {

/// Turns an instrumentation event into the KORVA dictionary that web pages
/// read:
///
///   "schemaType"       the schema name: "interaction", "pageView", "performance" or "error"
///   "eventId"          the event id
///   "name"             the event name
///   "startTime"        the start time (ms since 1970)
///   "duration"         page views and performance events: end − start, never below 0
///   "sessionId", "senderId", "senderParentId", "userId", "orgId"   texts, when set
///   "eventType"        interactions: "user", "system", "error" or "data"
///   "errorType"        when set: "info", "warn" or "error"
///   "senderContext", "page", "attributes"                         objects, when set
///
/// An event that its schema cannot express gives none: no name, an
/// interaction without an event type, an error event without an error type,
/// or a page view without a page.
class PLATFORM_EXPORT VQSDKKORVATransform {
public:
    static std::shared_ptr<VQSDKKORVATransform> create();

    std::optional<Json> transform(const std::shared_ptr<const VQSDKInstrumentationEvent>& event) const;
    std::optional<Json> transform(const VQSDKInstrumentationEvent& event) const;

private:
    VQSDKKORVATransform() = default;
};

} // namespace platform::veltrane
