#include "VellicorApp/Interface/HalfSheetView/HalfSheetModalPresentationController.hpp"

#include "VellicorApp/Interface/HalfSheetView/CustomViewControllerTransitioning.hpp"

#include "Platform/UI/Gesture.hpp"
#include "Platform/UI/Transitioning.hpp"

namespace vellicor {

using namespace platform::ui;

namespace {
/// Black at 40 % over the surround of a dimmed sheet.
const Color kDimmedColor = Color::rgba(0, 0, 0, 0.4);
} // namespace

std::shared_ptr<HalfSheetModalPresentationController> HalfSheetModalPresentationController::create(
    const std::shared_ptr<ViewController>& presented, const std::shared_ptr<ViewController>& presenting,
    const HalfSheetPresentationConfiguration& configuration) {
    return makePresentationController<HalfSheetModalPresentationController>(presented, presenting, configuration);
}

HalfSheetModalPresentationController::HalfSheetModalPresentationController(
    const std::shared_ptr<ViewController>& presented, const std::shared_ptr<ViewController>& presenting,
    const HalfSheetPresentationConfiguration& configuration)
    : PresentationController(presented, presenting, ModalPresentationStyle::custom),
      presentationConfig_(configuration) {}

std::shared_ptr<View> HalfSheetModalPresentationController::backgroundView() {
    if (backgroundView_) return backgroundView_;
    backgroundView_ = View::create();
    backgroundView_->backgroundColor = Color::clear();
    backgroundView_->accessibilityIdentifier = "HalfSheet.background";
    std::weak_ptr<PresentationController> weakSelf = shared_from_this();
    backgroundView_->addGestureRecognizer(TapGestureRecognizer::create([weakSelf](GestureRecognizer&) {
        auto self = weakSelf.lock();
        auto presented = self ? self->presentedViewController() : nullptr;
        if (presented) presented->dismiss(true);
    }));
    return backgroundView_;
}

Rect HalfSheetModalPresentationController::frameOfPresentedViewInContainerView() const {
    auto container = containerView();
    return container ? frame(presentationConfig_.size, container->bounds()) : Rect{};
}

void HalfSheetModalPresentationController::presentationTransitionWillBegin() {
    auto container = containerView();
    if (!container) return;
    auto background = backgroundView();
    background->frame = container->bounds();
    container->insertSubview(background, 0);
    if (auto content = std::dynamic_pointer_cast<CustomViewControllerAnimatedTransitioning>(presentedViewController())) {
        content->updateSubviews(presentationConfig_, *container);
    }
    std::weak_ptr<HalfSheetModalPresentationController> weakSelf =
        std::static_pointer_cast<HalfSheetModalPresentationController>(shared_from_this());
    TransitionCoordinator::animateAlongsideTransition([weakSelf] {
        auto self = weakSelf.lock();
        if (!self) return;
        self->backgroundView()->backgroundColor =
            self->presentationConfig_.backgroundStyle == HalfSheetPresentationBackgroundStyle::dimmed ? kDimmedColor
                                                                                                     : Color::clear();
    });
}

void HalfSheetModalPresentationController::dismissalTransitionWillBegin() {
    if (presentationConfig_.backgroundStyle != HalfSheetPresentationBackgroundStyle::dimmed) return;
    std::weak_ptr<HalfSheetModalPresentationController> weakSelf =
        std::static_pointer_cast<HalfSheetModalPresentationController>(shared_from_this());
    TransitionCoordinator::animateAlongsideTransition([weakSelf] {
        if (auto self = weakSelf.lock()) self->backgroundView()->backgroundColor = Color::clear();
    });
}

} // namespace vellicor
