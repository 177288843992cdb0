#include "Platform/Web/Navigation.hpp"

#include "Platform/Web/WebView.hpp"

namespace platform::web {

std::string description(NavigationType type) {
    switch (type) {
    case NavigationType::linkActivated: return "linkActivated";
    case NavigationType::formSubmitted: return "formSubmitted";
    case NavigationType::backForward: return "backForward";
    case NavigationType::reload: return "reload";
    case NavigationType::formResubmitted: return "formResubmitted";
    case NavigationType::other: break;
    }
    return "other";
}

void NavigationDelegate::decidePolicyForNavigationAction(WebView&, const NavigationAction&,
                                                         std::function<void(NavigationActionPolicy)> decisionHandler) {
    decisionHandler(NavigationActionPolicy::allow);
}

void NavigationDelegate::decidePolicyForNavigationResponse(
    WebView&, const NavigationResponse&, std::function<void(NavigationResponsePolicy)> decisionHandler) {
    decisionHandler(NavigationResponsePolicy::allow);
}

std::shared_ptr<WebView> UIDelegate::createWebView(WebView&, const std::shared_ptr<WebViewConfiguration>&,
                                                   const NavigationAction&) {
    return nullptr;
}

} // namespace platform::web
