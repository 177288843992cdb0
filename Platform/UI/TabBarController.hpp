#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/Color.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/TableView.hpp"
#include "Platform/UI/View.hpp"
#include "Platform/UI/ViewController.hpp"

#include <cstddef>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

class TabBarController;

/// Told of a user's taps on the tabs (never of selections made by code).
class PLATFORM_EXPORT TabBarControllerDelegate {
public:
    virtual ~TabBarControllerDelegate() = default;
    /// False keeps the current selection.
    virtual bool shouldSelect(TabBarController& /*tabBarController*/, const std::shared_ptr<ViewController>& /*vc*/) {
        return true;
    }
    /// After the tapped tab is shown; also when the tapped tab was already selected.
    virtual void didSelect(TabBarController& /*tabBarController*/, const std::shared_ptr<ViewController>& /*vc*/) {}
};

/// One tab of the tab bar as the screen shows it; a tap is a user's tap on the tab.
class PLATFORM_EXPORT TabBarButton : public View {
public:
    std::shared_ptr<TabBarItem> item() const { return item_; }
    std::size_t position() const { return position_; }

    std::string typeName() const override { return "TabBarButton"; }
    std::string displayedText() const override { return item_ ? item_->title : std::string{}; }
    /// "selected", "badge=<value>", "image=<image>", then the view's parts.
    void describeState(std::vector<std::string>& parts) const override;
    bool simulateTap() override;
    bool acceptsTaps() const override { return isInteractable(); }

protected:
    TabBarButton(std::weak_ptr<TabBarController> owner, std::size_t position, std::shared_ptr<TabBarItem> item);

private:
    std::weak_ptr<TabBarController> owner_;
    std::size_t position_;
    std::shared_ptr<TabBarItem> item_;
};

/// The bar of tabs at the bottom of a tab bar controller. Its colours are
/// kept as data; tintColor and isHidden are the view's.
class PLATFORM_EXPORT TabBar : public View {
public:
    std::optional<Color> unselectedItemTintColor;
    std::optional<Color> barTintColor;
    bool isTranslucent = true;

    /// The items of the tabs shown (at most five: the fifth is "More" when there are more).
    std::vector<std::shared_ptr<TabBarItem>> items() const;
    /// The item of the tab shown now, if any.
    std::shared_ptr<TabBarItem> selectedItem() const;

    std::string typeName() const override { return "TabBar"; }

protected:
    explicit TabBar(Rect frame) : View(frame) {}

private:
    friend class TabBarController;
    std::weak_ptr<TabBarController> owner_;
};

/// The list of the More tab: its view is a table with one row per controller
/// beyond the fourth (the tab's item title and image, a disclosure
/// indicator). The table's tintColor is the app's to set.
class PLATFORM_EXPORT MoreListController : public ViewController,
                                           public TableViewDataSource,
                                           public TableViewDelegate {
public:
    std::vector<std::string> rowTitles() const;
    /// A user's tap on a row: shows that controller inside the More tab.
    bool simulateTapOnRow(std::size_t row);
    /// The list's table (loads the view).
    std::shared_ptr<TableView> tableView();
    std::string typeName() const override { return "MoreListController"; }

    // TableViewDataSource, TableViewDelegate
    int numberOfRows(TableView& tableView, int section) override;
    std::shared_ptr<TableViewCell> cellForRow(TableView& tableView, const IndexPath& indexPath) override;
    void didSelectRow(TableView& tableView, const IndexPath& indexPath) override;

protected:
    explicit MoreListController(std::weak_ptr<TabBarController> owner);
    void loadView() override;
    void viewWillAppear(bool animated) override;

private:
    friend class TabBarController;
    void reloadRows();
    std::weak_ptr<TabBarController> owner_;
};

/// Controllers side by side, one shown at a time, chosen by a tab bar.
///
/// With more than five controllers the first four have tabs and the fifth tab
/// is "More": the moreNavigationController, whose list shows the rest; a
/// controller of the rest, once chosen, is shown pushed onto that navigation
/// controller. Tab switches are immediate: the old tab's viewWillDisappear, the
/// new tab's viewWillAppear, then viewDidDisappear and viewDidAppear.
class PLATFORM_EXPORT TabBarController : public ViewController {
public:
    /// The selected index while the More tab shows its list.
    static constexpr std::size_t kNotFound = std::numeric_limits<std::size_t>::max();
    static constexpr std::size_t kMaxTabs = 5;

    static std::shared_ptr<TabBarController> create();

    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return controllers_; }
    /// Replaces the tabs. The selected controller stays selected when it is
    /// still among them, else the first tab is selected.
    void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers, bool animated = false);

    /// The controllers the user may rearrange from the More screen; by
    /// default all of them (setViewControllers resets it so), none allows no
    /// rearranging. The stand-in offers no rearranging; this is kept as data.
    std::optional<std::vector<std::shared_ptr<ViewController>>> customizableViewControllers;

    /// Selecting from code does not tell the delegate. kNotFound shows the
    /// More tab's list when there is a More tab; any other index out of range
    /// changes nothing.
    std::size_t selectedIndex() const { return selectedIndex_; }
    void setSelectedIndex(std::size_t index);
    /// The selected controller; the More navigation controller while it shows its list.
    std::shared_ptr<ViewController> selectedViewController() const;
    void setSelectedViewController(const std::shared_ptr<ViewController>& controller);

    /// Not owned, as on the platform.
    std::weak_ptr<TabBarControllerDelegate> delegate;

    std::shared_ptr<TabBar> tabBar();
    /// The navigation controller of the More tab (made on first use).
    std::shared_ptr<NavigationController> moreNavigationController();
    /// Whether the tabs include the More tab.
    bool hasMoreTab() const { return controllers_.size() > kMaxTabs; }

    /// A user's tap on the tab at `position` (0...4): asks the delegate, switches
    /// (a tap on the selected navigation controller's tab pops it to its root),
    /// then tells the delegate. False when the position has no tab or the
    /// delegate refused.
    bool simulateTapOnTab(std::size_t position);
    /// The position of the tab shown now (the More tab's while it shows), or kNotFound.
    std::size_t selectedTabPosition() const;

    std::string typeName() const override { return "TabBarController"; }
    std::vector<std::shared_ptr<ViewController>> appearanceChildren() const override;

protected:
    TabBarController();
    void loadView() override;
    void prepareChildrenForAppearance() override;

private:
    friend class TabBar;
    friend class MoreListController;
    std::shared_ptr<TabBarController> self();
    /// The controller whose view the tab area shows for a selection.
    std::shared_ptr<ViewController> controllerShownFor(std::size_t index) const;
    void select(std::size_t index);
    void showInMore(std::size_t index, bool animated);
    void switchTo(const std::shared_ptr<ViewController>& controller);
    void reloadBar();

    std::vector<std::shared_ptr<ViewController>> controllers_;
    std::size_t selectedIndex_ = kNotFound;
    std::shared_ptr<ViewController> shown_;
    std::shared_ptr<NavigationController> more_;
    std::shared_ptr<TabBar> bar_;
};

} // namespace platform::ui
