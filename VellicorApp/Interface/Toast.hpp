#pragma once

#include "VellicorApp/Core/Fault.hpp"
#include "VellicorApp/Interface/ConstraintOutlet.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/UI/Button.hpp"
#include "Platform/UI/ImageView.hpp"
#include "Platform/UI/Label.hpp"
#include "Platform/UI/View.hpp"
#include "Platform/UI/ViewController.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vellicor {

/// The action button of a toast: a title and what a tap does (the handler
/// receives the action itself).
struct ToastAction {
    std::string title;
    std::function<void(const ToastAction&)> handler;
};

/// The message strip that slides in at the bottom of a screen: an optional
/// icon, a text, an optional action button and an optional dismiss button.
/// A fault's toast has no timer: it stays until the user dismisses it,
/// another toast replaces it on the same view, or its view goes away. A
/// message of success (configureMessage) also leaves on its own a few
/// seconds after it was presented. Made by the nib "Toast". Main thread only.
class Toast : public platform::ui::View {
public:
    /// The name of the nib.
    static constexpr const char* kNibName = "Toast";
    /// Space between the toast and the bottom of the safe area.
    static constexpr double kBottomSpace = 20;
    /// Seconds a message of success stays on screen: the platform's usual
    /// short notice, long enough to read a line.
    static constexpr double kMessageDuration = 4;

    /// A toast from the nib "Toast"; stops the app with "Failed to find Toast
    /// xib" when the nib's first object is no toast.
    static std::shared_ptr<Toast> loadFromNib();
    /// The nib's content: a toast with its icon, text and buttons laid out
    /// (the factory registered under kNibName).
    static std::shared_ptr<Toast> makeNibContent();

    void setIconImageHidden(bool hidden);
    void setActionButtonHidden(bool hidden);
    void setDismissButtonHidden(bool hidden);
    /// The text of the message; none or empty clears it.
    void setDescriptionText(const std::optional<std::string>& text);
    /// Shows the action's button with its title (hides it for none) and makes
    /// its handler the one a tap runs.
    void setAction(std::optional<ToastAction> action);
    const std::optional<ToastAction>& action() const { return action_; }

    /// Hides the action button, as the nib leaves it.
    void awakeFromNib();
    /// Fills the toast from a fault: no icon; the dismiss button only when the
    /// fault can be ignored; its text; its action when it has one (a fault
    /// without action leaves the current action).
    void configureToast(const Fault& fault);
    /// Fills the toast for a message of success: no icon (the nib's is the
    /// warning sign), the dismiss button, no action, the text; it stays
    /// kMessageDuration after each presentation.
    void configureMessage(const std::string& text);
    /// Seconds the toast stays after each presentation before it takes itself
    /// off its view; none (as the nib makes it) keeps it until it is dismissed
    /// or replaced. Presenting again starts the count again; a dismissal
    /// cancels it.
    void setDisplayDuration(std::optional<double> seconds);
    std::optional<double> displayDuration() const { return displayDuration_; }

    /// Shows the toast at the bottom of the controller's view, sliding it in
    /// when animated. A toast already there (the last one of the view) is
    /// replaced: it slides out to the right, or goes at once when not
    /// animated. Presenting the toast that is already the last one of that
    /// view updates it in place (its insets; an animated call replays the rise).
    void present(const std::shared_ptr<platform::ui::ViewController>& viewController, bool animated);
    /// Takes the toast off its view (at once; the animated form is the same)
    /// and cancels its pending departure.
    void dismiss(bool animated = false);

    /// The action button's target: runs the action's handler; the toast stays.
    void actionButtonTapped();
    /// The dismiss button's target.
    void dismissButtonTapped();
    /// Moves the insets to the padding of the presenting screen's size class.
    void traitCollectionDidChange() override;

    /// Horizontal inset for a size class: 150 for regular, 20 otherwise.
    static double horizontalPadding(platform::ui::UserInterfaceSizeClass sizeClass);

    std::string typeName() const override { return "Toast"; }

    // Read by tests and screen dumps.
    std::shared_ptr<platform::ui::Button> actionButton() const { return actionButton_.lock(); }
    std::shared_ptr<platform::ui::Button> dismissButton() const { return dismissButton_.lock(); }
    std::shared_ptr<platform::ui::Label> descriptionLabel() const { return descriptionLabel_.lock(); }
    std::shared_ptr<platform::ui::ImageView> iconImage() const { return iconImage_.lock(); }
    const ConstraintOutlet& leadingConstraint() const { return leading_; }
    const ConstraintOutlet& trailingConstraint() const { return trailing_; }
    const ConstraintOutlet& bottomConstraint() const { return bottom_; }
    const ConstraintOutlet& widthConstraint() const { return width_; }
    const ConstraintOutlet& iconImageWidth() const { return iconImageWidth_; }
    const ConstraintOutlet& iconImageLeadingSpace() const { return iconImageLeadingSpace_; }
    const ConstraintOutlet& actionButtonHeight() const { return actionButtonHeight_; }
    const ConstraintOutlet& actionButtonTopSpace() const { return actionButtonTopSpace_; }
    const ConstraintOutlet& dismissButtonWidth() const { return dismissButtonWidth_; }

protected:
    explicit Toast(platform::ui::Rect frame) : View(frame) {}

private:
    double padding() const;
    void add(platform::ui::View& view);
    static std::shared_ptr<Toast> alreadyExist(const platform::ui::View& view);
    void layoutSuperview() const;
    void scheduleDeparture();
    void cancelDeparture();

    std::weak_ptr<platform::ui::ImageView> iconImage_;
    std::weak_ptr<platform::ui::Button> actionButton_;
    std::weak_ptr<platform::ui::Button> dismissButton_;
    std::weak_ptr<platform::ui::Label> descriptionLabel_;
    ConstraintOutlet iconImageWidth_;
    ConstraintOutlet iconImageLeadingSpace_;
    ConstraintOutlet actionButtonHeight_;
    ConstraintOutlet actionButtonTopSpace_;
    ConstraintOutlet dismissButtonWidth_;
    ConstraintOutlet width_;
    ConstraintOutlet bottom_;
    ConstraintOutlet leading_;
    ConstraintOutlet trailing_;
    std::function<void(const ToastAction&)> actionHandler_;
    std::weak_ptr<platform::ui::ViewController> presentingViewController_;
    std::optional<ToastAction> action_;
    std::optional<double> displayDuration_;
    /// The pending departure of the last presentation, when it has a duration.
    std::shared_ptr<platform::WorkItem> departure_;
};

} // namespace vellicor
