#pragma once

#include "VellicorApp/Shell/AppUpdateConfigModel.hpp"
#include "VellicorApp/Shell/AppUpdateLookup.hpp"

#include "Platform/Foundation/Calendar.hpp"
#include "Platform/Foundation/Clock.hpp"
#include "Platform/Foundation/Json.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform::ui {
class ViewController;
}

namespace vellicor {

class GateWindow;

/// The two update alerts: the user may put off an optional one; a required
/// one has no cancel button and comes back on every return to the foreground.
enum class AppUpdateAlertType {
    optional = 0,
    required = 1,
};

/// The alert's localized texts. The required alert has no cancel button, so
/// it has no cancel text (none).
std::string title(AppUpdateAlertType type);
std::string message(AppUpdateAlertType type);
std::string confirmationAction(AppUpdateAlertType type);
std::optional<std::string> cancelAction(AppUpdateAlertType type);

namespace AppUpdate {

/// An update alert that is due.
struct Alert {
    std::int64_t trackID = 0;
    AppUpdateAlertType type = AppUpdateAlertType::optional;
    /// The store page as a web address, opened when the App Store cannot be.
    std::string browserURL;

    bool operator==(const Alert&) const = default;
};

} // namespace AppUpdate

/// The moments of an update alert that instrumentation records.
enum class AppUpdateMarker {
    popup,  // the alert is on screen
    accept, // the confirm button was tapped
    cancel, // the cancel button was tapped
};

/// A dotted version as one number: each piece read as a signed decimal
/// integer (anything else counts 0) times 10000, 100, 1, then 0 for further
/// pieces, summed: "2.3.1" gives 20301, "1.100" gives 20000 like "2.0".
/// Sums beyond the 64-bit range stop at its ends.
std::int64_t versionIntegerValue(std::string_view version);

/// The nearest moment after (forward) or before (backward) `date` with the
/// same wall-clock time in the device's time zone: forward, the same time of
/// day on the next calendar day, 23 or 25 hours away across a clock change.
/// Where the calendar finds none, 24 hours away.
platform::TimeInterval sameTimeNextDay(platform::TimeInterval date, platform::SearchDirection direction);

/// Decides after each launch-action step whether the App Store has a newer
/// version this device can run, and shows the optional update alert over
/// whatever is on top of the community screen, or the required one in a gate
/// window of its own above the app (it covers the app, sheets and browsers
/// included, and stays up until the app is updated). The optional alert is shown at
/// most once a day (the time it was last shown is kept in the defaults
/// under "OptionalAlertLastPresented"); the required one again on every
/// return to the foreground.
///
/// Threads: made and used on the main thread. The lookup answers on the HTTP
/// client's queue; the manager hops to the main queue before it touches its
/// fields, the defaults or the screen. Every pending answer and alert button
/// holds the manager weakly and does nothing once it is gone.
class AppUpdateManager : public std::enable_shared_from_this<AppUpdateManager> {
public:
    using DateProvider = std::function<platform::TimeInterval()>;
    /// Records an alert moment with its attributes ("isForced",
    /// "isUserLoggedIn", "fromVersion", "toVersion").
    using MarkerLogger = std::function<void(AppUpdateMarker marker, const platform::Json& attributes)>;

    /// None when the check is switched off; else a manager over the device's
    /// OS version, the SDK's ephemeral network session and the current time,
    /// whose markers go to the current context's marker centre. Defined with
    /// the app's assembly, which reaches the network and instrumentation.
    static std::shared_ptr<AppUpdateManager> instantiateAppUpdateManager(const AppUpdateConfigModel& config);

    static std::shared_ptr<AppUpdateManager> create(AppUpdateConfigModel appUpdateConfig, std::string currentOSVersion,
                                                    std::shared_ptr<AppUpdateNetworking> networkService,
                                                    MarkerLogger logMarker, DateProvider date = platform::now);

    AppUpdateManager(const AppUpdateManager&) = delete;
    AppUpdateManager& operator=(const AppUpdateManager&) = delete;

    /// Looks the app up and shows the alert that is due on `viewController`;
    /// the completion runs once an alert was decided on (shown, or an
    /// optional one held back for the day), never when none is due. Nothing
    /// happens without a view controller.
    void presentAppUpdateIfNeeded(const std::shared_ptr<platform::ui::ViewController>& viewController,
                                  std::function<void()> completion = {});

    const AppUpdateConfigModel& appUpdateConfig() const { return appUpdateConfig_; }
    const std::string& currentOSVersion() const { return currentOSVersion_; }
    /// The last required alert, shown again on each return to the foreground.
    const std::optional<AppUpdate::Alert>& forceUpdateAlert() const { return forceUpdateAlert_; }
    /// The store version of the last lookup that asked for an update.
    const std::optional<std::string>& latestAppVersion() const { return latestAppVersion_; }

private:
    AppUpdateManager(AppUpdateConfigModel appUpdateConfig, std::string currentOSVersion,
                     std::shared_ptr<AppUpdateNetworking> networkService, MarkerLogger logMarker, DateProvider date);

    platform::TimeInterval currentDate() const { return date_(); }

    void getITunesAppDetails(std::function<void(std::optional<AppUpdate::Alert>)> completion);
    void processAppInfo(const ITunesAPI::AppInfo& info,
                        const std::function<void(std::optional<AppUpdate::Alert>)>& completion);
    bool requiresAppUpdate(const ITunesAPI::AppInfo& info) const;
    bool hasLatestAppVersion(const ITunesAPI::AppInfo& info) const;
    bool hasMinimumOsVersion(const ITunesAPI::AppInfo& info) const;
    AppUpdateAlertType appUpdateAlertType(const ITunesAPI::AppInfo& info) const;
    bool canPresentOptionalAlert() const;
    void presentAlert(const AppUpdate::Alert& alert, const std::shared_ptr<platform::ui::ViewController>& viewController);
    void openAppStorePage(std::int64_t trackID, const std::string& browserURL,
                          std::function<void(bool)> completion = {});
    void redisplayAlert();

    const AppUpdateConfigModel appUpdateConfig_;
    const std::shared_ptr<AppUpdateNetworking> appUpdateService_;
    const std::string currentOSVersion_;
    const MarkerLogger logMarker_;
    const DateProvider date_;
    /// Where the required alert was last shown; not kept alive by the manager.
    std::weak_ptr<platform::ui::ViewController> presentingViewController_;
    std::optional<AppUpdate::Alert> forceUpdateAlert_;
    /// The required alert's window, made with the first required alert.
    std::shared_ptr<GateWindow> requiredUpdateGate_;
    std::optional<std::string> latestAppVersion_;
};

} // namespace vellicor
