#pragma once

#include <functional>

namespace vellicor {

/// A user action that arrives at any time (a link, a notification tap, a
/// home-screen shortcut) and waits in a queue until the app can run it.
class LaunchActionable {
public:
    virtual ~LaunchActionable() = default;

    /// Whether the community web app must be loaded before the action runs.
    virtual bool requiresWebAppBootstrap() const = 0;
    /// Called once when the action has run: with true when it has taken
    /// effect (it opened, or failed for a reason the user is told, or can
    /// never run), with false when it could not run yet and should stay queued.
    using Completion = std::function<void(bool tookEffect)>;

    /// Performs the action; calls the completion (when given) once.
    virtual void execute(Completion completion) = 0;
};

} // namespace vellicor
