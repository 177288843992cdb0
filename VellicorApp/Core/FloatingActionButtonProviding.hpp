#pragma once

#include <memory>

namespace platform::ui {
class ViewController;
}

namespace vellicor {

/// What the shell asks of the preview edition's floating action button
/// (the button itself lives with the interface code, which implements this).
class FloatingActionButtonProviding {
public:
    virtual ~FloatingActionButtonProviding() = default;
    /// Puts the button on the controller's view; repeated calls only move it.
    virtual void presentFloatingActionButton(const std::shared_ptr<platform::ui::ViewController>& viewController) = 0;
    /// Opens the URL-rule screens inside the open developer menu.
    virtual void presentManagedURLsContentView() = 0;
    /// Collapses and hides the button for the rest of the run.
    virtual void hideFloatingActionButton() = 0;
    virtual bool isFloatingActionButtonHidden() const = 0;
};

} // namespace vellicor
