#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Url.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/Web/WebView.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLoginViewControllerConfig.hpp"

#include <memory>
#include <optional>
#include <string>

namespace platform::veltrane {

class VQUserAccountManager;

/// The SDK's login screen: the sign-in pages of the login host in a web view
/// (`oauthView`), under the navigation bar of the navigation controller the
/// account manager shows it in. When a page sends the web view to the OAuth
/// redirect URI, the screen cancels that navigation and hands the URL to the
/// account manager, which goes on with the code it carries.
///
/// Apps subclass it (make instances with ui::makeController) and hand the
/// account manager a creation block through its login configuration. Main
/// thread only.
class PLATFORM_EXPORT VQLoginViewController : public ui::ViewController {
public:
    static std::shared_ptr<VQLoginViewController> create();
    ~VQLoginViewController() override;

    /// Makes the web view, fills the view with it, applies the configuration's
    /// bar colours and loads the sign-in page when the manager gave one.
    void viewDidLoad() override;
    /// Shows or hides the back button as shouldShowBackButton() says.
    void viewWillAppear(bool animated) override;
    std::string typeName() const override { return "VQLoginViewController"; }

    /// The navigation bar the screen sits under; null outside a navigation controller.
    std::shared_ptr<ui::NavigationBar> navBar() const;
    /// The web view of the sign-in pages; null until the view has loaded.
    std::shared_ptr<web::WebView> oauthView() const { return oauthView_; }
    /// The configuration the account manager showed the screen with (null before).
    std::shared_ptr<VQSDKLoginViewControllerConfig> config() const { return config_; }

    /// Whether the bar offers a back button; the SDK's answer is no.
    virtual bool shouldShowBackButton();
    /// The back button's action: the user gives up signing in, and the account
    /// manager runs its cancellation handler (or stops the sign-in).
    virtual void handleBackButtonAction();

    /// The sign-in page this screen shows.
    const std::optional<Url>& authorizationURL() const { return authorizationURL_; }

protected:
    VQLoginViewController();

private:
    friend class VQUserAccountManager;
    class NavigationHandler;

    /// Called by the account manager before it shows the screen.
    void prepare(const std::shared_ptr<VQUserAccountManager>& manager,
                 std::shared_ptr<VQSDKLoginViewControllerConfig> config, const Url& authorizationURL);
    void updateBackButton();

    std::shared_ptr<NavigationHandler> navigationHandler_;
    std::shared_ptr<web::WebView> oauthView_;
    std::shared_ptr<ui::BarButtonItem> backButton_;
    std::optional<Url> authorizationURL_;
    std::weak_ptr<VQUserAccountManager> manager_;
    std::shared_ptr<VQSDKLoginViewControllerConfig> config_;
};

} // namespace platform::veltrane
