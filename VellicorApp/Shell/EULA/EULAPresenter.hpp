#pragma once

#include "VellicorApp/Shell/EULA/EULAViewController.hpp"

#include <functional>
#include <memory>

namespace platform::veltrane {
class VQSDKWindowContainer;
}

namespace vellicor {

/// Shows the licence agreement full screen in a window of its own above the
/// main window, or, when the SDK gave no such window, over the main window's
/// top controller. Main thread only; completions hold the presenter weakly.
class EULAPresenter : public std::enable_shared_from_this<EULAPresenter> {
public:
    /// `eulaWindow` may be null.
    static std::shared_ptr<EULAPresenter> create(std::shared_ptr<platform::veltrane::VQSDKWindowContainer> eulaWindow);

    const std::shared_ptr<platform::veltrane::VQSDKWindowContainer>& eulaWindow() const { return eulaWindow_; }

    /// Shows the agreement window, then the screen in a navigation controller.
    void show(const std::shared_ptr<EULAViewControllerDelegate>& delegate);
    /// Dismisses the screen at once, then the window (animated, giving the
    /// key status back); the completion runs after both, also when nothing
    /// was presented.
    void hide(std::function<void()> completion);

private:
    explicit EULAPresenter(std::shared_ptr<platform::veltrane::VQSDKWindowContainer> eulaWindow)
        : eulaWindow_(std::move(eulaWindow)) {}

    std::shared_ptr<platform::veltrane::VQSDKWindowContainer> eulaWindow_;
    /// Where the screen went when there is no agreement window.
    std::weak_ptr<platform::ui::ViewController> fallbackPresenter_;
};

} // namespace vellicor
