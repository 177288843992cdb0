#include "VellicorApp/Interface/InterfaceResources.hpp"

#include "VellicorApp/Interface/LoadingViewController.hpp"
#include "VellicorApp/Interface/MenuActions/MenuActionsStoryboard.hpp"
#include "VellicorApp/Interface/ParallaxHeaderView.hpp"
#include "VellicorApp/Interface/ProgressView.hpp"
#include "VellicorApp/Interface/RequiredLoginOverlayViewController.hpp"
#include "VellicorApp/Interface/Toast.hpp"

namespace vellicor {

using namespace platform::ui;

void registerInterfaceResources(StoryboardDefinition::Factory managedURLsViewController) {
    Nib::registerNib(Toast::kNibName, [] { return Toast::makeNibContent(); });
    Nib::registerNib(ProgressView::kNibName, [] { return ProgressView::makeNibContent(); });
    Nib::registerNib(ParallaxHeaderView::kNibName, [] { return ParallaxHeaderView::makeNibContent(); });

    StoryboardDefinition overlay;
    overlay.controllers[RequiredLoginOverlayViewController::kIdentifier] = [] {
        return RequiredLoginOverlayViewController::makeStoryboardContent();
    };
    Storyboard::registerStoryboard(RequiredLoginOverlayViewController::kStoryboardName, std::move(overlay));

    MenuActionsStoryboard::registerStoryboard(std::move(managedURLsViewController));
    registerMainStoryboard();
}

} // namespace vellicor
