#pragma once

#include "VellicorApp/Interface/HalfSheetView/HalfSheetPresentationConfiguration.hpp"

#include "Platform/UI/Transitioning.hpp"

namespace vellicor {

/// The dismissal of a half sheet: it slides down off the screen in 0.25 s
/// (linear while a drag drives it).
class HalfSheetAnimatedTransitioning : public platform::ui::ViewControllerAnimatedTransitioning {
public:
    static constexpr double kDuration = 0.25;

    explicit HalfSheetAnimatedTransitioning(TransitionType transitionType) : transitionType_(transitionType) {}
    TransitionType transitionType() const { return transitionType_; }

    double transitionDuration(const platform::ui::ViewControllerContextTransitioning* context) const override;
    /// Moves the leaving view down by its height, then completes the
    /// transition (finished unless the context was cancelled).
    void animateTransition(const std::shared_ptr<platform::ui::ViewControllerContextTransitioning>& context) override;

private:
    const TransitionType transitionType_;
};

} // namespace vellicor
