#include "VellicorApp/Interface/CommunityTabScreens.hpp"

#include "VellicorApp/Hybrid/CommunityScreenMaking.hpp"
#include "VellicorApp/Hybrid/HybridViewController.hpp"
#include "VellicorApp/Hybrid/HybridViewModel.hpp"
#include "VellicorApp/Hybrid/WebViewOAuthRefreshable.hpp"

#include "Platform/UI/Button.hpp"
#include "Platform/Web/WebView.hpp"

namespace vellicor {

namespace {

/// A screen whose session can be refreshed: a refreshable community screen
/// and the model it reloads through.
struct RefreshableTab {
    WebViewOAuthRefreshable* screen = nullptr;
    std::shared_ptr<HybridViewModel> model;
};

RefreshableTab refreshableTab(platform::ui::ViewController& tab) {
    auto* screen = dynamic_cast<WebViewOAuthRefreshable*>(&tab);
    auto* hybrid = dynamic_cast<HybridViewController*>(&tab);
    if (!screen || !hybrid || !hybrid->hybridViewModel()) return {};
    return {screen, hybrid->hybridViewModel()};
}

} // namespace

std::shared_ptr<platform::ui::ViewController> makeCommunityTabScreen(
    std::shared_ptr<platform::veltrane::VQHybridViewConfig> config) {
    return makeCommunityScreen(std::move(config));
}

void showCommunityScreenCloseButton(platform::ui::ViewController& screen) {
    if (auto* hybrid = dynamic_cast<HybridViewController*>(&screen)) hybrid->dismissButton()->isHidden = false;
}

bool refreshCommunityCredentials(platform::ui::ViewController& screen,
                                 std::shared_ptr<platform::veltrane::VQOAuthCredentials> credentials,
                                 platform::veltrane::VQAuthCompletion completion) {
    const auto tab = refreshableTab(screen);
    if (!tab.screen) return false;
    tab.model->refreshCredentials(std::move(credentials), std::move(completion));
    return true;
}

void reloadWithRefreshedSession(platform::ui::ViewController& screen, const std::optional<platform::Url>& pageURL,
                                const platform::veltrane::VQAuthResult& result) {
    const auto tab = refreshableTab(screen);
    if (!tab.screen) return;
    const auto url = tab.screen->responseURLForRefreshCredentials(pageURL);
    const auto [request, error] =
        tab.model->handleOAuthResults(url ? std::optional<std::string>(url->absoluteString()) : std::nullopt, result);
    auto webView = tab.screen->hybridAppWebView();
    if (request && webView) webView->load(*request);
}

} // namespace vellicor
