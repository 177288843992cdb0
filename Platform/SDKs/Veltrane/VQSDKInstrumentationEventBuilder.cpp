#include "Platform/SDKs/Veltrane/VQSDKInstrumentationEventBuilder.hpp"

#include "Platform/Foundation/Uuid.hpp"
#include "Platform/SDKs/Veltrane/VQSDKAnalyticsManager.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"

namespace platform::veltrane {

namespace {

bool isObjectOrAbsent(const std::optional<Json>& value) { return !value || value->is_object(); }

} // namespace

std::shared_ptr<const VQSDKInstrumentationEvent> VQSDKInstrumentationEventBuilder::buildEventWithBuilderBlock(
    const BuilderBlock& block, const std::shared_ptr<VQSDKAnalyticsManager>& analyticsManager) {
    if (!block || !analyticsManager) return nullptr;
    VQSDKInstrumentationEventBuilder builder;
    block(builder);
    if (builder.name_.empty() || !builder.schemaType_ || builder.startTime_ < 0 || builder.endTime_ < 0 ||
        !isObjectOrAbsent(builder.senderContext_) || !isObjectOrAbsent(builder.page_) ||
        !isObjectOrAbsent(builder.attributes_)) {
        VQSDKLogger::sharedInstanceWithComponent(kVQAnalyticsComponentName)
            ->w("VQSDKInstrumentationEventBuilder", "Event not built: the builder block left it incomplete or invalid.");
        return nullptr;
    }
    auto event = std::make_shared<VQSDKInstrumentationEvent>();
    event->eventId = Uuid::random().uuidString();
    event->name = std::move(builder.name_);
    event->schemaType = *builder.schemaType_;
    event->eventType = builder.eventType_;
    event->errorType = builder.errorType_;
    event->sessionId = std::move(builder.sessionId_);
    event->startTime = builder.startTime_;
    event->endTime = builder.endTime_;
    event->senderId = std::move(builder.senderId_);
    event->senderParentId = std::move(builder.senderParentId_);
    event->senderContext = std::move(builder.senderContext_);
    event->page = std::move(builder.page_);
    event->attributes = std::move(builder.attributes_);
    if (const auto& user = analyticsManager->user()) {
        event->userId = user->userId;
        event->orgId = user->orgId;
    }
    return event;
}

} // namespace platform::veltrane
