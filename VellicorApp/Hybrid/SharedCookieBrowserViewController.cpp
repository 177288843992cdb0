#include "VellicorApp/Hybrid/SharedCookieBrowserViewController.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Interface/ColorBrightness.hpp"
#include "VellicorApp/Interface/ViewControllerStyling.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/Text.hpp"
#include "Platform/UI/AlertController.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Storyboard.hpp"
#include "Platform/Web/WebViewConfiguration.hpp"
#include "Platform/Web/WebsiteDataStore.hpp"

namespace vellicor {

using namespace platform::ui;
using platform::web::WebView;

namespace {

constexpr const char* kTypeName = "SharedCookieBrowserViewController";
constexpr const char* kSecureSymbol = "lock.fill";
constexpr const char* kBackSymbol = "chevron.backward";
constexpr const char* kForwardSymbol = "chevron.forward";
constexpr const char* kMenuSymbol = "ellipsis.circle";
/// Seconds a load may stay idle.
constexpr double kLoadTimeout = 60;

/// The page's address as text; empty when it has none.
std::string addressText(const WebView& webView) { return webView.url() ? webView.url()->absoluteString() : std::string(); }

} // namespace

std::shared_ptr<SharedCookieBrowserViewController> SharedCookieBrowserViewController::instantiate() {
    auto controller = std::dynamic_pointer_cast<SharedCookieBrowserViewController>(
        Storyboard::named(kStoryboardName)->instantiateViewController(kIdentifier));
    if (!controller) platform::fatalError("Storyboard is not configured properly!");
    return controller;
}

std::shared_ptr<SharedCookieBrowserViewController> SharedCookieBrowserViewController::makeStoryboardContent() {
    return makeController<SharedCookieBrowserViewController>();
}

std::shared_ptr<SharedCookieBrowserViewController> SharedCookieBrowserViewController::self() {
    return std::static_pointer_cast<SharedCookieBrowserViewController>(shared_from_this());
}

const std::shared_ptr<View>& SharedCookieBrowserViewController::statusBarView() {
    if (!statusBarView_) {
        statusBarView_ = View::create();
        statusBarView_->translatesAutoresizingMaskIntoConstraints = false;
    }
    return statusBarView_;
}

// The storyboard's scene: a header (title, address, lock), the web view, and
// a toolbar with back and forward; close and menu in the navigation bar.
void SharedCookieBrowserViewController::loadView() {
    auto root = View::create(Rect{{0, 0}, kScreenSize});
    root->backgroundColor = Color::systemBackground();

    auto header = View::create();
    auto title = Label::create();
    title->accessibilityIdentifier = "SharedCookieBrowser.title";
    auto subtitle = Label::create();
    subtitle->accessibilityIdentifier = "SharedCookieBrowser.address";
    auto lock = ImageView::create(Image::systemNamed(kSecureSymbol));
    lock->accessibilityIdentifier = "SharedCookieBrowser.secure";
    // The web view of the default configuration: the app's default data store.
    auto web = WebView::create({}, platform::web::WebViewConfiguration::create());
    auto toolbar = Toolbar::create();
    auto back = Button::create(Button::ButtonType::system);
    back->accessibilityIdentifier = "SharedCookieBrowser.back";
    back->setImage(Image::systemNamed(kBackSymbol));
    auto forward = Button::create(Button::ButtonType::system);
    forward->accessibilityIdentifier = "SharedCookieBrowser.forward";
    forward->setImage(Image::systemNamed(kForwardSymbol));

    for (const auto& view : std::initializer_list<std::shared_ptr<View>>{header, title, subtitle, lock, web, toolbar,
                                                                         back, forward}) {
        view->translatesAutoresizingMaskIntoConstraints = false;
    }
    header->addSubview(title);
    header->addSubview(subtitle);
    header->addSubview(lock);
    toolbar->addSubview(back);
    toolbar->addSubview(forward);
    root->addSubview(header);
    root->addSubview(web);
    root->addSubview(toolbar);
    using A = LayoutAttribute;
    LayoutConstraint::activate({
        header->anchor(A::top).constraint(root->safeAreaAnchor(A::top)),
        header->anchor(A::leading).constraint(root->anchor(A::leading)),
        header->anchor(A::trailing).constraint(root->anchor(A::trailing)),
        header->anchor(A::height).constraint(52),
        lock->anchor(A::leading).constraint(header->anchor(A::leading), 16),
        lock->anchor(A::centerY).constraint(subtitle->anchor(A::centerY)),
        title->anchor(A::top).constraint(header->anchor(A::top), 6),
        title->anchor(A::leading).constraint(header->anchor(A::leading), 16),
        title->anchor(A::trailing).constraint(header->anchor(A::trailing), -16),
        subtitle->anchor(A::top).constraint(title->anchor(A::bottom), 2),
        subtitle->anchor(A::leading).constraint(lock->anchor(A::trailing), 4),
        subtitle->anchor(A::trailing).constraint(header->anchor(A::trailing), -16),
        web->anchor(A::top).constraint(header->anchor(A::bottom)),
        web->anchor(A::leading).constraint(root->anchor(A::leading)),
        web->anchor(A::trailing).constraint(root->anchor(A::trailing)),
        web->anchor(A::bottom).constraint(toolbar->anchor(A::top)),
        toolbar->anchor(A::leading).constraint(root->anchor(A::leading)),
        toolbar->anchor(A::trailing).constraint(root->anchor(A::trailing)),
        toolbar->anchor(A::bottom).constraint(root->safeAreaAnchor(A::bottom)),
        toolbar->anchor(A::height).constraint(44),
        back->anchor(A::leading).constraint(toolbar->anchor(A::leading), 16),
        back->anchor(A::centerY).constraint(toolbar->anchor(A::centerY)),
        forward->anchor(A::leading).constraint(back->anchor(A::trailing), 24),
        forward->anchor(A::centerY).constraint(toolbar->anchor(A::centerY)),
    });

    std::weak_ptr<SharedCookieBrowserViewController> weakSelf = self();
    back->addAction(ControlEvent::touchUpInside, [weakSelf] {
        if (auto strong = weakSelf.lock()) strong->backButtonTapped();
    });
    forward->addAction(ControlEvent::touchUpInside, [weakSelf] {
        if (auto strong = weakSelf.lock()) strong->forwardButtonTapped();
    });
    auto close = BarButtonItem::withSystemItem(BarButtonItem::SystemItem::close, [weakSelf] {
        if (auto strong = weakSelf.lock()) strong->closeButtonTapped();
    });
    close->accessibilityIdentifier = "SharedCookieBrowser.close";
    auto menu = BarButtonItem::withImage(Image::systemNamed(kMenuSymbol), BarButtonItem::Style::plain, [weakSelf] {
        if (auto strong = weakSelf.lock()) strong->menuButtonTapped();
    });
    menu->accessibilityIdentifier = "SharedCookieBrowser.menu";
    navigationItem().leftBarButtonItems = {close};
    navigationItem().rightBarButtonItems = {menu};

    // The storyboard makes the controller the web view's navigation delegate.
    web->setNavigationDelegate(self());
    setView(root);

    webView_ = web;
    webViewControlsBar_ = toolbar;
    titleLabel_ = title;
    subtitleLabel_ = subtitle;
    secureIcon_ = lock;
    backButton_ = back;
    forwardButton_ = forward;
    closeBarButton_ = close;
    menuBarButton_ = menu;
    connectOutlets();
}

// Styles the outlets as they are connected: the toolbar takes the
// navigation-bar colour, the controls its contrast colour. Without a colour
// they keep the storyboard's look.
void SharedCookieBrowserViewController::connectOutlets() {
    const auto barColor = AppContext::current()->navBarTrueColor();
    if (!barColor) return;
    const auto contrast = contrastColor(*barColor);
    if (auto toolbar = webViewControlsBar()) toolbar->barTintColor = *barColor;
    for (const std::shared_ptr<View>& view : std::initializer_list<std::shared_ptr<View>>{
             titleLabel(), subtitleLabel(), secureIcon(), backButton(), forwardButton()}) {
        if (view) view->tintColor = contrast;
    }
    for (const auto& item : {closeBarButton(), menuBarButton()}) {
        if (item) item->tintColor = contrast;
    }
}

void SharedCookieBrowserViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    configureStatusBarUnderlayView(*this, statusBarView());

