#include "VellicorApp/Shell/LaunchActionCoordinator.hpp"

#include "VellicorApp/Interface/CommunityViewControllable.hpp"

namespace vellicor {

std::shared_ptr<LaunchActionCoordinator>
LaunchActionCoordinator::create(std::shared_ptr<LaunchActionable> launchAction,
                                const std::shared_ptr<CommunityViewControllable>& communityViewController) {
    return std::shared_ptr<LaunchActionCoordinator>(
        new LaunchActionCoordinator(std::move(launchAction), communityViewController));
}

void LaunchActionCoordinator::execute() {
    const auto screen = communityViewController_.lock();
    const bool pageLoaded = screen && screen->state() == State::pageLoaded;
    if (launchAction_) {
        if (!launchAction_->requiresWebAppBootstrap() || pageLoaded) {
            handleLaunchAction();
        } else if (screen) {
            waitForPageLoad(screen);
        }
        // With the screen gone there is nothing to wait for: the step never
        // ends, and the next chain replaces it.
        return;
    }
    if (pageLoaded) {
        complete(std::nullopt);
    } else if (screen) {
        waitForPageLoad(screen);
    }
}

void LaunchActionCoordinator::waitForPageLoad(const std::shared_ptr<CommunityViewControllable>& screen) {
    screen->setHybridAppDelegate(std::static_pointer_cast<LaunchActionCoordinator>(shared_from_this()));
}

void LaunchActionCoordinator::webAppDidBootstrap(const std::shared_ptr<CommunityViewControllable>& /*viewController*/,
                                                 const std::optional<platform::Json>& /*metadataResponse*/) {}

void LaunchActionCoordinator::webAppDidLoadPage(const std::shared_ptr<CommunityViewControllable>& /*viewController*/) {
    // The owner may drop this step in the completion below.
    const auto keepAlive = shared_from_this();
    if (launchAction_) {
        handleLaunchAction();
    } else {
        complete(std::nullopt);
    }
}

void LaunchActionCoordinator::handleLaunchAction() {
    if (actionStarted_) return;
    actionStarted_ = true;
    std::weak_ptr<BaseFlowCoordinator> weakSelf = weak_from_this();
    // Keep the action for the length of its run even should the step go.
    const auto action = launchAction_;
    action->execute([weakSelf](bool tookEffect) {
        const auto self = weakSelf.lock();
        if (!self) return;
        std::static_pointer_cast<LaunchActionCoordinator>(self)->complete(
            tookEffect ? std::nullopt : std::optional(FlowCoordinatorError::invalidAction()));
    });
}

} // namespace vellicor
