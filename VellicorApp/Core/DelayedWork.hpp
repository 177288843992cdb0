#pragma once

#include "Platform/Foundation/Dispatch.hpp"

#include <functional>
#include <memory>
#include <vector>

namespace vellicor {

/// The work an object has put on the main queue for later (a push that waits
/// for a presented screen to go, a retry, a time-out), kept so that it can be
/// called off. A flow step owns one: the step cancels it when it completes or
/// its owner replaces it, and destroying it cancels what is still pending, so
/// a block scheduled here never runs for an object that has moved on.
///
/// Holds the scheduled items weakly: the main queue keeps an item until it
/// has run. Main thread only.
class DelayedWork {
public:
    DelayedWork() = default;
    /// Cancels everything still pending.
    ~DelayedWork();
    DelayedWork(const DelayedWork&) = delete;
    DelayedWork& operator=(const DelayedWork&) = delete;

    /// Runs `block` on the main queue once `seconds` have passed, unless
    /// cancelAll() comes first or this object is gone by then.
    void after(double seconds, std::function<void()> block);
    /// Calls off every block not yet run. Work scheduled afterwards runs as usual.
    void cancelAll();
    /// Whether a block is still waiting to run.
    bool hasPendingWork() const;

private:
    std::vector<std::weak_ptr<platform::WorkItem>> items_;
};

} // namespace vellicor
