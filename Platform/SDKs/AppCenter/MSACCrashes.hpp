#pragma once

#include "Platform/Export.hpp"
#include "Platform/SDKs/AppCenter/MSACErrorAttachmentLog.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::appcenter {

/// One crash of an earlier run, as the crash service reports it.
struct PLATFORM_EXPORT MSACErrorReport {
    /// A UUID text.
    std::string incidentIdentifier;
    /// Why the app stopped: the fatal error's message, or the test crash's.
    std::string reason;
    /// Seconds since 1970 on the clock of the crashed run.
    double appErrorTime = 0;
};

class MSACCrashes;

/// What the crash service asks before it sends a report. Called on the main
/// queue.
class PLATFORM_EXPORT MSACCrashesDelegate {
public:
    virtual ~MSACCrashesDelegate() = default;
    /// Whether the report is sent at all (false drops it).
    virtual bool crashesShouldProcess(MSACCrashes& crashes, const MSACErrorReport& report) = 0;
    /// The report is about to be sent.
    virtual void crashesWillSend(MSACCrashes& crashes, const MSACErrorReport& report) = 0;
    /// The files sent with the report; none for none.
    virtual std::optional<std::vector<MSACErrorAttachmentLog>> attachments(MSACCrashes& crashes,
                                                                           const MSACErrorReport& report) = 0;
};

/// The crash service of the App Center SDK.
///
/// Once started (MSACAppCenter::start with MSACService::crashes), a crash of
/// the app (generateTestCrash, or platform::fatalError through the
/// foundation's before-abort hook) leaves a record in the sandbox. The next
/// run reports it: hasCrashedInLastSession is true, and a start with an app
/// secret asks the delegate on the main queue, then posts each report with
/// its attachments to the ingestion service from a worker thread and drops
/// its record once the service has answered.
///
/// The run's memory warnings (receivedMemoryWarning, the event command
/// `memory-warning`) are kept in the sandbox too, for the next run's
/// hasReceivedMemoryWarningInLastSession.
///
/// The previous run's state is read on the first use of the service in a
/// sandbox. Thread-safe.
class PLATFORM_EXPORT MSACCrashes {
public:
    /// The service object the delegate is handed; it has no state of its own.
    static MSACCrashes& shared();
    MSACCrashes(const MSACCrashes&) = delete;
    MSACCrashes& operator=(const MSACCrashes&) = delete;

    /// Crashes the app on purpose, to try out crash reporting: writes
    /// "App Center: generating a test crash." to standard error, leaves a
    /// crash record when the service is started, and ends the process
    /// abnormally (SIGABRT). Never returns.
    [[noreturn]] static void generateTestCrash();

    /// Whether the previous run left a crash record.
    static bool hasCrashedInLastSession();
    /// Whether the previous run received a memory warning.
    static bool hasReceivedMemoryWarningInLastSession();

    /// The delegate asked before each report is sent; kept weakly.
    static void setDelegate(std::weak_ptr<MSACCrashesDelegate> delegate);

    /// The system warned this run of low memory.
    static void receivedMemoryWarning();

private:
    MSACCrashes() = default;
    friend class MSACAppCenter;
    /// The crash service starts: records crashes from now on and, with a
    /// secret, processes the waiting reports.
    static void start(const std::string& appSecret);
    static void resetForTesting();
};

} // namespace platform::appcenter
