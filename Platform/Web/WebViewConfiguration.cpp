#include "Platform/Web/WebViewConfiguration.hpp"

namespace platform::web {

std::shared_ptr<WebViewConfiguration> WebViewConfiguration::create() {
    auto configuration = std::shared_ptr<WebViewConfiguration>(new WebViewConfiguration());
    configuration->userContentController = UserContentController::create();
    configuration->websiteDataStore = WebsiteDataStore::defaultDataStore();
    return configuration;
}

std::shared_ptr<WebViewConfiguration> WebViewConfiguration::copy() const {
    return std::shared_ptr<WebViewConfiguration>(new WebViewConfiguration(*this));
}

} // namespace platform::web
