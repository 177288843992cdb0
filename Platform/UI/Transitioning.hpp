#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/Geometry.hpp"

#include <functional>
#include <memory>

namespace platform::ui {

class PresentationController;
class View;
class ViewController;

/// What an animator of a custom dismissal sees: the controller leaving, the
/// container it lies in, its frame when the transition began, and how to
/// report the end. completeTransition() ends the dismissal once; later calls
/// do nothing.
class PLATFORM_EXPORT ViewControllerContextTransitioning {
public:
    ViewControllerContextTransitioning(std::shared_ptr<ViewController> from, std::shared_ptr<View> container,
                                       Rect initialFrame, bool interactive, std::function<void(bool)> finished);

    std::shared_ptr<ViewController> fromViewController() const { return from_; }
    std::shared_ptr<View> containerView() const { return container_; }
    /// The leaving controller's frame when the transition began.
    Rect initialFrame(const ViewController& controller) const;
    bool isInteractive() const { return interactive_; }
    bool transitionWasCancelled() const { return cancelled_; }
    /// Reports the end: true when the dismissal completed.
    void completeTransition(bool didComplete);
    bool isComplete() const { return complete_; }

private:
    friend class PercentDrivenInteractiveTransition;
    std::shared_ptr<ViewController> from_;
    std::shared_ptr<View> container_;
    Rect initialFrame_;
    bool interactive_;
    bool cancelled_ = false;
    bool complete_ = false;
    std::function<void(bool)> finished_;
};

/// Animates a custom dismissal.
class PLATFORM_EXPORT ViewControllerAnimatedTransitioning {
public:
    virtual ~ViewControllerAnimatedTransitioning() = default;
    virtual double transitionDuration(const ViewControllerContextTransitioning* context) const = 0;
    /// Must end with context->completeTransition().
    virtual void animateTransition(const std::shared_ptr<ViewControllerContextTransitioning>& context) = 0;
};

/// Drives a custom dismissal from a user's hands.
class PLATFORM_EXPORT ViewControllerInteractiveTransitioning {
public:
    virtual ~ViewControllerInteractiveTransitioning() = default;
    virtual void startInteractiveTransition(const std::shared_ptr<ViewControllerContextTransitioning>& context,
                                            const std::shared_ptr<ViewControllerAnimatedTransitioning>& animator) = 0;
};

/// An interaction controller that, as on the platform, holds the transition
/// open from its start until finish() or cancel(): finish() runs the
/// animator, cancel() ends the transition as cancelled (the controller
/// stays). finish() or cancel() before the start is remembered and applied
/// when it starts. updateInteractiveTransition() only records the progress.
class PLATFORM_EXPORT PercentDrivenInteractiveTransition : public ViewControllerInteractiveTransitioning {
public:
    void startInteractiveTransition(const std::shared_ptr<ViewControllerContextTransitioning>& context,
                                    const std::shared_ptr<ViewControllerAnimatedTransitioning>& animator) override;
    void updateInteractiveTransition(double percentComplete) { percentComplete_ = percentComplete; }
    void finishInteractiveTransition();
    void cancelInteractiveTransition();
    double percentComplete() const { return percentComplete_; }
    /// Whether a transition has started and not yet been finished or cancelled.
    bool isTransitionOpen() const { return context_ != nullptr; }

private:
    enum class Pending { none, finish, cancel };
    std::shared_ptr<ViewControllerContextTransitioning> context_;
    std::shared_ptr<ViewControllerAnimatedTransitioning> animator_;
    Pending pending_ = Pending::none;
    double percentComplete_ = 0;
};

/// Vends what a custom presentation and its dismissal use. A controller
/// holds its transitioning delegate weakly; the app keeps it alive.
class PLATFORM_EXPORT ViewControllerTransitioningDelegate {
public:
    virtual ~ViewControllerTransitioningDelegate() = default;
    /// The presentation controller of a custom presentation; null: the default one.
    virtual std::shared_ptr<PresentationController> presentationController(
        const std::shared_ptr<ViewController>& /*presented*/, const std::shared_ptr<ViewController>& /*presenting*/) {
        return nullptr;
    }
    /// The animator of a dismissal; null: the presentation controller's own transition.
    virtual std::shared_ptr<ViewControllerAnimatedTransitioning> animationControllerForDismissed(
        const std::shared_ptr<ViewController>& /*dismissed*/) {
        return nullptr;
    }
    /// The interaction controller of a dismissal run by that animator; null: not interactive.
    virtual std::shared_ptr<ViewControllerInteractiveTransitioning> interactionControllerForDismissal(
        const std::shared_ptr<ViewControllerAnimatedTransitioning>& /*animator*/) {
        return nullptr;
    }
};

/// Runs blocks alongside a running presentation or dismissal. Animations
/// here jump to their end, so a block runs at once and its completion on
/// the next turn of the main queue.
class PLATFORM_EXPORT TransitionCoordinator {
public:
    static void animateAlongsideTransition(const std::function<void()>& animation,
                                           std::function<void()> completion = {});
};

} // namespace platform::ui
