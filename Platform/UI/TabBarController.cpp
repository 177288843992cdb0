#include "Platform/UI/TabBarController.hpp"


#include <algorithm>

namespace platform::ui {

namespace {

constexpr double kTabBarHeight = 83;
constexpr std::size_t kDirectTabsWithMore = 4;

// The navigation controller of the More tab.
class MoreNavigationController : public NavigationController {
public:
    std::string typeName() const override { return "MoreNavigationController"; }

protected:
    explicit MoreNavigationController(std::shared_ptr<ViewController> list) : NavigationController(std::move(list)) {}
};

bool contains(const std::vector<std::shared_ptr<ViewController>>& list, const std::shared_ptr<ViewController>& vc) {
    return std::find(list.begin(), list.end(), vc) != list.end();
}

} // namespace

// TabBarButton --------------------------------------------------------------------

TabBarButton::TabBarButton(std::weak_ptr<TabBarController> owner, std::size_t position, std::shared_ptr<TabBarItem> item)
    : View(Rect{}), owner_(std::move(owner)), position_(position), item_(std::move(item)) {
    if (item_) accessibilityIdentifier = item_->accessibilityIdentifier;
}

void TabBarButton::describeState(std::vector<std::string>& parts) const {
    auto owner = owner_.lock();
    if (owner && owner->selectedTabPosition() == position_) parts.emplace_back("selected");
    if (item_ && item_->badgeValue) parts.push_back("badge=" + *item_->badgeValue);
    if (item_ && item_->image) parts.push_back("image=" + item_->image->description());
    View::describeState(parts);
}

bool TabBarButton::simulateTap() {
    auto owner = owner_.lock();
    if (!owner || !acceptsTaps()) return false;
    return owner->simulateTapOnTab(position_);
}

// TabBar ----------------------------------------------------------------------------

std::vector<std::shared_ptr<TabBarItem>> TabBar::items() const {
    auto owner = owner_.lock();
    if (!owner) return {};
    std::vector<std::shared_ptr<TabBarItem>> items;
    const auto& controllers = owner->viewControllers();
    const std::size_t direct = owner->hasMoreTab() ? kDirectTabsWithMore : controllers.size();
    for (std::size_t i = 0; i < direct; ++i) items.push_back(controllers[i]->tabBarItem());
    if (owner->hasMoreTab()) items.push_back(owner->moreNavigationController()->tabBarItem());
    return items;
}

std::shared_ptr<TabBarItem> TabBar::selectedItem() const {
    auto owner = owner_.lock();
    if (!owner) return nullptr;
    const auto position = owner->selectedTabPosition();
    const auto all = items();
    return position < all.size() ? all[position] : nullptr;
}

// MoreListController ------------------------------------------------------------------

MoreListController::MoreListController(std::weak_ptr<TabBarController> owner) : owner_(std::move(owner)) {
    title = "More";
}

std::vector<std::string> MoreListController::rowTitles() const {
    std::vector<std::string> titles;
    auto owner = owner_.lock();
    if (!owner || !owner->hasMoreTab()) return titles;
    const auto& controllers = owner->viewControllers();
    for (std::size_t i = kDirectTabsWithMore; i < controllers.size(); ++i) {
        titles.push_back(controllers[i]->tabBarItem()->title);
    }
    return titles;
}

bool MoreListController::simulateTapOnRow(std::size_t row) {
    auto owner = owner_.lock();
    if (!owner || row >= rowTitles().size()) return false;
    const std::size_t index = kDirectTabsWithMore + row;
    owner->selectedIndex_ = index;
    owner->showInMore(index, true);
    return true;
}

void MoreListController::loadView() {
    auto table = TableView::create(TableView::Style::plain, Rect{{0, 0}, kScreenSize});
    auto self = std::static_pointer_cast<MoreListController>(shared_from_this());
    table->setDataSource(self);
    table->setDelegate(self);
    setView(table);
}

std::shared_ptr<TableView> MoreListController::tableView() {
    return std::dynamic_pointer_cast<TableView>(view());
}

void MoreListController::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    reloadRows();
}

void MoreListController::reloadRows() {
    if (auto table = tableView()) table->reloadData();
}

int MoreListController::numberOfRows(TableView& /*tableView*/, int /*section*/) {
    return static_cast<int>(rowTitles().size());
}

std::shared_ptr<TableViewCell> MoreListController::cellForRow(TableView& /*tableView*/, const IndexPath& indexPath) {
    auto cell = TableViewCell::create();
    auto owner = owner_.lock();
    const std::size_t index = kDirectTabsWithMore + static_cast<std::size_t>(indexPath.row);
    if (owner && index < owner->viewControllers().size()) {
        auto item = owner->viewControllers()[index]->tabBarItem();
        cell->textLabel()->text = item->title;
        if (item->image) cell->imageView()->image = item->image;
    }
    cell->accessoryType = TableViewCell::AccessoryType::disclosureIndicator;
    return cell;
}

