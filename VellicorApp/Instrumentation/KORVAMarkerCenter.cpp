#include "VellicorApp/Instrumentation/KORVAMarkerCenter.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Core/NetworkConnection.hpp"
#include "VellicorApp/Instrumentation/AnalyticsLogger.hpp"

namespace vellicor {

namespace {

constexpr const char* kLogType = "KORVAMarkerCenter";

std::shared_ptr<KORVAMarker> makeMarker(KORVAMarkerName name, KORVAMarkerType type, KORVAErrorType errorType) {
    switch (type) {
    case KORVAMarkerType::interaction: return KORVAInteractionMarker::create(name);
    case KORVAMarkerType::pageView: return KORVAPageViewMarker::create(name);
    case KORVAMarkerType::performance: return KORVAPerformanceMarker::create(name);
    case KORVAMarkerType::error: return KORVAErrorMarker::create(name, errorType);
    }
    return KORVAErrorMarker::create(name, errorType);
}

void logMissing(const std::string& markerID) { Logger::error("Marker " + markerID + " doesn't exist!", kLogType); }

} // namespace

std::shared_ptr<KORVAMarkerCenter> KORVAMarkerCenter::current() {
    static const std::shared_ptr<KORVAMarkerCenter> instance = create();
    return instance;
}

std::shared_ptr<KORVAMarkerCenter> KORVAMarkerCenter::create(MarkerSink sink) {
    if (!sink) sink = [](std::shared_ptr<const KORVAMarker> marker) { AnalyticsLogger::logKORVAMarker(std::move(marker)); };
    return std::shared_ptr<KORVAMarkerCenter>(new KORVAMarkerCenter(std::move(sink)));
}

KORVAMarkerCenter::KORVAMarkerCenter(MarkerSink sink) : sink_(std::move(sink)) {}

std::shared_ptr<KORVAMarker> KORVAMarkerCenter::registerMarker(KORVAMarkerName name, KORVAMarkerType type,
                                                               KORVAErrorType errorType) {
    auto marker = makeMarker(name, type, errorType);
    // Described before it is shared: once registered, another thread may change it.
    const auto line = "Marker created: " + marker->description() + ".";
    {
        auto& shard = shardFor(marker->markerID());
        std::lock_guard lock(shard.mutex);
        shard.markers[marker->markerID()] = marker;
    }
    Logger::info(line, kLogType);
    return marker;
}

std::string KORVAMarkerCenter::createMarker(KORVAMarkerName name, KORVAMarkerType type, KORVAErrorType errorType) {
    return registerMarker(name, type, errorType)->markerID();
}

KORVAMarkerCenter::Shard& KORVAMarkerCenter::shardFor(const std::string& markerID) const {
    return markerStore_[std::hash<std::string>{}(markerID) % kShardCount];
}

std::shared_ptr<KORVAMarker> KORVAMarkerCenter::getMarker(const std::string& markerID) {
    auto& shard = shardFor(markerID);
    std::lock_guard lock(shard.mutex);
    const auto found = shard.markers.find(markerID);
    return found != shard.markers.end() ? found->second : nullptr;
}

DurationTracking* KORVAMarkerCenter::timedMarker(const std::shared_ptr<KORVAMarker>& marker,
                                                 const std::string& markerID) const {
    if (!marker) {
        logMissing(markerID);
        return nullptr;
    }
    auto* timed = dynamic_cast<DurationTracking*>(marker.get());
    if (!timed) Logger::error("Marker " + markerID + " doesn't track duration!", kLogType);
    return timed;
}

void KORVAMarkerCenter::start(const std::string& markerID, platform::TimeInterval startTime) {
    const auto marker = getMarker(markerID);
    auto* timed = timedMarker(marker, markerID);
    if (!timed) return;
    timed->setStartTime(startTime);
    Logger::info("Marker started: " + marker->description() + ".", kLogType);
}

void KORVAMarkerCenter::end(const std::string& markerID, platform::TimeInterval endTime) {
    const auto marker = getMarker(markerID);
    auto* timed = timedMarker(marker, markerID);
    if (!timed) return;
    timed->setEndTime(endTime);
    Logger::info("Marker ended: " + marker->description() + ".", kLogType);
}

void KORVAMarkerCenter::log(const std::string& markerID) {
    // Taken out under the shard's lock, so that of several threads logging
    // the same marker exactly one gets it.
    std::shared_ptr<KORVAMarker> marker;
    {
        auto& shard = shardFor(markerID);
        std::lock_guard lock(shard.mutex);
        if (const auto found = shard.markers.find(markerID); found != shard.markers.end()) {
            marker = std::move(found->second);
            shard.markers.erase(found);
        }
    }
    if (!marker) {
        logMissing(markerID);
        return;
    }

    // The analytics read the marker later on another thread; a copy keeps
    // them apart from a caller that still holds the marker.
    std::shared_ptr<const KORVAMarker> snapshot = marker->copy();
    std::string line = "Marker logged: " + snapshot->description();
    if (snapshot->type() == KORVAMarkerType::performance || snapshot->type() == KORVAMarkerType::pageView) {
        if (const auto* timed = dynamic_cast<const DurationTracking*>(snapshot.get())) {
            line += ", duration: " + std::to_string(korvaTime(timed->duration())) + "ms";
        }
    }
    line += ".";
    sink_(std::move(snapshot));
    Logger::info(line, kLogType);
}

void KORVAMarkerCenter::logInteraction(KORVAMarkerName name, const std::optional<platform::Json>& attributes) {
    logInteraction(name, attributes, std::nullopt, std::nullopt);
}

void KORVAMarkerCenter::logInteraction(KORVAMarkerName name, const std::optional<platform::Json>& attributes,
                                       std::optional<KORVAMarkerPage::Context> pageContext,
                                       std::optional<KORVAMarkerLocator> locator) {
    const auto marker = registerMarker(name, KORVAMarkerType::interaction, KORVAErrorType::info);
    if (auto* interaction = dynamic_cast<KORVAInteractionMarker*>(marker.get())) {
        if (attributes) interaction->setAttributes(attributes);
        if (pageContext) {
            auto page = interaction->page();
            page["context"] = formatted(*pageContext);
            interaction->setPage(std::move(page));
        }
        if (locator) {
            interaction->setSenderID(std::string(rawValue(locator->sender)));
            interaction->setSenderParentID(std::string(rawValue(locator->parent)));
        }
    }
    log(marker->markerID());
}

void KORVAMarkerCenter::logError(KORVAMarkerName name, KORVAErrorType errorType,
                                 const std::optional<platform::Json>& attributes) {
    const auto marker = registerMarker(name, KORVAMarkerType::error, errorType);
    if (attributes && dynamic_cast<KORVAErrorMarker*>(marker.get())) marker->setAttributes(attributes);
    log(marker->markerID());
}

platform::Json KORVAMarkerCenter::loginAndNetworkStatus() const {
    return platform::Json{
        {"isUserLoggedIn", AppContext::current()->isUserLoggedIn()},
        {"networkStatus", NetworkConnection::getConnectionType()},
    };
}

std::size_t KORVAMarkerCenter::openMarkerCount() const {
    std::size_t count = 0;
    for (const auto& shard : markerStore_) {
        std::lock_guard lock(shard.mutex);
        count += shard.markers.size();
    }
    return count;
}

} // namespace vellicor
