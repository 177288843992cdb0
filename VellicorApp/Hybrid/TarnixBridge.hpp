#pragma once

#include "Platform/SDKs/Veltrane/VQSDKVeltraneAnalyticsManager.hpp"

#include <functional>
#include <memory>

namespace platform::ui {
class ViewController;
}
namespace platform::web {
class WebView;
}

namespace vellicor {

/// Builds the plug-in bridge of a community web view: one instrumentation
/// logger at INFO and the five native plug-ins the app offers to pages
/// (barcode scanner, location, contacts, calendar, app review), in that
/// order, each reporting to that logger.
///
/// The analytics manager the logger writes to is fixed when the value is
/// made: the signed-in user's, or the one for nobody signed in. A screen that
/// keeps its value keeps that manager. Main thread.
class TarnixBridge {
public:
    using AnalyticsManager = platform::veltrane::VQSDKVeltraneAnalyticsManager;
    /// Shows a plug-in's screen on the caller's screen, animated or not.
    using Presenter = std::function<void(const std::shared_ptr<platform::ui::ViewController>& screen, bool animated)>;

    /// Reads the current context's signed-in user.
    TarnixBridge();

    /// Attaches a new bridge with a new logger and new plug-ins to the web
    /// view, with the page runtime. The bridge is kept by the web view, not
    /// here. The barcode scanner hands its animation flag to the presenter
    /// unchanged; the contact picker is always presented animated.
    void create(const std::shared_ptr<platform::web::WebView>& webView, Presenter presenter) const;

    const std::shared_ptr<AnalyticsManager>& analyticsManager() const { return analyticsManager_; }

private:
    std::shared_ptr<AnalyticsManager> analyticsManager_;
};

} // namespace vellicor
