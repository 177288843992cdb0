#pragma once

#include "VellicorApp/Interface/HalfSheetView/HalfSheetContainerViewController.hpp"
#include "VellicorApp/Interface/MenuActions/MenuActionsListViewController.hpp"

#include <memory>

namespace vellicor {

/// The half sheet of the developer-action menu: it embeds a navigation
/// controller with the action list and lets the list scroll instead of the
/// sheet moving while the list is scrolled away from its top.
class MenuActionsHalfSheetViewController : public HalfSheetContainerViewController,
                                           public MenuActionsListViewControllerScrollDelegate,
                                           public PanGestureRecognizerDelegate {
public:
    static constexpr const char* kEmbedSegue = "showIphoneSubViewSegue";
    static constexpr const char* kSubViewContainerIdentifier = "MenuActions.subViewContainer";
    static std::shared_ptr<MenuActionsHalfSheetViewController> makeStoryboardContent();

    /// True: the sheet's pan does not run together with the list's scrolling.
    bool isDragDisabled = false;
    std::shared_ptr<MenuActionsListViewController> menuActionsListViewController() const {
        return menuActionsListViewController_.lock();
    }
    std::shared_ptr<platform::ui::View> subViewContainer() const { return subViewContainer_.lock(); }
    bool shouldIgnoreDrag() const { return shouldIgnoreDrag_; }
    platform::ui::Point lastMenuActionsListViewContentOffset() const { return lastContentOffset_; }

    void loadView() override;
    void viewDidLoad() override;
    void prepare(platform::ui::StoryboardSegue& segue, const nlohmann::json& sender) override;
    /// Also masks the content area with the configuration's top corners.
    void updateSubviews(const std::optional<HalfSheetPresentationConfiguration>& configuration,
                        platform::ui::View& containerView) override;
    bool shouldIgnoreDraggingOnPanGesture() override;
    std::string typeName() const override { return "MenuActionsHalfSheetViewController"; }

    void menuActionsListDidScroll(platform::ui::Point contentOffset) override;
    void menuActionsListDidEndScrolling(platform::ui::Point contentOffset) override;

    /// Always true; a touch in the scrolled list of a full sheet makes the
    /// sheet ignore the drag, so that the list scrolls back first.
    bool shouldReceiveTouch(platform::ui::GestureRecognizer& recognizer,
                            const std::shared_ptr<platform::ui::View>& touchedView) override;
    bool shouldRecognizeSimultaneously(platform::ui::GestureRecognizer& recognizer,
                                       platform::ui::GestureRecognizer& other) override;

protected:
    MenuActionsHalfSheetViewController() = default;

private:
    std::weak_ptr<platform::ui::View> subViewContainer_;
    std::weak_ptr<MenuActionsListViewController> menuActionsListViewController_;
    bool shouldIgnoreDrag_ = false;
    platform::ui::Point lastContentOffset_;
};

} // namespace vellicor
