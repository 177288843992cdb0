#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/Geometry.hpp"
#include "Platform/UI/View.hpp"
#include "Platform/UI/ViewController.hpp"

#include <functional>
#include <memory>

namespace platform::ui {

class Window;

/// The view that holds a presented controller's view: a subview of the window,
/// in front of what was shown before the presentation.
class PLATFORM_EXPORT PresentationContainerView : public View {
public:
    std::string typeName() const override { return "PresentationContainerView"; }

protected:
    explicit PresentationContainerView(Rect frame) : View(frame) {}
};

/// Runs one modal presentation: it owns the container view the presented
/// controller's view is shown in, decides the presented view's frame and
/// whether the presenting controller's view leaves the screen, and drives the
/// transition. Custom presentations (ModalPresentationStyle::custom with
/// ViewController::customPresentationControllerFactory) subclass it; every
/// hook is virtual so a subclass can add its own views (a dimming view), its
/// own timing and interactive transitions.
///
/// The presented controller holds its presentation controller from present()
/// to the end of the dismissal; this object refers to both controllers weakly.
class PLATFORM_EXPORT PresentationController : public std::enable_shared_from_this<PresentationController> {
public:
    static std::shared_ptr<PresentationController> create(const std::shared_ptr<ViewController>& presented,
                                                          const std::shared_ptr<ViewController>& presenting,
                                                          ModalPresentationStyle style = ModalPresentationStyle::custom);
    virtual ~PresentationController();
    PresentationController(const PresentationController&) = delete;
    PresentationController& operator=(const PresentationController&) = delete;

    std::shared_ptr<ViewController> presentedViewController() const { return presented_.lock(); }
    std::shared_ptr<ViewController> presentingViewController() const { return presenting_.lock(); }
    /// The style the presentation runs with (automatic and adapted popovers resolved).
    ModalPresentationStyle presentationStyle() const { return style_; }
    /// The container view, a subview of the window; null before the presentation begins.
    std::shared_ptr<View> containerView() const { return container_; }
    /// The view put into the container: the presented controller's view.
    virtual std::shared_ptr<View> presentedView() const;

    // Transition hooks ---------------------------------------------------------
    /// Called once the container holds the presented view, before the transition runs.
    virtual void presentationTransitionWillBegin() {}
    /// Called when the presentation transition ends (completed is false when it was cancelled).
    virtual void presentationTransitionDidEnd(bool /*completed*/) {}
    virtual void dismissalTransitionWillBegin() {}
    virtual void dismissalTransitionDidEnd(bool /*completed*/) {}

    /// The presented view's frame in the container: the whole container for the
    /// full-screen and custom styles, a sheet below the status bar for the sheet
    /// styles on a compact width, a centred panel on a regular width, and a panel
    /// below the source for a popover.
    virtual Rect frameOfPresentedViewInContainerView() const;
    /// Whether the presenting controller's view leaves the screen (and the
    /// presenting controller disappears): true for the full-screen style only.
    virtual bool shouldRemovePresentersView() const;

    /// The length of an animated transition (ViewController::kTransitionDuration).
    virtual double transitionDuration(bool presenting) const;
    /// Runs the transition and calls `finished` once: with true when it
    /// completed, false when it was cancelled (an interactive dismissal the user
    /// gave up). By default an animated transition completes after
    /// transitionDuration() on the main queue's clock, and one without animation
    /// on the next turn of the main queue.
    virtual void performTransition(bool presenting, bool animated, std::function<void(bool completed)> finished);

protected:
    PresentationController(const std::shared_ptr<ViewController>& presented,
                           const std::shared_ptr<ViewController>& presenting, ModalPresentationStyle style);

private:
    friend class ViewController;
    void installContainer(const std::shared_ptr<Window>& window);
    void removeContainer();
    /// Takes the presenting controller's view out of its superview, remembering where it was.
    void detachPresentersView();
    void restorePresentersView();

    std::weak_ptr<ViewController> presented_;
    std::weak_ptr<ViewController> presenting_;
    ModalPresentationStyle style_;
    std::shared_ptr<View> container_;
    std::weak_ptr<View> presenterSuperview_;
    bool presenterDetached_ = false;
    std::size_t presenterIndex_ = 0;
};

/// Makes a presentation controller of a subclass (the constructors are protected).
template <class T, class... Args>
std::shared_ptr<T> makePresentationController(Args&&... args) {
    struct Made : T {
        explicit Made(Args&&... a) : T(std::forward<Args>(a)...) {}
    };
    return std::make_shared<Made>(std::forward<Args>(args)...);
}

} // namespace platform::ui
