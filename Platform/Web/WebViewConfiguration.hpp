#pragma once

#include "Platform/Export.hpp"
#include "Platform/Web/UserContentController.hpp"
#include "Platform/Web/WebsiteDataStore.hpp"

#include <memory>
#include <optional>
#include <string>

namespace platform::web {

/// How a web view is set up. A web view keeps a copy of the configuration it
/// was made with; the copy shares the user content controller and the data
/// store, so handlers added later through either reach the view.
class PLATFORM_EXPORT WebViewConfiguration {
public:
    /// The text at the end of the user agent when the app names none.
    static constexpr const char* kDefaultApplicationNameForUserAgent = "Mobile/15E148";

    /// A configuration with a new user content controller and the default data store.
    static std::shared_ptr<WebViewConfiguration> create();
    /// A copy sharing the controller and the store.
    std::shared_ptr<WebViewConfiguration> copy() const;

    std::shared_ptr<UserContentController> userContentController;
    std::shared_ptr<WebsiteDataStore> websiteDataStore;
    /// Appended to the platform's user agent (the custom user agent of a view wins over both).
    std::optional<std::string> applicationNameForUserAgent = std::string(kDefaultApplicationNameForUserAgent);
    bool allowsInlineMediaPlayback = false;
    bool suppressesIncrementalRendering = false;
    bool limitsNavigationsToAppBoundDomains = false;
    bool javaScriptCanOpenWindowsAutomatically = false;

private:
    WebViewConfiguration() = default;
};

} // namespace platform::web
