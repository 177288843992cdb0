#include "Platform/System/TrackingManager.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/System/WorkerAnswer.hpp"
#include "Platform/System/PermissionPresets.hpp"

namespace platform::system {

namespace {

constexpr const char* kStatusKey = "tracking.status";

TrackingAuthorizationStatus statusForAnswer(std::optional<PermissionAnswer> answer) {
    if (!answer) return TrackingAuthorizationStatus::denied;
    switch (*answer) {
    case PermissionAnswer::allow: return TrackingAuthorizationStatus::authorized;
    case PermissionAnswer::restricted: return TrackingAuthorizationStatus::restricted;
    case PermissionAnswer::deny: break;
    }
    return TrackingAuthorizationStatus::denied;
}

} // namespace

TrackingAuthorizationStatus TrackingManager::trackingAuthorizationStatus() {
    const auto stored = PermissionPresets::storedValue(kStatusKey);
    if (!stored || *stored < 0 || *stored > static_cast<long>(TrackingAuthorizationStatus::authorized)) {
        return TrackingAuthorizationStatus::notDetermined;
    }
    return static_cast<TrackingAuthorizationStatus>(*stored);
}

void TrackingManager::setTrackingAuthorizationStatus(TrackingAuthorizationStatus status) {
    PermissionPresets::setStoredValue(kStatusKey, static_cast<long>(status));
}

void TrackingManager::requestTrackingAuthorization(std::function<void(TrackingAuthorizationStatus)> completion) {
    auto status = trackingAuthorizationStatus();
    if (status == TrackingAuthorizationStatus::notDetermined) {
        status = statusForAnswer(PermissionPresets::answer(PermissionKind::tracking));
        setTrackingAuthorizationStatus(status);
    }
    if (!completion) return;
    answerOnWorker([completion = std::move(completion), status] { completion(status); });
}

void TrackingManager::resetForTesting() { setTrackingAuthorizationStatus(TrackingAuthorizationStatus::notDetermined); }

} // namespace platform::system
