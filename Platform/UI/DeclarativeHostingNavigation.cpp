#include "Platform/UI/DeclarativeHostingImpl.hpp"

#include <algorithm>

// Navigation links (pushed by a tap, or while their binding is true), the
// navigation controller of a navigationView node, and the title and toolbar
// a rendering gives this controller's navigation item.

namespace platform::ui {

using namespace hosting;

namespace {

std::shared_ptr<BarButtonItem> barItem(const Node& node) {
    std::shared_ptr<BarButtonItem> item;
    const auto title = node.displayedText();
    if (title.empty() && node.labelNodes.size() == 1 && node.labelNodes.front().kind == Node::Kind::image) {
        item = BarButtonItem::withImage(imageOf(node.labelNodes.front()), BarButtonItem::Style::plain, node.action);
    } else {
        item = BarButtonItem::withTitle(title, BarButtonItem::Style::plain, node.action);
    }
    item->accessibilityIdentifier = node.identifier;
    item->isEnabled = !node.isDisabled;
    if (node.foreground) item->tintColor = *node.foreground;
    return item;
}

} // namespace

std::function<void()> HostingController::Impl::linkAction(const Node& node, const std::string& key) {
    return [weak = weakSelf(), key, destination = node.destination, isActive = node.boolBinding] {
        if (auto controller = weak.lock()) controller->impl_->pushLink(key, destination, isActive);
    };
}

std::shared_ptr<View> HostingController::Impl::buildNavigation(const Node& node, const std::string& key,
                                                               const Context& context, Pass& pass) {
    const Node content = node.children.empty() ? Node::empty() : node.children.front();
    if (pass.navigationSlot) {
        // One navigation container per screen: a second one shows its content in place.
        return build(content, key + "/0", context, pass);
    }
    if (!navigation) {
        navigationRoot = HostingController::create([content] { return content; });
        navigation = NavigationController::create(navigationRoot);
        host.addChild(navigation);
    } else {
        navigationRoot->setBody([content] { return content; });
    }
    pass.navigationSlot = std::make_shared<NodeView>("NavigationView", Rect{{0, 0}, kScreenSize});
    return pass.navigationSlot;
}

void HostingController::Impl::applyNavigationItem(const Pass& pass) {
    auto& item = host.navigationItem();
    bool changed = false;
    if (pass.title) {
        changed = item.title != *pass.title || !ownsTitle;
        item.title = *pass.title;
        ownsTitle = true;
    } else if (ownsTitle) {
        item.title.clear();
        ownsTitle = false;
        changed = true;
    }
    if (pass.hasToolbar) {
        item.leftBarButtonItems.clear();
        item.rightBarButtonItems.clear();
        for (const auto* node : pass.leading) item.leftBarButtonItems.push_back(barItem(*node));
        for (const auto* node : pass.trailing) item.rightBarButtonItems.push_back(barItem(*node));
        ownsToolbar = true;
        changed = true;
    } else if (ownsToolbar) {
        item.leftBarButtonItems.clear();
        item.rightBarButtonItems.clear();
        ownsToolbar = false;
        changed = true;
    }
    if (!changed) return;
    if (auto nav = host.navigationController(); nav && nav->topViewController().get() == &host) {
        nav->navigationBar()->reload();
    }
}

void HostingController::Impl::reconcileLinks() {
    auto nav = host.navigationController();
    if (!nav) return;
    auto keep = self();
    const auto requests = currentLinks;
    for (const auto& request : requests) {
        auto destination = pushed[request.key].lock();
        const auto& stack = nav->viewControllers();
        auto at = destination ? std::find(stack.begin(), stack.end(), destination) : stack.end();
        const bool onStack = at != stack.end();
        if (request.active && !onStack) {
            pushLink(request.key, request.destination, request.isActive);
        } else if (!request.active && onStack && at != stack.begin()) {
            nav->popTo(*(at - 1), true);
        }
    }
}

void HostingController::Impl::pushLink(const std::string& key, const std::function<Node()>& destination,
                                       const std::optional<Binding<bool>>& isActive) {
    auto nav = host.navigationController();
    if (!nav || !destination) return;
    if (auto shown = pushed[key].lock()) {
        const auto& stack = nav->viewControllers();
        if (std::find(stack.begin(), stack.end(), shown) != stack.end()) return;
    }
    auto next = HostingController::create(destination);
    next->impl_->adoptObservations(*this);
    next->impl_->onRemovedFromStack = [isActive] {
        if (isActive && isActive->get()) isActive->set(false);
    };
    pushed[key] = next;
    nav->push(next, true);
    if (isActive && !isActive->get()) isActive->set(true);
}

} // namespace platform::ui
