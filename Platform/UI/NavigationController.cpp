#include "Platform/UI/NavigationController.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/Error.hpp"

#include <algorithm>

namespace platform::ui {

namespace {

constexpr double kStatusBarHeight = 47;
constexpr double kBarHeight = 44;

bool contains(const std::vector<std::shared_ptr<ViewController>>& list, const std::shared_ptr<ViewController>& vc) {
    return std::find(list.begin(), list.end(), vc) != list.end();
}

std::string itemTitle(const ViewController& controller, const NavigationItem& item) {
    if (!item.title.empty()) return item.title;
    return controller.title.value_or("");
}

std::string systemItemTitle(BarButtonItem::SystemItem item) {
    switch (item) {
    case BarButtonItem::SystemItem::done:
        return "Done";
    case BarButtonItem::SystemItem::cancel:
        return "Cancel";
    case BarButtonItem::SystemItem::close:
    case BarButtonItem::SystemItem::add:
    case BarButtonItem::SystemItem::action:
    case BarButtonItem::SystemItem::flexibleSpace:
    case BarButtonItem::SystemItem::refresh:
        break;
    }
    return {};
}

} // namespace

// BarButtonView -----------------------------------------------------------------

BarButtonView::BarButtonView(std::shared_ptr<BarButtonItem> item, std::string backTitle,
                             std::function<void()> backAction)
    : View(Rect{{0, 0}, {44, kBarHeight}}),
      item_(std::move(item)),
      backTitle_(std::move(backTitle)),
      backAction_(std::move(backAction)) {
    if (item_) {
        accessibilityIdentifier = item_->accessibilityIdentifier;
    } else {
        accessibilityLabel = "Back";
    }
}

std::string BarButtonView::displayedText() const {
    if (!item_) return backTitle_;
    if (!item_->title.empty()) return item_->title;
    if (item_->systemItem) return systemItemTitle(*item_->systemItem);
    return {};
}

void BarButtonView::describeState(std::vector<std::string>& parts) const {
    if (item_) {
        if (item_->image) parts.push_back("image=" + item_->image->description());
        if (item_->style == BarButtonItem::Style::done) parts.emplace_back("done");
        if (!item_->isEnabled) parts.emplace_back("disabled");
    }
    View::describeState(parts);
}

bool BarButtonView::simulateTap() {
    if (!acceptsTaps()) return false;
    auto self = shared_from_this();
    if (!item_) {
        auto back = backAction_;
        back();
        return true;
    }
    return item_->simulateTap();
}

bool BarButtonView::acceptsTaps() const {
    if (!isInteractable()) return false;
    if (!item_) return static_cast<bool>(backAction_);
    return item_->isEnabled && static_cast<bool>(item_->action);
}

// NavigationBar -----------------------------------------------------------------

NavigationItem* NavigationBar::topItem() const {
    auto navigation = navigation_.lock();
    if (!navigation || navigation->viewControllers().empty()) return nullptr;
    return &navigation->viewControllers().back()->navigationItem();
}

NavigationItem* NavigationBar::backItem() const {
    auto navigation = navigation_.lock();
    if (!navigation || navigation->viewControllers().size() < 2) return nullptr;
    const auto& stack = navigation->viewControllers();
    return &stack[stack.size() - 2]->navigationItem();
}

std::string NavigationBar::backButtonTitle() const {
    auto navigation = navigation_.lock();
    if (!navigation || navigation->viewControllers().size() < 2) return {};
    const auto& stack = navigation->viewControllers();
    auto& below = *stack[stack.size() - 2];
    auto& item = below.navigationItem();
    if (item.backBarButtonItem && !item.backBarButtonItem->title.empty()) return item.backBarButtonItem->title;
    auto title = itemTitle(below, item);
    return title.empty() ? "Back" : title;
}

std::string NavigationBar::displayedText() const {
    auto navigation = navigation_.lock();
    if (!navigation || navigation->viewControllers().empty()) return {};
    auto& top = *navigation->viewControllers().back();
    return itemTitle(top, top.navigationItem());
}

void NavigationBar::describeState(std::vector<std::string>& parts) const {
    if (prefersLargeTitles) parts.emplace_back("largeTitle");
    View::describeState(parts);
}

void NavigationBar::reload() {
    auto self = shared_from_this();
    const auto old = subviews();
    for (const auto& view : old) view->removeFromSuperview();
    auto navigation = navigation_.lock();
    auto* top = topItem();
    if (!navigation || !top) return;

    const auto addItems = [this](const std::vector<std::shared_ptr<BarButtonItem>>& items) {
        for (const auto& item : items) {
            if (!item) continue;
            if (item->customView) {
                addSubview(item->customView);
            } else {
                addSubview(makeView<BarButtonView>(item, std::string{}, std::function<void()>{}));
            }
        }
    };
    if (navigation->viewControllers().size() > 1 && !top->hidesBackButton && top->leftBarButtonItems.empty()) {
        std::weak_ptr<NavigationController> weak = navigation;
        addSubview(makeView<BarButtonView>(std::shared_ptr<BarButtonItem>{}, backButtonTitle(),
                                           std::function<void()>([weak] {
                                               if (auto nav = weak.lock()) nav->simulateBackTap();
                                           })));
    }
    addItems(top->leftBarButtonItems);
    if (top->titleView) addSubview(top->titleView);
    addItems(top->rightBarButtonItems);
}

// NavigationController -------------------------------------------------------------

std::shared_ptr<NavigationController> NavigationController::create(std::shared_ptr<ViewController> root) {
    return makeController<NavigationController>(std::move(root));
}

NavigationController::NavigationController(std::shared_ptr<ViewController> root)
    : initialRoot_(std::move(root)),
      bar_(makeView<NavigationBar>(Rect{{0, kStatusBarHeight}, {kScreenSize.width, kBarHeight}})) {}

std::shared_ptr<NavigationController> NavigationController::self() {
    return std::static_pointer_cast<NavigationController>(shared_from_this());
}

void NavigationController::didFinishCreation() {
    ViewController::didFinishCreation();
    attachInitialRoot();
}

void NavigationController::attachInitialRoot() {
    if (bar_->navigation_.expired()) bar_->navigation_ = self();
    if (!initialRoot_) return;
    auto root = std::move(initialRoot_);
    initialRoot_.reset();
    setViewControllers({root}, false);
}

std::shared_ptr<NavigationBar> NavigationController::navigationBar() {
    attachInitialRoot();
    return bar_;
}

void NavigationController::setNavigationBarHidden(bool hidden, bool /*animated*/) { bar_->isHidden = hidden; }

void NavigationController::loadView() {
    ViewController::loadView();
    attachInitialRoot();
    auto view = viewIfLoaded();
    bar_->frame = Rect{{0, kStatusBarHeight}, {view->frame.width(), kBarHeight}};
    view->addSubview(bar_);
}

std::shared_ptr<ViewController> NavigationController::topViewController() const {
    return stack_.empty() ? nullptr : stack_.back();
}

std::shared_ptr<ViewController> NavigationController::visibleViewController() const {
    if (auto presented = presentedViewController()) return presented;
    return topViewController();
}

std::vector<std::shared_ptr<ViewController>> NavigationController::appearanceChildren() const {
    if (displayed_) return {displayed_};
    if (!stack_.empty()) return {stack_.back()};
    return {};
}

void NavigationController::prepareChildrenForAppearance() {
    attachInitialRoot();
    if (!displayed_ && !stack_.empty()) displayed_ = stack_.back();
    if (displayed_) {
        installChildView(displayed_, bar_);
        // A root given at creation loads its view only now, as the stack
        // first appears, and may set its bar items as it loads.
        reloadBar();
    }
}

// Stack changes -------------------------------------------------------------------------

void NavigationController::push(const std::shared_ptr<ViewController>& controller, bool animated,
                                std::function<void()> completion) {
    if (!controller) return;
    attachInitialRoot();
    if (contains(stack_, controller)) {
        fatalError("Pushing the same view controller instance more than once is not supported");
    }
    if (std::dynamic_pointer_cast<NavigationController>(controller)) {
        fatalError("Pushing a navigation controller is not supported");
    }
    auto stack = stack_;
    stack.push_back(controller);
    changeStack(std::move(stack), animated, std::move(completion));
}

std::shared_ptr<ViewController> NavigationController::pop(bool animated, std::function<void()> completion) {
    attachInitialRoot();
    if (stack_.size() < 2) {
        if (completion) MainQueue::async(std::move(completion));
        return nullptr;
    }
    auto popped = stack_.back();
    auto stack = stack_;
    stack.pop_back();
    changeStack(std::move(stack), animated, std::move(completion));
    return popped;
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popToRoot(bool animated,
                                                                             std::function<void()> completion) {
    attachInitialRoot();
    if (stack_.empty()) {
        if (completion) MainQueue::async(std::move(completion));
        return {};
    }
    return popTo(stack_.front(), animated, std::move(completion));
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popTo(const std::shared_ptr<ViewController>& controller,
                                                                         bool animated,
                                                                         std::function<void()> completion) {
    attachInitialRoot();
    auto it = std::find(stack_.begin(), stack_.end(), controller);
    if (it == stack_.end()) fatalError("Tried to pop to a view controller that doesn't exist.");
    std::vector<std::shared_ptr<ViewController>> popped(it + 1, stack_.end());
    if (popped.empty()) {
        if (completion) MainQueue::async(std::move(completion));
        return popped;
    }
    changeStack(std::vector<std::shared_ptr<ViewController>>(stack_.begin(), it + 1), animated, std::move(completion));
    return popped;
}

void NavigationController::setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers, bool animated,
                                              std::function<void()> completion) {
    attachInitialRoot();
    std::erase(controllers, nullptr);
    for (std::size_t i = 0; i < controllers.size(); ++i) {
        if (std::find(controllers.begin() + static_cast<std::ptrdiff_t>(i) + 1, controllers.end(), controllers[i]) !=
            controllers.end()) {
            fatalError("Pushing the same view controller instance more than once is not supported");
        }
    }
    changeStack(std::move(controllers), animated, std::move(completion));
}

void NavigationController::changeStack(std::vector<std::shared_ptr<ViewController>> stack, bool animated,
                                       std::function<void()> completion) {
    auto nav = self();
    for (const auto& controller : stack_) {
        if (!contains(stack, controller)) {
            controller->willMove(nullptr);
            if (!contains(leaving_, controller)) leaving_.push_back(controller);
        }
    }
    for (const auto& controller : stack) {
        if (contains(stack_, controller)) continue;
        if (controller->parent() == nav) {
            // Popped and pushed again before it had gone.
            std::erase(leaving_, controller);
            controller->willMove(nav);
        } else {
            addChild(controller);
        }
        if (!contains(arriving_, controller)) arriving_.push_back(controller);
    }
    stack_ = std::move(stack);
    if (completion) completions_.emplace_back(topViewController(), std::move(completion));
    nextAnimated_ = animated;
    reloadBar();
    updateDisplay();
    // Showing the top controller may have loaded its view, and a controller
    // often sets its bar items as it loads: the bar shows them from now on.
    reloadBar();
}

void NavigationController::updateDisplay() {
    if (transitioning_) return;
    auto nav = self();
    auto target = topViewController();
    auto from = displayed_;
    if (from == target) {
        settle(false);
        return;
    }
    if (appearance() != Appearance::appeared) {
        // Not on screen (or in its own appearance transition): swap at once.
        if (from && from->appearance() != Appearance::disappeared) {
            from->beginAppearanceTransition(false, false);
            from->endAppearanceTransition();
        }
        if (from) removeChildView(from);
        displayed_ = target;
        if (target && appearance() == Appearance::appearing) {
            target->beginAppearanceTransition(true, false);
            installChildView(target, bar_);
        }
        settle(false);
        return;
    }

    transitioning_ = true;
    const bool animated = nextAnimated_;
    if (willShow && target) willShow(*this, target, animated);
    if (from) from->beginAppearanceTransition(false, animated);
    displayed_ = target;
    if (target) {
        target->beginAppearanceTransition(true, animated);
        installChildView(target, bar_);
    }
    std::weak_ptr<NavigationController> weakNav = nav;
    std::weak_ptr<ViewController> weakFrom = from;
    std::weak_ptr<ViewController> weakTo = target;
    auto step = [weakNav, weakFrom, weakTo, animated] {
        if (auto navigation = weakNav.lock()) navigation->finishTransition(weakFrom.lock(), weakTo.lock(), animated);
    };
    if (animated) {
        MainQueue::asyncAfter(kTransitionDuration, std::move(step));
    } else {
        MainQueue::async(std::move(step));
    }
}

void NavigationController::finishTransition(const std::shared_ptr<ViewController>& from,
                                            const std::shared_ptr<ViewController>& to, bool animated) {
    auto nav = self();
    if (from) {
        from->endAppearanceTransition();
        if (from != displayed_) removeChildView(from);
    }
    if (to) to->endAppearanceTransition();
    transitioning_ = false;
    if (didShow && to) didShow(*this, to, animated);
    if (displayed_ != topViewController()) {
        // The stack changed during the transition: go on to the new top.
        if (to && contains(arriving_, to) && contains(stack_, to)) {
            std::erase(arriving_, to);
            to->didMove(nav);
        }
        runCompletionsFor(displayed_);
        updateDisplay();
        return;
    }
    settle(true);
}

void NavigationController::settle(bool afterTransition) {
    auto nav = self();
    auto arriving = std::move(arriving_);
    arriving_.clear();
    for (const auto& controller : arriving) {
        if (contains(stack_, controller) && controller->parent() == nav) controller->didMove(nav);
    }
    auto leaving = std::move(leaving_);
    leaving_.clear();
    for (const auto& controller : leaving) {
        if (contains(stack_, controller)) continue;
        removeChildView(controller);
        if (controller->parent() == nav) controller->removeFromParent();
    }
    auto completions = std::move(completions_);
    completions_.clear();
    for (auto& entry : completions) {
        if (afterTransition) {
            entry.second();
        } else {
            MainQueue::async(std::move(entry.second));
        }
    }
}

void NavigationController::runCompletionsFor(const std::shared_ptr<ViewController>& shown) {
    std::vector<std::function<void()>> due;
    std::erase_if(completions_, [&](auto& entry) {
        if (entry.first.lock() != shown) return false;
        due.push_back(std::move(entry.second));
        return true;
    });
    for (auto& completion : due) completion();
}

void NavigationController::reloadBar() {
    if (bar_->navigation_.expired()) bar_->navigation_ = self();
    bar_->reload();
}

bool NavigationController::simulateBackTap() {
    attachInitialRoot();
    if (stack_.size() < 2) return false;
    const auto& item = stack_.back()->navigationItem();
    if (item.hidesBackButton || !item.leftBarButtonItems.empty()) return false;
    pop(true);
    return true;
}

} // namespace platform::ui
