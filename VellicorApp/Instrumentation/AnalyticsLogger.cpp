#include "VellicorApp/Instrumentation/AnalyticsLogger.hpp"

#include "VellicorApp/Community/AppModeCommunity.hpp"
#include "VellicorApp/Shell/AppContext.hpp"
#include "VellicorApp/Shell/AppMode.hpp"
#include "VellicorApp/Shell/Logger.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/CTTelephonyNetworkInfo.hpp"
#include "Platform/SDKs/Veltrane/VQSDKInstrumentationEventBuilder.hpp"

#include <mutex>
#include <optional>

namespace vellicor {

namespace {

using platform::veltrane::VQSDKInstrumentationEvent;
using platform::veltrane::VQSDKInstrumentationEventBuilder;
using Manager = platform::veltrane::VQSDKVeltraneAnalyticsManager;
using Event = std::shared_ptr<const VQSDKInstrumentationEvent>;

constexpr const char* kLogType = "AnalyticsLogger";

/// The values chosen or read once per process.
struct State {
    std::mutex mutex;
    /// Set once chosen; the manager inside may be null.
    std::optional<std::shared_ptr<Manager>> manager;
    std::optional<platform::Json> carrierInfo;
};

State& state() {
    // Never destroyed: queued work may still read it while the process exits.
    static auto* instance = new State;
    return *instance;
}

/// The signed-in user's manager when the running context has one, else the
/// one for nobody signed in; none for a user the SDK cannot key a manager by.
std::shared_ptr<Manager> chooseAnalyticsManager() {
    if (const auto user = AppContext::current()->userAccount()) {
        return Manager::sharedInstanceWithUser(user->accountIdentity());
    }
    return Manager::sharedUnauthenticatedInstance();
}

std::shared_ptr<Manager> analyticsManager() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.manager) s.manager = chooseAnalyticsManager();
    return *s.manager;
}

platform::Json readCarrierInfo() {
    const auto providers = platform::veltrane::CTTelephonyNetworkInfo::create()->serviceSubscriberCellularProviders();
    if (providers && !providers->empty()) {
        const auto& carrier = providers->begin()->second;
        return {{"carrier", carrier.carrierName.value_or("Unknown")}};
    }
    return {{"carrier", "Unknown"}};
}

platform::Json carrierInfo() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.carrierInfo) s.carrierInfo = readCarrierInfo();
    return *s.carrierInfo;
}

/// The marker's attributes (a JSON object; anything else counts as none)
/// with "carrierInfo" and "communityType" set.
platform::Json appendExtraAttributesTo(const std::optional<platform::Json>& attributes) {
    platform::Json result = attributes && attributes->is_object() ? *attributes : platform::Json::object();
    result["carrierInfo"] = carrierInfo();
    result["communityType"] = isPlexaCommunity(AppContext::current()->appMode()) ? "CPlexa" : "Vesk";
    return result;
}

/// The values every kind of event carries first: name, schema, severity, session.
void setCommonFields(VQSDKInstrumentationEventBuilder& builder, const KORVAMarker& marker) {
    builder.setName(std::string(rawValue(marker.name())));
    builder.setSchemaType(vqaSchemaType(marker.type()));
    builder.setErrorType(vqaErrorType(marker.errorType()));
    builder.setSessionId(marker.sessionID());
}

Event performanceEvent(const KORVAMarker& marker, const Manager& manager) {
    const auto* performance = dynamic_cast<const KORVAPerformanceMarker*>(&marker);
    if (!performance) return nullptr;
    return VQSDKInstrumentationEventBuilder::buildEventWithBuilderBlock(
        [&](VQSDKInstrumentationEventBuilder& builder) {
            setCommonFields(builder, *performance);
            builder.setStartTime(korvaTime(performance->startTime()));
            builder.setEndTime(korvaTime(performance->endTime()));
            builder.setAttributes(appendExtraAttributesTo(performance->attributes()));
        },
        manager.analyticsManager());
}

Event pageViewEvent(const KORVAMarker& marker, const Manager& manager) {
    const auto* pageView = dynamic_cast<const KORVAPageViewMarker*>(&marker);
    if (!pageView) return nullptr;
    return VQSDKInstrumentationEventBuilder::buildEventWithBuilderBlock(
        [&](VQSDKInstrumentationEventBuilder& builder) {
            setCommonFields(builder, *pageView);
            builder.setStartTime(korvaTime(pageView->startTime()));
            builder.setEndTime(korvaTime(pageView->endTime()));
            builder.setPage(platform::Json(pageView->page()));
            builder.setAttributes(appendExtraAttributesTo(pageView->attributes()));
        },
        manager.analyticsManager());
}

Event interactionEvent(const KORVAMarker& marker, const Manager& manager) {
    const auto* interaction = dynamic_cast<const KORVAInteractionMarker*>(&marker);
    if (!interaction) return nullptr;
    return VQSDKInstrumentationEventBuilder::buildEventWithBuilderBlock(
        [&](VQSDKInstrumentationEventBuilder& builder) {
            setCommonFields(builder, *interaction);
            builder.setStartTime(korvaTime(interaction->occurrenceTime()));
            builder.setEventType(interaction->eventType());
            builder.setSenderId(interaction->senderID());
            builder.setSenderParentId(interaction->senderParentID());
            builder.setSenderContext(interaction->senderContext());
            builder.setPage(platform::Json(interaction->page()));
            builder.setAttributes(appendExtraAttributesTo(interaction->attributes()));
        },
        manager.analyticsManager());
}

Event errorEvent(const KORVAMarker& marker, const Manager& manager) {
    const auto* error = dynamic_cast<const KORVAErrorMarker*>(&marker);
    if (!error) return nullptr;
    return VQSDKInstrumentationEventBuilder::buildEventWithBuilderBlock(
        [&](VQSDKInstrumentationEventBuilder& builder) {
            setCommonFields(builder, *error);
            builder.setAttributes(appendExtraAttributesTo(error->attributes()));
        },
        manager.analyticsManager());
}

Event buildEvent(const KORVAMarker& marker, const Manager& manager) {
    switch (marker.type()) {
    case KORVAMarkerType::interaction: return interactionEvent(marker, manager);
    case KORVAMarkerType::pageView: return pageViewEvent(marker, manager);
    case KORVAMarkerType::performance: return performanceEvent(marker, manager);
    case KORVAMarkerType::error: return errorEvent(marker, manager);
    }
    return nullptr;
}

} // namespace

void AnalyticsLogger::logKORVAMarker(std::shared_ptr<const KORVAMarker> marker) {
    if (!marker) return;
    auto manager = analyticsManager();
    if (!manager) {
        Logger::error("Can't log KORVA marker, no analytics manager found!", kLogType);
        return;
    }
    // Counted as background activity until stored, so that scripted runs see
    // the event in the store before their next step.
    platform::BackgroundActivity::begin();
    platform::DispatchQueue::global(platform::QoS::utility)
        ->async([manager = std::move(manager), marker = std::move(marker)] {
            struct EndActivity {
                ~EndActivity() { platform::BackgroundActivity::end(); }
            } endActivity;
            const auto event = buildEvent(*marker, *manager);
            if (auto store = manager->eventStoreManager()) store->storeEvent(event);
        });
}

void AnalyticsLogger::resetForTesting() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.manager.reset();
    s.carrierInfo.reset();
}

} // namespace vellicor
