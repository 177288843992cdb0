#include "VellicorApp/Shell/UserAccessPermissionsCoordinator.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/BiometricsManaging.hpp"
#include "VellicorApp/Core/Logger.hpp"

#include "Platform/UI/NavigationController.hpp"

namespace vellicor {

namespace {
constexpr const char* kStepLogType = "UserAccessPermissionsCoordinator";
} // namespace

std::shared_ptr<UserAccessPermissionsCoordinator> UserAccessPermissionsCoordinator::create(
    const std::shared_ptr<platform::ui::NavigationController>& navigationController) {
    return std::shared_ptr<UserAccessPermissionsCoordinator>(new UserAccessPermissionsCoordinator(navigationController));
}

void UserAccessPermissionsCoordinator::execute() {
    AppContext::updateWithCurrentUser();
    std::weak_ptr<BaseFlowCoordinator> weakBase = weak_from_this();
    const auto weakSelf = [weakBase] { return std::static_pointer_cast<UserAccessPermissionsCoordinator>(weakBase.lock()); };
    registerForPushNotification([weakSelf](bool, std::optional<platform::Error>) {
        const auto self = weakSelf();
        if (!self) return;
        self->validateBiometry([weakSelf](bool success, std::optional<platform::Error>) {
            const auto self = weakSelf();
            // A failed check holds the chain: the lock manager calls again
            // with true after a later success.
            if (!self || !success) return;
            self->requestUserTracking([weakSelf](bool) {
                if (const auto self = weakSelf()) self->complete(std::nullopt);
            });
        });
    });
}

void UserAccessPermissionsCoordinator::registerForPushNotification(PermissionCompletion completion) {
    // The push manager is not part of the context yet: the road without one.
    completion(false, std::nullopt);
}

void UserAccessPermissionsCoordinator::validateBiometry(PermissionCompletion completion) {
    const auto navigation = navigationController_.lock();
    const auto top = navigation ? navigation->topViewController() : nullptr;
    if (!top) {
        completion(true, std::nullopt);
        return;
    }
    const auto manager = AppContext::current()->biometricsManager();
    if (!manager) {
        completion(true, std::nullopt);
        return;
    }
    manager->validateUserIdentity(top, std::move(completion));
}

void UserAccessPermissionsCoordinator::requestUserTracking(std::function<void(bool)> completion) {
    const auto description = AppContext::current()->mainBundle->objectForInfoDictionaryKey("NSUserTrackingUsageDescription");
    if (description && description->is_string()) {
        // The tracking request is not part of the app yet; the step goes on
        // as if it had been answered.
        completion(false);
        return;
    }
    // Log text read by support tooling; keep verbatim.
    Logger::info("Skip app tracking authorization request....", kStepLogType);
    completion(false);
}

} // namespace vellicor
