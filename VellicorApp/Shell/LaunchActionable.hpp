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
    /// Performs the action; calls the completion (when given) once when done,
    /// also when the action could not be done.
    virtual void execute(std::function<void()> completion) = 0;
};

} // namespace vellicor