    const auto web = webView();
    if (url && web) {
        if (const auto icon = secureIcon()) icon->isHidden = platform::lowercased(url->scheme().value_or("")) != "https";
        web->load(platform::HttpRequest(*url, kLoadTimeout));
    }
    if (!web) return;

    // The handlers hold the screen weakly and read the web view's current values.
    std::weak_ptr<SharedCookieBrowserViewController> weakSelf = self();
    urlChangeObserver_ = web->observe(platform::web::WebViewProperty::url, [weakSelf](WebView& view) {
        const auto strong = weakSelf.lock();
        if (!strong) return;
        if (const auto label = strong->subtitleLabel()) label->text = addressText(view);
        // A page without a title shows its address there too; its title
        // does not change, so only the address tells of the new page.
        if (const auto label = strong->titleLabel(); label && view.title().empty()) label->text = addressText(view);
    });
    titleChangeObserver_ = web->observe(platform::web::WebViewProperty::title, [weakSelf](WebView& view) {
        const auto strong = weakSelf.lock();
        if (!strong) return;
        if (const auto label = strong->titleLabel()) label->text = view.title().empty() ? addressText(view) : view.title();
    });
}

StatusBarStyle SharedCookieBrowserViewController::preferredStatusBarStyle() const {
    const auto barColor = AppContext::current()->navBarTrueColor();
    return barColor ? statusBarStyle(*barColor) : StatusBarStyle::defaultStyle;
}

