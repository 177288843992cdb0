#include "VellicorApp/Shell/EULA/EULAViewController.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Core/Logger.hpp"

namespace vellicor {

using namespace platform::ui;

std::shared_ptr<EULAViewController> EULAViewController::makeStoryboardContent() {
    return makeController<EULAViewController>();
}

void EULAViewController::loadView() {
    auto root = View::create(Rect{{0, 0}, kScreenSize});
    auto web = platform::web::WebView::create(Rect{{0, 0}, kScreenSize});
    web->accessibilityIdentifier = "EULA.webview";
    root->addSubview(web);
    std::weak_ptr<EULAViewController> weakSelf = std::static_pointer_cast<EULAViewController>(shared_from_this());
    auto agree = BarButtonItem::withTitle("", BarButtonItem::Style::plain, [weakSelf] {
        if (auto self = weakSelf.lock()) self->onAccept();
    });
    agree->accessibilityIdentifier = "EULA.agree";
    // The navigation item keeps the button; the screen's outlet is weak.
    navigationItem().rightBarButtonItems = {agree};
    setView(root);
    webview_ = web;
    agreeButton_ = agree;
}

void EULAViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    navigationItem().title = localized("EULA_TITLE", "eula");
    loadEULA();
    if (const auto agree = agreeButton()) {
        agree->title = localized("AGREE_BUTTON", "agree");
        const BarButtonItem::TitleTextAttributes attributes{Font::named("VeltraneSans-Bold", 16), Color::white()};
        agree->setTitleTextAttributes(attributes, ControlState::normal);
        agree->setTitleTextAttributes(attributes, ControlState::highlighted);
        agree->setBackgroundImage(Image::named("EulaAgreeButton"), ControlState::normal);
        agree->setBackgroundImage(Image::named("EulaAgreeButtonPress"), ControlState::highlighted);
    }
}

void EULAViewController::loadEULA() {
    const auto path = AppContext::current()->mainBundle->pathForResource("EULA", "html");
    if (!path) {
        Logger::error("Unable to locate EULA files", "EULAViewController");
        return;
    }
    const auto url = platform::Url::fileURL(*path);
    if (auto web = webview()) web->loadFileURL(url, url);
}

void EULAViewController::onAccept() {
    if (auto delegate = delegate_.lock()) delegate->didAcceptEULA();
}

} // namespace vellicor
