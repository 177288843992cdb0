#pragma once

#include "VellicorApp/Core/DelayedWork.hpp"
#include "VellicorApp/Core/FlowCoordinator.hpp"

#include <memory>
#include <optional>
#include <string>

namespace vellicor {

/// The base of every flow step. start() logs "[<Step>] Started.", keeps the
/// completion and runs execute(); the step ends by calling complete(), which
/// logs "[<Step>] Completed. Error: <description or N/A>" and calls the kept
/// completion. The completion is kept after it ran, so a step that completes
/// twice makes its owner continue twice.
///
/// Steps are owned through a shared_ptr: callbacks handed to asynchronous
/// services capture weak_from_this() so that a step its owner dropped ends
/// silently, and the owner may drop the step from inside its completion.
///
/// Work a step puts on the main queue for later (a push that waits for a
/// presented screen) goes through delayedWork(), which the step owns: it is
/// called off when the step completes, when its owner cancels it (replacing
/// it by another step) and when the step goes, so a late block never acts for
/// a step that has ended. Main thread only.
class BaseFlowCoordinator : public FlowCoordinator, public std::enable_shared_from_this<BaseFlowCoordinator> {
public:
    /// The type name every step's log lines report under.
    static constexpr const char* kLogType = "BaseFlowCoordinator";

    ~BaseFlowCoordinator() override = default;
    BaseFlowCoordinator(const BaseFlowCoordinator&) = delete;
    BaseFlowCoordinator& operator=(const BaseFlowCoordinator&) = delete;

    /// Logs the start, replaces the kept completion (the previous one is
    /// dropped without being called) and runs execute().
    void start(Completion completion) final;

    /// Calls off the step's delayed work. Steps that run sub-steps cancel
    /// those too.
    void cancel() override;

    /// The unqualified name of the step's own class ("EULACoordinator").
    std::string stepName() const;

protected:
    BaseFlowCoordinator() = default;

    /// The step's work; every step overrides it. The base version stops the
    /// process: a step without work is a programming error.
    virtual void execute();

    /// Ends the step: logs, cancels its delayed work (cancel()), then calls
    /// the kept completion with the error. The completion may destroy this
    /// step; nothing of it is used afterwards.
    /// The error is taken by value, so a step may hand on an error it keeps
    /// itself even when the completion destroys it.
    void complete(std::optional<FlowCoordinatorError> error);

    /// Where the step schedules work for later; see the class comment.
    DelayedWork& delayedWork() { return delayedWork_; }

private:
    Completion completion_;
    DelayedWork delayedWork_;
};

} // namespace vellicor
