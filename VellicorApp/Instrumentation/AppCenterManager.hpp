#pragma once

#include "Platform/SDKs/AppCenter/MSACCrashes.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vellicor {

/// Starts the App Center SDK with its analytics and crash services, tells it
/// which organisation and user the device belongs to, and attaches to each
/// crash report the recent text of every log file of the app, with user ids
/// masked ("CrashLog.txt", text/plain).
///
/// The app delegate makes one and calls start() as launching finishes, on
/// the main thread. The crash service calls the delegate operations on its
/// own queue; they read only the running context and the log files and
/// change nothing of this object.
class AppCenterManager : public platform::appcenter::MSACCrashesDelegate,
                         public std::enable_shared_from_this<AppCenterManager> {
public:
    /// The characters kept from the end of each log file in the crash attachment.
    static constexpr std::size_t kMaxLogSize = 2'097'152;

    static std::shared_ptr<AppCenterManager> create();

    /// Does nothing on a simulator outside unit tests. Otherwise logs
    /// "DidCrashInLastSession" (warning) after a crash, becomes the crash
    /// service's delegate, sets the SDK's log level to warning, starts it with
    /// the app secret of the configuration and sets its user id.
    void start();

    /// Always true: every pending report is sent.
    bool crashesShouldProcess(platform::appcenter::MSACCrashes& crashes,
                              const platform::appcenter::MSACErrorReport& report) override;
    /// Sets the user id again, so that a report names the user signed in now.
    void crashesWillSend(platform::appcenter::MSACCrashes& crashes,
                         const platform::appcenter::MSACErrorReport& report) override;
    /// The masked log text as "CrashLog.txt"; none, with an error logged,
    /// when the attachment cannot be made.
    std::optional<std::vector<platform::appcenter::MSACErrorAttachmentLog>> attachments(
        platform::appcenter::MSACCrashes& crashes, const platform::appcenter::MSACErrorReport& report) override;

    /// "orgId:<org id> userId:<user id>" of the signed-in user's identity
    /// data (not masked), or both "not_logged_in" when nobody is signed in.
    static std::string userString();
    /// For each of the app's loggers whose file has text, in order: a line of
    /// 80 "=", the logger's component name and ":", another line of 80 "=",
    /// then " ", the last kMaxLogSize characters of the text and " \n\n".
    /// Empty when no file has text.
    static std::string unifiedFileContent();

private:
    AppCenterManager() = default;
};

} // namespace vellicor
