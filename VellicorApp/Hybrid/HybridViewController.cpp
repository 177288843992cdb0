#include "VellicorApp/Hybrid/HybridViewController.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerManaging.hpp"
#include "VellicorApp/Interface/ColorBrightness.hpp"
#include "VellicorApp/Interface/ViewControllerStyling.hpp"

#include "Platform/Foundation/Clock.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/Web/ContentWorld.hpp"

namespace vellicor {

using namespace platform::ui;

namespace {

constexpr const char* kTypeName = "HybridViewController";
constexpr const char* kBackSymbol = "chevron.backward";
/// Seconds the start page may stay idle while loading.
constexpr double kLoadTimeout = 60;

} // namespace

std::shared_ptr<HybridViewController> HybridViewController::create(std::shared_ptr<HybridViewModel> hybridViewModel) {
    return makeController<HybridViewController>(std::move(hybridViewModel));
}

HybridViewController::HybridViewController(std::shared_ptr<HybridViewModel> hybridViewModel)
    : hybridViewModel_(std::move(hybridViewModel)) {
    if (const auto markerID = hybridViewModel_->currentMarkerID()) {
        AppContext::current()->korvaMarkerCenter->start(*markerID, platform::now());
    }
}

const std::shared_ptr<platform::web::WebView>& HybridViewController::webView() {
    if (!webView_) {
        const auto root = view();
        webView_ = platform::web::WebView::create(root->frame, hybridViewModel_->webViewConfig());
        webView_->isInspectable = true;
        webView_->translatesAutoresizingMaskIntoConstraints = false;
        root->addSubview(webView_);
        using A = LayoutAttribute;
        LayoutConstraint::activate({
            webView_->anchor(A::top).constraint(root->anchor(A::top)),
            webView_->anchor(A::bottom).constraint(root->anchor(A::bottom)),
            webView_->anchor(A::left).constraint(root->anchor(A::left)),
            webView_->anchor(A::right).constraint(root->anchor(A::right)),
        });
    }
    return webView_;
}

const std::shared_ptr<Button>& HybridViewController::dismissButton() {
    if (!dismissButton_) {
        const auto root = view();
        dismissButton_ = Button::create(Button::ButtonType::close);
        dismissButton_->accessibilityIdentifier = "HybridViewController.dismiss";
        dismissButton_->isHidden = true;
        dismissButton_->translatesAutoresizingMaskIntoConstraints = false;
        root->addSubview(dismissButton_);
        std::weak_ptr<ViewController> weakSelf = shared_from_this();
        dismissButton_->addAction(ControlEvent::touchUpInside, [weakSelf] {
            if (const auto self = std::static_pointer_cast<HybridViewController>(weakSelf.lock())) self->dismissButtonTapped();
        });
        using A = LayoutAttribute;
        LayoutConstraint::activate({
            dismissButton_->anchor(A::top).constraint(root->anchor(A::top), 10),
            dismissButton_->anchor(A::leading).constraint(root->anchor(A::leading), 10),
            dismissButton_->anchor(A::width).constraint(30),
            dismissButton_->anchor(A::height).constraint(dismissButton_->anchor(A::width)),
        });
    }
    return dismissButton_;
}

const std::shared_ptr<View>& HybridViewController::statusBarView() {
    if (!statusBarView_) {
        statusBarView_ = View::create();
        statusBarView_->translatesAutoresizingMaskIntoConstraints = false;
    }
    return statusBarView_;
}

const std::shared_ptr<BarButtonItem>& HybridViewController::leftBarButtonItem() {
    if (!leftBarButtonItem_) {
        std::weak_ptr<ViewController> weakSelf = shared_from_this();
        leftBarButtonItem_ = BarButtonItem::withImage(Image::systemNamed(kBackSymbol), BarButtonItem::Style::plain, [weakSelf] {
            if (const auto self = std::static_pointer_cast<HybridViewController>(weakSelf.lock())) self->backButtonTapped();
        });
        leftBarButtonItem_->accessibilityIdentifier = "HybridViewController.back";
    }
    return leftBarButtonItem_;
}

void HybridViewController::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    hideNavigationBarWhenEmpty(*this, animated);
}

void HybridViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    const auto& startPage = hybridViewModel_->startPage();
    const auto startURL = startPage ? platform::Url::parse(*startPage) : std::nullopt;
    if (!startURL) {
        // Log text read by support tooling; keep verbatim.
        Logger::error("Failed to create hybrid web view. Start page must not be nil", kTypeName);
        return;
    }
    configureWebView();
    configureStatusBarUnderlayView(*this, statusBarView());
    configureJSMessageHandlers();
    navigationItem().leftBarButtonItems = {leftBarButtonItem()};
    webView()->load(platform::HttpRequest(*startURL, kLoadTimeout));
}

void HybridViewController::configureWebView() {
    const auto& web = webView();
    web->setNavigationDelegate(hybridViewModel_);
    web->setUIDelegate(hybridViewModel_);
    web->customUserAgent = hybridViewModel_->userAgent(traitCollection().horizontalSizeClass);
}

void HybridViewController::configureJSMessageHandlers() {
    const auto& controller = webView()->configuration()->userContentController;
    for (const auto& [name, handler] : hybridViewModel_->scriptMessageHandlersWithReply()) {
        controller->addScriptMessageHandler(handler, platform::web::ContentWorld::page(), name);
    }
}

void HybridViewController::backButtonTapped() {
    if (const auto navigation = navigationController()) navigation->pop(true);
}

void HybridViewController::dismissButtonTapped() { dismiss(true); }

StatusBarStyle HybridViewController::preferredStatusBarStyle() const {
    const auto barColor = AppContext::current()->navBarTrueColor();
    return barColor ? statusBarStyle(*barColor) : StatusBarStyle::defaultStyle;
}

} // namespace vellicor