void MoreListController::didSelectRow(TableView& tableView, const IndexPath& indexPath) {
    tableView.deselectRow(indexPath, false);
    simulateTapOnRow(static_cast<std::size_t>(indexPath.row));
}

// TabBarController ----------------------------------------------------------------------

std::shared_ptr<TabBarController> TabBarController::create() { return makeController<TabBarController>(); }

TabBarController::TabBarController()
    : bar_(makeView<TabBar>(Rect{{0, kScreenSize.height - kTabBarHeight}, {kScreenSize.width, kTabBarHeight}})) {}

std::shared_ptr<TabBarController> TabBarController::self() {
    return std::static_pointer_cast<TabBarController>(shared_from_this());
}

std::shared_ptr<TabBar> TabBarController::tabBar() {
    if (bar_->owner_.expired()) bar_->owner_ = self();
    return bar_;
}

std::shared_ptr<NavigationController> TabBarController::moreNavigationController() {
    if (!more_) {
        auto list = makeController<MoreListController>(std::weak_ptr<TabBarController>(self()));
        more_ = makeController<MoreNavigationController>(std::shared_ptr<ViewController>(list));
        more_->setTabBarItem(TabBarItem::create("More"));
    }
    return more_;
}

void TabBarController::loadView() {
    ViewController::loadView();
    auto view = viewIfLoaded();
    bar_->frame = Rect{{0, view->frame.height() - kTabBarHeight}, {view->frame.width(), kTabBarHeight}};
    view->addSubview(tabBar());
}

std::vector<std::shared_ptr<ViewController>> TabBarController::appearanceChildren() const {
    if (shown_) return {shown_};
    return {};
}

void TabBarController::prepareChildrenForAppearance() {
    if (!shown_) shown_ = controllerShownFor(selectedIndex_);
    if (shown_) installChildView(shown_, bar_);
    reloadBar();
}

std::shared_ptr<ViewController> TabBarController::controllerShownFor(std::size_t index) const {
    if (controllers_.empty()) return nullptr;
    if (hasMoreTab() && (index == kNotFound || index >= kDirectTabsWithMore)) return more_;
    return index < controllers_.size() ? controllers_[index] : nullptr;
}

std::size_t TabBarController::selectedTabPosition() const {
    if (!shown_) return kNotFound;
    if (hasMoreTab() && shown_ == more_) return kDirectTabsWithMore;
    auto it = std::find(controllers_.begin(), controllers_.end(), shown_);
    return it == controllers_.end() ? kNotFound : static_cast<std::size_t>(it - controllers_.begin());
}

std::shared_ptr<ViewController> TabBarController::selectedViewController() const {
    if (selectedIndex_ == kNotFound) return hasMoreTab() ? more_ : nullptr;
    return selectedIndex_ < controllers_.size() ? controllers_[selectedIndex_] : nullptr;
}

void TabBarController::setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers,
                                          bool /*animated*/) {
    auto tbc = self();
    std::erase(controllers, nullptr);
    auto previous = selectedViewController();
    std::size_t index = controllers.empty() ? kNotFound : 0;
    if (auto it = std::find(controllers.begin(), controllers.end(), previous); it != controllers.end()) {
        index = static_cast<std::size_t>(it - controllers.begin());
    }
    const bool moreListShown = selectedIndex_ == kNotFound && shown_ && shown_ == more_;
    controllers_ = std::move(controllers);
    customizableViewControllers = controllers_;
    if (moreListShown && hasMoreTab()) index = kNotFound;

    if (hasMoreTab()) moreNavigationController();
    if (more_) {
        // Controllers that no longer belong to the More tab leave its stack.
        const auto& stack = more_->viewControllers();
        const bool keep = hasMoreTab() && stack.size() > 1 && index != kNotFound && index >= kDirectTabsWithMore &&
                          stack.back() == controllers_[index];
        if (!keep && stack.size() > 1) more_->setViewControllers({stack.front()}, false);
    }

    select(index);

    std::vector<std::shared_ptr<ViewController>> desired;
    const std::size_t direct = hasMoreTab() ? kDirectTabsWithMore : controllers_.size();
    desired.assign(controllers_.begin(), controllers_.begin() + static_cast<std::ptrdiff_t>(direct));
    if (hasMoreTab()) desired.push_back(more_);
    const auto children = this->children();
    for (const auto& child : children) {
        if (contains(desired, child)) continue;
        child->willMove(nullptr);
        removeChildView(child);
        child->removeFromParent();
    }
    for (const auto& controller : desired) {
        if (controller->parent() == tbc) continue;
        addChild(controller);
        controller->didMove(tbc);
    }
    if (auto list = more_ ? std::dynamic_pointer_cast<MoreListController>(more_->viewControllers().front()) : nullptr;
        list && list->isViewLoaded()) {
        list->reloadRows();
    }
    reloadBar();
}

