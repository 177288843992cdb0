#include "Platform/UI/Transitioning.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/UI/View.hpp"
#include "Platform/UI/ViewController.hpp"

namespace platform::ui {

ViewControllerContextTransitioning::ViewControllerContextTransitioning(std::shared_ptr<ViewController> from,
                                                                       std::shared_ptr<View> container,
                                                                       Rect initialFrame, bool interactive,
                                                                       std::function<void(bool)> finished)
    : from_(std::move(from)), container_(std::move(container)), initialFrame_(initialFrame),
      interactive_(interactive), finished_(std::move(finished)) {}

Rect ViewControllerContextTransitioning::initialFrame(const ViewController& controller) const {
    return from_.get() == &controller ? initialFrame_ : Rect{};
}

void ViewControllerContextTransitioning::completeTransition(bool didComplete) {
    if (complete_) return;
    complete_ = true;
    // Moved out first: the callback may drop the last owner of this context.
    auto finished = std::move(finished_);
    if (finished) finished(didComplete);
}

void PercentDrivenInteractiveTransition::startInteractiveTransition(
    const std::shared_ptr<ViewControllerContextTransitioning>& context,
    const std::shared_ptr<ViewControllerAnimatedTransitioning>& animator) {
    context_ = context;
    animator_ = animator;
    const auto pending = std::exchange(pending_, Pending::none);
    if (pending == Pending::finish) finishInteractiveTransition();
    if (pending == Pending::cancel) cancelInteractiveTransition();
}

void PercentDrivenInteractiveTransition::finishInteractiveTransition() {
    if (!context_) {
        pending_ = Pending::finish;
        return;
    }
    auto context = std::exchange(context_, nullptr);
    auto animator = std::exchange(animator_, nullptr);
    percentComplete_ = 1;
    if (animator) {
        animator->animateTransition(context);
    } else {
        context->completeTransition(true);
    }
}

void PercentDrivenInteractiveTransition::cancelInteractiveTransition() {
    if (!context_) {
        pending_ = Pending::cancel;
        return;
    }
    auto context = std::exchange(context_, nullptr);
    animator_.reset();
    percentComplete_ = 0;
    context->cancelled_ = true;
    context->completeTransition(false);
}

void TransitionCoordinator::animateAlongsideTransition(const std::function<void()>& animation,
                                                       std::function<void()> completion) {
    if (animation) animation();
    if (completion) MainQueue::async(std::move(completion));
}

} // namespace platform::ui
