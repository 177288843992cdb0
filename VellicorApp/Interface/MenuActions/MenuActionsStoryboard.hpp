#pragma once

#include "VellicorApp/Interface/MenuActions/MenuActionsHalfSheetViewController.hpp"
#include "VellicorApp/Interface/MenuActions/MenuActionsListViewController.hpp"

#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Storyboard.hpp"

#include <memory>

namespace vellicor {

/// The storyboard of the developer-action menu.
namespace MenuActionsStoryboard {

inline constexpr const char* kName = "MenuActions";
inline constexpr const char* kNavigationControllerIdentifier = "MenuActionsNavigationController";
/// The list's segue to the URL-rule screens.
inline constexpr const char* kManagedURLsSegue = "ManagedURLsViewSegue";
inline constexpr const char* kManagedURLsIdentifier = "ManagedURLsHostingController";

/// Registers the storyboard: the sheet as initial controller embedding the
/// navigation controller with the list, the navigation controller and the
/// list by identifier, and, when the URL-rule screen is given, the list's
/// segue to it.
void registerStoryboard(platform::ui::StoryboardDefinition::Factory managedURLsViewController = {});

/// The storyboard's controllers; anything else stops the app with
/// "Storyboard is not configured properly!".
std::shared_ptr<MenuActionsHalfSheetViewController> instantiateHalfSheetViewController();
std::shared_ptr<platform::ui::NavigationController> instantiateMenuActionsNavigationController();
std::shared_ptr<MenuActionsListViewController> instantiateMenuActionsListViewController();

} // namespace MenuActionsStoryboard

} // namespace vellicor
