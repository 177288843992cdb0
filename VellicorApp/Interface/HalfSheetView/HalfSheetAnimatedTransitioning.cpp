#include "VellicorApp/Interface/HalfSheetView/HalfSheetAnimatedTransitioning.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/UI/View.hpp"
#include "Platform/UI/ViewController.hpp"

namespace vellicor {

using namespace platform::ui;

double HalfSheetAnimatedTransitioning::transitionDuration(const ViewControllerContextTransitioning* /*context*/) const {
    return kDuration;
}

void HalfSheetAnimatedTransitioning::animateTransition(
    const std::shared_ptr<ViewControllerContextTransitioning>& context) {
    auto from = context ? context->fromViewController() : nullptr;
    if (!from) {
        // Nothing to move; the transition still has to end.
        if (context) context->completeTransition(!context->transitionWasCancelled());
        return;
    }
    const Rect initial = context->initialFrame(*from);
    const Rect target{{initial.minX(), initial.height()}, initial.size};
    auto view = from->view();
    if (auto container = context->containerView()) container->addSubview(view);
    const unsigned options = context->isInteractive() ? AnimationOptions::curveLinear : AnimationOptions::curveEaseInOut;
    const double duration = transitionDuration(context.get());
    platform::MainQueue::async([context, view, target, options, duration] {
        View::animate(
            duration, 0, options, [view, target] { view->frame = target; },
            [context](bool) { context->completeTransition(!context->transitionWasCancelled()); });
    });
}

} // namespace vellicor
