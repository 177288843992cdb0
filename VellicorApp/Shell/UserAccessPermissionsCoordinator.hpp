#pragma once

#include "VellicorApp/Core/BaseFlowCoordinator.hpp"

#include "Platform/Foundation/Error.hpp"

#include <functional>
#include <memory>
#include <optional>

namespace platform::ui {
class NavigationController;
}

namespace vellicor {

/// The step after sign-in: attaches the signed-in user to the running context,
/// asks for the push permission, puts the biometric lock in front of the app
/// when the user's organisation requires it, and then asks for the tracking
/// permission. A failed biometric check holds the step until a later success;
/// the step never ends with an error. Every continuation holds the step
/// weakly and does nothing once it is gone. Main thread only.
class UserAccessPermissionsCoordinator : public BaseFlowCoordinator {
public:
    /// Over the app's root navigation controller, which the step does not keep alive.
    static std::shared_ptr<UserAccessPermissionsCoordinator> create(
        const std::shared_ptr<platform::ui::NavigationController>& navigationController);

protected:
    explicit UserAccessPermissionsCoordinator(const std::shared_ptr<platform::ui::NavigationController>& navigationController)
        : navigationController_(navigationController) {}

    void execute() override;

private:
    using PermissionCompletion = std::function<void(bool, std::optional<platform::Error>)>;

    /// Answers (false, none) while the context has no push manager.
    void registerForPushNotification(PermissionCompletion completion);
    void validateBiometry(PermissionCompletion completion);
    void requestUserTracking(std::function<void(bool)> completion);

    std::weak_ptr<platform::ui::NavigationController> navigationController_;
};

} // namespace vellicor
