#pragma once

#include "VellicorApp/Core/Fault.hpp"

#include <memory>
#include <optional>
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
/// A fault may belong to the screen that met it (a page's splash time-out):
/// it is shown only when that screen comes on screen (a preloaded tab's when
/// the tab is selected), never on another screen's appearance, and it is
/// dropped once that screen is gone (a closed sheet). Faults of no screen
/// (the API access check's) are shown by whichever screen comes next.
///
/// The queue belongs to the main thread. The API access check completes on the
/// thread its REST client answers on and appends its fault through the main
/// queue.
///
/// Every part may hold and feed it; it is built where its toasts are
/// (Interface/FaultManager.cpp).
class FaultManager : public std::enable_shared_from_this<FaultManager> {
public:
    static std::shared_ptr<FaultManager> create();
    virtual ~FaultManager() = default;

    /// The queue, in the order the faults were added (until a presentation
    /// sorts it).
    virtual std::vector<std::shared_ptr<const Fault>> faults() const;
    /// Asks the REST API whether the signed-in user may use it; a 403 answer
    /// queues an AccessAPIFault. Nothing happens when nobody is signed in.
    virtual void performAPIAccessCheck();
    /// Appends a fault of no particular screen; no duplicate check, no limit.
    virtual void addFault(std::shared_ptr<const Fault> fault);
    /// Appends a fault that belongs to `screen` (held weakly); a null screen
    /// makes it a fault of no particular screen.
    virtual void addFault(std::shared_ptr<const Fault> fault,
                          const std::shared_ptr<const platform::ui::ViewController>& screen);
    /// Shows the fault of highest priority (the first added among equals) as
    /// a toast at the bottom of the controller's view and empties the queue.
    /// Returns the fault shown; none (and no toast) when the queue is empty.
    /// Faults whose screen is gone are dropped first.
    virtual std::shared_ptr<const Fault> presentFault(const std::shared_ptr<platform::ui::ViewController>& viewController);
    /// The same for `appeared`, the screen that has just come on screen: only
    /// its own faults and those of no screen are shown or dropped; faults of
    /// other screens that still exist stay queued for their own appearance.
    virtual std::shared_ptr<const Fault> presentFault(const std::shared_ptr<platform::ui::ViewController>& viewController,
                                                      const platform::ui::ViewController& appeared);

protected:
    FaultManager() = default;

private:
    struct QueuedFault {
        std::shared_ptr<const Fault> fault;
        /// The screen the fault belongs to; none for a fault of no screen.
        std::optional<std::weak_ptr<const platform::ui::ViewController>> screen;
    };
    std::shared_ptr<const Fault> present(const std::shared_ptr<platform::ui::ViewController>& viewController,
                                         const platform::ui::ViewController* appeared);

    std::vector<QueuedFault> faults_;
};

} // namespace vellicor