void SharedCookieBrowserViewController::closeButtonTapped() {
    const auto navigation = navigationController();
    if (!navigation) return;
    // Pushed on a stack, it pops; as the first screen of a stack of its own
    // (opened from a page shown as a sheet), the stack goes.
    if (navigation->viewControllers().size() > 1) navigation->pop(true);
    else navigation->dismiss(true);
}

void SharedCookieBrowserViewController::backButtonTapped() {
    if (const auto web = webView()) web->goBack();
}

void SharedCookieBrowserViewController::forwardButtonTapped() {
    if (const auto web = webView()) web->goForward();
}

void SharedCookieBrowserViewController::menuButtonTapped() {
    auto sheet = AlertController::create(std::nullopt, std::nullopt, AlertController::Style::actionSheet);
    std::weak_ptr<SharedCookieBrowserViewController> weakSelf = self();
    sheet->addAction(AlertAction::create(
        localized("OPEN_IN_AN_EXTERNAL_BROWSER", "Open in an external browser button action."),
        AlertAction::Style::defaultStyle, [weakSelf] {
            const auto strong = weakSelf.lock();
            if (!strong) return;
            const auto address = strong->shownAddress();
            if (!address) return;
            Application::shared().open(*address, nlohmann::json::object(), [](bool opened) {
                if (!opened) Logger::error("Failed to load URL in an external browser.", kTypeName);
            });
        }));
    sheet->addAction(AlertAction::create(localized("CANCEL_BUTTON", "cancel button action."), AlertAction::Style::cancel));
    // Where action sheets show as popovers, they point at the menu button.
    sheet->popoverPresentation().barButtonItem = menuBarButton();
    present(sheet, true);
}

std::optional<platform::Url> SharedCookieBrowserViewController::shownAddress() const {
    // The user may have followed links since the browser opened: the menu
    // speaks of the page on screen, and the given address stands in only
    // until the web view has one.
    if (const auto web = webView()) {
        if (auto current = web->url()) return current;
    }
    return url;
}

void SharedCookieBrowserViewController::updateUI() {
    const auto web = webView();
    if (!web) return;
    if (const auto back = backButton()) back->isEnabled = web->canGoBack();
    if (const auto forward = forwardButton()) forward->isEnabled = web->canGoForward();
}

void SharedCookieBrowserViewController::didCommit(WebView&, const std::shared_ptr<platform::web::Navigation>&) {
    updateUI();
}

void SharedCookieBrowserViewController::didFinish(WebView&, const std::shared_ptr<platform::web::Navigation>&) {
    updateUI();
}

void SharedCookieBrowserViewController::didFail(WebView&, const std::shared_ptr<platform::web::Navigation>&,
                                                const platform::Error&) {
    updateUI();
}

} // namespace vellicor
