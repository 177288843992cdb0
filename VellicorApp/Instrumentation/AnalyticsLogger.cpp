#include "VellicorApp/Instrumentation/AnalyticsLogger.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/AppMode.hpp"
#include "VellicorApp/Core/AppModeCommunity.hpp"
#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/CTTelephonyNetworkInfo.hpp"
#include "Platform/SDKs/Veltrane/VQSDKInstrumentationEventBuilder.hpp"

#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace vellicor {

namespace {

using platform::veltrane::VQSDKInstrumentationEvent;
using platform::veltrane::VQSDKInstrumentationEventBuilder;
using Manager = platform::veltrane::VQSDKVeltraneAnalyticsManager;
using Event = std::shared_ptr<const VQSDKInstrumentationEvent>;

constexpr const char* kLogType = "AnalyticsLogger";

/// A logged marker waiting to be built and stored, with the manager chosen for it.
struct PendingMarker {
    std::shared_ptr<Manager> manager;
    std::shared_ptr<const KORVAMarker> marker;
};

/// The values chosen or read once per process, and the markers waiting to be stored.
struct State {
    std::mutex mutex;
    /// Set once chosen; the manager inside may be null.
    std::optional<std::shared_ptr<Manager>> manager;
    std::optional<platform::Json> carrierInfo;

    std::mutex pendingMutex;
    std::vector<PendingMarker> pending;
    /// Whether a block on the utility queue is storing the pending markers.
    bool draining = false;
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

/// The attributes every event gets: "carrierInfo" and "communityType". Read
/// once for each batch of markers stored together.
platform::Json extraAttributes() {
    return {
        {"carrierInfo", carrierInfo()},
        {"communityType", isPlexaCommunity(AppContext::current()->appMode()) ? "CPlexa" : "Vesk"},
    };
}

/// The marker's attributes (a JSON object; anything else counts as none)
/// with the extra attributes set over them.
platform::Json appendExtraAttributesTo(const std::optional<platform::Json>& attributes, const platform::Json& extras) {
    platform::Json result = attributes && attributes->is_object() ? *attributes : platform::Json::object();
    for (const auto& [key, value] : extras.items()) result[key] = value;
    return result;
}

/// The values every kind of event carries first: name, schema, severity, session.
void setCommonFields(VQSDKInstrumentationEventBuilder& builder, const KORVAMarker& marker) {
    builder.setName(std::string(rawValue(marker.name())));
    builder.setSchemaType(vqaSchemaType(marker.type()));
    builder.setErrorType(vqaErrorType(marker.errorType()));
    builder.setSessionId(marker.sessionID());
}

Event performanceEvent(const KORVAMarker& marker, const Manager& manager, const platform::Json& extras) {
    const auto* performance = dynamic_cast<const KORVAPerformanceMarker*>(&marker);
    if (!performance) return nullptr;
    return VQSDKInstrumentationEventBuilder::buildEventWithBuilderBlock(
        [&](VQSDKInstrumentationEventBuilder& builder) {
            setCommonFields(builder, *performance);
            builder.setStartTime(korvaTime(performance->startTime()));
            builder.setEndTime(korvaTime(performance->endTime()));
            builder.setAttributes(appendExtraAttributesTo(performance->attributes(), extras));
        },
        manager.analyticsManager());
}

Event pageViewEvent(const KORVAMarker& marker, const Manager& manager, const platform::Json& extras) {
    const auto* pageView = dynamic_cast<const KORVAPageViewMarker*>(&marker);
    if (!pageView) return nullptr;
    return VQSDKInstrumentationEventBuilder::buildEventWithBuilderBlock(
        [&](VQSDKInstrumentationEventBuilder& builder) {
            setCommonFields(builder, *pageView);
            builder.setStartTime(korvaTime(pageView->startTime()));
            builder.setEndTime(korvaTime(pageView->endTime()));
            builder.setPage(platform::Json(pageView->page()));
            builder.setAttributes(appendExtraAttributesTo(pageView->attributes(), extras));
        },
        manager.analyticsManager());
}

Event interactionEvent(const KORVAMarker& marker, const Manager& manager, const platform::Json& extras) {
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
            builder.setAttributes(appendExtraAttributesTo(interaction->attributes(), extras));
        },
        manager.analyticsManager());
}

Event errorEvent(const KORVAMarker& marker, const Manager& manager, const platform::Json& extras) {
    const auto* error = dynamic_cast<const KORVAErrorMarker*>(&marker);
    if (!error) return nullptr;
    return VQSDKInstrumentationEventBuilder::buildEventWithBuilderBlock(
        [&](VQSDKInstrumentationEventBuilder& builder) {
            setCommonFields(builder, *error);
            builder.setAttributes(appendExtraAttributesTo(error->attributes(), extras));
        },
        manager.analyticsManager());
}

Event buildEvent(const KORVAMarker& marker, const Manager& manager, const platform::Json& extras) {
    switch (marker.type()) {
    case KORVAMarkerType::interaction: return interactionEvent(marker, manager, extras);
    case KORVAMarkerType::pageView: return pageViewEvent(marker, manager, extras);
    case KORVAMarkerType::performance: return performanceEvent(marker, manager, extras);
    case KORVAMarkerType::error: return errorEvent(marker, manager, extras);
    }
    return nullptr;
}

/// Builds the markers' events and stores them, the events of one store in one
/// call, so that markers logged together share one durable write.
void storeEvents(const std::vector<PendingMarker>& batch) {
    using Store = std::shared_ptr<platform::veltrane::VQSDKEventStoreManaging>;
    Store store;
    std::vector<Event> events;
    const auto extras = extraAttributes();
    const auto flush = [&] {
        if (store && !events.empty()) store->storeEvents(std::move(events));
        events.clear();
    };
    for (const auto& [manager, marker] : batch) {
        auto event = buildEvent(*marker, *manager, extras);
        if (!event) continue;
        auto eventStore = manager->eventStoreManager();
        if (eventStore != store) {
            flush();
            store = std::move(eventStore);
        }
        events.push_back(std::move(event));
    }
    flush();
}

/// Stores what is pending, batch after batch, until nothing is left. Runs on
/// the utility queue, one block at a time: markers logged while a batch is
/// being written wait for the next one.
void drainPendingMarkers() {
    auto& s = state();
    for (;;) {
        std::vector<PendingMarker> batch;
        {
            std::lock_guard lock(s.pendingMutex);
            if (s.pending.empty()) {
                s.draining = false;
                return;
            }
            batch.swap(s.pending);
        }
        storeEvents(batch);
        for (std::size_t i = 0; i < batch.size(); ++i) platform::BackgroundActivity::end();
    }
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
    auto& s = state();
    bool startDraining = false;
    {
        std::lock_guard lock(s.pendingMutex);
        s.pending.push_back(PendingMarker{std::move(manager), std::move(marker)});
        startDraining = !std::exchange(s.draining, true);
    }
    if (startDraining) platform::DispatchQueue::global(platform::QoS::utility)->async(drainPendingMarkers);
}

void AnalyticsLogger::resetForTesting() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.manager.reset();
    s.carrierInfo.reset();
}

} // namespace vellicor
