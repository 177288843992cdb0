#include "VellicorApp/Interface/TabBarExperienceCoordinator.hpp"

#include "VellicorApp/Community/TabBarModel.hpp"
#include "VellicorApp/Interface/CommunityTabBarController.hpp"
#include "VellicorApp/Interface/DeferredPush.hpp"
#include "VellicorApp/Interface/NavigationFactory.hpp"

namespace vellicor {

std::shared_ptr<TabBarExperienceCoordinator> TabBarExperienceCoordinator::create(
    const std::shared_ptr<platform::ui::NavigationController>& navigationController,
    const std::shared_ptr<CommunityViewControllable>& defaultViewController, platform::Json metadataResponse) {
    return std::shared_ptr<TabBarExperienceCoordinator>(
        new TabBarExperienceCoordinator(navigationController, defaultViewController, std::move(metadataResponse)));
}

platform::Error tabBarExperienceError(const ParseableError& error) {
    return platform::Error(errorType(error), errorCode(error),
                           platform::Json{{std::string(platform::kLocalizedDescriptionKey), localizedDescription(error)}});
}

void TabBarExperienceCoordinator::execute() {
    auto model = TabBarModel::parseObject(response_);
    if (!model) {
        complete(FlowCoordinatorError::legacy(tabBarExperienceError(model.error())));
        return;
    }
    // The factory and the screen are needed only to build the bar.
    std::shared_ptr<platform::ui::TabBarController> tabBarController;
    if (auto screen = defaultViewController_.lock()) {
        tabBarController = NavigationFactory(*screen, std::move(*model)).tabBarController();
    }
    if (!tabBarController) {
        complete(FlowCoordinatorError::unavailableTabBarExperience());
        return;
    }
    std::weak_ptr<BaseFlowCoordinator> weakSelf = weak_from_this();
    // The later push is the step's own work: a step that has been cancelled
    // or dropped by then shows nothing.
    deferredPush(navigationController_.lock(), kPushDelay, tabBarController, false, delayedWork(),
                 [weakSelf, tabBarController] {
                     if (auto tabBar = std::dynamic_pointer_cast<CommunityTabBarController>(tabBarController)) {
                         tabBar->preloadTabs();
                     }
                     if (auto self = std::static_pointer_cast<TabBarExperienceCoordinator>(weakSelf.lock())) {
                         self->complete(std::nullopt);
                     }
                 });
}

} // namespace vellicor
