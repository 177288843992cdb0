#pragma once

#include "Platform/Foundation/Clock.hpp"
#include "Platform/Foundation/NotificationCenter.hpp"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vellicor {

/// Measures app sessions as instrumentation markers: an "AppSession"
/// performance marker covers the time the app is in use and a "Background"
/// performance marker the time it is away. A new session begins only when
/// the app was away longer than the wait time; termination logs the session.
/// Also remembers whether the app has been in the background since launch,
/// and when it last went there. Reacts to the application's notifications on
/// the main thread; marker work goes to the running context's marker centre.
class AppSessionTracker : public std::enable_shared_from_this<AppSessionTracker> {
public:
    enum class AppLaunchState {
        coldStart, // "coldStart"
        warmStart, // "warmStart"
    };

    /// Where applicationEnterBackgroundTimeInterval() is kept in the key-value store.
    static constexpr const char* kEnterBackgroundTimeIntervalKey = "ApplicationEnterBackgroundTimeIntervalKey";

    /// A tracker of a new "AppSession" performance marker; the wait time is in
    /// milliseconds. Observes the running context's notification centre for
    /// the will-enter-foreground, did-enter-background and will-terminate
    /// notifications of any sender.
    static std::shared_ptr<AppSessionTracker> create(double backgroundWaitTime);
    /// The same over an existing session marker.
    static std::shared_ptr<AppSessionTracker> create(std::string appSession, double backgroundWaitTime);
    ~AppSessionTracker();
    AppSessionTracker(const AppSessionTracker&) = delete;
    AppSessionTracker& operator=(const AppSessionTracker&) = delete;

    /// Starts the session marker now.
    void start();

    /// coldStart until the app first enters the background, then warmStart for good.
    AppLaunchState lastLaunchState() const { return lastLaunchState_; }
    /// The ID of the open session marker.
    const std::string& appSession() const { return appSession_; }
    /// Milliseconds.
    double backgroundWaitTime() const { return backgroundWaitTime_; }
    /// The ID of the "Background" marker, created on first use and reused for
    /// every time away.
    const std::string& backgroundSession();

    /// When the app last entered the background, in seconds since 1970; 0
    /// when never. Kept in the running context's key-value store.
    platform::TimeInterval applicationEnterBackgroundTimeInterval() const;
    void setApplicationEnterBackgroundTimeInterval(platform::TimeInterval time);
    /// Whether the signed-in session should be refreshed at the next start:
    /// true when the app never went to the background, else when it went
    /// there at least kSessionRefreshInterval seconds ago.
    bool shouldTriggerSessionRefresh() const;

    /// 24 hours, in seconds.
    static constexpr platform::TimeInterval kSessionRefreshInterval = 86'400.0;

private:
    AppSessionTracker(std::string appSession, double backgroundWaitTime)
        : appSession_(std::move(appSession)), backgroundWaitTime_(backgroundWaitTime) {}

    void observe();
    /// Records the time, starts the background marker, ends the session with
    /// the login and network status as its attributes and becomes warmStart.
    void didEnterBackground();
    /// Ends the background marker; after more than the wait time away, logs
    /// the session and starts a new one.
    void willEnterForeground();
    /// Logs the session.
    void willTerminate();

    AppLaunchState lastLaunchState_ = AppLaunchState::coldStart;
    std::string appSession_;
    const double backgroundWaitTime_;
    std::optional<std::string> backgroundSession_;
    std::shared_ptr<platform::NotificationCenter> notificationCenter_;
};

std::string_view rawValue(AppSessionTracker::AppLaunchState state);

} // namespace vellicor
