#pragma once

#include "VellicorApp/Core/AppMode.hpp"
#include "VellicorApp/Core/BaseFlowCoordinator.hpp"
#include "VellicorApp/Interface/CommunityViewControllable.hpp"
#include "VellicorApp/Interface/CommunityViewControllerDelegate.hpp"

#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/NotificationCenter.hpp"

#include <memory>
#include <optional>

namespace platform::ui {
class NavigationController;
}

namespace vellicor {

/// The last step of the start-up chain and of the chain after a sign-in or
/// sign-out: builds the community screen of the selected community, lets it
/// load (without pushing it) and waits for one of two events.
///
/// - The SDK is about to show its login screen: the step ends with
///   `requiresAuthentication`; nothing has been pushed, and the chain resumes
///   after the sign-in.
/// - The web app reports its bootstrap: the step sets up the App Store update
///   manager from the page's update settings, then shows the native tab bar
///   the page (or, without page data, the last session) describes, falling
///   back to the single community screen when no tab bar can be built; it
///   ends once that screen is the navigation stack's root (it replaces the
///   loading screen). Either way it ends the application's cold-start marker
///   once per bootstrap message.
///
/// While something is presented the screen is shown 0.3 s later. That wait
/// belongs to the step (and its tab-bar sub-step): cancelled or dropped
/// meanwhile, because a sign-in or sign-out started the chain again, the
/// step shows nothing and does not end.
///
/// A screen handed in at creation, or no boot configuration for the app mode,
/// is a configuration fault that stops the app.
///
/// Owns the screen it made (the navigation stack owns it too once it is
/// pushed) and the tab-bar step while that runs; holds the navigation
/// controller weakly. The screen holds the step weakly as its delegate, and
/// the login observation ends with the step, so a step its owner dropped
/// hears nothing more. Main thread only.
class AppUICoordinator : public BaseFlowCoordinator, public CommunityViewControllerDelegate {
public:
    using NavigationControllerPtr = std::shared_ptr<platform::ui::NavigationController>;
    using ScreenPtr = std::shared_ptr<CommunityViewControllable>;

    /// The delay of a push while the navigation controller presents something.
    static constexpr double kPushDelay = 0.3;

    /// A step over the app's navigation controller for the mode; the screen
    /// must be none (a screen given stops the app when the step starts).
    /// Observes the SDK's login-screen notification on the running context's
    /// notification centre from now on.
    static std::shared_ptr<AppUICoordinator> create(const NavigationControllerPtr& navigationController,
                                                    ScreenPtr communityViewController, AppMode appMode);
    ~AppUICoordinator() override;

    /// The screen the step made; none before it starts.
    const ScreenPtr& communityViewController() const { return communityViewController_; }
    /// The tab-bar step while it runs.
    const std::shared_ptr<FlowCoordinator>& activeSubFlowCoordinator() const { return activeSubFlowCoordinator_; }
    AppMode appMode() const { return appMode_; }

    /// Calls off the waiting push, the tab-bar sub-step's too.
    void cancel() override;

    // CommunityViewControllerDelegate
    /// The tab bar from the page's metadata, else the stored one; with
    /// neither, the single screen. Ends the cold-start marker. Only the first
    /// report counts: a later one is logged and ignored.
    void webAppDidBootstrap(const std::shared_ptr<CommunityViewControllable>& viewController,
                            const std::optional<platform::Json>& metadataResponse) override;
    /// Nothing: page loads do not move this step.
    void webAppDidLoadPage(const std::shared_ptr<CommunityViewControllable>&) override {}

protected:
    AppUICoordinator(const NavigationControllerPtr& navigationController, ScreenPtr communityViewController,
                     AppMode appMode)
        : navigationController_(navigationController), appMode_(appMode),
          communityViewController_(std::move(communityViewController)) {}

    /// Makes the screen over the mode's boot configuration, with its load
    /// marker, and loads its view (which starts the web app).
    void execute() override;

private:
    void observeAuthenticationView();
    void handleWillShowAuthenticationView();
    void startForceAppUpdateExperience(const platform::Json& metadata);
    void startTabBarExperience(const std::shared_ptr<CommunityViewControllable>& viewController,
                               const platform::Json& metadata);
    /// Pushes the single screen and ends the step after the push.
    void pushSingleScreen(const std::shared_ptr<CommunityViewControllable>& viewController);

    std::weak_ptr<platform::ui::NavigationController> navigationController_;
    const AppMode appMode_;
    ScreenPtr communityViewController_;
    std::shared_ptr<FlowCoordinator> activeSubFlowCoordinator_;
    /// Set by the first bootstrap report, which alone decides what is shown.
    bool showingScreen_ = false;
    std::shared_ptr<platform::NotificationCenter> observedCenter_;
    std::optional<platform::ObserverToken> authenticationViewObservation_;
};

} // namespace vellicor
