#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Clock.hpp"
#include "Platform/Foundation/Error.hpp"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class DispatchQueue;
}

namespace platform::system {

/// The error domain of the background task scheduler and its codes.
inline constexpr const char* kBGTaskSchedulerErrorDomain = "BGTaskSchedulerErrorDomain";
namespace BGTaskSchedulerErrorCode {
inline constexpr long unavailable = 1;
inline constexpr long notPermitted = 3;
} // namespace BGTaskSchedulerErrorCode

/// A background task the system runs: its launch handler must mark it
/// completed; the system may expire it first, calling its expiration handler.
/// Thread-safe.
class PLATFORM_EXPORT BGTask {
public:
    explicit BGTask(std::string identifier) : identifier_(std::move(identifier)) {}
    virtual ~BGTask() = default;

    const std::string& identifier() const { return identifier_; }
    void setExpirationHandler(std::function<void()> handler);
    /// The first call counts; later ones are ignored.
    void setTaskCompleted(bool success);
    /// Whether it was completed, and with what success.
    std::optional<bool> completion() const;
    /// Calls the expiration handler (the system's side).
    void expire();

private:
    const std::string identifier_;
    mutable std::mutex mutex_;
    std::function<void()> expirationHandler_;
    std::optional<bool> completion_;
};

/// An app-refresh task.
class PLATFORM_EXPORT BGAppRefreshTask : public BGTask {
public:
    using BGTask::BGTask;
};

struct PLATFORM_EXPORT BGAppRefreshTaskRequest {
    std::string identifier;
    /// None: the system chooses when.
    std::optional<TimeInterval> earliestBeginDate;
};

/// The system's scheduler of background tasks. Only identifiers listed in the
/// main bundle's "BGTaskSchedulerPermittedIdentifiers" may be submitted; a
/// submitted request runs when a script or test says (`bgtask run ID`): the
/// launch handler registered for its identifier gets a new task on the
/// handler's queue, or on a worker thread when it gave none. Thread-safe;
/// handlers run outside the lock.
class PLATFORM_EXPORT BGTaskScheduler {
public:
    using LaunchHandler = std::function<void(std::shared_ptr<BGTask>)>;

    static std::shared_ptr<BGTaskScheduler> shared();

    /// Registers the handler of an identifier (replacing any earlier one);
    /// false when the identifier is not permitted.
    bool registerForTaskWithIdentifier(const std::string& identifier, std::shared_ptr<DispatchQueue> queue,
                                       LaunchHandler launchHandler);
    /// Submits a request (replacing one with the same identifier); an error
    /// of notPermitted when the identifier is not permitted.
    std::optional<Error> submit(const BGAppRefreshTaskRequest& request);

    // Driving (the event driver, tests) --------------------------------------------
    /// The submitted requests, in order.
    std::vector<BGAppRefreshTaskRequest> pendingRequests() const;
    /// Runs the submitted request of the identifier: false when none was
    /// submitted or no handler is registered. The request is used up.
    bool run(const std::string& identifier);
    /// Expires the last task of the identifier while it runs: false when
    /// there is none or it has completed.
    bool expire(const std::string& identifier);
    /// The last task run for the identifier.
    std::shared_ptr<BGTask> lastTask(const std::string& identifier) const;

    void resetForTesting();

private:
    BGTaskScheduler() = default;
    static bool isPermitted(const std::string& identifier);

    struct Registration {
        std::shared_ptr<DispatchQueue> queue;
        LaunchHandler handler;
    };

    mutable std::mutex mutex_;
    std::map<std::string, Registration> registrations_;
    std::vector<BGAppRefreshTaskRequest> pending_;
    std::map<std::string, std::shared_ptr<BGTask>> lastTasks_;
};

} // namespace platform::system
