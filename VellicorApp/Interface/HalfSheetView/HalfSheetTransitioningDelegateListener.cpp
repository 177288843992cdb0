#include "VellicorApp/Interface/HalfSheetView/HalfSheetTransitioningDelegateListener.hpp"

#include "VellicorApp/Interface/HalfSheetView/HalfSheetAnimatedTransitioning.hpp"
#include "VellicorApp/Interface/HalfSheetView/HalfSheetModalPresentationController.hpp"

namespace vellicor {

using namespace platform::ui;

std::shared_ptr<HalfSheetTransitioningDelegateListener> HalfSheetTransitioningDelegateListener::create(
    std::shared_ptr<ViewController> presented, std::shared_ptr<ViewController> presenting,
    const HalfSheetPresentationConfiguration& presentationConfig) {
    return std::shared_ptr<HalfSheetTransitioningDelegateListener>(
        new HalfSheetTransitioningDelegateListener(std::move(presented), std::move(presenting), presentationConfig));
}

HalfSheetTransitioningDelegateListener::HalfSheetTransitioningDelegateListener(
    std::shared_ptr<ViewController> presented, std::shared_ptr<ViewController> presenting,
    const HalfSheetPresentationConfiguration& presentationConfig)
    : presented_(std::move(presented)), presenting_(presenting), presentationConfig_(presentationConfig),
      dismissInteractive_(HalfSheetInteractiveTransitioning::create(presented_, presentationConfig)) {}

void HalfSheetTransitioningDelegateListener::attach() {
    presented_->modalPresentationStyle = ModalPresentationStyle::custom;
    presented_->transitioningDelegate =
        std::static_pointer_cast<ViewControllerTransitioningDelegate>(shared_from_this());
}

std::shared_ptr<PresentationController> HalfSheetTransitioningDelegateListener::presentationController(
    const std::shared_ptr<ViewController>& presented, const std::shared_ptr<ViewController>& presenting) {
    return HalfSheetModalPresentationController::create(presented, presenting, presentationConfig_);
}

std::shared_ptr<ViewControllerAnimatedTransitioning> HalfSheetTransitioningDelegateListener::animationControllerForDismissed(
    const std::shared_ptr<ViewController>& /*dismissed*/) {
    return std::make_shared<HalfSheetAnimatedTransitioning>(TransitionType::dismiss);
}

std::shared_ptr<ViewControllerInteractiveTransitioning>
HalfSheetTransitioningDelegateListener::interactionControllerForDismissal(
    const std::shared_ptr<ViewControllerAnimatedTransitioning>& /*animator*/) {
    if (!dismissInteractive_->wantsInteractiveStart()) return nullptr;
    return dismissInteractive_;
}

} // namespace vellicor
