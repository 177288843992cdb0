#include "VellicorApp/Shell/PreBootstrapLaunchActionCoordinator.hpp"

namespace vellicor {

std::shared_ptr<PreBootstrapLaunchActionCoordinator>
PreBootstrapLaunchActionCoordinator::create(std::shared_ptr<LaunchActionable> launchAction) {
    return std::shared_ptr<PreBootstrapLaunchActionCoordinator>(
        new PreBootstrapLaunchActionCoordinator(std::move(launchAction)));
}

void PreBootstrapLaunchActionCoordinator::execute() {
    if (!launchAction_) {
        complete(FlowCoordinatorError::invalidAction());
        return;
    }
    if (launchAction_->requiresWebAppBootstrap()) {
        complete(FlowCoordinatorError::requiresWebBootstrap());
        return;
    }
    std::weak_ptr<BaseFlowCoordinator> weakSelf = weak_from_this();
    launchAction_->execute([weakSelf](bool tookEffect) {
        const auto self = weakSelf.lock();
        if (!self) return;
        std::static_pointer_cast<PreBootstrapLaunchActionCoordinator>(self)->complete(
            tookEffect ? std::nullopt : std::optional(FlowCoordinatorError::invalidAction()));
    });
}

} // namespace vellicor
