#include "VellicorApp/Shell/Biometrics/BiometricsValidationView.hpp"

#include "VellicorApp/Core/Localization.hpp"

namespace vellicor {

using namespace platform::ui;

namespace {
constexpr double kFadeDuration = 1.0;
} // namespace

std::shared_ptr<BiometricsValidationView> BiometricsValidationView::create() {
    struct Made : BiometricsValidationView {};
    auto view = std::make_shared<Made>();
    view->accessibilityIdentifier = "Biometrics.panel";
    auto message = Label::create();
    message->accessibilityIdentifier = "Biometrics.message";
    message->numberOfLines = 0;
    auto description = Label::create(localized("PLEASE_TRY_AGAIN", "Please Try Again"));
    description->accessibilityIdentifier = "Biometrics.description";
    auto logout = Button::create(Button::ButtonType::system);
    logout->accessibilityIdentifier = "Biometrics.logout";
    logout->setTitle(localized("LOG_OUT", "Log Out"));
    view->addSubview(message);
    view->addSubview(description);
    view->addSubview(logout);
    view->messageLabel_ = message;
    view->descriptionLabel_ = description;
    view->logoutButton_ = logout;
    return view;
}

void BiometricsValidationView::animate(bool hide, std::function<void()> completion) {
    if (!hide) isHidden = false;
    std::weak_ptr<View> weakSelf = shared_from_this();
    View::animate(
        kFadeDuration, 0, AnimationCurve::easeOut,
        [weakSelf, hide] {
            if (auto self = weakSelf.lock()) self->alpha = hide ? 0.0 : 1.0;
        },
        [weakSelf, hide, completion = std::move(completion)](bool) {
            auto self = weakSelf.lock();
            if (self && hide) self->isHidden = true;
            if (completion) completion();
        });
}

void BiometricsValidationView::updateErrorMessage(const std::string& message) {
    if (auto label = messageLabel_.lock()) label->text = message;
}

} // namespace vellicor
