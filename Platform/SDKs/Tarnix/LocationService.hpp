#pragma once

#include "Platform/SDKs/Tarnix/Export.hpp"
#include "Platform/SDKs/Tarnix/TarnixPlugin.hpp"

#include "Platform/System/CLLocationManager.hpp"

#include <memory>
#include <optional>

namespace platform::tarnixbridge {

/// Where the location plug-in gets its fixes: any location manager of the
/// system.
class TARNIX_BRIDGE_EXPORT LocationServiceCore {
public:
    explicit LocationServiceCore(std::shared_ptr<system::CLLocationManager> locationManager)
        : locationManager_(std::move(locationManager)) {}

    /// The manager's latest fix; none without a manager or a position.
    std::optional<system::CLLocation> currentLocation() const;

private:
    std::shared_ptr<system::CLLocationManager> locationManager_;
};

/// The location plug-in ("LocationService"). Its action "getCurrentPosition"
/// answers {"latitude", "longitude", "accuracy"} of the core's current fix;
/// without one it fails with "LOCATION_UNAVAILABLE".
class TARNIX_BRIDGE_EXPORT LocationService : public TarnixPlugin {
public:
    static std::shared_ptr<LocationService> create(std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate,
                                                   LocationServiceCore locationServiceCore);

    bool handlesAction(std::string_view action) const override { return action == "getCurrentPosition"; }

protected:
    LocationService(std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate, LocationServiceCore locationServiceCore);
    void perform(const std::string& action, const Json& args, Completion completion) override;

private:
    LocationServiceCore core_;
};

} // namespace platform::tarnixbridge
