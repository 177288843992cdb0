#pragma once

#include "VellicorApp/Instrumentation/KORVAMarker.hpp"

#include "Platform/SDKs/Veltrane/VQSDKVeltraneAnalyticsManager.hpp"

#include <memory>

namespace vellicor {

/// Turns logged markers into instrumentation events of the SDK and puts them
/// into the SDK's event store, where they wait until a page collects them.
///
/// The analytics manager is chosen on first use and kept for the life of the
/// process, whoever signs in or out later: the signed-in user's when the
/// running context has one, else the one for nobody signed in. Every event's
/// attributes get "carrierInfo" ({"carrier": the first cellular provider's
/// name, or "Unknown"}, read once) and "communityType" ("CPlexa" for a
/// web-runtime community, else "Vesk"), over any caller values of those keys.
/// Callable from any thread.
class AnalyticsLogger {
public:
    AnalyticsLogger() = delete;

    /// Returns at once; the event is built and stored later on the global
    /// queue of utility quality of service, in logging order. Markers logged
    /// while earlier ones are being stored are stored together, in one write. Without an analytics manager it
    /// logs "Can't log KORVA marker, no analytics manager found!" and drops the marker.
    static void logKORVAMarker(std::shared_ptr<const KORVAMarker> marker);

    /// Forgets the chosen manager and the carrier information, so that the
    /// next marker chooses and reads them again (tests).
    static void resetForTesting();
};

} // namespace vellicor
