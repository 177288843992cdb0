#include "VellicorApp/Interface/HalfSheetView/HalfSheetContainerViewController.hpp"

#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Storyboard.hpp"

namespace vellicor {

using namespace platform::ui;

void HalfSheetContainerViewController::prepare(StoryboardSegue& segue, const nlohmann::json& /*sender*/) {
    animatedSubViewController_.reset();
    interactiveSubViewController_.reset();
    auto navigation = std::dynamic_pointer_cast<NavigationController>(segue.destination());
    auto top = navigation ? navigation->topViewController() : nullptr;
    if (!top) return;
    animatedSubViewController_ = std::dynamic_pointer_cast<CustomViewControllerAnimatedTransitioning>(top);
    interactiveSubViewController_ = std::dynamic_pointer_cast<CustomViewControllerInteractiveTransitioning>(top);
}

void HalfSheetContainerViewController::updateSubviews(
    const std::optional<HalfSheetPresentationConfiguration>& configuration, View& /*containerView*/) {
    presentationConfiguration_ = configuration;
    if (auto content = animatedSubViewController()) content->updateSubviews(configuration, *view());
}

void HalfSheetContainerViewController::animateView(std::optional<HalfSheetPresentationSize> size) {
    if (auto content = animatedSubViewController()) content->animateView(size);
}

bool HalfSheetContainerViewController::shouldIgnoreDraggingOnPanGesture() {
    auto content = interactiveSubViewController();
    return content ? content->shouldIgnoreDraggingOnPanGesture() : false;
}

void HalfSheetContainerViewController::animateView(float progress, GestureRecognizer::State state) {
    if (auto content = interactiveSubViewController()) content->animateView(progress, state);
}

} // namespace vellicor
