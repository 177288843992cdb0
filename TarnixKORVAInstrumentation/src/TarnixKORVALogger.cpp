#include "TarnixKORVAInstrumentation/TarnixKORVALogger.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/VQSDKInstrumentationEventBuilder.hpp"

namespace tarnix {

namespace {

using platform::veltrane::VQAErrorType;
using platform::veltrane::VQAEventType;
using platform::veltrane::VQASchemaType;
using platform::veltrane::VQSDKInstrumentationEvent;
using platform::veltrane::VQSDKInstrumentationEventBuilder;
using Event = std::shared_ptr<const VQSDKInstrumentationEvent>;

std::string taskKey(const std::string& pluginId, const std::string& pluginVersion, const std::string& taskName) {
    return pluginId + "_" + pluginVersion + "_" + taskName;
}

VQAErrorType errorType(TarnixLogLevel level) {
    switch (level) {
    case TarnixLogLevel::ERROR: return VQAErrorType::error;
    case TarnixLogLevel::WARNING: return VQAErrorType::warn;
    case TarnixLogLevel::INFO:
    case TarnixLogLevel::DEBUG: return VQAErrorType::info;
    }
    return VQAErrorType::info;
}

platform::Json nativePage() { return {{"context", "native"}}; }

/// A log line: an error-schema event of type "error" with the line's severity.
Event buildLogEvent(const TarnixKORVAMarker& marker, TarnixLogLevel level,
                    const TarnixKORVALogger::AnalyticsManager& manager) {
    return VQSDKInstrumentationEventBuilder::buildEventWithBuilderBlock(
        [&](VQSDKInstrumentationEventBuilder& builder) {
            builder.setName(marker.name());
            builder.setSchemaType(VQASchemaType::error);
            builder.setEventType(VQAEventType::error);
            builder.setErrorType(errorType(level));
            builder.setStartTime(marker.startTime());
            builder.setEndTime(marker.endTime());
            builder.setAttributes(marker.attributes());
            builder.setPage(nativePage());
        },
        manager.analyticsManager());
}

/// A finished task: an interaction event of type "user".
Event buildActivityEvent(const TarnixKORVAMarker& marker, const TarnixKORVALogger::AnalyticsManager& manager) {
    return VQSDKInstrumentationEventBuilder::buildEventWithBuilderBlock(
        [&](VQSDKInstrumentationEventBuilder& builder) {
            builder.setName(marker.name());
            builder.setSchemaType(VQASchemaType::interaction);
            builder.setEventType(VQAEventType::user);
            builder.setStartTime(marker.startTime());
            builder.setEndTime(marker.endTime());
            builder.setAttributes(marker.attributes());
            builder.setPage(nativePage());
        },
        manager.analyticsManager());
}

/// Stores the event later, on the background global queue; the caller does
/// not wait. Counted as background activity until stored, so that scripted
/// runs see the event in the store before their next step.
void queueStoring(std::shared_ptr<TarnixKORVALogger::AnalyticsManager> manager, Event event) {
    platform::BackgroundActivity::begin();
    platform::DispatchQueue::global(platform::QoS::background)
        ->async([manager = std::move(manager), event = std::move(event)] {
            struct EndActivity {
                ~EndActivity() { platform::BackgroundActivity::end(); }
            } endActivity;
            if (auto store = manager->eventStoreManager()) store->storeEvent(event);
        });
}

} // namespace

std::shared_ptr<TarnixKORVALogger> TarnixKORVALogger::create(std::shared_ptr<AnalyticsManager> analyticsManager,
                                                             TarnixLogLevel level) {
    return std::shared_ptr<TarnixKORVALogger>(new TarnixKORVALogger(std::move(analyticsManager), level));
}

TarnixKORVALogger::TarnixKORVALogger(std::shared_ptr<AnalyticsManager> analyticsManager, TarnixLogLevel level)
    : currentLogLevel_(level), analyticsManager_(std::move(analyticsManager)) {}

void TarnixKORVALogger::log(const std::string& pluginId, const std::string& pluginVersion,
                            const std::string& taskName, const std::string& message, TarnixLogLevel level) {
    auto manager = analyticsManager();
    if (!manager) return;
    if (rawValue(currentLogLevel()) < rawValue(level)) return;

    const auto marker =
        TarnixKORVAMarker::create(pluginId, pluginVersion, taskName, description(level) + "-" + message, std::nullopt);
    auto event = buildLogEvent(*marker, level, *manager);
    queueStoring(std::move(manager), std::move(event));
}

void TarnixKORVALogger::tarnixTaskStarted(const std::string& pluginId, const std::string& pluginVersion,
                                          const std::string& taskName) {
    auto key = taskKey(pluginId, pluginVersion, taskName);
    std::lock_guard lock(markersLock_);
    auto marker = TarnixKORVAMarker::create(pluginId, pluginVersion, taskName, std::nullopt, std::nullopt);
    marker->start();
    markers_[std::move(key)] = std::move(marker);
}

void TarnixKORVALogger::tarnixTaskEnded(const std::string& pluginId, const std::string& pluginVersion,
                                        const std::string& taskName,
                                        const std::optional<platform::Json>& taskResults,
                                        const TarnixPluginFailure* failure) {
    auto manager = analyticsManager();
    if (!manager) return;

    std::shared_ptr<TarnixKORVAMarker> marker;
    {
        const auto key = taskKey(pluginId, pluginVersion, taskName);
        std::lock_guard lock(markersLock_);
        const auto found = markers_.find(key);
        if (found == markers_.end()) return;
        marker = std::move(found->second);
        markers_.erase(found);
    }
    marker->stop(taskResults, failure);
    auto event = buildActivityEvent(*marker, *manager);
    queueStoring(std::move(manager), std::move(event));
}

} // namespace tarnix
