#include "Platform/SDKs/Tarnix/LocationService.hpp"

#include "TarnixPlatformClient/TarnixLoggerUtils.hpp"

namespace platform::tarnixbridge {

std::optional<system::CLLocation> LocationServiceCore::currentLocation() const {
    if (!locationManager_) return std::nullopt;
    return locationManager_->location();
}

std::shared_ptr<LocationService> LocationService::create(std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate,
                                                         LocationServiceCore locationServiceCore) {
    return std::shared_ptr<LocationService>(new LocationService(std::move(loggerDelegate), std::move(locationServiceCore)));
}

LocationService::LocationService(std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate,
                                 LocationServiceCore locationServiceCore)
    : TarnixPlugin(std::string(::tarnix::TarnixLoggerUtils::PluginIdMap::locationServiceId),
                   "TarnixPluginLocationService", std::move(loggerDelegate)),
      core_(std::move(locationServiceCore)) {}

void LocationService::perform(const std::string&, const Json&, Completion completion) {
    const auto location = core_.currentLocation();
    if (!location) {
        completion(std::unexpected(PluginFailure("LOCATION_UNAVAILABLE", "The device's location is not known.")));
        return;
    }
    completion(PluginOutcome{Json{{"latitude", location->coordinate.latitude},
                                  {"longitude", location->coordinate.longitude},
                                  {"accuracy", location->horizontalAccuracy}},
                             std::nullopt});
}

} // namespace platform::tarnixbridge
