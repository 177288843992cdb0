#include "VellicorApp/Interface/HalfSheetView/HalfSheetInteractiveTransitioning.hpp"

#include "VellicorApp/Interface/HalfSheetView/CustomViewControllerTransitioning.hpp"

#include <algorithm>
#include <cmath>

namespace vellicor {

using namespace platform::ui;

HalfSheetTransitioningState halfSheetTransitioningState(float progress) {
    if (std::isnan(progress)) return HalfSheetTransitioningState::empty;
    if (progress <= 0) return HalfSheetTransitioningState::full;
    if (progress < 0.22f) return HalfSheetTransitioningState::closeToFull;
    if (progress < 0.65f) return HalfSheetTransitioningState::half;
    return HalfSheetTransitioningState::empty;
}

std::shared_ptr<HalfSheetInteractiveTransitioning> HalfSheetInteractiveTransitioning::create(
    const std::shared_ptr<ViewController>& presentedViewController,
    const HalfSheetPresentationConfiguration& presentationConfig) {
    auto made = std::shared_ptr<HalfSheetInteractiveTransitioning>(
        new HalfSheetInteractiveTransitioning(presentedViewController, presentationConfig));
    std::weak_ptr<HalfSheetInteractiveTransitioning> weakMade = made;
    made->pan_ = PanGestureRecognizer::create([weakMade](GestureRecognizer& recognizer) {
        if (auto self = weakMade.lock()) self->onPan(static_cast<PanGestureRecognizer&>(recognizer));
    });
    made->pan_->name = "HalfSheetPan";
    if (std::dynamic_pointer_cast<PanGestureRecognizerDelegate>(presentedViewController)) {
        std::weak_ptr<ViewController> weakSheet = presentedViewController;
        made->pan_->shouldReceiveTouch = [weakSheet](GestureRecognizer& recognizer, const std::shared_ptr<View>& touched) {
            auto delegate = std::dynamic_pointer_cast<PanGestureRecognizerDelegate>(weakSheet.lock());
            return delegate ? delegate->shouldReceiveTouch(recognizer, touched) : true;
        };
        made->pan_->shouldRecognizeSimultaneously = [weakSheet](GestureRecognizer& recognizer, GestureRecognizer& other) {
            auto delegate = std::dynamic_pointer_cast<PanGestureRecognizerDelegate>(weakSheet.lock());
            return delegate ? delegate->shouldRecognizeSimultaneously(recognizer, other) : false;
        };
    }
    presentedViewController->view()->addGestureRecognizer(made->pan_);
    return made;
}

HalfSheetInteractiveTransitioning::HalfSheetInteractiveTransitioning(std::shared_ptr<ViewController> viewController,
                                                                     const HalfSheetPresentationConfiguration& config)
    : viewController_(std::move(viewController)),
      currentState_(config.size == HalfSheetPresentationSize::half ? HalfSheetTransitioningState::half
                                                                   : HalfSheetTransitioningState::full) {
    const Rect sheet = viewController_->view()->frame;
    fullSizedFrame_ = Rect{{0, 0}, sheet.size};
}

float HalfSheetInteractiveTransitioning::progress() const {
    const Rect sheet = viewController_->view()->frame;
    const double value = (sheet.minY() - fullSizedFrame_.minY()) / sheet.height();
    if (std::isnan(value)) return 0.0f;
    return static_cast<float>(std::clamp(value, 0.0, 1.0));
}

double HalfSheetInteractiveTransitioning::maxViewCenterY() {
    if (!maxViewCenterY_) maxViewCenterY_ = fullSizedFrame_.minY() + viewController_->view()->frame.height() / 2;
    return *maxViewCenterY_;
}

void HalfSheetInteractiveTransitioning::onPan(PanGestureRecognizer& recognizer) {
    auto view = viewController_->view();
    const double step = recognizer.translation(view.get()).y;
    const float current = progress();
    const auto state = recognizer.state();
    auto content = std::dynamic_pointer_cast<CustomViewControllerInteractiveTransitioning>(viewController_);

    if (state == GestureRecognizer::State::ended || state == GestureRecognizer::State::cancelled) {
        // The direction and the last progress carry over into the next pan.
        if (swipeGesture_ != HalfSheetSwipeGesture::unknown) {
            settleBySwipe({});
        } else {
            settleByPosition({});
        }
        lastProgress_ = current;
        return;
    }
    if (state != GestureRecognizer::State::began && state != GestureRecognizer::State::changed) {
        lastProgress_ = current;
        return;
    }
    if (content && content->shouldIgnoreDraggingOnPanGesture()) {
        recognizer.setTranslation({}, view.get());
        return;
    }
    if (currentState_ >= maxDragableState()) {
        // A full sheet: a downward pull only marks it; it follows from the next event.
        if (step > 0) currentState_ = HalfSheetTransitioningState::closeToFull;
        lastProgress_ = current;
        return;
    }
    if (!lastProgress_) {
        swipeGesture_ = HalfSheetSwipeGesture::unknown;
    } else if (current > *lastProgress_ + kSwipeThreshold) {
        swipeGesture_ = HalfSheetSwipeGesture::down;
    } else if (current < *lastProgress_ - kSwipeThreshold) {
        swipeGesture_ = HalfSheetSwipeGesture::up;
    } else {
        swipeGesture_ = HalfSheetSwipeGesture::unknown;
    }
    currentState_ = halfSheetTransitioningState(current);
    // Moved by its centre, never above the full position; no lower bound.
    const double centerY = std::max(view->frame.minY() + view->frame.height() / 2 + step, maxViewCenterY());
    view->frame.origin.y = centerY - view->frame.height() / 2;
    if (content) content->animateView(current, state);
    recognizer.setTranslation({}, view.get());
    lastProgress_ = current;
}

void HalfSheetInteractiveTransitioning::settleBySwipe(std::function<void(bool)> completion) {
    switch (swipeGesture_) {
    case HalfSheetSwipeGesture::up:
        animate(HalfSheetPresentationSize::full, kSwipeSpringDuration, std::move(completion));
        break;
    case HalfSheetSwipeGesture::down:
        if (currentState_ == HalfSheetTransitioningState::closeToFull ||
            currentState_ == HalfSheetTransitioningState::full) {
            animate(HalfSheetPresentationSize::half, kSwipeSpringDuration, std::move(completion));
        } else {
            dismissByDrag(std::move(completion));
        }
        break;
    case HalfSheetSwipeGesture::unknown:
        break;
    }
}

void HalfSheetInteractiveTransitioning::settleByPosition(std::function<void(bool)> completion) {
    switch (currentState_) {
    case HalfSheetTransitioningState::empty:
        dismissByDrag(std::move(completion));
        break;
    case HalfSheetTransitioningState::half:
        animate(HalfSheetPresentationSize::half, kPositionSpringDuration, std::move(completion));
        break;
    case HalfSheetTransitioningState::closeToFull:
    case HalfSheetTransitioningState::full:
        animate(HalfSheetPresentationSize::full, kPositionSpringDuration, std::move(completion));
        break;
    }
}

void HalfSheetInteractiveTransitioning::dismissByDrag(std::function<void(bool)> completion) {
    wantsInteractiveStart_ = true;
    viewController_->dismiss(true, [completion = std::move(completion)] {
        if (completion) completion(true);
    });
}

void HalfSheetInteractiveTransitioning::startInteractiveTransition(
    const std::shared_ptr<ViewControllerContextTransitioning>& context,
    const std::shared_ptr<ViewControllerAnimatedTransitioning>& animator) {
    wantsInteractiveStart_ = false;
    PercentDrivenInteractiveTransition::startInteractiveTransition(context, animator);
    // The finger has already let go: the dismissal runs to its end.
    finishInteractiveTransition();
}

void HalfSheetInteractiveTransitioning::animate(HalfSheetPresentationSize size, double duration,
                                                std::function<void(bool)> completion) {
    std::weak_ptr<HalfSheetInteractiveTransitioning> weakSelf = shared_from_this();
    View::animate(
        duration, 0, kSpringDamping, kSpringVelocity, kSpringOptions,
        [weakSelf, size] {
            auto self = weakSelf.lock();
            if (!self) return;
            auto view = self->viewController_->view();
            view->frame = frame(size, view->frame);
            if (auto content = std::dynamic_pointer_cast<CustomViewControllerAnimatedTransitioning>(self->viewController_)) {
                content->animateView(size);
            }
        },
        std::move(completion));
}

} // namespace vellicor
