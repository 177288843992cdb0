#include "VellicorApp/Shell/LoginViewController.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/AppMode.hpp"
#include "VellicorApp/Core/FloatingActionButtonProviding.hpp"
#include "VellicorApp/Core/UserAgent.hpp"
#include "VellicorApp/Interface/ColorBrightness.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/View.hpp"

namespace vellicor {

using namespace platform::ui;

std::shared_ptr<LoginViewController> LoginViewController::create() { return makeController<LoginViewController>(); }

void LoginViewController::viewDidLoad() {
    VQLoginViewController::viewDidLoad();

    std::weak_ptr<LoginViewController> weakSelf = std::static_pointer_cast<LoginViewController>(shared_from_this());
    auto refresh = BarButtonItem::withSystemItem(BarButtonItem::SystemItem::refresh, [weakSelf] {
        if (auto self = weakSelf.lock()) self->refreshPage();
    });
    refresh->accessibilityIdentifier = "LoginRefreshButton";
    if (auto bar = navBar()) {
        if (auto* item = bar->topItem()) {
            item->rightBarButtonItems = {refresh};
            bar->reload();
        }
    }

    updateNavigationBarVisibility();

    // Observed on behalf of the screen: the centre stops calling once it is gone.
    AppContext::current()->notificationCenter->addObserver<LoginViewController>(
        std::static_pointer_cast<LoginViewController>(shared_from_this()), kLoginViewNavBarDidChangeNotification,
        nullptr, [](LoginViewController& screen, const platform::Notification& notification) {
            screen.loginViewNavBarConfigurationDidChange(notification);
        });

    if (auto webView = oauthView()) {
        setConstraints(*webView);
        updateUserAgent(*webView);
        webView->allowsLinkPreview = false;
        webView->isInspectable = true;
    }
}

void LoginViewController::viewDidLayoutSubviews() {
    VQLoginViewController::viewDidLayoutSubviews();
    // Runs on every layout pass; the provider only moves a button it already placed.
    if (auto provider = AppContext::current()->floatingActionButtonProvider()) {
        provider->presentFloatingActionButton(shared_from_this());
    }
}

StatusBarStyle LoginViewController::preferredStatusBarStyle() const {
    const auto color = AppContext::current()->navBarTrueColor();
    return color ? statusBarStyle(*color) : StatusBarStyle::defaultStyle;
}

bool LoginViewController::shouldShowBackButton() { return AppContext::current()->hasGuestExperience(); }

void LoginViewController::handleBackButtonAction() {
    // The SDK ends the sign-in first; the tab bar reacts to the post afterwards.
    VQLoginViewController::handleBackButtonAction();
    AppContext::current()->notificationCenter->post(kLoginViewNavBarDidHandleBackButtonActionNotification);
}

void LoginViewController::refreshPage() {
    if (auto webView = oauthView()) webView->reload();
}

void LoginViewController::loginViewNavBarConfigurationDidChange(const platform::Notification&) {
    std::weak_ptr<LoginViewController> weakSelf = std::static_pointer_cast<LoginViewController>(shared_from_this());
    platform::MainQueue::async([weakSelf] {
        if (auto self = weakSelf.lock()) self->updateNavigationBarVisibility();
    });
}

void LoginViewController::updateNavigationBarVisibility() {
    auto navigation = navigationController();
    if (!navigation) return;
    navigation->setNavigationBarHidden(!isLoginNavBarEnabled(AppContext::current()->appMode()), true);
}

void LoginViewController::setConstraints(platform::web::WebView& webView) {
    auto root = view();
    auto web = webView.shared();
    web->translatesAutoresizingMaskIntoConstraints = false;
    LayoutConstraint::activate({
        web->anchor(LayoutAttribute::top).constraint(root->safeAreaAnchor(LayoutAttribute::top)),
        web->anchor(LayoutAttribute::leading).constraint(root->anchor(LayoutAttribute::leading)),
        web->anchor(LayoutAttribute::trailing).constraint(root->anchor(LayoutAttribute::trailing)),
        web->anchor(LayoutAttribute::bottom).constraint(root->safeAreaAnchor(LayoutAttribute::bottom)),
    });
}

void LoginViewController::updateUserAgent(platform::web::WebView& webView) {
    // Without a custom user agent the platform's own stays in place.
    if (!webView.customUserAgent) return;
    webView.customUserAgent = *webView.customUserAgent + " " + UserAgent::safariWebKitVersion();
}

} // namespace vellicor
