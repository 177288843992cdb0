#pragma once

#include "VellicorApp/Shell/Fault.hpp"

#include <memory>
#include <vector>

namespace platform::ui {
class ViewController;
}

namespace vellicor {

/// The faults waiting to be shown, one manager per context. Code that meets a
/// fault adds it; the community screen asks for a presentation each time it
/// comes on screen, which shows the most important fault as a toast and drops
/// the rest.
///
/// The queue belongs to the main thread. The API access check completes on the
/// thread its REST client answers on and appends its fault through the main
/// queue.
class FaultManager : public std::enable_shared_from_this<FaultManager> {
public:
    static std::shared_ptr<FaultManager> create();
    virtual ~FaultManager() = default;

    /// The queue, in the order the faults were added (until a presentation
    /// sorts it).
    virtual const std::vector<std::shared_ptr<const Fault>>& faults() const { return faults_; }
    /// Asks the REST API whether the signed-in user may use it; a 403 answer
    /// queues an AccessAPIFault. Nothing happens when nobody is signed in.
    virtual void performAPIAccessCheck();
    /// Appends a fault; no duplicate check, no limit.
    virtual void addFault(std::shared_ptr<const Fault> fault);
    /// Shows the fault of highest priority (the first added among equals) as
    /// a toast at the bottom of the controller's view and empties the queue.
    /// Returns the fault shown; none (and no toast) when the queue is empty.
    virtual std::shared_ptr<const Fault> presentFault(const std::shared_ptr<platform::ui::ViewController>& viewController);

protected:
    FaultManager() = default;

private:
    std::vector<std::shared_ptr<const Fault>> faults_;
};

} // namespace vellicor
