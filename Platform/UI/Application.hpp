#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/Url.hpp"
#include "Platform/UI/Window.hpp"

#include <nlohmann/json.hpp>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class WorkItem;
}

namespace platform::ui {

enum class ApplicationState { active, inactive, background };

/// Application notifications, posted on the default centre with the application as sender.
inline constexpr const char* kApplicationDidFinishLaunchingNotification = "UIApplicationDidFinishLaunchingNotification";
inline constexpr const char* kApplicationDidBecomeActiveNotification = "UIApplicationDidBecomeActiveNotification";
inline constexpr const char* kApplicationWillResignActiveNotification = "UIApplicationWillResignActiveNotification";
inline constexpr const char* kApplicationDidEnterBackgroundNotification = "UIApplicationDidEnterBackgroundNotification";
inline constexpr const char* kApplicationWillEnterForegroundNotification = "UIApplicationWillEnterForegroundNotification";
inline constexpr const char* kApplicationWillTerminateNotification = "UIApplicationWillTerminateNotification";
/// Keyboard notifications; user info "UIKeyboardFrameEndUserInfoKey" = {x, y, width, height}
/// and "UIKeyboardAnimationDurationUserInfoKey" in seconds.
inline constexpr const char* kKeyboardWillShowNotification = "UIKeyboardWillShowNotification";
inline constexpr const char* kKeyboardDidShowNotification = "UIKeyboardDidShowNotification";
inline constexpr const char* kKeyboardWillHideNotification = "UIKeyboardWillHideNotification";
inline constexpr const char* kKeyboardDidHideNotification = "UIKeyboardDidHideNotification";
inline constexpr const char* kKeyboardFrameEndUserInfoKey = "UIKeyboardFrameEndUserInfoKey";
inline constexpr const char* kKeyboardAnimationDurationUserInfoKey = "UIKeyboardAnimationDurationUserInfoKey";

/// The activity type of a universal link.
inline constexpr const char* kUserActivityTypeBrowsingWeb = "NSUserActivityTypeBrowsingWeb";
/// Open-URL option: open only when an app claims the link.
inline constexpr const char* kOpenURLOptionUniversalLinksOnly = "UIApplicationOpenURLOptionUniversalLinksOnly";

/// A home-screen quick action.
/// Where a shortcut icon's image comes from.
enum class ShortcutIconKind {
    /// A system symbol of that name.
    systemSymbol,
    /// A template image of that name in the app's package.
    templateImage,
};

struct PLATFORM_EXPORT ShortcutItem {
    std::string type;
    std::string localizedTitle;
    std::optional<std::string> localizedSubtitle;
    /// A system symbol or template image name, as iconKind says.
    std::optional<std::string> iconName;
    ShortcutIconKind iconKind = ShortcutIconKind::systemSymbol;
    nlohmann::json userInfo = nlohmann::json::object();
    bool operator==(const ShortcutItem&) const = default;
};

/// A user activity handed to the app (a universal link, a hand-off).
struct PLATFORM_EXPORT UserActivity {
    std::string activityType;
    std::optional<Url> webpageURL;
    nlohmann::json userInfo = nlohmann::json::object();
};

class Application;

/// The app's delegate: the platform calls it for launch, life-cycle changes,
/// links, URLs, shortcuts and remote-notification registration, on the main thread.
class PLATFORM_EXPORT ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;

    /// The main window; the application main sets it from the main storyboard.
    virtual std::shared_ptr<Window> window() const { return nullptr; }
    virtual void setWindow(std::shared_ptr<Window> /*window*/) {}

    virtual bool willFinishLaunching(Application&, const nlohmann::json& /*options*/) { return true; }
    virtual bool didFinishLaunching(Application&, const nlohmann::json& /*options*/) { return true; }
    virtual void didBecomeActive(Application&) {}
    virtual void willResignActive(Application&) {}
    virtual void didEnterBackground(Application&) {}
    virtual void willEnterForeground(Application&) {}
    virtual void willTerminate(Application&) {}
    /// A universal link or hand-off. The restoration handler is optional to call.
    virtual bool continueUserActivity(Application&, const UserActivity&,
                                      std::function<void(std::vector<std::string>)> /*restorationHandler*/) {
        return false;
    }
    /// A URL of the app's own scheme.
    virtual bool openURL(Application&, const Url&, const nlohmann::json& /*options*/) { return false; }
    /// A home-screen quick action; the completion must be called once.
    virtual void performActionForShortcutItem(Application&, const ShortcutItem&, std::function<void(bool)> completion) {
        completion(false);
    }
    virtual void didRegisterForRemoteNotifications(Application&, const Data& /*deviceToken*/) {}
    virtual void didFailToRegisterForRemoteNotifications(Application&, const Error& /*error*/) {}
};

/// A request to open a URL outside the app: recorded and answered, never carried out here.
struct PLATFORM_EXPORT OpenedExternalURL {
    Url url;
    nlohmann::json options;
    bool answer = true;
};

/// The application object: its state, its delegate, windows, shortcut items and
/// the life-cycle transitions the application main (or a test) drives.
class PLATFORM_EXPORT Application {
public:
    static Application& shared();

