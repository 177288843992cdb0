#pragma once

#include "VellicorApp/Core/AppCoordinating.hpp"
#include "VellicorApp/Core/AppMode.hpp"
#include "VellicorApp/Core/FlowCoordinator.hpp"
#include "VellicorApp/Core/LaunchActionable.hpp"
#include "VellicorApp/Instrumentation/SessionTracker.hpp"
#include "VellicorApp/Interface/LoadingViewControllerDelegate.hpp"

#include "Platform/Foundation/Url.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountIdentity.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform::ui {
class NavigationController;
class ViewController;
} // namespace platform::ui

namespace vellicor {

class AuthenticationObserver;
class CommunityViewControllable;

/// Drives the app from the loading screen to a usable community screen and
/// back: runs the cold-start chain of flow steps (licence, pre-bootstrap
/// action, custom domain, community switch, bootstrap and sign-in,
/// permissions, app UI), re-runs its tail after every sign-in and sign-out,
/// queues user actions (links, notification taps, shortcuts) until the app
/// can run them, and refreshes the session on a return to the foreground
/// after a long absence.
///
/// One step runs at a time, held in activeFlowCoordinator(); starting a step
/// replaces (cancels and drops) the one before. A step's completion continues the
/// chain only while that step is still the active one: a replaced step that
/// its own callback kept alive must not start a second chain beside the new
/// one. Such a late completion is logged and ignored.
///
/// Lives for the whole process (the context holds it). Callbacks it hands
/// out (step completions, the sign-in observer, the session tracker) hold it
/// weakly. Main thread only.
class AppCoordinator : public AppCoordinating,
                       public LoadingViewControllerDelegate,
                       public SessionTrackerDelegate,
                       public std::enable_shared_from_this<AppCoordinator> {
public:
    using NavigationControllerPtr = std::shared_ptr<platform::ui::NavigationController>;
    using ScreenPtr = std::shared_ptr<CommunityViewControllable>;
    using StepPtr = std::shared_ptr<FlowCoordinator>;

    /// Makes the steps of the chain. The default makes the app's real steps;
    /// tests hand in one that makes fakes.
    class StepFactory {
    public:
        virtual ~StepFactory() = default;

        virtual StepPtr eula();
        virtual StepPtr preBootstrapLaunchAction(std::shared_ptr<LaunchActionable> launchAction);
        virtual StepPtr customDomain(AppMode appMode);
        virtual StepPtr bootstrap(AppMode appMode, bool shouldPerformSessionRefresh);
        virtual StepPtr userAccessPermissions(const NavigationControllerPtr& navigationController);
        /// The step that builds the community screen, lets it load and ends
        /// once the web app has bootstrapped (with the screen, or a tab bar
        /// holding it, on top of the navigation stack), or with
        /// requiresAuthentication when the user must sign in first.
        virtual StepPtr appUI(const NavigationControllerPtr& navigationController,
                              const ScreenPtr& communityViewController, AppMode appMode);
        virtual StepPtr launchAction(std::shared_ptr<LaunchActionable> launchAction,
                                     const ScreenPtr& communityViewController);
    };

    /// Takes the running context's authentication observer and sets its
    /// callbacks; the navigation controller is held weakly (it outlives the
    /// coordinator in the running app). Without a factory, the real steps.
    static std::shared_ptr<AppCoordinator> create(const NavigationControllerPtr& navigationController,
                                                  std::shared_ptr<StepFactory> steps = nullptr);
    ~AppCoordinator() override = default;
    AppCoordinator(const AppCoordinator&) = delete;
    AppCoordinator& operator=(const AppCoordinator&) = delete;

    /// Runs the whole chain. Called when the loading screen's view loads
    /// (the screen holds the coordinator weakly as its delegate), after a
    /// community switch, and for an action that must run before the web app.
    void executeColdStartFlow() override;
    /// Resets the web screen (dismisses what is presented and makes the
    /// loading screen the only screen again) and runs the chain from the
    /// permissions step.
    /// A call while the permissions step of an earlier call still runs for
    /// the same signed-in user is ignored (several community screens report
    /// one failure each); sign-in and sign-out always run it.
    void executePostAuthFlow() override;
    /// Queues the action (none clears the queue), then restarts the chain for
    /// an action that needs no web app while a step runs, or hands it to the
    /// one place that runs queued actions (runQueuedLaunchAction).
    void launchActionFlow(std::shared_ptr<LaunchActionable> action) override;
    /// Queues a link to the URL when nothing else is queued.
    void preserveLastSessionURL(const platform::Url& url) override;
    /// Adopts the navigation stack's top screen as the community screen; stops
    /// the app when it is no community screen.
    void loadTopViewController();

    /// Told by the refresh tracker on every return to the foreground.
    void sessionTrackerShouldValidate(bool shouldValidate) override;

    /// The community screen once a chain has shown one.
    const ScreenPtr& communityViewController() const override { return communityViewController_; }
    /// Whether a community screen exists and has got past `initialized`.
    bool isWebAppLoaded() const;
    const StepPtr& activeFlowCoordinator() const { return activeFlowCoordinator_; }
    const std::shared_ptr<LaunchActionable>& launchAction() const { return launchAction_; }
    NavigationControllerPtr navigationController() const { return navigationController_.lock(); }
    AppMode appMode() const { return appMode_; }
    /// Whether the bootstrap step should refresh the signed-in session: when
    /// none was ever refreshed, or the last refresh is older than the
    /// observer's time-out; with the app's own delegate also when the app
    /// never went to the background or went there a day ago or more.
    bool shouldTriggerSessionRefresh() const;
    const std::shared_ptr<SessionTracker>& refreshTracker() const { return refreshTracker_; }

private:
    AppCoordinator(const NavigationControllerPtr& navigationController, std::shared_ptr<StepFactory> steps);
    void setUp();

    using StepEnd = std::function<void(AppCoordinator&, const std::optional<FlowCoordinatorError>&)>;
    /// Makes `step` the active one and starts it; its completion, while the
    /// step is still the active one, clears the active step and runs `then`.
    /// Returns the step's run number.
    std::uint64_t startStep(StepPtr step, StepEnd then);

    void runEULA();
    void runPreBootstrapLaunchAction();
    void runCustomDomain();
    void afterSwitchCommunity();
    void runBootstrap();
    void runUserAccessPermissions(bool startedByPostAuthFlow);
    void runAppUI();
    void runPostAuthFlow();
    void resetWebScreen();
    /// Sets the observer's sign-in and sign-out callbacks to re-run the tail.
    void configureObserverCallbacks();
    /// An action that needs no web app, while a step runs.
    bool shouldHandleActionBeforeAppBootstrap() const;
    /// The community screen has been shown, no step but a waiting
    /// launch-action step runs, and no gate (lock, required update) is up.
    bool canRunLaunchActionStep() const;
    /// The one place queued actions run: at the end of a chain, after a
    /// session refresh, when an action arrives and when the gates close. When
    /// the app can, starts the launch-action step with the queued action (or
    /// none, to end the flow at the next page load); else defers. The action
    /// leaves the queue only once it has taken effect.
    void runQueuedLaunchAction();

    std::weak_ptr<platform::ui::NavigationController> navigationController_;
    /// The navigation stack's root at creation (the loading screen). The
    /// app's screen replaces it as the root, so no Back leads to it; a reset
    /// of the web screen shows it again. Kept here while it is off the stack.
    std::shared_ptr<platform::ui::ViewController> loadingScreen_;
    const std::shared_ptr<StepFactory> steps_;
    std::shared_ptr<AuthenticationObserver> authenticationObserver_;
    StepPtr activeFlowCoordinator_;
    ScreenPtr communityViewController_;
    std::shared_ptr<LaunchActionable> launchAction_;
    AppMode appMode_ = AppMode::normal;
    std::shared_ptr<SessionTracker> refreshTracker_;

    /// The run number of the active step; each start takes the next one.
    std::uint64_t activeRun_ = 0;
    std::uint64_t lastRun_ = 0;
    /// The run of the permissions step the last executePostAuthFlow() started,
    /// and the signed-in user it runs for.
    std::uint64_t postAuthPermissionsRun_ = 0;
    /// The run of the last launch-action step.
    std::uint64_t launchActionRun_ = 0;
    /// A launch-action step was due but had to wait (for a gate, a step or
    /// the community screen).
    bool launchActionStepPending_ = false;
    std::optional<platform::veltrane::VQUserAccountIdentity> postAuthAccount_;
};

} // namespace vellicor
