#pragma once

#include "VellicorApp/Interface/HalfSheetView/HalfSheetPresentationConfiguration.hpp"

#include "Platform/UI/Gesture.hpp"
#include "Platform/UI/Transitioning.hpp"
#include "Platform/UI/ViewController.hpp"

#include <functional>
#include <memory>
#include <optional>

namespace vellicor {

/// How far a half sheet is up.
enum class HalfSheetTransitioningState : int { empty = 0, half = 1, closeToFull = 2, full = 3 };

/// The state of a progress (0 full … 1 down): full at 0 or less, close to
/// full below 0.22, half below 0.65, empty from 0.65 on and for NaN.
HalfSheetTransitioningState halfSheetTransitioningState(float progress);

/// The direction of the last drag step.
enum class HalfSheetSwipeGesture { unknown, up, down };

/// The finger interaction of a half sheet: a pan on the sheet's view moves
/// it; on release it springs to half or full height or is dismissed, by the
/// direction of the last step or else by where it is. It is also the
/// interaction controller of a dismissal the drag started: the transitioning
/// delegate vends it only then, and it finishes that dismissal at once (the
/// sheet has already followed the finger), so no dismissal waits on it.
class HalfSheetInteractiveTransitioning : public platform::ui::PercentDrivenInteractiveTransition,
                                          public std::enable_shared_from_this<HalfSheetInteractiveTransitioning> {
public:
    static constexpr float kSwipeThreshold = 0.03f;
    static constexpr double kSwipeSpringDuration = 0.4;
    static constexpr double kPositionSpringDuration = 0.6;
    static constexpr double kSpringDamping = 0.6;
    static constexpr double kSpringVelocity = 0.8;
    static constexpr unsigned kSpringOptions =
        platform::ui::AnimationOptions::allowUserInteraction | platform::ui::AnimationOptions::curveLinear;

    /// Attaches the pan to the sheet's view; the sheet controller becomes its
    /// delegate when it is a PanGestureRecognizerDelegate.
    static std::shared_ptr<HalfSheetInteractiveTransitioning> create(
        const std::shared_ptr<platform::ui::ViewController>& presentedViewController,
        const HalfSheetPresentationConfiguration& presentationConfig);

    std::shared_ptr<platform::ui::ViewController> viewController() const { return viewController_; }
    const platform::ui::Rect& fullSizedFrame() const { return fullSizedFrame_; }
    HalfSheetTransitioningState currentState() const { return currentState_; }
    HalfSheetTransitioningState maxDragableState() const { return HalfSheetTransitioningState::full; }
    HalfSheetSwipeGesture swipeGesture() const { return swipeGesture_; }
    std::optional<float> lastProgress() const { return lastProgress_; }
    std::shared_ptr<platform::ui::PanGestureRecognizer> panGestureRecognizer() const { return pan_; }

    /// (sheet y − full y) / sheet height, clamped to 0…1.
    float progress() const;
    /// Every event of the pan.
    void onPan(platform::ui::PanGestureRecognizer& recognizer);
    /// Springs the sheet to a size (0.4 s after a swipe, 0.6 s by position).
    void animate(HalfSheetPresentationSize size, double duration, std::function<void(bool)> completion = {});
    /// Whether the drag asked for the dismissal that is about to run.
    bool wantsInteractiveStart() const { return wantsInteractiveStart_; }

    void startInteractiveTransition(
        const std::shared_ptr<platform::ui::ViewControllerContextTransitioning>& context,
        const std::shared_ptr<platform::ui::ViewControllerAnimatedTransitioning>& animator) override;

private:
    HalfSheetInteractiveTransitioning(std::shared_ptr<platform::ui::ViewController> viewController,
                                      const HalfSheetPresentationConfiguration& presentationConfig);
    void settleBySwipe(std::function<void(bool)> completion);
    void settleByPosition(std::function<void(bool)> completion);
    void dismissByDrag(std::function<void(bool)> completion);
    double maxViewCenterY();

    // The sheet, kept while its transitioning delegate holds this object.
    const std::shared_ptr<platform::ui::ViewController> viewController_;
    platform::ui::Rect fullSizedFrame_;
    HalfSheetTransitioningState currentState_;
    HalfSheetSwipeGesture swipeGesture_ = HalfSheetSwipeGesture::unknown;
    std::optional<float> lastProgress_;
    std::shared_ptr<platform::ui::PanGestureRecognizer> pan_;
    std::optional<double> maxViewCenterY_;
    bool wantsInteractiveStart_ = false;
};

} // namespace vellicor
