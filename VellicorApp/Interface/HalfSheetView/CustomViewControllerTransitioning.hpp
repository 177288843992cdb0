#pragma once

#include "VellicorApp/Interface/HalfSheetView/HalfSheetPresentationConfiguration.hpp"

#include "Platform/UI/Gesture.hpp"
#include "Platform/UI/View.hpp"

#include <memory>
#include <optional>

namespace vellicor {

/// Sheet content that lays itself out for the presentation and moves with it.
class CustomViewControllerAnimatedTransitioning {
public:
    virtual ~CustomViewControllerAnimatedTransitioning() = default;
    /// Once, when the presentation begins (corner mask and the like).
    virtual void updateSubviews(const std::optional<HalfSheetPresentationConfiguration>& configuration,
                                platform::ui::View& containerView) = 0;
    /// Inside the animation that moves the sheet to a size.
    virtual void animateView(std::optional<HalfSheetPresentationSize> size) = 0;
};

/// Sheet content that takes part in the drag.
class CustomViewControllerInteractiveTransitioning {
public:
    virtual ~CustomViewControllerInteractiveTransitioning() = default;
    /// True while the content wants pans for itself; the sheet then stays.
    virtual bool shouldIgnoreDraggingOnPanGesture() = 0;
    /// Each time the sheet moves under the finger: progress 0 (full) … 1 (down).
    virtual void animateView(float progress, platform::ui::GestureRecognizer::State state) = 0;
};

/// A delegate of the sheet's pan recognizer (a sheet controller may be one).
class PanGestureRecognizerDelegate {
public:
    virtual ~PanGestureRecognizerDelegate() = default;
    virtual bool shouldReceiveTouch(platform::ui::GestureRecognizer& recognizer,
                                    const std::shared_ptr<platform::ui::View>& touchedView) = 0;
    virtual bool shouldRecognizeSimultaneously(platform::ui::GestureRecognizer& recognizer,
                                               platform::ui::GestureRecognizer& other) = 0;
};

} // namespace vellicor
