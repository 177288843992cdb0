#include "Platform/SDKs/Veltrane/VQLoginViewController.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"
#include "Platform/SDKs/Veltrane/VeltraneSDKManager.hpp"
#include "Platform/Web/WebViewConfiguration.hpp"

namespace platform::veltrane {

/// Watches the web view's navigations for the OAuth redirect.
class VQLoginViewController::NavigationHandler : public web::NavigationDelegate {
public:
    explicit NavigationHandler(std::weak_ptr<VQLoginViewController> screen) : screen_(std::move(screen)) {}

    void decidePolicyForNavigationAction(web::WebView&, const web::NavigationAction& action,
                                         std::function<void(web::NavigationActionPolicy)> decisionHandler) override {
        auto screen = screen_.lock();
        auto manager = screen ? screen->manager_.lock() : nullptr;
        if (manager && action.request.url && manager->isAuthorizationRedirect(*action.request.url)) {
            decisionHandler(web::NavigationActionPolicy::cancel);
            // Handled on the next turn: it may take the screen down, which must
            // not happen inside the web view's own callback.
            MainQueue::async([manager, url = *action.request.url] { manager->handleAuthorizationRedirect(url); });
            return;
        }
        decisionHandler(web::NavigationActionPolicy::allow);
    }

    void didFailProvisionalNavigation(web::WebView&, const std::shared_ptr<web::Navigation>&,
                                      const Error& error) override {
        if (error.domain == kURLErrorDomain && error.code == URLError::cancelled) return;
        VQSDKLogger::sharedInstanceWithComponent(kVQCoreComponentName)
            ->e("VQLoginViewController", "The sign-in page failed to load: " + error.localizedDescription());
    }

private:
    std::weak_ptr<VQLoginViewController> screen_;
};

std::shared_ptr<VQLoginViewController> VQLoginViewController::create() {
    return ui::makeController<VQLoginViewController>();
}

VQLoginViewController::VQLoginViewController() { title = "Log In"; }

VQLoginViewController::~VQLoginViewController() = default;

void VQLoginViewController::prepare(const std::shared_ptr<VQUserAccountManager>& manager,
                                    std::shared_ptr<VQSDKLoginViewControllerConfig> config,
                                    const Url& authorizationURL) {
    manager_ = manager;
    config_ = std::move(config);
    authorizationURL_ = authorizationURL;
    if (oauthView_) oauthView_->load(HttpRequest(authorizationURL));
}

void VQLoginViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    auto root = view();
    oauthView_ = web::WebView::create(root->bounds(), web::WebViewConfiguration::create());
    if (auto manager = VeltraneSDKManager::sharedManagerIfAny()) oauthView_->customUserAgent = manager->userAgent();
    navigationHandler_ = std::make_shared<NavigationHandler>(
        std::static_pointer_cast<VQLoginViewController>(shared_from_this()));
    oauthView_->setNavigationDelegate(navigationHandler_);
    root->addSubview(oauthView_);

    if (auto bar = navBar(); bar && config_) {
        if (config_->navBarColor) bar->barTintColor = config_->navBarColor;
        if (config_->navBarTitleColor) bar->titleTextAttributes.foregroundColor = config_->navBarTitleColor;
    }
    updateBackButton();
    if (authorizationURL_) oauthView_->load(HttpRequest(*authorizationURL_));
}

void VQLoginViewController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    updateBackButton();
}

std::shared_ptr<ui::NavigationBar> VQLoginViewController::navBar() const {
    auto navigation = navigationController();
    return navigation ? navigation->navigationBar() : nullptr;
}

bool VQLoginViewController::shouldShowBackButton() { return false; }

void VQLoginViewController::handleBackButtonAction() {
    if (auto manager = manager_.lock()) manager->userDidCancelAuthentication();
}

void VQLoginViewController::updateBackButton() {
    auto& item = navigationItem();
    std::erase(item.leftBarButtonItems, backButton_);
    if (!shouldShowBackButton()) {
        backButton_.reset();
    } else {
        if (!backButton_) {
            std::weak_ptr<ui::ViewController> weak = weak_from_this();
            backButton_ = ui::BarButtonItem::withTitle("Back", ui::BarButtonItem::Style::plain, [weak] {
                if (auto screen = std::static_pointer_cast<VQLoginViewController>(weak.lock())) {
                    screen->handleBackButtonAction();
                }
            });
            backButton_->accessibilityIdentifier = "LoginBackButton";
            if (config_ && config_->navBarTintColor) backButton_->tintColor = config_->navBarTintColor;
        }
        item.leftBarButtonItems.insert(item.leftBarButtonItems.begin(), backButton_);
    }
    if (auto bar = navBar()) bar->reload();
}

} // namespace platform::veltrane
