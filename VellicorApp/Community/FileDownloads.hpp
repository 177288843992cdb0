#pragma once

#include "Platform/SDKs/Veltrane/VQRestAPI.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace vellicor {

/// The file downloads under way, each tied to the session it started in.
/// Ending the session (at sign-out, before the downloaded files are wiped)
/// cancels them all, and one that completes afterwards puts nothing in place.
///
/// Thread-safe, one guard. A download's file is put in place under it, so a
/// wipe that follows endSession() never races a late file into the folder.
class FileDownloads {
public:
    /// The process's downloads.
    static FileDownloads& shared();

    struct Ticket {
        std::uint64_t session = 0;
        std::uint64_t id = 0;
    };

    /// Starts tracking a download of the current session.
    Ticket begin();
    /// The download's task, for endSession() to cancel; cancelled at once
    /// when the session has already ended. A download that has finished
    /// meanwhile is not tracked again.
    void attach(const Ticket& ticket, std::shared_ptr<platform::veltrane::VQRestTask> task);
    /// Stops tracking the download. When its session is still the current
    /// one, runs `place` (which puts the file in place) under the guard and
    /// returns true; else runs nothing and returns false.
    bool finish(const Ticket& ticket, const std::function<void()>& place = {});
    /// Ends the current session: cancels every download under way (outside
    /// the guard) and refuses whatever they complete with later.
    void endSession();

private:
    std::mutex mutex_; // guards the fields below
    std::uint64_t session_ = 1;
    std::uint64_t nextID_ = 1;
    // Downloads under way; a null task until attach().
    std::map<std::uint64_t, std::shared_ptr<platform::veltrane::VQRestTask>> running_;
};

} // namespace vellicor
