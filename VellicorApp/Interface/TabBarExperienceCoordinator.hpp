#pragma once

#include "VellicorApp/Core/BaseFlowCoordinator.hpp"
#include "VellicorApp/Core/ParseableError.hpp"
#include "VellicorApp/Interface/CommunityViewControllable.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/UI/NavigationController.hpp"

#include <memory>

namespace vellicor {

/// The step that replaces the single community screen by the native tab bar
/// once the web app has bootstrapped: it parses the tab-bar dictionary (the
/// page's bootstrap data, or the one stored from an earlier run), has the
/// navigation factory build the bar around the screen that is already
/// loaded, pushes it as the navigation stack's root (0.3 s later while
/// something is presented), has it preload its other tabs, and completes
/// without error. A step cancelled or dropped while its push waits pushes
/// nothing and does not complete.
///
/// A dictionary that does not parse ends the step with `legacy` carrying
/// tabBarExperienceError(); one that yields no tab ends it with
/// `unavailableTabBarExperience`. Nothing is pushed then; the caller shows
/// the single screen instead.
///
/// Holds the navigation controller and the screen without owning them (the
/// app's UI step owns the screen, the window the navigation controller): a
/// screen gone before the step runs leaves no tab to build; a navigation
/// controller gone before a waiting push pushes nothing, and the step still
/// completes. The
/// factory lives only while the step runs; the pushed bar belongs to the
/// navigation stack. Main thread only.
class TabBarExperienceCoordinator : public BaseFlowCoordinator {
public:
    static std::shared_ptr<TabBarExperienceCoordinator> create(
        const std::shared_ptr<platform::ui::NavigationController>& navigationController,
        const std::shared_ptr<CommunityViewControllable>& defaultViewController, platform::Json metadataResponse);

    /// The delay of the push while the navigation controller presents something.
    static constexpr double kPushDelay = 0.3;

protected:
    TabBarExperienceCoordinator(const std::shared_ptr<platform::ui::NavigationController>& navigationController,
                                const std::shared_ptr<CommunityViewControllable>& defaultViewController,
                                platform::Json metadataResponse)
        : navigationController_(navigationController), defaultViewController_(defaultViewController),
          response_(std::move(metadataResponse)) {}

    void execute() override;

private:
    std::weak_ptr<platform::ui::NavigationController> navigationController_;
    std::weak_ptr<CommunityViewControllable> defaultViewController_;
    platform::Json response_;
};

/// The error a tab-bar dictionary that does not parse ends the step with:
/// the parse error's type as domain, its code (the wrapped error's, else
/// 400) and its description under kLocalizedDescriptionKey.
platform::Error tabBarExperienceError(const ParseableError& error);

} // namespace vellicor
