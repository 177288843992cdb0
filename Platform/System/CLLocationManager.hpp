#pragma once

#include "Platform/Export.hpp"

#include <memory>
#include <optional>

namespace platform::system {

/// A point on the earth, in degrees.
struct PLATFORM_EXPORT CLLocationCoordinate2D {
    double latitude = 0;
    double longitude = 0;

    bool operator==(const CLLocationCoordinate2D&) const = default;
};

/// A location fix: where the device is and how sure it is, in metres.
struct PLATFORM_EXPORT CLLocation {
    CLLocationCoordinate2D coordinate;
    double horizontalAccuracy = 0;

    bool operator==(const CLLocation&) const = default;
};

/// The device's location service. The device's position is one value for the
/// whole process, none until a test or a script sets it; every manager reads
/// that value. Safe from any thread.
class PLATFORM_EXPORT CLLocationManager {
public:
    static std::shared_ptr<CLLocationManager> create();

    /// The most recent fix; none while the device has no position.
    std::optional<CLLocation> location() const;

    /// Sets (or, with none, clears) the device's position.
    static void setDeviceLocation(std::optional<CLLocation> location);
    static void resetForTesting();

private:
    CLLocationManager() = default;
};

} // namespace platform::system
