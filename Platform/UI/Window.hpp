#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/View.hpp"
#include "Platform/UI/ViewController.hpp"

#include <memory>
#include <vector>

namespace platform::ui {

/// Posted on the default notification centre with the window as sender.
inline constexpr const char* kWindowDidBecomeKeyNotification = "UIWindowDidBecomeKeyNotification";
inline constexpr const char* kWindowDidResignKeyNotification = "UIWindowDidResignKeyNotification";

/// A window: the root of a view tree shown on the screen, with a root controller.
/// Windows are listed by level (higher in front) and, within a level, by the
/// order they were made visible. One window at a time is key.
/// The scene a window is shown in: windows of one scene share the screen.
class PLATFORM_EXPORT WindowScene {
public:
    static std::shared_ptr<WindowScene> create() { return std::make_shared<WindowScene>(); }
};

class PLATFORM_EXPORT Window : public View {
public:
    static std::shared_ptr<Window> create(Rect frame = Rect{{0, 0}, kScreenSize});
    ~Window() override;

    std::shared_ptr<ViewController> rootViewController() const { return root_; }
    /// Replaces the root controller; when the window is visible the old root
    /// disappears and the new one appears.
    void setRootViewController(std::shared_ptr<ViewController> controller);

    /// Shows the window and makes it key.
    void makeKeyAndVisible();
    void makeKey();
    bool isKeyWindow() const;
    /// Shows or hides the window (a hidden window's controllers disappear).
    void setHidden(bool hidden);
    bool isShown() const { return shown_; }

    /// 0 normal, 1000 status bar, 2000 alert; higher levels are in front.
    double windowLevel = 0;
    /// The scene the window belongs to; none until it is given one.
    std::shared_ptr<WindowScene> windowScene;

    /// The key window, if any.
    static std::shared_ptr<Window> keyWindow();
    /// The shown windows, back to front.
    static std::vector<std::shared_ptr<Window>> visibleWindows();
    /// Forgets every window (between tests).
    static void resetAll();

    std::string typeName() const override { return "Window"; }

protected:
    explicit Window(Rect frame);

private:
    std::shared_ptr<ViewController> root_;
    bool shown_ = false;
};

} // namespace platform::ui
