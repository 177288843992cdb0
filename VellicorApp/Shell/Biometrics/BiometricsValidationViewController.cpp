#include "VellicorApp/Shell/Biometrics/BiometricsValidationViewController.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Interface/ColorBrightness.hpp"

#include "Platform/SDKs/Veltrane/ColorAdditions.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/Geometry.hpp"

namespace vellicor {

using namespace platform::ui;

namespace {
constexpr const char* kPanelShadowColor = "#9d9d9d";
} // namespace

std::shared_ptr<BiometricsValidationViewController> BiometricsValidationViewController::makeStoryboardContent() {
    return makeController<BiometricsValidationViewController>();
}

void BiometricsValidationViewController::loadView() {
    auto root = View::create(Rect{{0, 0}, kScreenSize});
    root->backgroundColor = Color::systemBackground();
    auto panel = BiometricsValidationView::create();
    auto retry = Button::create(Button::ButtonType::system);
    retry->accessibilityIdentifier = "Biometrics.retry";
    root->addSubview(panel);
    root->addSubview(retry);

    std::weak_ptr<BiometricsValidationViewController> weakSelf =
        std::static_pointer_cast<BiometricsValidationViewController>(shared_from_this());
    retry->addAction(ControlEvent::touchUpInside, [weakSelf] {
        if (auto self = weakSelf.lock()) self->retry();
    });
    if (auto logoutButton = panel->logoutButton()) {
        logoutButton->addAction(ControlEvent::touchUpInside, [weakSelf] {
            if (auto self = weakSelf.lock()) self->logout();
        });
    }
    setView(root);
    validationView_ = panel;
    retryButton_ = retry;
}

void BiometricsValidationViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    // Observed on behalf of the screen: the centre stops calling once it is gone.
    const auto self = std::static_pointer_cast<BiometricsValidationViewController>(shared_from_this());
    const auto center = AppContext::current()->notificationCenter;
    center->addObserver<BiometricsValidationViewController>(
        self, kApplicationWillEnterForegroundNotification, nullptr,
        [](BiometricsValidationViewController& screen, const platform::Notification&) {
            screen.applicationWillEnterForeground();
        });
    center->addObserver<BiometricsValidationViewController>(
        self, kApplicationDidEnterBackgroundNotification, nullptr,
        [](BiometricsValidationViewController& screen, const platform::Notification&) {
            screen.applicationDidEnterBackground();
        });
    if (auto panel = validationView()) panel->layer().shadowColor = platform::veltrane::colorFromHexValue(kPanelShadowColor);
    if (auto button = retryButton()) {
        button->setTitle(localized("RETRY_BUTTON_TITLE", "Retry"));
        if (auto label = button->titleLabel()) label->lineBreakMode = LineBreakMode::byWordWrapping;
    }
}

StatusBarStyle BiometricsValidationViewController::preferredStatusBarStyle() const {
    const auto color = AppContext::current()->navBarColor();
    if (!color) return StatusBarStyle::defaultStyle;
    return isPerceivedBright(*color) ? StatusBarStyle::darkContent : StatusBarStyle::lightContent;
}

void BiometricsValidationViewController::retry() {
    if (auto delegate = delegate_.lock()) delegate->biometricsValidationShouldRevalidate(*this);
}

void BiometricsValidationViewController::applicationWillEnterForeground() { retry(); }

void BiometricsValidationViewController::applicationDidEnterBackground() {
    if (auto panel = validationView()) panel->animate(true);
}

void BiometricsValidationViewController::logout() {
    if (auto delegate = delegate_.lock()) delegate->biometricsValidationShouldLogUserOut(*this);
    dismiss(true);
}

void BiometricsValidationViewController::updateUI(const std::optional<std::string>& message) {
    auto panel = validationView();
    if (!panel) return;
    panel->animate(false);
    if (message) panel->updateErrorMessage(*message);
}

} // namespace vellicor
