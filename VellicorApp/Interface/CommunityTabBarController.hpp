#pragma once

#include "VellicorApp/Interface/CommunityViewControllable.hpp"

#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/UI/TabBarController.hpp"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace vellicor {

/// The native tab bar: one community screen per tab, the first being the
/// screen that loaded the web app at start-up, and perhaps a last tab that is
/// no community screen (the service-provider apps). The app drives it as it
/// drives a single community screen, and it decides which tab answers:
///
/// - the first tab stands for the whole bar: its delegate, state, web view
///   and configuration, and it alone receives the stored instrumentation events;
/// - the selected tab opens records and links (a community link that a tab
///   already shows selects that tab; one that no tab shows opens in a new
///   community screen presented over the bar);
/// - every loaded tab refreshes its notifications and reloads after a
///   credential refresh.
///
/// Tabs that are not community screens are skipped by all of these. Of its
/// own it preloads the tabs after the first, takes a reselected tab back to
/// the oldest page of its history, and covers a tab that needs sign-in with
/// the required-login overlay when a guest backs out of the sign-in screen.
/// It sets no badges.
///
/// It is its own tab bar delegate. Main thread only.
class CommunityTabBarController : public platform::ui::TabBarController,
                                  public CommunityViewControllable,
                                  public platform::ui::TabBarControllerDelegate {
public:
    /// The sign-in screen posts it on the context's notification centre when
    /// the user leaves it with its back button.
    static constexpr const char* kLoginViewBackButtonNotification =
        "LoginViewNavBarDidHandleBackButtonActionNotification";
    /// At most the tabs in positions 2 to 5 are preloaded.
    static constexpr std::size_t kPreloadLimit = 5;

    static std::shared_ptr<CommunityTabBarController> create();
    ~CommunityTabBarController() override;

    /// The tab selected before the user's last tap on a tab; 0 at creation.
    /// Selections made by code leave it alone.
    std::size_t previousSelectedIndex() const { return previousSelectedIndex_; }

    /// Becomes its own delegate and starts listening for the sign-in screen's
    /// back button (for the life of the tab bar).
    void viewDidLoad() override;
    /// Hides the navigation bar around the tabs when it would be empty.
    void viewWillAppear(bool animated) override;
    std::string typeName() const override { return "CommunityTabBarController"; }

    /// Loads the views of the community tabs in positions 2 to 5, which makes
    /// them load their start pages; nothing while nobody is signed in.
    void preloadTabs();

    /// A guest left the sign-in screen that a tab's page asked for: the
    /// selected community tab, if it has not loaded, gets the required-login
    /// overlay (made once, then reused) and the previous tab is selected again.
    void loginViewDidHandleBackButtonAction(const platform::Notification& notification);

    // CommunityViewControllable
    /// The first tab's.
    std::shared_ptr<CommunityViewControllerDelegate> hybridAppDelegate() const override;
    /// Handed to the first tab.
    void setHybridAppDelegate(const std::shared_ptr<CommunityViewControllerDelegate>& delegate) override;
    /// The first tab's; `initialized` without a community first tab.
    State state() const override;
    std::shared_ptr<platform::web::WebView> hybridAppWebView() const override;
    std::shared_ptr<platform::veltrane::VQHybridViewConfig> hybridWebViewConfig() const override;
    void openURL(const platform::Url& url) override;
    /// To the selected tab, once it has loaded.
    void openRecord(const std::string& recordId) override;
    /// To every tab that has loaded, in tab order.
    void refreshNotifications() override;
    /// To the first tab only.
    void sendKORVALogs() override;
    /// Refreshes the session through the first tab's model, then hands the
    /// result to every loaded tab's model and loads the request it gives.
    /// Without a signed-in user, a refreshable first tab or credentials,
    /// nothing happens and the completion is not called (its caller keeps
    /// its queued action). Otherwise the completion gets `pageURL`'s text
    /// after a success, the SDK's error after a failure.
    void refreshUserCredentials(
        const std::optional<platform::Url>& pageURL,
        std::function<void(std::optional<std::string>, std::optional<platform::Error>)> completion) override;

    // TabBarControllerDelegate (user taps only)
    /// Remembers the tab selected before the tap.
    bool shouldSelect(platform::ui::TabBarController& tabBarController,
                      const std::shared_ptr<platform::ui::ViewController>& viewController) override;
    /// A tap on the tab that was already selected takes its web view back
    /// to the oldest page of its history.
    void didSelect(platform::ui::TabBarController& tabBarController,
                   const std::shared_ptr<platform::ui::ViewController>& viewController) override;

protected:
    CommunityTabBarController();

private:
    std::shared_ptr<CommunityTabBarController> self();
    /// The tab at `index` when it is a community screen; null otherwise.
    std::shared_ptr<CommunityViewControllable> communityTab(std::size_t index) const;
    /// The selected tab when it is a community screen; null otherwise.
    std::shared_ptr<CommunityViewControllable> selectedCommunityTab() const;
    /// Opens the link in the selected tab; logs an error when that is no community screen.
    void openInSelectedTab(const platform::Url& url);
    /// Presents a new community screen on the link, with its close button.
    void presentCommunityScreen(const platform::Url& url);

    std::size_t previousSelectedIndex_ = 0;
    std::optional<platform::ObserverToken> backButtonObservation_;
    /// The centre the observation was registered with, to remove it from.
    std::shared_ptr<platform::NotificationCenter> observedCenter_;
};

} // namespace vellicor
