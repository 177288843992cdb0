#pragma once

#include "VellicorApp/Instrumentation/KORVAMarker.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerName.hpp"

#include "Platform/Foundation/Clock.hpp"
#include "Platform/Foundation/Json.hpp"

#include <memory>
#include <optional>
#include <string>

namespace vellicor {

/// What the app asks of its marker centre; the running context holds the
/// centre behind this interface. Markers are addressed by the ID that
/// creation returns; times are seconds since 1970. Attributes are JSON
/// objects of any values.
class KORVAMarkerManaging {
public:
    virtual ~KORVAMarkerManaging() = default;

    /// Creates and registers a marker of the kind; the severity counts for
    /// error markers only. Returns its ID.
    virtual std::string createMarker(KORVAMarkerName name, KORVAMarkerType type, KORVAErrorType errorType) = 0;
    /// The same with the severity info.
    std::string createMarker(KORVAMarkerName name, KORVAMarkerType type) {
        return createMarker(name, type, KORVAErrorType::info);
    }

    /// The open marker with that ID, or null.
    virtual std::shared_ptr<KORVAMarker> getMarker(const std::string& markerID) = 0;

    virtual void start(const std::string& markerID, platform::TimeInterval startTime) = 0;
    virtual void end(const std::string& markerID, platform::TimeInterval endTime) = 0;
    /// Starts the marker now.
    void start(const std::string& markerID) { start(markerID, platform::now()); }
    /// Ends the marker now.
    void end(const std::string& markerID) { end(markerID, platform::now()); }

    /// Hands the marker to the analytics and forgets it.
    virtual void log(const std::string& markerID) = 0;

    /// Creates an interaction marker with the attributes and logs it.
    virtual void logInteraction(KORVAMarkerName name, const std::optional<platform::Json>& attributes) = 0;
    /// The same, with the page the interaction happened on and its target.
    virtual void logInteraction(KORVAMarkerName name, const std::optional<platform::Json>& attributes,
                                std::optional<KORVAMarkerPage::Context> pageContext,
                                std::optional<KORVAMarkerLocator> locator) = 0;
    /// Creates an error marker of the severity with the attributes and logs it.
    virtual void logError(KORVAMarkerName name, KORVAErrorType errorType,
                          const std::optional<platform::Json>& attributes) = 0;

    /// {"isUserLoggedIn": Boolean, "networkStatus": the connection type}.
    virtual platform::Json loginAndNetworkStatus() const = 0;
};

} // namespace vellicor
