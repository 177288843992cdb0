#pragma once

#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/Url.hpp"

#include <concepts>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform::ui {
class ViewController;
}
namespace platform::web {
class WebView;
}
namespace platform::veltrane {
class VQHybridViewConfig;
}

namespace vellicor {

class CommunityViewControllerDelegate;

/// How far a community screen has loaded. A later state compares greater.
enum class State : int {
    initialized = 0,  // created, nothing loaded yet; the progress overlay shows
    premLoad = 1,     // loading was cut short before the web app bootstrapped
    bootstrapped = 2, // the web app reported that it finished bootstrapping
    pageLoaded = 3,   // the web app reported a completed page load
};

/// The state of a raw value; none outside 0...3.
std::optional<State> stateFromRawValue(int rawValue);

/// What the rest of the app may ask of a community screen (the single
/// community screen or the community tab bar) without knowing its class.
/// Only view controllers adopt it: an adopter hands itself to the protocol's
/// constructor, and viewController() gives it back to present on or push.
class CommunityViewControllable {
public:
    virtual ~CommunityViewControllable() = default;
    CommunityViewControllable(const CommunityViewControllable&) = delete;
    CommunityViewControllable& operator=(const CommunityViewControllable&) = delete;

    /// The screen itself.
    platform::ui::ViewController& viewController() const { return viewController_; }

    /// Receives the web app's bootstrap and page loads; the screen holds it
    /// weakly, so this is null once the delegate is gone.
    virtual std::shared_ptr<CommunityViewControllerDelegate> hybridAppDelegate() const = 0;
    virtual void setHybridAppDelegate(const std::shared_ptr<CommunityViewControllerDelegate>& delegate) = 0;
    /// Owned by the screen's view model; the screen only reads it.
    virtual State state() const = 0;
    /// The web view showing the community; null before it is made.
    virtual std::shared_ptr<platform::web::WebView> hybridAppWebView() const = 0;
    virtual std::shared_ptr<platform::veltrane::VQHybridViewConfig> hybridWebViewConfig() const = 0;
    /// Opens the URL the way the URL rules say (web view, in-app or external browser).
    virtual void openURL(const platform::Url& url) = 0;
    /// Opens a record of the platform by its page reference.
    virtual void openRecord(const std::string& recordId) = 0;
    virtual void refreshNotifications() = 0;
    /// Hands the stored instrumentation events to the page.
    virtual void sendKORVALogs() = 0;
    /// Refreshes the signed-in user's credentials and reloads the web session,
    /// ending on `pageURL` when given; the completion (when given) reports an
    /// error or none.
    virtual void refreshUserCredentials(
        const std::optional<platform::Url>& pageURL,
        std::function<void(std::optional<std::string>, std::optional<platform::Error>)> completion) = 0;

protected:
    template <std::derived_from<platform::ui::ViewController> Screen>
    explicit CommunityViewControllable(Screen& self) : viewController_(self) {}

private:
    // The adopter itself, so it outlives this reference.
    platform::ui::ViewController& viewController_;
};

} // namespace vellicor
