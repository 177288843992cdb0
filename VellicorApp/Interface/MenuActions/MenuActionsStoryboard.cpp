#include "VellicorApp/Interface/MenuActions/MenuActionsStoryboard.hpp"

#include "Platform/Foundation/Error.hpp"

namespace vellicor::MenuActionsStoryboard {

using namespace platform::ui;

namespace {

constexpr const char* kMisconfigured = "Storyboard is not configured properly!";

template <class T>
std::shared_ptr<T> cast(std::shared_ptr<ViewController> controller) {
    auto typed = std::dynamic_pointer_cast<T>(std::move(controller));
    if (!typed) platform::fatalError(kMisconfigured);
    return typed;
}

} // namespace

void registerStoryboard(StoryboardDefinition::Factory managedURLsViewController) {
    StoryboardDefinition definition;
    definition.initial = [] { return MenuActionsHalfSheetViewController::makeStoryboardContent(); };
    definition.controllers[kNavigationControllerIdentifier] = [] {
        return NavigationController::create(MenuActionsListViewController::makeStoryboardContent());
    };
    definition.controllers[MenuActionsListViewController::kIdentifier] = [] {
        return MenuActionsListViewController::makeStoryboardContent();
    };
    definition.segues[MenuActionsHalfSheetViewController::kEmbedSegue] =
        SegueDefinition{SegueDefinition::Kind::embed, kNavigationControllerIdentifier};
    if (managedURLsViewController) {
        definition.controllers[kManagedURLsIdentifier] = std::move(managedURLsViewController);
        definition.segues[kManagedURLsSegue] = SegueDefinition{SegueDefinition::Kind::push, kManagedURLsIdentifier};
    }
    Storyboard::registerStoryboard(kName, std::move(definition));
    Storyboard::named(kName)->addEmbedSegue("", MenuActionsHalfSheetViewController::kEmbedSegue,
                                            MenuActionsHalfSheetViewController::kSubViewContainerIdentifier);
}

std::shared_ptr<MenuActionsHalfSheetViewController> instantiateHalfSheetViewController() {
    if (!Storyboard::exists(kName)) platform::fatalError(kMisconfigured);
    return cast<MenuActionsHalfSheetViewController>(Storyboard::named(kName)->instantiateInitialViewController());
}

std::shared_ptr<NavigationController> instantiateMenuActionsNavigationController() {
    if (!Storyboard::exists(kName)) platform::fatalError(kMisconfigured);
    return cast<NavigationController>(Storyboard::named(kName)->instantiateViewController(kNavigationControllerIdentifier));
}

std::shared_ptr<MenuActionsListViewController> instantiateMenuActionsListViewController() {
    if (!Storyboard::exists(kName)) platform::fatalError(kMisconfigured);
    return cast<MenuActionsListViewController>(
        Storyboard::named(kName)->instantiateViewController(MenuActionsListViewController::kIdentifier));
}

} // namespace vellicor::MenuActionsStoryboard