void TabBarController::setSelectedIndex(std::size_t index) {
    if (index == kNotFound && hasMoreTab()) {
        // Back to the More tab's list, as a tap on More at its root shows it.
        auto more = moreNavigationController();
        if (more->viewControllers().size() > 1) more->popToRoot(false);
        select(kNotFound);
        return;
    }
    if (index >= controllers_.size()) return;
    select(index);
}

void TabBarController::setSelectedViewController(const std::shared_ptr<ViewController>& controller) {
    if (!controller) return;
    if (controller == more_ && hasMoreTab()) {
        select(kNotFound);
        return;
    }
    auto it = std::find(controllers_.begin(), controllers_.end(), controller);
    if (it != controllers_.end()) select(static_cast<std::size_t>(it - controllers_.begin()));
}

void TabBarController::select(std::size_t index) {
    selectedIndex_ = index;
    if (hasMoreTab() && index != kNotFound && index >= kDirectTabsWithMore) showInMore(index, false);
    switchTo(controllerShownFor(index));
}

void TabBarController::showInMore(std::size_t index, bool animated) {
    auto more = moreNavigationController();
    const auto& stack = more->viewControllers();
    if (stack.empty() || index >= controllers_.size()) return;
    if (stack.size() == 2 && stack.back() == controllers_[index]) return;
    more->setViewControllers({stack.front(), controllers_[index]}, animated);
}

bool TabBarController::simulateTapOnTab(std::size_t position) {
    auto tbc = self();
    const std::size_t count = hasMoreTab() ? kMaxTabs : controllers_.size();
    if (position >= count) return false;
    const bool isMore = hasMoreTab() && position == kDirectTabsWithMore;
    auto target = isMore ? moreNavigationController() : controllers_[position];
    if (auto listener = delegate.lock(); listener && !listener->shouldSelect(*this, target)) return false;

    if (target == shown_) {
        // A tap on the selected tab takes a navigation controller back to its root.
        if (auto navigation = std::dynamic_pointer_cast<NavigationController>(target)) navigation->popToRoot(true);
        if (isMore) selectedIndex_ = kNotFound;
    } else if (isMore) {
        const auto& stack = more_->viewControllers();
        auto it = stack.size() > 1 ? std::find(controllers_.begin(), controllers_.end(), stack.back())
                                   : controllers_.end();
        selectedIndex_ = it == controllers_.end() ? kNotFound : static_cast<std::size_t>(it - controllers_.begin());
        switchTo(target);
    } else {
        selectedIndex_ = position;
        switchTo(target);
    }
    if (auto listener = delegate.lock()) listener->didSelect(*this, target);
    return true;
}

void TabBarController::switchTo(const std::shared_ptr<ViewController>& target) {
    auto tbc = self();
    auto from = shown_;
    if (from == target) return;
    shown_ = target;
    const auto state = appearance();
    if (state == Appearance::appeared) {
        if (from) from->beginAppearanceTransition(false, false);
        if (target) {
            target->beginAppearanceTransition(true, false);
            installChildView(target, bar_);
        }
        if (from) {
            removeChildView(from);
            from->endAppearanceTransition();
        }
        if (target) target->endAppearanceTransition();
    } else {
        if (from && from->appearance() != Appearance::disappeared) {
            from->beginAppearanceTransition(false, false);
            from->endAppearanceTransition();
        }
        if (from) removeChildView(from);
        if (target && state == Appearance::appearing) {
            target->beginAppearanceTransition(true, false);
            installChildView(target, bar_);
        }
    }
}

void TabBarController::reloadBar() {
    auto bar = tabBar();
    const auto old = bar->subviews();
    for (const auto& view : old) view->removeFromSuperview();
    const auto items = bar->items();
    if (items.empty()) return;
    const double width = bar->frame.width() / static_cast<double>(items.size());
    std::weak_ptr<TabBarController> weak = self();
    for (std::size_t i = 0; i < items.size(); ++i) {
        auto button = makeView<TabBarButton>(weak, i, items[i]);
        button->frame = Rect{{width * static_cast<double>(i), 0}, {width, 49}};
        bar->addSubview(button);
    }
}

} // namespace platform::ui
