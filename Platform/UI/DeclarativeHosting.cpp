#include "Platform/UI/DeclarativeHostingImpl.hpp"

#include "Platform/UI/ViewDump.hpp"

#include <algorithm>

// The hosting controller's members and a user's hands on its views. The inside
// of the controller is described in DeclarativeHostingImpl.hpp.

namespace platform::ui {

HostingController*& hosting::currentHost() {
    static HostingController* host = nullptr;
    return host;
}

using namespace hosting;

namespace {

std::unexpected<std::string> fail(std::string message) { return std::unexpected(std::move(message)); }

} // namespace

// HostingController ---------------------------------------------------------------------------

std::shared_ptr<HostingController> HostingController::create(Body body, std::vector<ObservableObject*> observed) {
    auto controller = makeController<HostingController>(std::move(body));
    for (auto* model : observed) {
        if (model) controller->observe(*model);
    }
    return controller;
}

HostingController::HostingController(Body body) : impl_(std::make_unique<Impl>(*this, std::move(body))) {}

HostingController::~HostingController() = default;

void HostingController::loadView() {
    setView(std::make_shared<NodeView>("HostingView", Rect{{0, 0}, kScreenSize}));
    viewIfLoaded()->backgroundColor = Color::systemBackground();
    impl_->render();
}

void HostingController::setBody(Body body) {
    impl_->body = std::move(body);
    if (isViewLoaded()) impl_->render();
}

void HostingController::observe(const ObservableObject& model) { impl_->observeSignal(model.changeSignal()); }

void HostingController::renderNow() {
    if (!isViewLoaded()) {
        loadViewIfNeeded();
        return;
    }
    impl_->render();
}

bool HostingController::isRenderScheduled() const { return impl_->scheduled; }

std::size_t HostingController::renderCount() const { return impl_->renderCount; }

const Node& HostingController::rootNode() const { return impl_->root; }

std::string HostingController::dumpNodes() const { return ::platform::ui::dumpNodes(impl_->root); }

const Node* HostingController::findNode(std::string_view idOrText) const {
    return ::platform::ui::findNode(impl_->root, idOrText);
}

std::shared_ptr<View> HostingController::renderedView() const { return impl_->current.view; }

HostingController* HostingController::rendering() { return currentHost(); }

std::shared_ptr<ObservableObject>& HostingController::stateSlot(const std::string& key) {
    impl_->statesUsed.insert(key);
    return impl_->states[key];
}

void HostingController::viewDidAppear(bool animated) {
    ViewController::viewDidAppear(animated);
    auto keep = shared_from_this();
    impl_->appearAll();
    impl_->reconcile();
}

void HostingController::viewDidDisappear(bool animated) {
    ViewController::viewDidDisappear(animated);
    auto keep = shared_from_this();
    impl_->disappearAll();
    if (isBeingDismissed() && impl_->onDismissed) {
        auto run = std::move(impl_->onDismissed);
        impl_->onDismissed = nullptr;
        run();
    }
}

void HostingController::didMove(const std::shared_ptr<ViewController>& parent) {
    ViewController::didMove(parent);
    if (!parent && impl_->onRemovedFromStack) {
        auto run = impl_->onRemovedFromStack;
        run();
    }
}

void HostingController::dismissFromEnvironment() {
    auto self = shared_from_this();
    if (auto nav = navigationController()) {
        const auto& stack = nav->viewControllers();
        auto at = std::find(stack.begin(), stack.end(), self);
        if (at != stack.end() && at != stack.begin()) {
            nav->popTo(*(at - 1), true);
            return;
        }
    }
    dismiss(true);
}

// A user's hands ----------------------------------------------------------------------------------

HostingController::Result HostingController::tap(const std::string& idOrText) {
    auto target = findTappable(view(), idOrText);
    if (!target) return fail("no visible view is \"" + idOrText + "\"");
    if (!target->simulateTap()) return fail("\"" + idOrText + "\" does not take taps");
    return {};
}

HostingController::Result HostingController::setToggle(const std::string& idOrText, bool on) {
    auto found = findView(view(), idOrText);
    if (!found) return fail("no visible view is \"" + idOrText + "\"");
    auto toggle = std::dynamic_pointer_cast<Switch>(found);
    if (!toggle) {
        // The label of a toggle: its switch is beside it.
        if (auto row = found->superview()) {
            for (const auto& sibling : row->subviews()) {
                if (auto candidate = std::dynamic_pointer_cast<Switch>(sibling)) toggle = candidate;
            }
        }
    }
    if (!toggle) return fail("\"" + idOrText + "\" is not a toggle");
    if (toggle->isOn() == on) return {};
    if (!toggle->simulateTap()) return fail("\"" + idOrText + "\" does not take taps");
    return {};
}

HostingController::Result HostingController::type(const std::string& idOrText, const std::string& text) {
    auto field = std::dynamic_pointer_cast<TextField>(findView(view(), idOrText));
    if (!field) return fail("no visible text field is \"" + idOrText + "\"");
    if (!field->simulateTyping(text)) return fail("\"" + idOrText + "\" does not take text");
    return {};
}

HostingController::Result HostingController::submit(const std::string& idOrText) {
    auto field = std::dynamic_pointer_cast<TextField>(findView(view(), idOrText));
    if (!field) return fail("no visible text field is \"" + idOrText + "\"");
    field->simulateReturn();
    return {};
}

namespace {
std::shared_ptr<TableViewCell> cellHolding(std::shared_ptr<View> view) {
    for (; view; view = view->superview()) {
        if (auto cell = std::dynamic_pointer_cast<TableViewCell>(view)) return cell;
    }
    return nullptr;
}
} // namespace

HostingController::Result HostingController::deleteRow(const std::string& idOrText) {
    auto cell = cellHolding(findView(view(), idOrText));
    auto table = cell ? cell->tableView() : nullptr;
    auto indexPath = table ? table->indexPathForCell(*cell) : std::nullopt;
    if (!indexPath) return fail("no list row shows \"" + idOrText + "\"");
    if (!table->simulateDeleteRow(*indexPath)) return fail("the row of \"" + idOrText + "\" cannot be deleted");
    return {};
}

HostingController::Result HostingController::swipeAction(const std::string& idOrText, const std::string& title) {
    auto cell = cellHolding(findView(view(), idOrText));
    auto table = cell ? cell->tableView() : nullptr;
    auto indexPath = table ? table->indexPathForCell(*cell) : std::nullopt;
    if (!indexPath) return fail("no list row shows \"" + idOrText + "\"");
    if (!table->simulateSwipeAction(*indexPath, title)) {
        return fail("the row of \"" + idOrText + "\" has no swipe action \"" + title + "\"");
    }
    return {};
}

HostingController::Result HostingController::chooseMenuItem(const std::string& menuIdOrText,
                                                            const std::string& itemTitle) {
    const auto* menu = findNode(menuIdOrText);
    if (!menu || (menu->kind != Node::Kind::menu && menu->kind != Node::Kind::picker)) {
        return fail("no menu is \"" + menuIdOrText + "\"");
    }
    if (menu->isDisabled) return fail("\"" + menuIdOrText + "\" is disabled");
    if (menu->kind == Node::Kind::picker) {
        for (const auto* option : pickerOptions(*menu)) {
            if (option->displayedText() != itemTitle) continue;
            if (menu->textBinding) menu->textBinding->set(option->tagValue);
            return {};
        }
        return fail("\"" + menuIdOrText + "\" has no option \"" + itemTitle + "\"");
    }
    std::vector<const Node*> entries;
    menuEntries(menu->children, entries);
    for (const auto* entry : entries) {
        if (entry->displayedText() != itemTitle) continue;
        if (entry->isDisabled) return fail("\"" + itemTitle + "\" is disabled");
        auto action = entry->action;
        if (action) action();
        return {};
    }
    return fail("\"" + menuIdOrText + "\" has no entry \"" + itemTitle + "\"");
}

std::function<void()> dismissAction() {
    auto* host = HostingController::rendering();
    if (!host) return [] {};
    std::weak_ptr<ViewController> weak = host->weak_from_this();
    return [weak] {
        if (auto controller = std::static_pointer_cast<HostingController>(weak.lock())) {
            controller->dismissFromEnvironment();
        }
    };
}

} // namespace platform::ui
