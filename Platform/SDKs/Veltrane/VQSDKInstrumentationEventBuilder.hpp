#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/SDKs/Veltrane/VQSDKInstrumentationEvent.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform::veltrane {

class VQSDKAnalyticsManager;

/// Builds one instrumentation event: the block given to
/// buildEventWithBuilderBlock sets the fields through the setters.
class PLATFORM_EXPORT VQSDKInstrumentationEventBuilder {
public:
    using BuilderBlock = std::function<void(VQSDKInstrumentationEventBuilder&)>;

    /// Calls `block` once, synchronously, with a fresh builder and returns the
    /// event it describes, with a new event id and the manager's user ids.
    /// None when there is no manager or no block, or the block left the event
    /// invalid: no name, no schema type, a page, attributes or sender context
    /// that is not a JSON object, or a negative time.
    static std::shared_ptr<const VQSDKInstrumentationEvent> buildEventWithBuilderBlock(
        const BuilderBlock& block, const std::shared_ptr<VQSDKAnalyticsManager>& analyticsManager);

    void setName(std::string name) { name_ = std::move(name); }
    void setSchemaType(VQASchemaType type) { schemaType_ = type; }
    void setEventType(VQAEventType type) { eventType_ = type; }
    void setErrorType(VQAErrorType type) { errorType_ = type; }
    void setSessionId(std::optional<std::string> sessionId) { sessionId_ = std::move(sessionId); }
    /// Milliseconds since 1970.
    void setStartTime(std::int64_t milliseconds) { startTime_ = milliseconds; }
    void setEndTime(std::int64_t milliseconds) { endTime_ = milliseconds; }
    void setSenderId(std::optional<std::string> senderId) { senderId_ = std::move(senderId); }
    void setSenderParentId(std::optional<std::string> senderParentId) { senderParentId_ = std::move(senderParentId); }
    void setSenderContext(std::optional<Json> senderContext) { senderContext_ = std::move(senderContext); }
    void setPage(std::optional<Json> page) { page_ = std::move(page); }
    void setAttributes(std::optional<Json> attributes) { attributes_ = std::move(attributes); }

private:
    VQSDKInstrumentationEventBuilder() = default;

    std::string name_;
    std::optional<VQASchemaType> schemaType_;
    std::optional<VQAEventType> eventType_;
    std::optional<VQAErrorType> errorType_;
    std::optional<std::string> sessionId_;
    std::int64_t startTime_ = 0;
    std::int64_t endTime_ = 0;
    std::optional<std::string> senderId_;
    std::optional<std::string> senderParentId_;
    std::optional<Json> senderContext_;
    std::optional<Json> page_;
    std::optional<Json> attributes_;
};

} // namespace platform::veltrane
