#pragma once

#include "VellicorApp/Interface/LoadingView.hpp"
#include "VellicorApp/Interface/LoadingViewControllerDelegate.hpp"

#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/SDKs/Veltrane/VQSDKReachability.hpp"
#include "Platform/UI/ViewController.hpp"

#include <memory>
#include <optional>
#include <string>

namespace vellicor {

/// The first screen of the app, the root of the main storyboard's navigation
/// controller. Once its view has loaded it asks its delegate to run the
/// cold-start flow, whose screens are then pushed on top of it. Meanwhile it
/// shows the loading view and watches the network: offline, it shows the
/// offline message and a retry button, which runs the post-sign-in flow again.
/// It measures the start: the "SplashLoad" performance marker runs from the
/// screen's creation to its first disappearance.
///
/// Only the main storyboard makes it (registerMainStoryboard). Main thread only.
class LoadingViewController : public platform::ui::ViewController {
public:
    /// The main storyboard, named by the app's configuration key "UIMainStoryboardFile".
    static constexpr const char* kStoryboardName = "Main";

    /// Runs the flows; held weakly. Set before the view loads: with none,
    /// nothing starts and retry only restarts the loading messages.
    std::weak_ptr<LoadingViewControllerDelegate> delegate;

    /// The ID of the open "SplashLoad" marker; none once it has been logged.
    const std::optional<std::string>& currentMarkerID() const { return currentMarkerID_; }
    std::shared_ptr<LoadingView> loadingView() const { return loadingView_.lock(); }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    /// Matches the navigation-bar colour; the default style without one.
    platform::ui::StatusBarStyle preferredStatusBarStyle() const override;
    std::string typeName() const override { return "LoadingViewController"; }
    ~LoadingViewController() override;

    /// The retry button's action.
    void reloadWebApp();
    /// A window became key: the app's own window restarts the loading
    /// messages; another window (shown above the app) hides the loading view.
    void keyWindowDidChange(const platform::Notification& notification);
    /// The connection dropped: shows the offline state. A connection that
    /// comes back changes nothing until the user taps retry.
    void connectionChanged(const platform::Notification& notification);

private:
    /// Only this class can make one, so only its storyboard factory makes the screen.
    struct StoryboardKey {
        explicit StoryboardKey() = default;
    };

protected:
    /// Opens and starts the "SplashLoad" marker in the current context.
    explicit LoadingViewController(StoryboardKey);

private:
    friend void registerMainStoryboard();
    /// The storyboard's screen (the main storyboard's only factory of it).
    static std::shared_ptr<LoadingViewController> makeStoryboardContent();

    void startNetworkMonitoring();
    void stopNetworkMonitoring();
    bool isOffline() const;

    std::optional<std::string> currentMarkerID_;
    std::weak_ptr<LoadingView> loadingView_;
    /// The internet connection's reachability, made with the screen; may be
    /// none, in which case the screen behaves as online.
    const std::shared_ptr<platform::veltrane::VQSDKReachability> reachability_;
    /// A registration with a notification centre, removed from that same centre.
    struct Observation {
        std::shared_ptr<platform::NotificationCenter> center;
        platform::ObserverToken token = 0;
        void remove();
    };
    std::optional<Observation> keyWindowObservation_;
    std::optional<Observation> reachabilityObservation_;
};

/// Registers the main storyboard: a navigation controller whose root is a
/// new loading screen with its loading view.
void registerMainStoryboard();

} // namespace vellicor
