#pragma once

#include "VellicorApp/Core/BaseFlowCoordinator.hpp"
#include "VellicorApp/Core/LaunchActionable.hpp"

#include <memory>

namespace vellicor {

/// The cold-start step that runs the queued action before any sign-in, when
/// the action needs no web app (a site switch, say). Ends with invalidAction
/// when nothing is queued and with requiresWebBootstrap when the action needs
/// the web app (it stays queued); otherwise ends once the action has called
/// its completion: without error when it took effect, else with
/// invalidAction (it stays queued). Main thread only.
class PreBootstrapLaunchActionCoordinator : public BaseFlowCoordinator {
public:
    static std::shared_ptr<PreBootstrapLaunchActionCoordinator> create(std::shared_ptr<LaunchActionable> launchAction);

protected:
    explicit PreBootstrapLaunchActionCoordinator(std::shared_ptr<LaunchActionable> launchAction)
        : launchAction_(std::move(launchAction)) {}

    void execute() override;

private:
    std::shared_ptr<LaunchActionable> launchAction_;
};

} // namespace vellicor
