#pragma once

#include "VellicorApp/Core/FloatingActionButtonProviding.hpp"
#include "VellicorApp/Interface/HalfSheetView/HalfSheetTransitioningDelegateListener.hpp"
#include "VellicorApp/Interface/MenuActions/MenuActionsHalfSheetViewController.hpp"

#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/SDKs/FloatingButton/MDCFloatingButton.hpp"
#include "Platform/UI/Gesture.hpp"
#include "Platform/UI/NavigationController.hpp"

#include <memory>

namespace vellicor {

class Context;

/// The preview edition's round button over the lower right corner of the
/// app's screens. A tap opens the developer-action menu (a popover on a
/// regular width, a half sheet otherwise); a long press offers to remove the
/// button for the rest of the run. It also opens the URL-rule screens inside
/// the open menu. Main thread only.
class FloatingActionButtonProvider : public FloatingActionButtonProviding,
                                     public std::enable_shared_from_this<FloatingActionButtonProvider> {
public:
    static constexpr double kButtonSize = 65;
    static constexpr double kTrailingSpace = 15;
    static constexpr double kBottomSpace = 64;
    static constexpr platform::ui::Size kPopoverSize{320, 522};
    static constexpr const char* kButtonIdentifier = "FloatingActionButton";

    /// The provider of the preview edition; none (with an information line in
    /// the log) in the normal edition. It follows the key window: the button
    /// moves to the root controller of each window that becomes key.
    static std::shared_ptr<FloatingActionButtonProvider> create(const Context& context);
    ~FloatingActionButtonProvider() override;

    /// Puts the button on the controller's view (moving it from an earlier
    /// one); the tap and the long press are attached once, so repeated calls
    /// (every layout pass of the sign-in screen) only move the button.
    void presentFloatingActionButton(const std::shared_ptr<platform::ui::ViewController>& viewController) override;
    void presentManagedURLsContentView() override;
    /// Collapses the button, animated, and hides it when the collapse ends; final for the run.
    void hideFloatingActionButton() override;
    bool isFloatingActionButtonHidden() const override;

    void floatingActionButtonTapped();
    void floatingActionButtonTapHold(platform::ui::GestureRecognizer& recognizer);
    void keyWindowDidChange(const platform::Notification& notification);

    const std::shared_ptr<platform::materialcomponents::MDCFloatingButton>& floatingActionButton() const {
        return floatingActionButton_;
    }
    std::shared_ptr<MenuActionsHalfSheetViewController> menuActionsHalfSheetViewController() const {
        return menuActionsHalfSheetViewController_;
    }
    std::shared_ptr<platform::ui::NavigationController> menuActionsNavigationController() const {
        return menuActionsNavigationController_;
    }
    std::shared_ptr<HalfSheetTransitioningDelegateListener> halfSheetTransitioningListener() const {
        return halfSheetTransitioningListener_;
    }

private:
    FloatingActionButtonProvider();
    void attachControls();
    /// The top controller of the SDK's active window when that window is enabled.
    static std::shared_ptr<platform::ui::ViewController> activeTopViewController();

    const std::shared_ptr<platform::materialcomponents::MDCFloatingButton> floatingActionButton_;
    // Each replaced by the next tap; the platform holds the sheet's transitioning delegate only weakly.
    std::shared_ptr<MenuActionsHalfSheetViewController> menuActionsHalfSheetViewController_;
    std::shared_ptr<platform::ui::NavigationController> menuActionsNavigationController_;
    std::shared_ptr<HalfSheetTransitioningDelegateListener> halfSheetTransitioningListener_;
    std::shared_ptr<platform::NotificationCenter> notificationCenter_;
    bool hidden_ = false;
};

} // namespace vellicor
