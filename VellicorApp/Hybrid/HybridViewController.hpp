#pragma once

#include "VellicorApp/Hybrid/HybridViewModel.hpp"

#include "Platform/UI/Button.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/Web/WebView.hpp"

#include <memory>

namespace vellicor {

/// The base screen that shows one web view over a HybridViewModel: the web
/// view is made of the model's configuration, the model is its navigation
/// and interface delegate, its user agent is the model's for the screen's
/// horizontal size class, the model's script-message handlers with a reply
/// are registered, and the model's start page is loaded. A back button pops
/// a navigation stack; a close button, hidden until a user of the class shows
/// it, dismisses a presented screen.
///
/// The app makes only community screens, which derive from this one and add
/// their own handlers (configureJSMessageHandlers). Built in code; main
/// thread only.
class HybridViewController : public platform::ui::ViewController {
public:
    /// A screen over the model; starts the model's page-load marker, when it
    /// has one, at the current time.
    static std::shared_ptr<HybridViewController> create(std::shared_ptr<HybridViewModel> hybridViewModel);

    const std::shared_ptr<HybridViewModel>& hybridViewModel() const { return hybridViewModel_; }

    /// The screen's web view, made at the first read: the model's
    /// configuration, the screen view's frame, pinned to the view's four
    /// edges (not the safe area), inspectable.
    virtual const std::shared_ptr<platform::web::WebView>& webView();
    /// The web view once it is made; none before (reading it makes nothing).
    std::shared_ptr<platform::web::WebView> webViewIfMade() const { return webView_; }
    /// The close button for a presented screen, made at the first read:
    /// hidden, 30 by 30 points, 10 points from the view's top and leading edges.
    virtual const std::shared_ptr<platform::ui::Button>& dismissButton();

    /// Without a start page that forms a URL, logs the error and leaves the
    /// screen empty: no delegates, agent, handlers, back button or load.
    void viewDidLoad() override;
    /// Shows the navigation bar (with the back button) when the screen sits
    /// in a navigation stack, and hides it when it would be empty.
    void viewWillAppear(bool animated) override;
    /// From the navigation-bar colour: dark content on a bright colour,
    /// light content on another, the default style without one.
    platform::ui::StatusBarStyle preferredStatusBarStyle() const override;
    std::string typeName() const override { return "HybridViewController"; }

protected:
    explicit HybridViewController(std::shared_ptr<HybridViewModel> hybridViewModel);

    /// Registers each of the model's handlers with a reply in the page world
    /// under its name. Derived screens add their own.
    virtual void configureJSMessageHandlers();

private:
    void configureWebView();
    const std::shared_ptr<platform::ui::View>& statusBarView();
    const std::shared_ptr<platform::ui::BarButtonItem>& leftBarButtonItem();
    void backButtonTapped();
    void dismissButtonTapped();

    const std::shared_ptr<HybridViewModel> hybridViewModel_;
    std::shared_ptr<platform::web::WebView> webView_;
    std::shared_ptr<platform::ui::Button> dismissButton_;
    std::shared_ptr<platform::ui::View> statusBarView_;
    std::shared_ptr<platform::ui::BarButtonItem> leftBarButtonItem_;
};

} // namespace vellicor
