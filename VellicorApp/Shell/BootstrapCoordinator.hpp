#pragma once

#include "VellicorApp/Core/AppMode.hpp"
#include "VellicorApp/Core/BaseFlowCoordinator.hpp"

#include <memory>

namespace vellicor {

/// The step that prepares the SDK for signing in to the selected community:
/// it installs the app's login screen, hands the SDK the mode's boot
/// configuration (never asking the SDK to sign in on its own), sets the OAuth
/// client and redirect from it, and, when asked and a user is signed in,
/// refreshes that user's session before the web app loads.
///
/// Its only error is missingCredentialsForSessionRefresh; a failed refresh is
/// logged and the step still ends without error. Runs on the main thread; the
/// SDK answers a refresh on a worker thread, and the answer is moved to the
/// main queue before anything is touched. The pending refresh keeps the step
/// alive until it is answered.
class BootstrapCoordinator : public BaseFlowCoordinator {
public:
    static std::shared_ptr<BootstrapCoordinator> create(AppMode appMode, bool shouldPerformSessionRefresh);

    AppMode appMode() const { return appMode_; }

protected:
    BootstrapCoordinator(AppMode appMode, bool shouldPerformSessionRefresh)
        : appMode_(appMode), shouldPerformSessionRefresh_(shouldPerformSessionRefresh) {}

    void execute() override;

private:
    /// Refreshes the signed-in user's OAuth session and ends the step.
    void refreshUserSession();

    const AppMode appMode_;
    const bool shouldPerformSessionRefresh_;
};

} // namespace vellicor
