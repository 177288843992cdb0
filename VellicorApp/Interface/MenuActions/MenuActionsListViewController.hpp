#pragma once

#include "Platform/SDKs/Veltrane/VQSDKDevAction.hpp"
#include "Platform/UI/Label.hpp"
#include "Platform/UI/TableView.hpp"
#include "Platform/UI/ViewController.hpp"

#include <memory>
#include <vector>

namespace vellicor {

/// Told how the developer-action list scrolls.
class MenuActionsListViewControllerScrollDelegate {
public:
    virtual ~MenuActionsListViewControllerScrollDelegate() = default;
    virtual void menuActionsListDidScroll(platform::ui::Point contentOffset) = 0;
    virtual void menuActionsListDidEndScrolling(platform::ui::Point contentOffset) = 0;
};

/// The list of developer actions: the SDK manager's actions for the
/// controller the menu is shown over. Shown inside the half sheet or in a
/// popover; a tap runs the action (closing the menu first unless an app
/// action asks to stay open).
class MenuActionsListViewController : public platform::ui::ViewController,
                                      public platform::ui::TableViewDataSource,
                                      public platform::ui::TableViewDelegate {
public:
    static constexpr const char* kIdentifier = "MenuActionsListViewController";
    static std::shared_ptr<MenuActionsListViewController> makeStoryboardContent();

    std::shared_ptr<MenuActionsListViewControllerScrollDelegate> scrollDelegate() const { return scrollDelegate_.lock(); }
    void setScrollDelegate(const std::shared_ptr<MenuActionsListViewControllerScrollDelegate>& delegate) {
        scrollDelegate_ = delegate;
    }
    const std::vector<std::shared_ptr<platform::veltrane::VQSDKDevAction>>& menuActions() const { return menuActions_; }

    /// For the sheet: the table stops bouncing and the grabber bar shows.
    virtual void configure();

    std::shared_ptr<platform::ui::TableView> tableView() const { return table_.lock(); }
    std::shared_ptr<platform::ui::View> slideIndicationTopBar() const { return slideIndicationTopBar_.lock(); }
    std::shared_ptr<platform::ui::Label> customTitle() const { return customTitle_.lock(); }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void traitCollectionDidChange(const platform::ui::TraitCollection& previous) override;
    void viewWillTransitionToSize(platform::ui::Size size) override;
    std::string typeName() const override { return "MenuActionsListViewController"; }

    int numberOfRows(platform::ui::TableView& tableView, int section) override;
    std::shared_ptr<platform::ui::TableViewCell> cellForRow(platform::ui::TableView& tableView,
                                                            const platform::ui::IndexPath& indexPath) override;
    void didSelectRow(platform::ui::TableView& tableView, const platform::ui::IndexPath& indexPath) override;
    void scrollViewDidScroll(platform::ui::ScrollView& scrollView) override;
    void scrollViewDidEndDragging(platform::ui::ScrollView& scrollView, bool willDecelerate) override;
    void scrollViewDidScrollToTop(platform::ui::ScrollView& scrollView) override;
    void scrollViewDidEndDecelerating(platform::ui::ScrollView& scrollView) override;

protected:
    MenuActionsListViewController() = default;

private:
    bool isInPopover();
    void endScrolling(platform::ui::ScrollView& scrollView);

    std::weak_ptr<platform::ui::TableView> table_;
    std::weak_ptr<platform::ui::View> slideIndicationTopBar_;
    std::weak_ptr<platform::ui::Label> customTitle_;
    std::vector<std::shared_ptr<platform::veltrane::VQSDKDevAction>> menuActions_;
    std::weak_ptr<MenuActionsListViewControllerScrollDelegate> scrollDelegate_;
};

} // namespace vellicor
