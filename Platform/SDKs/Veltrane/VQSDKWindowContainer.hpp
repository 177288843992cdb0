#pragma once

#include "Platform/Export.hpp"

#include <functional>
#include <memory>
#include <string>

namespace platform::ui {
class ViewController;
class Window;
} // namespace platform::ui

namespace platform::veltrane {

class VQSDKWindowManager;

/// One window the SDK manages (the app's main window, the sign-in window or a
/// named window above the main one), made by VQSDKWindowManager. Containers
/// are compared by identity: the manager gives the same container for the
/// same window every time. Main thread only.
class PLATFORM_EXPORT VQSDKWindowContainer : public std::enable_shared_from_this<VQSDKWindowContainer> {
public:
    ~VQSDKWindowContainer();
    VQSDKWindowContainer(const VQSDKWindowContainer&) = delete;
    VQSDKWindowContainer& operator=(const VQSDKWindowContainer&) = delete;

    const std::string& windowName() const { return windowName_; }
    std::shared_ptr<platform::ui::Window> window() const { return window_; }
    /// The window's root view controller.
    std::shared_ptr<platform::ui::ViewController> viewController() const;
    void setViewController(std::shared_ptr<platform::ui::ViewController> controller);
    /// The controller on top of the window: see topViewControllerWithRootViewController.
    std::shared_ptr<platform::ui::ViewController> topViewController() const;

    /// Whether the window is shown and takes touches.
    bool isEnabled() const;
    void setEnabled(bool enabled);

    /// Shows the window above the others and makes it key; the completion runs
    /// once, when the window is shown (after the fade when animated, else on
    /// the next turn of the main queue), also when there is no window to show.
    void presentWindowAnimated(bool animated, std::function<void()> completion = {});
    void presentWindow() { presentWindowAnimated(false); }
    /// Hides the window and gives the key status back to the window below;
    /// the completion runs once, as for presenting, also when it was not shown.
    void dismissWindowAnimated(bool animated, std::function<void()> completion = {});
    void dismissWindow() { dismissWindowAnimated(false); }

    /// The controller a user sees on top of `root`: it follows presented
    /// controllers (not one on its way out), the top of navigation stacks and
    /// the selected tab, as deep as they go (platform::ui::topMostControllerFromRoot).
    /// None for no root.
    static std::shared_ptr<platform::ui::ViewController> topViewControllerWithRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& root);

private:
    friend class VQSDKWindowManager;
    VQSDKWindowContainer(std::string windowName, std::shared_ptr<platform::ui::Window> window,
                         std::weak_ptr<VQSDKWindowManager> manager);

    std::string windowName_;
    std::shared_ptr<platform::ui::Window> window_;
    std::weak_ptr<VQSDKWindowManager> manager_;
};

} // namespace platform::veltrane
