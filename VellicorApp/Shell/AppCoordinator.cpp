#include "VellicorApp/Shell/AppCoordinator.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/BaseFlowCoordinator.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Hybrid/AuthenticationObserver.hpp"
#include "VellicorApp/Instrumentation/AppSessionTracker.hpp"
#include "VellicorApp/Interface/CommunityViewControllable.hpp"
#include "VellicorApp/Shell/AppDelegate.hpp"
#include "VellicorApp/Shell/AppUICoordinator.hpp"
#include "VellicorApp/Shell/AppUpdateManager.hpp"
#include "VellicorApp/Shell/BootstrapCoordinator.hpp"
#include "VellicorApp/Shell/CustomDomainCoordinator.hpp"
#include "VellicorApp/Shell/EULA/EULACoordinator.hpp"
#include "VellicorApp/Shell/GateWindow.hpp"
#include "VellicorApp/Shell/LaunchActionCoordinator.hpp"
#include "VellicorApp/Shell/PreBootstrapLaunchActionCoordinator.hpp"
#include "VellicorApp/Shell/URLLinkAction.hpp"
#include "VellicorApp/Shell/UserAccessPermissionsCoordinator.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/UI/NavigationController.hpp"

namespace vellicor {

namespace {

constexpr const char* kLogType = "AppCoordinator";
/// The refresh tracker's timer: 24 hours, in milliseconds.
constexpr double kRefreshTrackerTimer = 86'400'000.0;

/// The step's class name for the log; "step" for one of no known kind.
std::string nameOf(const FlowCoordinator& step) {
    const auto* base = dynamic_cast<const BaseFlowCoordinator*>(&step);
    return base ? base->stepName() : "step";
}

/// The signed-in user of the running context; none while signed out.
std::optional<platform::veltrane::VQUserAccountIdentity> signedInAccount() {
    const auto user = AppContext::current()->userAccount();
    if (!user) return std::nullopt;
    return user->accountIdentity();
}

} // namespace

// The real steps --------------------------------------------------------------

AppCoordinator::StepPtr AppCoordinator::StepFactory::eula() { return EULACoordinator::create(); }

AppCoordinator::StepPtr
AppCoordinator::StepFactory::preBootstrapLaunchAction(std::shared_ptr<LaunchActionable> launchAction) {
    return PreBootstrapLaunchActionCoordinator::create(std::move(launchAction));
}

AppCoordinator::StepPtr AppCoordinator::StepFactory::customDomain(AppMode appMode) {
    return CustomDomainCoordinator::create(appMode);
}

AppCoordinator::StepPtr AppCoordinator::StepFactory::bootstrap(AppMode appMode, bool shouldPerformSessionRefresh) {
    return BootstrapCoordinator::create(appMode, shouldPerformSessionRefresh);
}

AppCoordinator::StepPtr
AppCoordinator::StepFactory::userAccessPermissions(const NavigationControllerPtr& navigationController) {
    return UserAccessPermissionsCoordinator::create(navigationController);
}

AppCoordinator::StepPtr AppCoordinator::StepFactory::appUI(const NavigationControllerPtr& navigationController,
                                                           const ScreenPtr& communityViewController, AppMode appMode) {
    return AppUICoordinator::create(navigationController, communityViewController, appMode);
}

AppCoordinator::StepPtr AppCoordinator::StepFactory::launchAction(std::shared_ptr<LaunchActionable> launchAction,
                                                                  const ScreenPtr& communityViewController) {
    return LaunchActionCoordinator::create(std::move(launchAction), communityViewController);
}

// Making ----------------------------------------------------------------------

AppCoordinator::AppCoordinator(const NavigationControllerPtr& navigationController, std::shared_ptr<StepFactory> steps)
    : navigationController_(navigationController), steps_(steps ? std::move(steps) : std::make_shared<StepFactory>()) {
    if (navigationController && !navigationController->viewControllers().empty()) {
        loadingScreen_ = navigationController->viewControllers().front();
    }
}

std::shared_ptr<AppCoordinator> AppCoordinator::create(const NavigationControllerPtr& navigationController,
                                                       std::shared_ptr<StepFactory> steps) {
    auto coordinator = std::shared_ptr<AppCoordinator>(new AppCoordinator(navigationController, std::move(steps)));
    coordinator->setUp();
    return coordinator;
}

void AppCoordinator::setUp() {
    refreshTracker_ = SessionTracker::create(kRefreshTrackerTimer);
    appMode_ = AppContext::current()->appMode();
    authenticationObserver_ = AppContext::current()->authenticationObserver;
    configureObserverCallbacks();
    refreshTracker_->setDelegate(shared_from_this());
    // An action that waited for a gate (the lock, say) runs once the gates are down.
    AppContext::current()->notificationCenter->addObserver<AppCoordinator>(
        shared_from_this(), kGatesDidCloseNotification, nullptr,
        [](AppCoordinator& self, const platform::Notification&) {
            if (self.launchActionStepPending_) self.runQueuedLaunchAction();
        });
}

void AppCoordinator::configureObserverCallbacks() {
    if (!authenticationObserver_) return;
    // Sign-in and sign-out always re-run the tail, even while a permissions
    // step of an earlier run is still up (a Log Out on the lock screen).
    std::weak_ptr<AppCoordinator> weakSelf = weak_from_this();
    const auto rerun = [weakSelf] {
        if (const auto self = weakSelf.lock()) self->runPostAuthFlow();
    };
    authenticationObserver_->configure(rerun, rerun);
}

// Steps -----------------------------------------------------------------------

std::uint64_t AppCoordinator::startStep(StepPtr step, StepEnd then) {
    const auto run = ++lastRun_;
    activeRun_ = run;
    // A step still running is replaced: what it left waiting (a push 0.3 s
    // later) must not show over the new step's screens.
    if (activeFlowCoordinator_) activeFlowCoordinator_->cancel();
    activeFlowCoordinator_ = step; // drops the step that ran before, if any
    std::weak_ptr<AppCoordinator> weakSelf = weak_from_this();
    step->start([weakSelf, run, name = nameOf(*step),
                 then = std::move(then)](const std::optional<FlowCoordinatorError>& error) {
        const auto self = weakSelf.lock();
        if (!self) return;
        if (!self->activeFlowCoordinator_ || self->activeRun_ != run) {
            // A step another one replaced, or one that ends a second time:
            // continuing would run a second chain beside the active one.
            Logger::info("Ignoring the completion of " + name + ": it is no longer the active step.", kLogType);
            return;
        }
        // Clearing the field may release the step and this completion with
        // it; keep what is still needed.
        const auto next = then;
        const auto ended = error;
        self->activeFlowCoordinator_ = nullptr;
        next(*self, ended);
    });
    return run;
}

void AppCoordinator::executeColdStartFlow() {
    // The preview edition without a selected site queues its site form here
    // once the switch action is part of the app.
    runEULA();
}

void AppCoordinator::runEULA() {
    startStep(steps_->eula(), [](AppCoordinator& self, const auto&) { self.runPreBootstrapLaunchAction(); });
}

void AppCoordinator::runPreBootstrapLaunchAction() {
    const auto action = launchAction_;
    startStep(steps_->preBootstrapLaunchAction(action), [action](AppCoordinator& self, const auto& error) {
        // The action has run. One queued while it ran stays queued.
        if (!error && self.launchAction_ == action) self.launchAction_ = nullptr;
        self.runCustomDomain();
    });
}

void AppCoordinator::runCustomDomain() {
    startStep(steps_->customDomain(AppContext::current()->appMode()),
              [](AppCoordinator& self, const auto&) { self.afterSwitchCommunity(); });
}

void AppCoordinator::afterSwitchCommunity() {
    // What follows the community switch, which may have replaced the
    // observer's callbacks and left screens of the old community behind.
    configureObserverCallbacks();
    resetWebScreen();
    runBootstrap();
}

void AppCoordinator::runBootstrap() {
    startStep(steps_->bootstrap(AppContext::current()->appMode(), shouldTriggerSessionRefresh()),
              [](AppCoordinator& self, const auto&) { self.runUserAccessPermissions(false); });
}

void AppCoordinator::runUserAccessPermissions(bool startedByPostAuthFlow) {
    const auto run = startStep(steps_->userAccessPermissions(navigationController()),
                               [](AppCoordinator& self, const auto&) { self.runAppUI(); });
    if (startedByPostAuthFlow) {
        postAuthPermissionsRun_ = run;
        postAuthAccount_ = signedInAccount();
    }
}

void AppCoordinator::runAppUI() {
    startStep(steps_->appUI(navigationController(), communityViewController_, AppContext::current()->appMode()),
              [](AppCoordinator& self, const std::optional<FlowCoordinatorError>& error) {
                  // On failure (the user must sign in first) the chain ends
                  // here; signing in runs the tail again.
                  if (error) return;
                  self.loadTopViewController();
                  self.runQueuedLaunchAction();
              });
}

void AppCoordinator::loadTopViewController() {
    const auto navigation = navigationController();
    auto screen =
        navigation ? std::dynamic_pointer_cast<CommunityViewControllable>(navigation->topViewController()) : nullptr;
    if (!screen) platform::fatalError("Failed to create/load hybrid container view controller.");
    communityViewController_ = std::move(screen);
}

void AppCoordinator::resetWebScreen() {
    if (const auto navigation = navigationController()) {
        if (navigation->presentedViewController()) navigation->dismiss(false);
        // The app's screen replaced the loading screen as the stack's root;
        // the loading screen comes back as the only screen.
        if (loadingScreen_) {
            navigation->setViewControllers({loadingScreen_}, false);
        } else {
            navigation->popToRoot(false);
        }
    }
    communityViewController_ = nullptr;
}

// Sign-in and sign-out ------------------------------------------------------

void AppCoordinator::executePostAuthFlow() {
    const bool samePermissionsRunning = activeFlowCoordinator_ && activeRun_ == postAuthPermissionsRun_;
    if (samePermissionsRunning && postAuthAccount_ && postAuthAccount_ == signedInAccount()) {
        Logger::info("Post-authentication flow is already running for this user; ignoring the request.", kLogType);
        return;
    }
    runPostAuthFlow();
}

void AppCoordinator::runPostAuthFlow() {
    resetWebScreen();
    runUserAccessPermissions(true);
}

// Launch actions --------------------------------------------------------------

bool AppCoordinator::isWebAppLoaded() const {
    return communityViewController_ && communityViewController_->state() > State::initialized;
}

bool AppCoordinator::shouldHandleActionBeforeAppBootstrap() const {
    return launchAction_ && !launchAction_->requiresWebAppBootstrap() && activeFlowCoordinator_;
}

bool AppCoordinator::canRunLaunchActionStep() const {
    // A launch-action step that still waits for its page gives way to the
    // next one; any other step ends the chain with this step itself.
    const bool otherStepRuns = activeFlowCoordinator_ && activeRun_ != launchActionRun_;
    return communityViewController_ && !otherStepRuns && !GateWindow::isAnyUp();
}

void AppCoordinator::launchActionFlow(std::shared_ptr<LaunchActionable> action) {
    launchAction_ = std::move(action);
    if (!canRunLaunchActionStep() && shouldHandleActionBeforeAppBootstrap()) {
        // The pre-bootstrap step of the new chain runs it.
        executeColdStartFlow();
        return;
    }
    runQueuedLaunchAction();
}

void AppCoordinator::runQueuedLaunchAction() {
    if (!canRunLaunchActionStep()) {
        launchActionStepPending_ = true;
        // Log text read by support tooling; keep verbatim. It runs at the end
        // of the next successful chain or session refresh, or once the gates
        // (the lock, a required update) are down.
        if (launchAction_) Logger::info("Deferring launch action to be executed later.", kLogType);
        return;
    }
    launchActionStepPending_ = false;
    // The step waits for the screen's next page load when the screen is not
    // loaded (a session refresh reloads it), so no action is lost to a reload.
    const auto ran = launchAction_;
    launchActionRun_ = startStep(
        steps_->launchAction(ran, communityViewController_),
        [ran](AppCoordinator& self, const std::optional<FlowCoordinatorError>& error) {
            if (const auto screen = self.communityViewController_) {
                screen->refreshNotifications();
                screen->sendKORVALogs();
                if (const auto updates = AppContext::current()->appUpdateManager()) {
                    updates->presentAppUpdateIfNeeded(screen->viewController().shared_from_this());
                }
            }
            if (error && ran) {
                // It could not run (no community screen to open it in): kept
                // for the next run, and the flow is not done.
                Logger::info("Keeping the launch action queued: it could not run yet.", kLogType);
                return;
            }
            // An action queued while this one ran stays queued.
            if (self.launchAction_ == ran) self.launchAction_ = nullptr;
            // Log text read by support tooling; keep verbatim.
            Logger::info("App Flow Completed.", kLogType);
        });
}

void AppCoordinator::preserveLastSessionURL(const platform::Url& url) {
    if (launchAction_) return;
    launchAction_ = URLLinkAction::create(url, navigationController());
}

// Session refresh -------------------------------------------------------------

bool AppCoordinator::shouldTriggerSessionRefresh() const {
    if (authenticationObserver_ && authenticationObserver_->shouldTriggerSessionRefresh()) return true;
    // A day away from the app also calls for a refresh; only the app's own
    // delegate keeps the session tracker that knows.
    const auto delegate = applicationAppDelegate();
    const auto& tracker = delegate ? delegate->appSessionTracker() : nullptr;
    return tracker && tracker->shouldTriggerSessionRefresh();
}

void AppCoordinator::sessionTrackerShouldValidate(bool shouldValidate) {
    if (!shouldValidate && !shouldTriggerSessionRefresh()) return;
    // Log text read by support tooling; keep verbatim.
    Logger::info("Performing proactive session refresh on app foreground after timeout.", kLogType);
    if (!communityViewController_) return;
    std::weak_ptr<AppCoordinator> weakSelf = weak_from_this();
    communityViewController_->refreshUserCredentials(
        std::nullopt, [weakSelf](std::optional<std::string>, std::optional<platform::Error> error) {
            const auto self = weakSelf.lock();
            if (!self || error) return; // a failed refresh leaves the queue as it is
            self->launchActionFlow(self->launchAction_);
        });
}

std::shared_ptr<AppCoordinating> Context::appCoordinating() const { return appCoordinator(); }

// The context's guest experience reads the coordinator's state; it is
// defined here so that the context does not read this header.
bool Context::hasGuestExperience() const {
    const auto coordinator = appCoordinator();
    if (!coordinator) return true;
    if (!coordinator->isWebAppLoaded()) return false;
    return !isUserLoggedIn();
}

} // namespace vellicor
