#pragma once

#include "VellicorApp/Interface/HalfSheetView/HalfSheetInteractiveTransitioning.hpp"
#include "VellicorApp/Interface/HalfSheetView/HalfSheetPresentationConfiguration.hpp"

#include "Platform/UI/Transitioning.hpp"
#include "Platform/UI/ViewController.hpp"

#include <memory>

namespace vellicor {

/// The transitioning delegate of a half sheet. To show V from P as a half
/// sheet: make a listener for V, P and a configuration and keep it as long
/// as the sheet (controllers hold their delegate weakly); give V the custom
/// style and the listener as its transitioning delegate (attach() does both);
/// present V from P, animated.
class HalfSheetTransitioningDelegateListener
    : public platform::ui::ViewControllerTransitioningDelegate,
      public std::enable_shared_from_this<HalfSheetTransitioningDelegateListener> {
public:
    /// Makes the drag interaction at once, which attaches its pan to V's view.
    static std::shared_ptr<HalfSheetTransitioningDelegateListener> create(
        std::shared_ptr<platform::ui::ViewController> presented, std::shared_ptr<platform::ui::ViewController> presenting,
        const HalfSheetPresentationConfiguration& presentationConfig);

    /// Gives the presented controller the custom style and this delegate.
    void attach();

    const std::shared_ptr<platform::ui::ViewController>& presented() const { return presented_; }
    std::shared_ptr<platform::ui::ViewController> presenting() const { return presenting_.lock(); }
    const HalfSheetPresentationConfiguration& presentationConfig() const { return presentationConfig_; }
    const std::shared_ptr<HalfSheetInteractiveTransitioning>& dismissInteractive() const { return dismissInteractive_; }

    /// A new half-sheet presentation controller with this configuration.
    std::shared_ptr<platform::ui::PresentationController> presentationController(
        const std::shared_ptr<platform::ui::ViewController>& presented,
        const std::shared_ptr<platform::ui::ViewController>& presenting) override;
    /// A new slide-down animator.
    std::shared_ptr<platform::ui::ViewControllerAnimatedTransitioning> animationControllerForDismissed(
        const std::shared_ptr<platform::ui::ViewController>& dismissed) override;
    /// The drag interaction, only for the dismissal a drag started; every
    /// other dismissal runs the animator alone.
    std::shared_ptr<platform::ui::ViewControllerInteractiveTransitioning> interactionControllerForDismissal(
        const std::shared_ptr<platform::ui::ViewControllerAnimatedTransitioning>& animator) override;

private:
    HalfSheetTransitioningDelegateListener(std::shared_ptr<platform::ui::ViewController> presented,
                                           std::shared_ptr<platform::ui::ViewController> presenting,
                                           const HalfSheetPresentationConfiguration& presentationConfig);

    const std::shared_ptr<platform::ui::ViewController> presented_;
    // The presenting side owns this listener; it is not kept alive from here.
    const std::weak_ptr<platform::ui::ViewController> presenting_;
    const HalfSheetPresentationConfiguration presentationConfig_;
    const std::shared_ptr<HalfSheetInteractiveTransitioning> dismissInteractive_;
};

} // namespace vellicor
