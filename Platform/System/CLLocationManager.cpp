#include "Platform/System/CLLocationManager.hpp"

#include <mutex>

namespace platform::system {

namespace {

std::mutex& guard() {
    static std::mutex mutex;
    return mutex;
}

std::optional<CLLocation>& deviceLocation() {
    static std::optional<CLLocation> location;
    return location;
}

} // namespace

std::shared_ptr<CLLocationManager> CLLocationManager::create() {
    return std::shared_ptr<CLLocationManager>(new CLLocationManager());
}

std::optional<CLLocation> CLLocationManager::location() const {
    std::lock_guard lock(guard());
    return deviceLocation();
}

void CLLocationManager::setDeviceLocation(std::optional<CLLocation> location) {
    std::lock_guard lock(guard());
    deviceLocation() = location;
}

void CLLocationManager::resetForTesting() { setDeviceLocation(std::nullopt); }

} // namespace platform::system
