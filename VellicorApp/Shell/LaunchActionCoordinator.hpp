#pragma once

#include "VellicorApp/Core/BaseFlowCoordinator.hpp"
#include "VellicorApp/Core/LaunchActionable.hpp"
#include "VellicorApp/Interface/CommunityViewControllerDelegate.hpp"

#include <memory>

namespace vellicor {

class CommunityViewControllable;

/// The step that runs the queued action once the community web app is up:
/// at once when the action needs no web app or the community screen has
/// already loaded a page, otherwise at the screen's next page load (the step
/// becomes the screen's delegate and waits). Without an action it ends at
/// the first loaded page. It ends without error when the action has taken
/// effect and with invalidAction when it could not run (it stays queued); it
/// does not end at all when the screen is gone before it can wait for it.
///
/// The action runs at most once per step: the step stays the screen's
/// delegate while the action finishes (a read mark may still be on its way),
/// and later page loads must not open the same link again.
///
/// Holds the community screen weakly; the screen holds the step weakly as
/// its delegate. Main thread only.
class LaunchActionCoordinator : public BaseFlowCoordinator, public CommunityViewControllerDelegate {
public:
    static std::shared_ptr<LaunchActionCoordinator>
    create(std::shared_ptr<LaunchActionable> launchAction,
           const std::shared_ptr<CommunityViewControllable>& communityViewController);

    /// Ignored: the step waits for a page load, not for the bootstrap.
    void webAppDidBootstrap(const std::shared_ptr<CommunityViewControllable>& viewController,
                            const std::optional<platform::Json>& metadataResponse) override;
    /// Runs the queued action unless it already ran; without an action, ends the step.
    void webAppDidLoadPage(const std::shared_ptr<CommunityViewControllable>& viewController) override;

protected:
    LaunchActionCoordinator(std::shared_ptr<LaunchActionable> launchAction,
                            const std::shared_ptr<CommunityViewControllable>& communityViewController)
        : launchAction_(std::move(launchAction)), communityViewController_(communityViewController) {}

    void execute() override;

private:
    /// Makes this step the screen's delegate, to hear of its next page load.
    void waitForPageLoad(const std::shared_ptr<CommunityViewControllable>& screen);
    /// Runs the action, once; the step ends when the action completes.
    void handleLaunchAction();

    std::shared_ptr<LaunchActionable> launchAction_;
    std::weak_ptr<CommunityViewControllable> communityViewController_;
    bool actionStarted_ = false;
};

} // namespace vellicor
