#include "VellicorApp/Interface/RequiredLoginOverlayViewController.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Interface/ColorBrightness.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/UI/Storyboard.hpp"

namespace vellicor {

using namespace platform::ui;

std::shared_ptr<RequiredLoginOverlayViewController> RequiredLoginOverlayViewController::instantiate() {
    auto controller = std::dynamic_pointer_cast<RequiredLoginOverlayViewController>(
        Storyboard::named(kStoryboardName)->instantiateViewController(kIdentifier));
    if (!controller) platform::fatalError("Storyboard is not configured properly!");
    return controller;
}

std::shared_ptr<RequiredLoginOverlayViewController> RequiredLoginOverlayViewController::makeStoryboardContent() {
    return makeController<RequiredLoginOverlayViewController>();
}

void RequiredLoginOverlayViewController::loadView() {
    auto root = View::create(Rect{{0, 0}, kScreenSize});
    root->backgroundColor = Color::systemBackground();
    auto label = Label::create();
    label->numberOfLines = 0;
    label->textAlignment = TextAlignment::center;
    label->translatesAutoresizingMaskIntoConstraints = false;
    auto button = Button::create(Button::ButtonType::system);
    button->accessibilityIdentifier = "RequiredLoginOverlay.login";
    button->translatesAutoresizingMaskIntoConstraints = false;
    button->layer().cornerRadius = 8;
    root->addSubview(label);
    root->addSubview(button);
    using A = LayoutAttribute;
    LayoutConstraint::activate({
        label->anchor(A::centerY).constraint(root->anchor(A::centerY), -40),
        label->anchor(A::leading).constraint(root->anchor(A::leading), 24),
        label->anchor(A::trailing).constraint(root->anchor(A::trailing), -24),
        button->anchor(A::top).constraint(label->anchor(A::bottom), 24),
        button->anchor(A::centerX).constraint(root->anchor(A::centerX)),
        button->anchor(A::height).constraint(44),
    });
    std::weak_ptr<RequiredLoginOverlayViewController> weakSelf =
        std::static_pointer_cast<RequiredLoginOverlayViewController>(shared_from_this());
    button->addAction(ControlEvent::touchUpInside, [weakSelf] {
        if (auto self = weakSelf.lock()) self->loginButtonTapped();
    });
    setView(root);
    setLoginButton(button);
    setDescriptionLabel(label);
}

void RequiredLoginOverlayViewController::setLoginButton(const std::shared_ptr<Button>& button) {
    loginButton_ = button;
    if (!button) return;
    const auto color = AppContext::current()->navBarTrueColor();
    button->setTitle(localized("LOGIN_BUTTON", "login button text"), ControlState::normal);
    button->backgroundColor = color;
    if (color) button->setTitleColor(contrastColor(*color), ControlState::normal);
}

void RequiredLoginOverlayViewController::setDescriptionLabel(const std::shared_ptr<Label>& label) {
    descriptionLabel_ = label;
    if (!label) return;
    const auto color = AppContext::current()->navBarTrueColor();
    label->text = localized("FUNCTIONALITY_REQUIRES_LOG_IN", "functionality requires log in");
    if (color) label->textColor = contrastColor(*color);
}

void RequiredLoginOverlayViewController::show(const std::shared_ptr<ViewController>& parent) {
    if (!parent) return;
    auto self = shared_from_this();
    parent->addChild(self);
    auto parentView = parent->view();
    auto overlay = view();
    overlay->frame = parentView->frame;
    parentView->addSubview(overlay);
    overlay->translatesAutoresizingMaskIntoConstraints = false;
    using A = LayoutAttribute;
    LayoutConstraint::activate({
        overlay->anchor(A::leading).constraint(parentView->anchor(A::leading)),
        overlay->anchor(A::trailing).constraint(parentView->anchor(A::trailing)),
        overlay->anchor(A::top).constraint(parentView->anchor(A::top)),
        overlay->anchor(A::bottom).constraint(parentView->anchor(A::bottom)),
    });
    didMove(parent);
    parentView->bringSubviewToFront(overlay);
}

void RequiredLoginOverlayViewController::loginButtonTapped() {
    // The flag the SDK returns is not needed: its login notifications drive what follows.
    (void)AppContext::current()->userAccountManager->login([](auto&&...) {});
}

} // namespace vellicor
