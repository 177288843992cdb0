#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace platform {
class NotificationCenter;
}

namespace vellicor {

/// The one observer of the SDK's sign-in and sign-out, made by the context.
/// It remembers when the session was last refreshed (sign-in or token
/// refresh), wipes the web cookies of the context's data store before a
/// logout, reports each logout to
/// instrumentation as the user's or the system's, and tells the app
/// coordinator through didLogin and didLogout.
///
/// It observes, with no sender filter: the SDK's did-log-in, will-logout,
/// did-logout, did-refresh-token and will-log-in notifications and the page's
/// kUserInitiatedLogoutNotification. Making it reads no context; its handlers
/// read the current context (AppContext::current()) each time.
///
/// Threads: handlers run on the thread that posts (the SDK signs in and
/// announces refreshed tokens on the main thread; a logout posts on the thread
/// that asked for it). The two flags are atomic; the callbacks share one
/// mutex and are copied out before they are called.
class AuthenticationObserver : public std::enable_shared_from_this<AuthenticationObserver> {
public:
    /// Key-value store key of timeSinceLastSessionRefresh().
    static constexpr const char* kTimeSinceLastSessionRefreshKey = "TimeSinceLastSessionRefreshKey";
    /// Posted when the page asked for the logout that follows.
    static constexpr const char* kUserInitiatedLogoutNotification = "AuthenticationDidHandleUserInitiatedLogout";
    /// The context's refresh time-out: 24 hours, in milliseconds.
    static constexpr double kDefaultRefreshTimeout = 86'400'000.0;

    /// Starts observing `notificationCenter` at once; `refreshTimeout` is in
    /// milliseconds.
    static std::shared_ptr<AuthenticationObserver> create(std::shared_ptr<platform::NotificationCenter> notificationCenter,
                                                          double refreshTimeout);
    virtual ~AuthenticationObserver();
    AuthenticationObserver(const AuthenticationObserver&) = delete;
    AuthenticationObserver& operator=(const AuthenticationObserver&) = delete;

    /// Replaces both callbacks (either may be empty). didLogin runs after
    /// every sign-in, didLogout after every logout.
    virtual void configure(std::function<void()> didLogin, std::function<void()> didLogout);

    /// Milliseconds after which a session refresh is due.
    double refreshTimeout() const { return refreshTimeout_; }
    /// True when no refresh time was ever stored, else when at least
    /// refreshTimeout() has passed since the stored time.
    virtual bool shouldTriggerSessionRefresh() const;
    /// Whether the SDK was about to sign a user in since the last read; reading
    /// clears it, so a second read gives false.
    virtual bool loginWasDismissed();
    /// Whether the page asked for the logout that has not been reported yet.
    bool isUserInitiatedLogout() const { return isUserInitiatedLogout_; }

    /// Seconds since 1970 of the last sign-in or token refresh, kept in the
    /// current context's key-value store; 0 when never stored.
    static double timeSinceLastSessionRefresh();
    static void setTimeSinceLastSessionRefresh(double time);

protected:
    explicit AuthenticationObserver(std::shared_ptr<platform::NotificationCenter> notificationCenter,
                                    double refreshTimeout);

private:
    void observe();
    void handleUserDidLogin();
    void handleUserWillLogout();
    void handleUserDidLogout();
    void handleUserDidRefreshToken();
    void handleAppWillLogInUser();
    void handleUserInitiatedLogout();
    /// Calls a copy of the callback (when set) outside the lock.
    void call(std::function<void()> AuthenticationObserver::*callback) const;

    const std::shared_ptr<platform::NotificationCenter> notificationCenter_;
    const double refreshTimeout_;
    std::atomic<bool> isUserInitiatedLogout_{false};
    std::atomic<bool> loginWasDismissed_{false};

    mutable std::mutex mutex_; // guards the callbacks
    std::function<void()> didLogin_;
    std::function<void()> didLogout_;
};

} // namespace vellicor
