#pragma once

#include "Platform/UI/Presenting.hpp"

#include <functional>
#include <memory>
#include <string>

namespace platform::ui {
class ViewController;
}
namespace platform::veltrane {
class VQSDKWindowContainer;
}

namespace vellicor {

/// Posted on the context's notification centre when the last gate that was up
/// has closed: work that waited for the gates (queued links) may run.
inline constexpr const char* kGatesDidCloseNotification = "VellicorGatesDidCloseNotification";

/// A window of its own above the app's window for a gate the user must pass
/// (the biometric lock, the required-update alert): what it shows covers
/// whatever the app shows, sheets and browsers included, and nothing under it
/// takes taps. The window is one of the SDK's named windows, one level above
/// the main window like the licence's, made on first use. Before the app has
/// an SDK main window the gate presents over the top-most controller of the
/// key window instead.
///
/// A gate is up from present() until close() has finished (or the gate is
/// gone); isAnyUp() tells whether any gate of the app is up. Main thread
/// only; completions hold the gate weakly.
class GateWindow : public std::enable_shared_from_this<GateWindow> {
public:
    using PresentCompletion = std::function<void(platform::ui::PresentationResult)>;

    /// `name` names the SDK window; one gate per name.
    static std::shared_ptr<GateWindow> create(std::string name);
    ~GateWindow();
    GateWindow(const GateWindow&) = delete;
    GateWindow& operator=(const GateWindow&) = delete;

    /// Shows the window when it is not shown, then presents `controller` over
    /// what it shows. The completion runs once, as platform::ui::presentOnTop's.
    /// A refused presentation leaves the gate up: it holds rather than let the
    /// user past.
    void present(const std::shared_ptr<platform::ui::ViewController>& controller, bool animated,
                 PresentCompletion completion = {});
    /// Dismisses what the gate shows, then hides its window; the completion
    /// runs after both, also when the gate was not up.
    void close(bool animated, std::function<void()> completion = {});

    bool isUp() const { return up_; }
    /// The controller on top of what the gate shows; none when it shows nothing.
    std::shared_ptr<platform::ui::ViewController> topViewController() const;

    /// Whether a gate of the app is up.
    static bool isAnyUp();

private:
    explicit GateWindow(std::string name) : name_(std::move(name)) {}
    void markDown();

    const std::string name_;
    bool up_ = false;
    /// The SDK's window once made; the SDK owns it (held weakly, so that a
    /// gate outliving the SDK's windows at exit touches nothing gone).
    std::weak_ptr<platform::veltrane::VQSDKWindowContainer> window_;
    /// What the gate presented without a window of its own.
    std::weak_ptr<platform::ui::ViewController> presentedWithoutWindow_;
};

} // namespace vellicor
