#pragma once

#include "Platform/Foundation/Url.hpp"
#include "Platform/UI/Button.hpp"
#include "Platform/UI/ImageView.hpp"
#include "Platform/UI/Label.hpp"
#include "Platform/UI/Toolbar.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/Web/Navigation.hpp"
#include "Platform/Web/WebView.hpp"

#include <memory>
#include <optional>

namespace vellicor {

/// The in-app browser for links that open with the community's cookies. Its
/// web view uses the default website data store, the one the community web
/// views use, so the community session goes with every request (and the
/// logout wipe clears it here too). A header shows the page's title and
/// address and a lock for secure addresses; a toolbar has back and forward;
/// the navigation bar has close and a menu that opens the page shown in the
/// external browser.
///
/// Made by the storyboard "SharedCookieBrowser" (registerHybridResources).
/// Its outlets are styled, as they are connected, on the navigation-bar
/// colour of the current context; without that colour they keep their
/// storyboard look. Main thread only.
class SharedCookieBrowserViewController : public platform::ui::ViewController, public platform::web::NavigationDelegate {
public:
    static constexpr const char* kStoryboardName = "SharedCookieBrowser";
    static constexpr const char* kIdentifier = "SharedCookieBrowserViewController";

    /// The browser from its storyboard; a mismatch stops the app.
    static std::shared_ptr<SharedCookieBrowserViewController> instantiate();
    /// The storyboard's controller (the factory registered for kIdentifier).
    static std::shared_ptr<SharedCookieBrowserViewController> makeStoryboardContent();

    /// The address to open; set before the view loads.
    std::optional<platform::Url> url;

    void loadView() override;
    void viewDidLoad() override;
    platform::ui::StatusBarStyle preferredStatusBarStyle() const override;
    std::string typeName() const override { return "SharedCookieBrowserViewController"; }

    /// Pops the browser from its navigation controller, animated.
    virtual void closeButtonTapped();
    virtual void backButtonTapped();
    virtual void forwardButtonTapped();
    /// An action sheet: open the page now shown (shownAddress()) in the
    /// external browser, or cancel.
    virtual void menuButtonTapped();
    /// The address of the page on screen: the web view's, else the given
    /// `url` (before the first load commits); none without either.
    std::optional<platform::Url> shownAddress() const;
    /// Back and forward are enabled exactly when the web view can go there.
    virtual void updateUI();

    // Navigation delegate: every link inside the browser loads in it.
    void didCommit(platform::web::WebView& webView, const std::shared_ptr<platform::web::Navigation>& navigation) override;
    void didFinish(platform::web::WebView& webView, const std::shared_ptr<platform::web::Navigation>& navigation) override;
    void didFail(platform::web::WebView& webView, const std::shared_ptr<platform::web::Navigation>& navigation,
                 const platform::Error& error) override;

    // The storyboard's outlets (tests and the screen dump read them).
    std::shared_ptr<platform::web::WebView> webView() const { return webView_.lock(); }
    std::shared_ptr<platform::ui::Toolbar> webViewControlsBar() const { return webViewControlsBar_.lock(); }
    std::shared_ptr<platform::ui::Label> titleLabel() const { return titleLabel_.lock(); }
    std::shared_ptr<platform::ui::Label> subtitleLabel() const { return subtitleLabel_.lock(); }
    std::shared_ptr<platform::ui::ImageView> secureIcon() const { return secureIcon_.lock(); }
    std::shared_ptr<platform::ui::Button> backButton() const { return backButton_.lock(); }
    std::shared_ptr<platform::ui::Button> forwardButton() const { return forwardButton_.lock(); }
    std::shared_ptr<platform::ui::BarButtonItem> closeBarButton() const { return closeBarButton_.lock(); }
    std::shared_ptr<platform::ui::BarButtonItem> menuBarButton() const { return menuBarButton_.lock(); }

protected:
    SharedCookieBrowserViewController() = default;

private:
    std::shared_ptr<SharedCookieBrowserViewController> self();
    const std::shared_ptr<platform::ui::View>& statusBarView();
    void connectOutlets();

    std::weak_ptr<platform::web::WebView> webView_;
    std::weak_ptr<platform::ui::Toolbar> webViewControlsBar_;
    std::weak_ptr<platform::ui::Label> titleLabel_;
    std::weak_ptr<platform::ui::Label> subtitleLabel_;
    std::weak_ptr<platform::ui::ImageView> secureIcon_;
    std::weak_ptr<platform::ui::Button> backButton_;
    std::weak_ptr<platform::ui::Button> forwardButton_;
    std::weak_ptr<platform::ui::BarButtonItem> closeBarButton_;
    std::weak_ptr<platform::ui::BarButtonItem> menuBarButton_;
    std::shared_ptr<platform::web::WebViewObservation> urlChangeObserver_;
    std::shared_ptr<platform::web::WebViewObservation> titleChangeObserver_;
    std::shared_ptr<platform::ui::View> statusBarView_;
};

} // namespace vellicor
