#pragma once

#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/SDKs/Veltrane/VQLoginViewController.hpp"
#include "Platform/Web/WebView.hpp"

#include <memory>
#include <string>

namespace vellicor {

/// Posted by the developer menu after it switches the login screen's
/// navigation bar on or off; an open login screen shows or hides its bar.
inline constexpr const char* kLoginViewNavBarDidChangeNotification = "LoginViewNavBarDidChangeNotification";
/// Posted by the login screen after the SDK has handled its back button.
inline constexpr const char* kLoginViewNavBarDidHandleBackButtonActionNotification =
    "LoginViewNavBarDidHandleBackButtonActionNotification";

/// The app's login screen: the SDK's, with a refresh button, the navigation
/// bar only where the edition allows it, a back button for communities with a
/// guest experience, the floating action button (preview edition), and the
/// web view laid out in the safe area with the app's user agent. Both
/// notifications go through the running context's notification centre with
/// no object. Main thread only.
class LoginViewController : public platform::veltrane::VQLoginViewController {
public:
    static std::shared_ptr<LoginViewController> create();

    void viewDidLoad() override;
    void viewDidLayoutSubviews() override;
    platform::ui::StatusBarStyle preferredStatusBarStyle() const override;
    bool shouldShowBackButton() override;
    void handleBackButtonAction() override;
    std::string typeName() const override { return "LoginViewController"; }

    /// The refresh button's action: reloads the sign-in page.
    void refreshPage();
    /// Shows or hides the bar on the next turn of the main queue.
    void loginViewNavBarConfigurationDidChange(const platform::Notification& notification);

protected:
    LoginViewController() = default;

private:
    void setConstraints(platform::web::WebView& webView);
    void updateUserAgent(platform::web::WebView& webView);
    void updateNavigationBarVisibility();
};

} // namespace vellicor
