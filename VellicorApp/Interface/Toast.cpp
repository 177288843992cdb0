#include "VellicorApp/Interface/Toast.hpp"

#include "VellicorApp/Interface/ViewControllerStyling.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/UI/Storyboard.hpp"

namespace vellicor {

using namespace platform::ui;

namespace {

constexpr double kIconWidth = 36;
constexpr double kIconLeadingSpace = 15;
constexpr double kActionButtonHeight = 44;
constexpr double kActionButtonTopSpace = 15;
constexpr double kDismissButtonWidth = 36;
constexpr double kRiseDuration = 0.7;
constexpr double kRiseDamping = 0.5;
constexpr double kRiseVelocity = 0.7;
constexpr double kReplaceDuration = 0.4;

} // namespace

std::shared_ptr<Toast> Toast::loadFromNib() {
    auto toast = std::dynamic_pointer_cast<Toast>(Nib::instantiate(kNibName));
    if (!toast) platform::fatalError("Failed to find Toast xib");
    toast->awakeFromNib();
    return toast;
}

std::shared_ptr<Toast> Toast::makeNibContent() {
    auto toast = makeView<Toast>(Rect{{0, 0}, {350, 80}});
    toast->translatesAutoresizingMaskIntoConstraints = false;
    toast->backgroundColor = Color::rgba(0.13, 0.13, 0.13);
    toast->layer().cornerRadius = 8;

    auto icon = ImageView::create(Image::systemNamed("exclamationmark.circle"));
    auto label = Label::create();
    label->numberOfLines = 0;
    label->textColor = Color::white();
    label->accessibilityIdentifier = "Toast.description";
    auto actionButton = Button::create(Button::ButtonType::system);
    actionButton->accessibilityIdentifier = "Toast.action";
    auto dismissButton = Button::create(Button::ButtonType::custom);
    dismissButton->setImage(Image::systemNamed("xmark"));
    dismissButton->accessibilityIdentifier = "Toast.dismiss";
    dismissButton->accessibilityLabel = "Dismiss";
    for (const std::shared_ptr<View>& view :
         std::initializer_list<std::shared_ptr<View>>{icon, label, actionButton, dismissButton}) {
        view->translatesAutoresizingMaskIntoConstraints = false;
        toast->addSubview(view);
    }
    toast->iconImage_ = icon;
    toast->descriptionLabel_ = label;
    toast->actionButton_ = actionButton;
    toast->dismissButton_ = dismissButton;

    using A = LayoutAttribute;
    toast->iconImageWidth_ = ConstraintOutlet::activate(icon->anchor(A::width).constraint(kIconWidth), "iconImageWidth");
    toast->iconImageLeadingSpace_ = ConstraintOutlet::activate(
        icon->anchor(A::leading).constraint(toast->anchor(A::leading), kIconLeadingSpace), "iconImageLeadingSpace");
    toast->actionButtonHeight_ =
        ConstraintOutlet::activate(actionButton->anchor(A::height).constraint(kActionButtonHeight), "actionButtonHeight");
    toast->actionButtonTopSpace_ = ConstraintOutlet::activate(
        actionButton->anchor(A::top).constraint(label->anchor(A::bottom), kActionButtonTopSpace), "actionButtonTopSpace");
    toast->dismissButtonWidth_ =
        ConstraintOutlet::activate(dismissButton->anchor(A::width).constraint(kDismissButtonWidth), "dismissButtonWidth");
    LayoutConstraint::activate({
        label->anchor(A::leading).constraint(icon->anchor(A::trailing), 15),
        label->anchor(A::top).constraint(toast->anchor(A::top), 15),
        dismissButton->anchor(A::leading).constraint(label->anchor(A::trailing), 8),
        dismissButton->anchor(A::trailing).constraint(toast->anchor(A::trailing), -8),
        actionButton->anchor(A::leading).constraint(label->anchor(A::leading)),
        actionButton->anchor(A::bottom).constraint(toast->anchor(A::bottom), -15),
    });

    std::weak_ptr<Toast> weakToast = toast;
    actionButton->addAction(ControlEvent::touchUpInside, [weakToast] {
        if (auto toast = weakToast.lock()) toast->actionButtonTapped();
    });
    dismissButton->addAction(ControlEvent::touchUpInside, [weakToast] {
        if (auto toast = weakToast.lock()) toast->dismissButtonTapped();
    });
    return toast;
}

void Toast::setIconImageHidden(bool hidden) {
    if (auto icon = iconImage()) icon->isHidden = hidden;
    iconImageWidth_.setConstant(hidden ? 0 : kIconWidth);
    iconImageLeadingSpace_.setConstant(hidden ? 0 : kIconLeadingSpace);
}

void Toast::setActionButtonHidden(bool hidden) {
    if (auto button = actionButton()) button->isHidden = hidden;
    actionButtonHeight_.setConstant(hidden ? 0 : kActionButtonHeight);
    actionButtonTopSpace_.setConstant(hidden ? 0 : kActionButtonTopSpace);
}

void Toast::setDismissButtonHidden(bool hidden) {
    if (auto button = dismissButton()) button->isHidden = hidden;
    dismissButtonWidth_.setConstant(hidden ? 0 : kDismissButtonWidth);
}

void Toast::setDescriptionText(const std::optional<std::string>& text) {
    if (auto label = descriptionLabel()) label->text = text.value_or(std::string{});
}

void Toast::setAction(std::optional<ToastAction> action) {
    action_ = std::move(action);
    setActionButtonHidden(!action_.has_value());
    if (auto button = actionButton()) {
        button->setTitle(action_ ? std::optional<std::string>(action_->title) : std::nullopt, ControlState::normal);
    }
    actionHandler_ = action_ ? action_->handler : nullptr;
}

void Toast::awakeFromNib() { setActionButtonHidden(true); }

void Toast::configureToast(const Fault& fault) {
    setIconImageHidden(true);
    setDismissButtonHidden(!fault.canIgnore());
    setDescriptionText(fault.description());
    if (auto faultAction = fault.action()) {
        auto handler = faultAction->handler;
        setAction(ToastAction{faultAction->title, [handler](const ToastAction&) {
                                  if (handler) handler();
                              }});
    }
}

void Toast::configureMessage(const std::string& text) {
    setIconImageHidden(true);
    setDismissButtonHidden(false);
    setAction(std::nullopt);
    setDescriptionText(text);
    setDisplayDuration(kMessageDuration);
}

void Toast::setDisplayDuration(std::optional<double> seconds) { displayDuration_ = seconds; }

void Toast::scheduleDeparture() {
    cancelDeparture();
    if (!displayDuration_) return;
    // Held weakly: a toast that nobody keeps any more has left with its view.
    std::weak_ptr<Toast> weakToast = std::static_pointer_cast<Toast>(shared_from_this());
    departure_ = platform::MainQueue::asyncAfter(*displayDuration_, [weakToast] {
        if (auto toast = weakToast.lock()) toast->dismiss(true);
    });
}

void Toast::cancelDeparture() {
    if (departure_) departure_->cancel();
    departure_.reset();
}

double Toast::horizontalPadding(UserInterfaceSizeClass sizeClass) {
    return sizeClass == UserInterfaceSizeClass::regular ? 150 : 20;
}

double Toast::padding() const {
    auto screen = presentingViewController_.lock();
    return horizontalPadding(screen ? screen->traitCollection().horizontalSizeClass
                                    : UserInterfaceSizeClass::unspecified);
}

std::shared_ptr<Toast> Toast::alreadyExist(const View& view) {
    std::shared_ptr<Toast> last;
    for (const auto& subview : view.subviews()) {
        if (auto toast = std::dynamic_pointer_cast<Toast>(subview)) last = toast;
    }
    return last;
}

void Toast::layoutSuperview() const {
    if (auto parent = superview()) {
        parent->setNeedsLayout();
        parent->layoutIfNeeded();
    }
}

void Toast::add(View& view) {
    auto self = std::static_pointer_cast<Toast>(shared_from_this());
    // Already on this view under another toast: leave it first, so that it
    // never holds two sets of constraints to the same view.
    if (superview().get() == &view) removeFromSuperview();
    view.addSubview(self);
    const double inset = padding();
    using A = LayoutAttribute;
    // The width keeps the value of the first presentation.
    if (!width_) width_ = ConstraintOutlet::activate(anchor(A::width).constraint(view.frame.width() - 2 * inset), "Toast.width");
    auto container = view.shared_from_this();
    leading_ = ConstraintOutlet::activate(anchor(A::leading).constraint(container->anchor(A::leading), inset),
                                          "Toast.leading");
    trailing_ = ConstraintOutlet::activate(anchor(A::trailing).constraint(container->anchor(A::trailing), -inset),
                                           "Toast.trailing");
    bottom_ = ConstraintOutlet::activate(
        anchor(A::bottom).constraint(container->safeAreaAnchor(A::bottom), -kBottomSpace), "Toast.bottom");
    view.bringSubviewToFront(self);
}

void Toast::present(const std::shared_ptr<ViewController>& viewController, bool animated) {
    if (!viewController) return;
    auto view = viewController->view();
    if (!view) return;
    auto self = std::static_pointer_cast<Toast>(shared_from_this());
    presentingViewController_ = viewController;
    scheduleDeparture();
    auto oldToast = alreadyExist(*view);

    const auto rise = [self] {
        auto key = keyWindow();
        const double bottomInset = key ? key->safeAreaInsets.bottom : 0;
        self->bottom_.setConstant(self->frame.height() + 2 * bottomInset);
        self->layoutSuperview();
        std::weak_ptr<Toast> weakToast = self;
        View::animate(kRiseDuration, 0, kRiseDamping, kRiseVelocity, AnimationOptions::curveLinear, [weakToast] {
            auto toast = weakToast.lock();
            if (!toast) return;
            toast->bottom_.setConstant(-kBottomSpace);
            toast->layoutSuperview();
        });
    };

    if (oldToast == self && leading_ && trailing_ && bottom_) {
        // Shown already: refresh in place, with the one set of constraints it has.
        const double inset = padding();
        leading_.setConstant(inset);
        trailing_.setConstant(-inset);
        view->bringSubviewToFront(self);
        if (animated) rise();
        return;
    }
    if (!oldToast || oldToast == self) {
        add(*view);
        if (animated) rise();
        return;
    }

    add(*view);
    if (!animated) {
        oldToast->removeFromSuperview();
        return;
    }
    const double width = view->frame.width();
    const double inset = padding();
    leading_.setConstant(width);
    trailing_.setConstant(-(width + 2 * inset));
    layoutSuperview();
    std::weak_ptr<Toast> weakToast = self;
    View::animate(
        kReplaceDuration,
        [weakToast, oldToast, width, inset] {
            auto toast = weakToast.lock();
            if (!toast) return;
            oldToast->leading_.setConstant(width);
            toast->leading_.setConstant(inset);
            toast->trailing_.setConstant(-inset);
            toast->layoutSuperview();
        },
        [oldToast](bool) { oldToast->removeFromSuperview(); });
}

void Toast::dismiss(bool /*animated*/) {
    cancelDeparture();
    removeFromSuperview();
}

void Toast::actionButtonTapped() {
    if (action_ && actionHandler_) {
        // Copied: the handler may set another action on this toast.
        auto handler = actionHandler_;
        auto action = *action_;
        handler(action);
    }
}

void Toast::dismissButtonTapped() { dismiss(false); }

void Toast::traitCollectionDidChange() {
    if (presentingViewController_.expired()) return;
    const double inset = padding();
    leading_.setConstant(inset);
    trailing_.setConstant(-inset);
}

} // namespace vellicor
