#include "VellicorApp/Community/FileDownloads.hpp"

#include <vector>

namespace vellicor {

FileDownloads& FileDownloads::shared() {
    static FileDownloads downloads;
    return downloads;
}

FileDownloads::Ticket FileDownloads::begin() {
    std::lock_guard lock(mutex_);
    const Ticket ticket{session_, nextID_++};
    running_.emplace(ticket.id, nullptr);
    return ticket;
}

void FileDownloads::attach(const Ticket& ticket, std::shared_ptr<platform::veltrane::VQRestTask> task) {
    if (!task) return;
    {
        std::lock_guard lock(mutex_);
        if (ticket.session == session_) {
            if (const auto found = running_.find(ticket.id); found != running_.end()) found->second = task;
            return;
        }
    }
    task->cancel(); // the session ended before the task was known
}

bool FileDownloads::finish(const Ticket& ticket, const std::function<void()>& place) {
    std::lock_guard lock(mutex_);
    running_.erase(ticket.id);
    if (ticket.session != session_) return false;
    if (place) place();
    return true;
}

void FileDownloads::endSession() {
    std::vector<std::shared_ptr<platform::veltrane::VQRestTask>> tasks;
    {
        std::lock_guard lock(mutex_);
        ++session_;
        for (auto& [id, task] : running_) {
            if (task) tasks.push_back(std::move(task));
        }
        running_.clear();
    }
    // Their completions take the guard; cancel outside it.
    for (const auto& task : tasks) task->cancel();
}

} // namespace vellicor
