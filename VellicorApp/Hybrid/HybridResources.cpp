#include "VellicorApp/Hybrid/HybridResources.hpp"

#include "VellicorApp/Hybrid/SharedCookieBrowserViewController.hpp"

#include "Platform/UI/Storyboard.hpp"

namespace vellicor {

using namespace platform::ui;

void registerHybridResources() {
    StoryboardDefinition browser;
    browser.controllers[SharedCookieBrowserViewController::kIdentifier] = [] {
        return SharedCookieBrowserViewController::makeStoryboardContent();
    };
    Storyboard::registerStoryboard(SharedCookieBrowserViewController::kStoryboardName, std::move(browser));
}

} // namespace vellicor
