#include "VellicorApp/Interface/MenuActions/MenuActionsListViewController.hpp"

#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Interface/MenuActions/CommunitiesDevAction.hpp"
#include "VellicorApp/Interface/MenuActions/MenuActionTableViewCell.hpp"
#include "VellicorApp/Interface/ViewControllerStyling.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/SDKs/Veltrane/VeltraneSDKManager.hpp"

namespace vellicor {

using namespace platform::ui;

namespace {
constexpr double kEstimatedRowHeight = 48;
constexpr double kAutomaticRowHeight = -1;
} // namespace

std::shared_ptr<MenuActionsListViewController> MenuActionsListViewController::makeStoryboardContent() {
    return makeController<MenuActionsListViewController>();
}

void MenuActionsListViewController::loadView() {
    auto table = TableView::create(TableView::Style::plain, Rect{{0, 0}, kScreenSize});
    table->accessibilityIdentifier = "MenuActions.list";
    auto header = View::create(Rect{{0, 0}, {kScreenSize.width, 56}});
    auto bar = View::create(Rect{{kScreenSize.width / 2 - 18, 6}, {36, 5}});
    bar->layer().cornerRadius = 2.5;
    bar->backgroundColor = Color::systemGray();
    bar->isHidden = true;
    auto title = Label::create();
    title->frame = Rect{{16, 20}, {kScreenSize.width - 32, 28}};
    title->font = Font::boldSystemFont(22);
    header->addSubview(bar);
    header->addSubview(title);
    table->setTableHeaderView(header);
    table->registerCell(MenuActionTableViewCell::kReuseIdentifier,
                        [] { return MenuActionTableViewCell::makePrototype(); });
    table_ = table;
    slideIndicationTopBar_ = bar;
    customTitle_ = title;
    setView(table);
}

void MenuActionsListViewController::viewDidLoad() {
    auto table = tableView();
    if (!table) return;
    auto self = std::static_pointer_cast<MenuActionsListViewController>(shared_from_this());
    table->setDataSource(self);
    table->setDelegate(self);
    table->cellLayoutMarginsFollowReadableWidth = false;
    table->layoutMargins = EdgeInsets{};
    table->rowHeight = kAutomaticRowHeight;
    table->estimatedRowHeight = kEstimatedRowHeight;
    if (auto title = customTitle()) title->text = localized("YARROWIN_ACTIONS");
}

void MenuActionsListViewController::configure() {
    loadViewIfNeeded();
    if (auto table = tableView()) table->bounces = false;
    if (auto bar = slideIndicationTopBar()) bar->isHidden = false;
}

void MenuActionsListViewController::viewWillAppear(bool animated) {
    // The list carries its own title and grabber: the bar of the sheet's
    // navigation controller would stand empty above them.
    hideNavigationBarWhenEmpty(*this, animated);
    auto presenting = presentingViewController();
    if (!presenting) {
        Logger::error("presentingViewController must not be nil during viewWillAppear!", "MenuActionsListViewController");
        return;
    }
    menuActions_ = platform::veltrane::VeltraneSDKManager::sharedManager()->getDevActions(presenting);
    if (auto table = tableView()) table->reloadData();
}

int MenuActionsListViewController::numberOfRows(TableView& /*tableView*/, int /*section*/) {
    return static_cast<int>(menuActions_.size());
}

std::shared_ptr<TableViewCell> MenuActionsListViewController::cellForRow(TableView& tableView,
                                                                         const IndexPath& indexPath) {
    auto cell = std::dynamic_pointer_cast<MenuActionTableViewCell>(
        tableView.dequeueReusableCell(MenuActionTableViewCell::kReuseIdentifier, indexPath));
    if (!cell) platform::fatalError("tableViewCell is not configured properly!");
    const auto row = static_cast<std::size_t>(indexPath.row);
    if (row < menuActions_.size() && menuActions_[row]) cell->configure(*menuActions_[row]);
    return cell;
}

void MenuActionsListViewController::didSelectRow(TableView& tableView, const IndexPath& indexPath) {
    const auto row = static_cast<std::size_t>(indexPath.row);
    if (row >= menuActions_.size() || !menuActions_[row]) return;
    auto action = menuActions_[row];
    auto runAfterClosing = [this, action] {
        dismiss(true, [action] { action->perform(); });
    };
    if (auto appAction = std::dynamic_pointer_cast<CommunitiesDevAction>(action)) {
        tableView.deselectRow(indexPath, true);
        if (appAction->shouldDismissPresenter) {
            runAfterClosing();
        } else {
            appAction->perform();
        }
        return;
    }
    runAfterClosing();
}

bool MenuActionsListViewController::isInPopover() { return popoverPresentationIfPresented() != nullptr; }

void MenuActionsListViewController::traitCollectionDidChange(const TraitCollection& previous) {
    // A popover closes when the width class stays the same across the change.
    if (isInPopover() && traitCollection().horizontalSizeClass == previous.horizontalSizeClass) dismiss(false);
}

void MenuActionsListViewController::viewWillTransitionToSize(Size /*size*/) {
    if (!isInPopover()) dismiss(true);
}

void MenuActionsListViewController::scrollViewDidScroll(ScrollView& scrollView) {
    if (auto delegate = scrollDelegate()) delegate->menuActionsListDidScroll(scrollView.contentOffset());
}

void MenuActionsListViewController::endScrolling(ScrollView& scrollView) {
    if (auto delegate = scrollDelegate()) delegate->menuActionsListDidEndScrolling(scrollView.contentOffset());
}

void MenuActionsListViewController::scrollViewDidEndDragging(ScrollView& scrollView, bool willDecelerate) {
    if (!willDecelerate) endScrolling(scrollView);
}

void MenuActionsListViewController::scrollViewDidScrollToTop(ScrollView& scrollView) { endScrolling(scrollView); }

void MenuActionsListViewController::scrollViewDidEndDecelerating(ScrollView& scrollView) { endScrolling(scrollView); }

} // namespace vellicor
