#pragma once

#include "VellicorApp/Community/ServiceProviderAppInfo.hpp"
#include "VellicorApp/Community/TabBarModel.hpp"
#include "VellicorApp/Interface/CommunityViewControllable.hpp"

#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/TabBarController.hpp"
#include "Platform/UI/ViewController.hpp"

#include <memory>
#include <vector>

namespace vellicor {

/// Builds the native tab bar the web app describes: one community screen per
/// tab of the model, then, when the app's configuration names service-provider
/// apps, a last tab listing them. The community screen that loaded the web app
/// at start-up becomes the first tab (taking only the first tab's item), so
/// its page is not loaded twice. The bar is coloured from the model, the More
/// tab styled and its tabs not rearrangeable, and a "NativeTabNavigation"
/// marker records the bar's shape.
///
/// Keeps no state: every read of tabBarController() builds everything again
/// (new screens, the identity-provider switch set again, another marker).
/// Main thread only.
class NavigationFactory {
public:
    /// The start-up screen is not owned: its owner keeps it alive while the
    /// factory is used.
    NavigationFactory(CommunityViewControllable& defaultViewController, TabBarModel tabBarModel);

    /// A new CommunityTabBarController; none when no tab could be built
    /// (no tab in the model and no service-provider apps, or no
    /// configuration of the selected community and no service-provider apps).
    std::shared_ptr<platform::ui::TabBarController> tabBarController() const;

    /// The tab of the service-provider apps: for now a plain screen carrying
    /// its tab item (the localized "LOGIN_BUTTON" title and the "IDPLogin"
    /// image, no selected image); the list itself is not shown yet.
    static std::shared_ptr<platform::ui::ViewController> makeServiceProviderAppListTab(
        const std::vector<ServiceProviderAppInfo>& apps);

private:
    std::vector<std::shared_ptr<platform::ui::ViewController>> generateTabControllers() const;
    std::vector<std::shared_ptr<platform::ui::ViewController>> generateCommunityViewControllers() const;
    void configureMoreTabNavigation(platform::ui::NavigationController& navigationController) const;

    // Not owned; see the constructor.
    CommunityViewControllable& defaultViewController_;
    TabBarModel tabBarModel_;
};

} // namespace vellicor
