#include "VellicorApp/Interface/CommunityTabBarController.hpp"

#include "VellicorApp/Community/UrlClassification.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/AppModeCommunity.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Core/UrlWithoutQuery.hpp"
#include "VellicorApp/Interface/CommunityTabScreens.hpp"
#include "VellicorApp/Interface/RequiredLoginOverlayViewController.hpp"
#include "VellicorApp/Interface/ViewControllerStyling.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccount.hpp"
#include "Platform/UI/Presenting.hpp"
#include "Platform/Web/WebView.hpp"

#include <algorithm>

namespace vellicor {

using namespace platform::ui;

namespace {

constexpr const char* kLogType = "CommunityTabBarController";

} // namespace

std::shared_ptr<CommunityTabBarController> CommunityTabBarController::create() {
    return makeController<CommunityTabBarController>();
}

CommunityTabBarController::CommunityTabBarController() : CommunityViewControllable(static_cast<TabBarController&>(*this)) {}

CommunityTabBarController::~CommunityTabBarController() {
    if (observedCenter_ && backButtonObservation_) observedCenter_->removeObserver(*backButtonObservation_);
}

std::shared_ptr<CommunityTabBarController> CommunityTabBarController::self() {
    return std::static_pointer_cast<CommunityTabBarController>(ViewController::shared_from_this());
}

void CommunityTabBarController::viewWillAppear(bool animated) {
    TabBarController::viewWillAppear(animated);
    hideNavigationBarWhenEmpty(*this, animated);
}

void CommunityTabBarController::viewDidLoad() {
    TabBarController::viewDidLoad();
    auto me = self();
    delegate = std::static_pointer_cast<TabBarControllerDelegate>(me);
    if (backButtonObservation_) return;
    observedCenter_ = AppContext::current()->notificationCenter;
    backButtonObservation_ = observedCenter_->addObserver<CommunityTabBarController>(
        me, kLoginViewBackButtonNotification, nullptr,
        [](CommunityTabBarController& tabBar, const platform::Notification& notification) {
            tabBar.loginViewDidHandleBackButtonAction(notification);
        });
}

std::shared_ptr<CommunityViewControllable> CommunityTabBarController::communityTab(std::size_t index) const {
    const auto& tabs = viewControllers();
    if (index >= tabs.size()) return nullptr;
    return std::dynamic_pointer_cast<CommunityViewControllable>(tabs[index]);
}

std::shared_ptr<CommunityViewControllable> CommunityTabBarController::selectedCommunityTab() const {
    return std::dynamic_pointer_cast<CommunityViewControllable>(selectedViewController());
}

// Preloading ---------------------------------------------------------------------

void CommunityTabBarController::preloadTabs() {
    if (!AppContext::current()->isUserLoggedIn()) return;
    const auto tabs = viewControllers();
    if (tabs.empty()) return;
    Logger::info("Preloading secondary tabs.", kLogType);
    const std::size_t end = std::min(tabs.size(), kPreloadLimit);
    for (std::size_t index = 1; index < end; ++index) {
        if (dynamic_cast<CommunityViewControllable*>(tabs[index].get())) tabs[index]->loadViewIfNeeded();
    }
}

// Taps ---------------------------------------------------------------------------

bool CommunityTabBarController::shouldSelect(TabBarController& /*tabBarController*/,
                                             const std::shared_ptr<ViewController>& /*viewController*/) {
    previousSelectedIndex_ = selectedIndex();
    return true;
}

void CommunityTabBarController::didSelect(TabBarController& /*tabBarController*/,
                                          const std::shared_ptr<ViewController>& /*viewController*/) {
    auto tab = selectedCommunityTab();
    if (!tab || previousSelectedIndex_ != selectedIndex()) return;
    auto webView = tab->hybridAppWebView();
    if (!webView) return;
    const auto backList = webView->backForwardList().backList();
    if (backList.empty()) return;
    // The oldest page of the tab's history.
    auto first = webView->backForwardList().item(-static_cast<int>(backList.size()));
    if (!first) return;
    Logger::info("User reselect the tab bar item, navigating back to first page.", kLogType);
    webView->go(first);
}

void CommunityTabBarController::loginViewDidHandleBackButtonAction(const platform::Notification& /*notification*/) {
    auto selected = selectedViewController();
    auto tab = std::dynamic_pointer_cast<CommunityViewControllable>(selected);
    if (!tab || tab->state() != State::initialized || AppContext::current()->isUserLoggedIn()) return;
    std::shared_ptr<RequiredLoginOverlayViewController> overlay;
    for (const auto& child : selected->children()) {
        if ((overlay = std::dynamic_pointer_cast<RequiredLoginOverlayViewController>(child))) break;
    }
    if (!overlay) overlay = RequiredLoginOverlayViewController::instantiate();
    overlay->show(selected);
    setSelectedIndex(previousSelectedIndex_);
}

// CommunityViewControllable ----------------------------------------------------------

std::shared_ptr<CommunityViewControllerDelegate> CommunityTabBarController::hybridAppDelegate() const {
    auto first = communityTab(0);
    return first ? first->hybridAppDelegate() : nullptr;
}

void CommunityTabBarController::setHybridAppDelegate(const std::shared_ptr<CommunityViewControllerDelegate>& delegate) {
    if (auto first = communityTab(0)) first->setHybridAppDelegate(delegate);
}

State CommunityTabBarController::state() const {
    auto first = communityTab(0);
    return first ? first->state() : State::initialized;
}

std::shared_ptr<platform::web::WebView> CommunityTabBarController::hybridAppWebView() const {
    auto first = communityTab(0);
    return first ? first->hybridAppWebView() : nullptr;
}

std::shared_ptr<platform::veltrane::VQHybridViewConfig> CommunityTabBarController::hybridWebViewConfig() const {
    auto first = communityTab(0);
    return first ? first->hybridWebViewConfig() : nullptr;
}

void CommunityTabBarController::openURL(const platform::Url& url) {
    const auto context = AppContext::current();
    if (!isInternalCommunityURL(url, context->userAccountManager->loginHost())) {
        openInSelectedTab(url);
        return;
    }
    // A tab that already shows the page is selected as it stands. A tab
    // without a start page matches only a link that gives no text either.
    const auto wanted = absoluteStringWithoutQueryParam(url);
    const auto& tabs = viewControllers();
    for (std::size_t index = 0; index < tabs.size(); ++index) {
        auto tab = communityTab(index);
        if (!tab) continue;
        auto config = tab->hybridWebViewConfig();
        const auto startPage = config ? config->unauthenticatedStartPage() : std::nullopt;
        if (startPage == wanted) {
            setSelectedIndex(index);
            return;
        }
    }
    switch (isManagedURL(url)) {
    case ManagedURLType::unknown:
    case ManagedURLType::internalWebApp:
        presentCommunityScreen(url);
        return;
    case ManagedURLType::internalCookieBrowser:
    case ManagedURLType::internalBrowser:
    case ManagedURLType::externalBrowser:
        openInSelectedTab(url);
        return;
    }
}

void CommunityTabBarController::openInSelectedTab(const platform::Url& url) {
    if (auto tab = selectedCommunityTab()) {
        tab->openURL(url);
        return;
    }
    Logger::error("Failed to handle deeplink in Tab bar experience.", kLogType);
}

void CommunityTabBarController::presentCommunityScreen(const platform::Url& url) {
    auto config = appConfig(AppContext::current()->appMode());
    if (!config) return;
    config->setUnauthenticatedStartPage(url.absoluteString());
    config->setStartPage(url.absoluteString());
    auto screen = makeCommunityTabScreen(std::move(config));
    std::weak_ptr<ViewController> weakScreen = screen;
    // Over whatever is on top of the tab bar (a page opened before, a
    // browser), which would refuse a presentation on the tab bar itself.
    platform::ui::presentOnTop(self(), screen, true,
                               [weakScreen, address = url.absoluteString()](platform::ui::PresentationResult shown) {
                                   if (!shown) {
                                       Logger::error("Failed to open " + address + ": " +
                                                         localizedDescription(shown.error()),
                                                     kLogType);
                                       return;
                                   }
                                   // Closing is the user's only way back from the presented page.
                                   if (auto presented = weakScreen.lock()) showCommunityScreenCloseButton(*presented);
                               });
}

void CommunityTabBarController::openRecord(const std::string& recordId) {
    auto tab = selectedCommunityTab();
    if (tab && tab->state() > State::initialized) tab->openRecord(recordId);
}

void CommunityTabBarController::refreshNotifications() {
    const auto tabs = viewControllers();
    for (const auto& controller : tabs) {
        auto tab = std::dynamic_pointer_cast<CommunityViewControllable>(controller);
        if (tab && tab->state() > State::initialized) tab->refreshNotifications();
    }
}

void CommunityTabBarController::sendKORVALogs() {
    if (auto first = communityTab(0)) first->sendKORVALogs();
}

void CommunityTabBarController::refreshUserCredentials(
    const std::optional<platform::Url>& pageURL,
    std::function<void(std::optional<std::string>, std::optional<platform::Error>)> completion) {
    const auto context = AppContext::current();
    if (!context->isUserLoggedIn()) return;
    const auto tabs = viewControllers();
    if (tabs.empty()) return;
    const auto account = context->userAccount();
    auto credentials = account ? account->credentials() : nullptr;
    if (!credentials) return;

    std::weak_ptr<CommunityTabBarController> weakSelf = self();
    refreshCommunityCredentials(
        *tabs.front(), std::move(credentials),
        [weakSelf, pageURL, completion = std::move(completion)](platform::veltrane::VQAuthResult result) {
            platform::MainQueue::async([weakSelf, pageURL, completion, result = std::move(result)] {
                if (auto tabBar = weakSelf.lock()) {
                    // Every loaded tab reloads with the new session; the others
                    // load their start page with it when first shown.
                    const auto tabs = tabBar->viewControllers();
                    for (const auto& controller : tabs) {
                        if (controller->isViewLoaded()) reloadWithRefreshedSession(*controller, pageURL, result);
                    }
                }
                if (!completion) return;
                if (result) {
                    completion(pageURL ? std::optional<std::string>(pageURL->absoluteString()) : std::nullopt,
                               std::nullopt);
                } else {
                    completion(std::nullopt, platform::veltrane::asError(result.error()));
                }
            });
        });
}

} // namespace vellicor
