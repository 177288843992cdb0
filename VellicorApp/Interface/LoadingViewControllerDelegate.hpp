#pragma once

namespace vellicor {

/// What the loading screen asks of the object that runs the app's flows (the
/// app coordinator).
class LoadingViewControllerDelegate {
public:
    virtual ~LoadingViewControllerDelegate() = default;

    /// Runs the whole start-up chain from its first step.
    virtual void executeColdStartFlow() = 0;
    /// Dismisses what is presented, returns to the loading screen and runs the
    /// chain again from the step after sign-in.
    virtual void executePostAuthFlow() = 0;
};

} // namespace vellicor
