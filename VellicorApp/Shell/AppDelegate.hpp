#pragma once

#include "VellicorApp/Core/NativeLoadTiming.hpp"
#include "VellicorApp/Shell/AppCoordinator.hpp"

#include "Platform/UI/Application.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vellicor {

class AppSessionTracker;

/// The one object the platform calls for the app's launch, life-cycle
/// changes, universal links, custom-scheme URLs, home-screen shortcuts and
/// remote-notification registration. It owns no screens: creating it sets up
/// the vendor SDK (which builds the running context) and opens the launch
/// markers and the app session; when launching finishes it wires the app
/// coordinator to the loading screen of the main storyboard and gives the
/// context its URL rules and the preview edition's floating button. Later
/// calls become launch actions for the coordinator or instrumentation markers.
///
/// Lives for the whole process as the application's delegate. Main thread only.
class AppDelegate : public platform::ui::ApplicationDelegate,
                    public NativeLoadTiming,
                    public std::enable_shared_from_this<AppDelegate> {
public:
    /// The session tracker's wait in the background before a new session, in milliseconds.
    static constexpr double kSessionBackgroundWaitTime = 15'000.0;

    /// Configures the SDK (the first use of the running context builds it),
    /// sets every logger to the info level, opens the cold-start marker and
    /// the native-load marker and starts the app session. The coordinator it
    /// makes when launching finishes runs `steps` (the app's own without them).
    static std::shared_ptr<AppDelegate> create(std::shared_ptr<AppCoordinator::StepFactory> steps = nullptr);
    ~AppDelegate() override = default;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    std::shared_ptr<platform::ui::Window> window() const override { return window_; }
    void setWindow(std::shared_ptr<platform::ui::Window> window) override { window_ = std::move(window); }

    /// Checks the main storyboard (a navigation controller whose first screen
    /// is the loading screen; anything else stops the app), makes the app
    /// coordinator and the loading screen's delegate, shows the window, and
    /// logs the offline launch and the selected community. Always true.
    bool didFinishLaunching(platform::ui::Application& application, const nlohmann::json& options) override;
    /// Opens the warm-start marker.
    void willEnterForeground(platform::ui::Application& application) override;
    /// Ends and logs the open launch marker: the native-load marker at the
    /// first activation, the warm-start marker at each later one.
    void didBecomeActive(platform::ui::Application& application) override;
    /// Publishes the edition's home-screen shortcut, when it has one.
    void willResignActive(platform::ui::Application& application) override;
    /// Gives the running context a new session ID.
    void didEnterBackground(platform::ui::Application& application) override;
    /// A universal link: queued with the coordinator as a link action. True
    /// for every web-browsing activity with a URL, also without a coordinator.
    bool continueUserActivity(platform::ui::Application& application, const platform::ui::UserActivity& activity,
                              std::function<void(std::vector<std::string>)> restorationHandler) override;
    /// The SDK's identity-provider command handling, whose answer it returns.
    bool openURL(platform::ui::Application& application, const platform::Url& url,
                 const nlohmann::json& options) override;
    /// The event-log and community-switching shortcuts; false for any other.
    void performActionForShortcutItem(platform::ui::Application& application, const platform::ui::ShortcutItem& item,
                                      std::function<void(bool)> completion) override;
    /// The token is not used: registration with the marketing service happens elsewhere.
    void didRegisterForRemoteNotifications(platform::ui::Application& application,
                                           const platform::Data& deviceToken) override;
    void didFailToRegisterForRemoteNotifications(platform::ui::Application& application,
                                                 const platform::Error& error) override;

    /// Ends and logs the cold-start marker, with the login and network status
    /// and whether the first page came after a sign-in; later calls do nothing.
    void endColdStartKORVAMarker(bool redirectedFromLogin);

    /// Seconds the native part of the cold start took, once its marker has ended.
    std::optional<double> nativeLoadDuration() const override { return nativeLoadDuration_; }
    /// The open launch marker: native load until the first activation, then
    /// each warm start's until the activation that follows it.
    const std::optional<std::string>& currentMarkerID() const { return currentMarkerID_; }
    /// The open cold-start marker, until endColdStartKORVAMarker().
    const std::optional<std::string>& coldStartID() const { return coldStartID_; }
    const std::shared_ptr<AppSessionTracker>& appSessionTracker() const { return appSessionTracker_; }

private:
    explicit AppDelegate(std::shared_ptr<AppCoordinator::StepFactory> steps) : steps_(std::move(steps)) {}
    void initialize();

    void startColdStartKORVAMarker();
    void fetchNativeLoadDuration();
    bool sendEventLog();

    const std::shared_ptr<AppCoordinator::StepFactory> steps_;
    std::shared_ptr<platform::ui::Window> window_;
    std::optional<std::string> currentMarkerID_;
    std::optional<std::string> coldStartID_;
    std::shared_ptr<AppSessionTracker> appSessionTracker_;
    std::optional<double> nativeLoadDuration_;
};

/// The application's delegate when it is the app's own; null otherwise.
std::shared_ptr<AppDelegate> applicationAppDelegate();

} // namespace vellicor
