#include "Platform/System/BackgroundTaskScheduler.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/System/WorkerAnswer.hpp"
#include "Platform/Foundation/Json.hpp"

#include <algorithm>

namespace platform::system {

void BGTask::setExpirationHandler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    expirationHandler_ = std::move(handler);
}

void BGTask::setTaskCompleted(bool success) {
    std::lock_guard lock(mutex_);
    if (!completion_) completion_ = success;
}

std::optional<bool> BGTask::completion() const {
    std::lock_guard lock(mutex_);
    return completion_;
}

void BGTask::expire() {
    std::function<void()> handler;
    {
        std::lock_guard lock(mutex_);
        handler = expirationHandler_;
    }
    if (handler) handler();
}

std::shared_ptr<BGTaskScheduler> BGTaskScheduler::shared() {
    static const std::shared_ptr<BGTaskScheduler> scheduler(new BGTaskScheduler());
    return scheduler;
}

bool BGTaskScheduler::isPermitted(const std::string& identifier) {
    const auto bundle = Bundle::main();
    const auto list = bundle ? bundle->objectForInfoDictionaryKey("BGTaskSchedulerPermittedIdentifiers") : std::nullopt;
    if (!list || !list->is_array()) return false;
    return std::any_of(list->begin(), list->end(),
                       [&](const Json& item) { return item.is_string() && item.get<std::string>() == identifier; });
}

bool BGTaskScheduler::registerForTaskWithIdentifier(const std::string& identifier,
                                                    std::shared_ptr<DispatchQueue> queue,
                                                    LaunchHandler launchHandler) {
    if (!isPermitted(identifier)) return false;
    std::lock_guard lock(mutex_);
    registrations_[identifier] = Registration{std::move(queue), std::move(launchHandler)};
    return true;
}

std::optional<Error> BGTaskScheduler::submit(const BGAppRefreshTaskRequest& request) {
    if (!isPermitted(request.identifier)) {
        return Error(kBGTaskSchedulerErrorDomain, BGTaskSchedulerErrorCode::notPermitted,
                     Json{{std::string(kLocalizedDescriptionKey),
                           "The operation couldn't be completed. (BGTaskSchedulerErrorDomain error 3.)"}});
    }
    std::lock_guard lock(mutex_);
    std::erase_if(pending_, [&](const BGAppRefreshTaskRequest& r) { return r.identifier == request.identifier; });
    pending_.push_back(request);
    return std::nullopt;
}

std::vector<BGAppRefreshTaskRequest> BGTaskScheduler::pendingRequests() const {
    std::lock_guard lock(mutex_);
    return pending_;
}

bool BGTaskScheduler::run(const std::string& identifier) {
    std::shared_ptr<BGTask> task;
    Registration registration;
    {
        std::lock_guard lock(mutex_);
        const auto request = std::find_if(pending_.begin(), pending_.end(),
                                          [&](const BGAppRefreshTaskRequest& r) { return r.identifier == identifier; });
        const auto found = registrations_.find(identifier);
        if (request == pending_.end() || found == registrations_.end() || !found->second.handler) return false;
        pending_.erase(request);
        registration = found->second;
        task = std::make_shared<BGAppRefreshTask>(identifier);
        lastTasks_[identifier] = task;
    }
    // Counted as work in flight so that scripted runs wait for the handler.
    if (!registration.queue) {
        answerOnWorker([handler = std::move(registration.handler), task] { handler(task); }, QoS::background);
        return true;
    }
    BackgroundActivity::begin();
    registration.queue->async([handler = std::move(registration.handler), task] {
        handler(task);
        BackgroundActivity::end();
    });
    return true;
}

bool BGTaskScheduler::expire(const std::string& identifier) {
    const auto task = lastTask(identifier);
    if (!task || task->completion()) return false;
    answerOnWorker([task] { task->expire(); }, QoS::background);
    return true;
}

std::shared_ptr<BGTask> BGTaskScheduler::lastTask(const std::string& identifier) const {
    std::lock_guard lock(mutex_);
    const auto found = lastTasks_.find(identifier);
    return found == lastTasks_.end() ? nullptr : found->second;
}

void BGTaskScheduler::resetForTesting() {
    std::lock_guard lock(mutex_);
    registrations_.clear();
    pending_.clear();
    lastTasks_.clear();
}

} // namespace platform::system
