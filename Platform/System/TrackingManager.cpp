#include "Platform/System/TrackingManager.hpp"

#include <atomic>

namespace platform::system {

namespace {

std::atomic<TrackingAuthorizationStatus>& storedStatus() {
    static std::atomic<TrackingAuthorizationStatus> status{TrackingAuthorizationStatus::notDetermined};
    return status;
}

} // namespace

TrackingAuthorizationStatus TrackingManager::trackingAuthorizationStatus() { return storedStatus().load(); }

void TrackingManager::setTrackingAuthorizationStatus(TrackingAuthorizationStatus status) { storedStatus().store(status); }

void TrackingManager::resetForTesting() { setTrackingAuthorizationStatus(TrackingAuthorizationStatus::notDetermined); }

} // namespace platform::system
