// A message a community page posts to its native plug-ins through the
// bridge ({"service", "action", "args"}), on a web view with the app's
// bridge and plug-ins. Property: a message gets at most one reply, at once
// or later, and a malformed one is refused at once.

#include "fuzz/support/FuzzSupport.hpp"

#include "VellicorApp/Hybrid/TarnixBridge.hpp"
#include "VellicorApp/Hybrid/WebViewConfigurationFactory.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/Url.hpp"
#include "Platform/SDKs/Tarnix/BridgeBuilder.hpp"
#include "Platform/SDKs/Veltrane/VQSDKEventStoreManager.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/Web/WebView.hpp"

#include <memory>

namespace {

std::shared_ptr<platform::web::WebView> webViewWithBridge() {
    auto webView = platform::web::WebView::create(
        {}, vellicor::WebViewConfigurationFactory("Vellicor/1.0").defaultConfig());
    vellicor::TarnixBridge().create(webView, [](const std::shared_ptr<platform::ui::ViewController>&, bool) {});
    return webView;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::setUpApp();
    const auto body = platform::parseJson(fuzzsupport::text(data, size));
    if (!body) return 0;
    static const auto webView = webViewWithBridge();
    platform::web::PageMessageOptions options;
    options.frameURL = platform::Url::parse("https://community.example.test/s/");
    const auto replies = std::make_shared<int>(0);
    const auto refused = std::make_shared<bool>(false);
    webView->postScriptMessage(platform::tarnixbridge::WebBridge::kHandlerName, *body, options,
                               [replies, refused](std::optional<platform::Json>, std::optional<std::string> error) {
                                   ++*replies;
                                   *refused = error.has_value();
                               });
    fuzzsupport::endInput();
    FUZZ_CHECK(*replies <= 1);
    const bool wellFormed = body->is_object() && platform::jsonString(*body, "service") &&
                            platform::jsonString(*body, "action");
    if (!wellFormed) FUZZ_CHECK(*replies == 1 && *refused);
    // The plug-ins' instrumentation would pile up in the event store.
    platform::MainQueue::runUntil([] { return platform::BackgroundActivity::inFlight() == 0; }, 5.0);
    platform::veltrane::VQSDKEventStoreManager::sharedInstance()->deleteAllEvents();
    return 0;
}
