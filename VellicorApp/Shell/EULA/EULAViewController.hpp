#pragma once

#include "Platform/UI/ViewController.hpp"
#include "Platform/Web/WebView.hpp"

#include <memory>

namespace vellicor {

/// Told when the user agrees to the licence.
class EULAViewControllerDelegate {
public:
    virtual ~EULAViewControllerDelegate() = default;
    virtual void didAcceptEULA() = 0;
};

/// The licence agreement: the page "EULA.html" of the app package and an
/// Agree button in the navigation bar. Made by the storyboard "EULA". Main
/// thread only.
class EULAViewController : public platform::ui::ViewController {
public:
    static constexpr const char* kStoryboardName = "EULA";
    static constexpr const char* kIdentifier = "EULA";

    static std::shared_ptr<EULAViewController> makeStoryboardContent();

    /// Held weakly.
    std::shared_ptr<EULAViewControllerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<EULAViewControllerDelegate>& delegate) { delegate_ = delegate; }

    void loadView() override;
    void viewDidLoad() override;
    /// The Agree button's action.
    void onAccept();

    std::shared_ptr<platform::web::WebView> webview() const { return webview_.lock(); }
    std::shared_ptr<platform::ui::BarButtonItem> agreeButton() const { return agreeButton_.lock(); }

    std::string typeName() const override { return "EULAViewController"; }

protected:
    EULAViewController() = default;

private:
    void loadEULA();

    std::weak_ptr<EULAViewControllerDelegate> delegate_;
    std::weak_ptr<platform::web::WebView> webview_;
    std::weak_ptr<platform::ui::BarButtonItem> agreeButton_;
};

} // namespace vellicor