    std::shared_ptr<ApplicationDelegate> delegate() const { return delegate_; }
    void setDelegate(std::shared_ptr<ApplicationDelegate> delegate) { delegate_ = std::move(delegate); }

    ApplicationState applicationState() const { return state_; }
    bool hasLaunched() const { return launched_; }
    bool hasTerminated() const { return terminated_; }

    std::vector<ShortcutItem> shortcutItems;
    long applicationIconBadgeNumber = 0;

    std::shared_ptr<Window> keyWindow() const { return Window::keyWindow(); }
    std::vector<std::shared_ptr<Window>> windows() const { return Window::visibleWindows(); }

    /// Opens a URL outside the app: recorded, then the completion gets the answer
    /// on the next main-queue turn. With the option kOpenURLOptionUniversalLinksOnly
    /// set to true, an http(s) URL opens only when its host is claimed as a
    /// universal link (addUniversalLinkHost) and any other URL never does; apart
    /// from that, a responder decides when one is set, else the answer set for
    /// the URL's scheme, else true.
    void open(const Url& url, const nlohmann::json& options = nlohmann::json::object(),
              std::function<void(bool)> completion = {});
    /// The responder's answer, else the scheme's, else true.
    bool canOpenURL(const Url& url) const;
    const std::vector<OpenedExternalURL>& openedURLs() const { return opened_; }
    /// Decides the answer of open() (default: true for every URL).
    void setOpenURLResponder(std::function<bool(const Url&)> responder) { openResponder_ = std::move(responder); }
    /// Sets whether URLs of a scheme (letter case aside) open; none forgets it.
    void setOpenAnswer(const std::string& scheme, std::optional<bool> opened);
    /// An installed app claims the links of this host (letter case aside) as
    /// universal links.
    void addUniversalLinkHost(const std::string& host);

    /// Asks for a push device token; the delegate hears back on the next main-queue turn.
    void registerForRemoteNotifications();
    bool isRegisteredForRemoteNotifications() const { return registeredForRemote_; }
    /// Forgets the registration: no token until the app registers again.
    void unregisterForRemoteNotifications() { registeredForRemote_ = false; }
    /// Makes the next registrations fail with this error (none: succeed).
    void setRemoteRegistrationFailure(std::optional<Error> error) { remoteFailure_ = std::move(error); }
    /// The token a successful registration hands over.
    static Data deviceToken();

    /// Time the app may keep running in the background for a task it began,
    /// in seconds on the clock.
    static constexpr double kBackgroundTaskTime = 30.0;
    using BackgroundTaskIdentifier = unsigned long;
    static constexpr BackgroundTaskIdentifier kInvalidBackgroundTask = 0;
    /// Begins a task that may go on after the app leaves the foreground. When
    /// it has not ended kBackgroundTaskTime seconds later, the expiration
    /// handler runs on the main queue (once) and the task ends. Main thread only.
    BackgroundTaskIdentifier beginBackgroundTask(std::function<void()> expirationHandler);
    /// Ends a task; an unknown or ended one is ignored.
    void endBackgroundTask(BackgroundTaskIdentifier identifier);
    /// The tasks begun and not yet ended.
    std::size_t backgroundTaskCount() const { return backgroundTasks_.size(); }

    // Driving the life cycle (the application main, the event driver, tests) ----------
    /// willFinishLaunching, didFinishLaunching, the launch notification, then active.
    /// A main window the delegate did not show is made key and visible, as on the platform.
    void launch(const nlohmann::json& options = nlohmann::json::object());
    void resignActive();
    void becomeActive();
    /// From active: resign active first; then background.
    void enterBackground();
    /// From background: will-enter-foreground, then active.
    void enterForeground();
    /// From background: will-enter-foreground, leaving the app inactive (as
    /// when a notification's tap brings it forward); becomeActive() follows.
    void comeForward();
    void terminate();
    bool continueUserActivity(const UserActivity& activity);
    bool openURL(const Url& url, const nlohmann::json& options = nlohmann::json::object());
    /// Returns the delegate's answer (none when it did not call the completion
    /// before returning; a later answer is dropped).
    std::optional<bool> performShortcut(const ShortcutItem& item);
    /// Simulates the software keyboard appearing or going.
    void showKeyboard(double height = 336);
    void hideKeyboard();
    bool isKeyboardShown() const { return keyboardShown_; }

    /// Back to a fresh, not launched application (tests).
    void reset();

private:
    Application() = default;
    void post(const char* name);
    std::shared_ptr<ApplicationDelegate> delegate_;
    ApplicationState state_ = ApplicationState::inactive;
    bool launched_ = false;
    bool terminated_ = false;
    bool keyboardShown_ = false;
    bool registeredForRemote_ = false;
    BackgroundTaskIdentifier nextBackgroundTask_ = 1;
    std::map<BackgroundTaskIdentifier, std::shared_ptr<WorkItem>> backgroundTasks_;
    std::optional<Error> remoteFailure_;
    bool openAnswer(const Url& url) const;
    std::vector<OpenedExternalURL> opened_;
    std::function<bool(const Url&)> openResponder_;
    std::map<std::string, bool> openAnswers_; // by lower-case scheme
    std::vector<std::string> universalLinkHosts_;
};

} // namespace platform::ui
