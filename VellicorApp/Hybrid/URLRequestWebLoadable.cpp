#include "VellicorApp/Hybrid/URLRequestWebLoadable.hpp"

#include "VellicorApp/Community/ManagedURLType.hpp"
#include "VellicorApp/Community/UrlClassification.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Core/UserAccountManaging.hpp"
#include "VellicorApp/Hybrid/CommunityOrigin.hpp"
#include "VellicorApp/Hybrid/SharedCookieBrowserViewController.hpp"

#include "Platform/Foundation/HttpHeaders.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Presenting.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/Web/SafariViewController.hpp"
#include "Platform/Web/WebView.hpp"

namespace vellicor {

namespace {

/// Seconds a load may stay idle.
constexpr double kLoadTimeout = 60;
/// A link to this page signs the user out instead of opening.
constexpr const char* kLogoutPath = "/gate/logout.vx";

/// Whether the system's in-app browser can show the link: it takes http and
/// https only and stops the app on any other scheme, "tnx" included.
bool canShowInAppBrowser(const platform::Url& url) {
    const auto scheme = url.scheme();
    return scheme && (*scheme == "http" || *scheme == "https");
}

} // namespace

void URLRequestWebLoadable::loadURL(const platform::Url& url) {
    auto& screen = screen_.viewController();
    if (screen_.state() > State::premLoad) {
        if (const auto webView = screen_.hybridAppWebView()) webView->load(platform::HttpRequest(url, kLoadTimeout));
        return;
    }
    // Log text read by support tooling; keep verbatim.
    Logger::info("Cannot load URL because web app is not yet loaded!", screen.typeName());
}

void URLRequestWebLoadable::loadURLCookieSupport(const platform::Url& url, bool animated) {
    const auto browser = SharedCookieBrowserViewController::instantiate();
    browser->url = url;
    auto& screen = screen_.viewController();
    const auto navigation = screen.navigationController();
    if (!navigation) {
        // A screen of its own (a page opened as a sheet): the browser comes
        // in a navigation stack of its own over whatever is on top.
        const auto typeName = screen.typeName();
        platform::ui::presentOnTop(screen.shared_from_this(), platform::ui::NavigationController::create(browser),
                                   animated,
                                   [typeName, address = url.absoluteString()](platform::ui::PresentationResult shown) {
                                       if (shown) return;
                                       Logger::error("Failed to open " + address + " in the shared-cookie browser: " +
                                                         localizedDescription(shown.error()),
                                                     typeName);
                                   });
        return;
    }
    if (std::dynamic_pointer_cast<SharedCookieBrowserViewController>(navigation->topViewController())) {
        navigation->pop(false);
    }
    navigation->push(browser, animated);
}

void URLRequestWebLoadable::loadExternalURL(const platform::Url& url) {
    const auto typeName = screen_.viewController().typeName();
    const auto text = url.absoluteString();
    if (isCommunityPage(url, kLogoutPath)) {
        // Log text read by support tooling; keep verbatim.
        Logger::info("Performing logout on create Web View. URL " + text, typeName);
        AppContext::current()->userAccountManager->logout();
        return;
    }
    // Log text read by support tooling; keep verbatim.
    Logger::info("Open external URL " + text, typeName);
    // The answer comes on a later turn: the screen may be gone by then.
    std::weak_ptr<platform::ui::ViewController> weakScreen = screen_.viewController().shared_from_this();
    platform::ui::Application::shared().open(url, externalURLOptions(url), [this, weakScreen, url](bool opened) {
        const auto screen = weakScreen.lock();
        if (!screen || opened) return;
        presentSafariFallback(url);
    });
}

void URLRequestWebLoadable::presentSafariFallback(const platform::Url& url) {
    const auto typeName = screen_.viewController().typeName();
    const auto text = url.absoluteString();
    // Log texts read by support tooling; keep verbatim.
    Logger::warning("Failed to open external URL: " + text + ". Falling back to load it in SafariViewController.",
                    typeName);
    if (!canShowInAppBrowser(url) || isManagedURL(url) >= ManagedURLType::externalBrowser) {
        Logger::error("Can't initiate external URL fall back option due to unsupported URL scheme.", typeName);
        return;
    }
    Logger::info("Not able to handle url: " + text + " as universal link. Handling it within app.", typeName);
    // The browser copies its configuration when it is made, so reader mode is
    // asked for here rather than on the browser afterwards.
    platform::web::SafariViewController::Configuration configuration;
    configuration.entersReaderIfAvailable = true;
    const auto safari = platform::web::SafariViewController::create(url, configuration);
    safari->modalPresentationStyle = platform::ui::ModalPresentationStyle::overCurrentContext;

    // Over whatever is on top (a page opened as a sheet, say); a browser of
    // this kind already on top makes way for the new one.
    const auto isInAppBrowser = [](const platform::ui::ViewController& top) {
        return dynamic_cast<const platform::web::SafariViewController*>(&top) != nullptr;
    };
    platform::ui::presentOnTop(
        screen_.viewController().shared_from_this(), safari, true,
        [typeName, text](platform::ui::PresentationResult shown) {
            if (shown) return;
            Logger::error("Failed to show " + text + " in SafariViewController: " + localizedDescription(shown.error()),
                          typeName);
        },
        isInAppBrowser);
}

} // namespace vellicor
