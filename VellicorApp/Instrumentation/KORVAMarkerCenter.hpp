#pragma once

#include "VellicorApp/Instrumentation/KORVAMarker.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerManaging.hpp"

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace vellicor {

/// Owns every open marker of the running app. Code anywhere creates a marker
/// by name and kind, starts and ends it, sets its attributes (through
/// getMarker) and logs it; logging takes the marker out of the table and
/// hands a copy of it to the analytics logger. Interactions and errors are
/// created and logged in one call. Every step is written to the app's log.
///
/// Callable from any thread. The table is split into shards by marker ID,
/// each behind its own lock, so threads working on different markers rarely
/// meet; the take-out on logging holds the marker's shard, so a marker is
/// handed over exactly once however many threads log it. A lock is held only
/// for the table operation itself; describing, logging and the sink run
/// outside it, so no caller waits on another's logging or on disk.
/// A marker's own fields are changed by whoever holds it, outside the lock.
class KORVAMarkerCenter final : public KORVAMarkerManaging,
                                public std::enable_shared_from_this<KORVAMarkerCenter> {
public:
    /// Receives each logged marker, a copy taken at the moment of logging.
    using MarkerSink = std::function<void(std::shared_ptr<const KORVAMarker>)>;

    /// The centre of the process, made on first use and never torn down.
    static std::shared_ptr<KORVAMarkerCenter> current();
    /// A centre of its own that hands logged markers to `sink`; without one,
    /// to the analytics logger (AnalyticsLogger::logKORVAMarker), as current() does.
    static std::shared_ptr<KORVAMarkerCenter> create(MarkerSink sink = {});

    using KORVAMarkerManaging::createMarker;
    using KORVAMarkerManaging::end;
    using KORVAMarkerManaging::start;

    /// Logs "Marker created: <description>." and returns the new ID at once.
    std::string createMarker(KORVAMarkerName name, KORVAMarkerType type, KORVAErrorType errorType) override;
    std::shared_ptr<KORVAMarker> getMarker(const std::string& markerID) override;
    /// Sets the start time and logs "Marker started: <description>."; an
    /// unknown ID ("Marker <id> doesn't exist!") or a marker without duration
    /// ("Marker <id> doesn't track duration!") is logged as an error and changes nothing.
    void start(const std::string& markerID, platform::TimeInterval startTime) override;
    /// As start(), for the end time ("Marker ended: <description>.").
    void end(const std::string& markerID, platform::TimeInterval endTime) override;
    /// Takes the marker out of the table, hands a copy of it to the sink and
    /// logs "Marker logged: <description>." (with ", duration: <ms>ms" before
    /// the full stop for page views and performance markers); an unknown ID
    /// is logged as an error ("Marker <id> doesn't exist!").
    void log(const std::string& markerID) override;
    void logInteraction(KORVAMarkerName name, const std::optional<platform::Json>& attributes) override;
    /// A page context sets the page's "context" to its formatted text; a
    /// locator sets the sender ID and sender parent ID to its raw values.
    void logInteraction(KORVAMarkerName name, const std::optional<platform::Json>& attributes,
                        std::optional<KORVAMarkerPage::Context> pageContext,
                        std::optional<KORVAMarkerLocator> locator) override;
    void logError(KORVAMarkerName name, KORVAErrorType errorType,
                  const std::optional<platform::Json>& attributes) override;
    /// Whether the running context has a signed-in user, and
    /// NetworkConnection::getConnectionType().
    platform::Json loginAndNetworkStatus() const override;

    /// How many markers are open (created and not yet logged).
    std::size_t openMarkerCount() const;

private:
    explicit KORVAMarkerCenter(MarkerSink sink);

    /// Makes a marker of the kind, registers it and logs its creation.
    std::shared_ptr<KORVAMarker> registerMarker(KORVAMarkerName name, KORVAMarkerType type, KORVAErrorType errorType);
    /// The open marker that tracks duration, or null after logging why not.
    DurationTracking* timedMarker(const std::shared_ptr<KORVAMarker>& marker, const std::string& markerID) const;

    /// Part of the open markers, by ID, behind its own lock.
    struct Shard {
        mutable std::mutex mutex;
        std::unordered_map<std::string, std::shared_ptr<KORVAMarker>> markers;
    };
    static constexpr std::size_t kShardCount = 16;
    Shard& shardFor(const std::string& markerID) const;

    const MarkerSink sink_;
    /// The open markers by ID.
    mutable std::array<Shard, kShardCount> markerStore_;
};

} // namespace vellicor
