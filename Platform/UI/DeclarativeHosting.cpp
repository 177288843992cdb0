#include "Platform/UI/DeclarativeHosting.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/UI/AlertController.hpp"
#include "Platform/UI/Controls.hpp"
#include "Platform/UI/Gesture.hpp"
#include "Platform/UI/Image.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/ViewDump.hpp"
#include "Platform/UI/Window.hpp"

#include <algorithm>
#include <map>
#include <set>

namespace platform::ui {

namespace {

// The controller whose body is being evaluated or rendered. Main thread only.
HostingController*& currentHost() {
    static HostingController* host = nullptr;
    return host;
}

constexpr double kDefaultSpacing = 8;

// A plain view of a rendered tree, named after what it stands for
// ("HostingView", "Spacer", "Divider", "ZStack", "NavigationView").
class NodeView : public View {
public:
    explicit NodeView(std::string name, Rect frame = {}) : View(frame), name_(std::move(name)) {}
    std::string typeName() const override { return name_; }

private:
    std::string name_;
};

// The button of a menu or a picker: a tap opens its entries.
class ChoiceButton : public Button {
public:
    explicit ChoiceButton(std::string name) : Button(ButtonType::system, {}), name_(std::move(name)) {}
    std::string typeName() const override { return name_; }

private:
    std::string name_;
};

// An alert that reports its dismissal.
class HostedAlertController : public AlertController {
public:
    HostedAlertController(std::optional<std::string> title, std::optional<std::string> message, Style style)
        : AlertController(std::move(title), std::move(message), style) {}
    std::function<void()> onDismissed;

    void viewDidDisappear(bool animated) override {
        AlertController::viewDidDisappear(animated);
        if (isBeingDismissed() && onDismissed) {
            auto run = std::move(onDismissed);
            onDismissed = nullptr;
            run();
        }
    }
};

std::unexpected<std::string> fail(std::string message) { return std::unexpected(std::move(message)); }

std::string childKey(const std::string& parent, const Node& child, std::size_t index) {
    return parent + "/" + (child.identity.empty() ? std::to_string(index) : "#" + child.identity);
}

// The rows of a list or a stack: groups and ForEach nodes give their children,
// empty nodes nothing. Each entry: the node, its key, the ForEach it belongs to
// and its position there.
struct Item {
    const Node* node;
    std::string key;
    const Node* forEach = nullptr;
    std::size_t offset = 0;
};

void flatten(const std::vector<Node>& nodes, const std::string& key, std::vector<Item>& out,
             const Node* forEach = nullptr) {
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const auto& node = nodes[i];
        const auto k = childKey(key, node, i);
        if (node.kind == Node::Kind::empty) continue;
        if (node.kind == Node::Kind::group) {
            flatten(node.children, k, out, nullptr);
        } else if (node.kind == Node::Kind::forEach) {
            flatten(node.children, k, out, &node);
        } else {
            out.push_back(Item{&node, k, forEach, forEach ? i : 0});
        }
    }
}

// The buttons of a menu, without its dividers and section grouping.
void menuEntries(const std::vector<Node>& items, std::vector<const Node*>& out) {
    for (const auto& item : items) {
        switch (item.kind) {
        case Node::Kind::button:
        case Node::Kind::navigationLink:
        case Node::Kind::toggle:
        case Node::Kind::text:
        case Node::Kind::label:
            out.push_back(&item);
            break;
        default:
            menuEntries(item.children, out);
        }
    }
}

// The options of a picker (ForEach and group nodes give theirs).
std::vector<const Node*> pickerOptions(const Node& picker) {
    std::vector<Item> items;
    flatten(picker.children, {}, items);
    std::vector<const Node*> options;
    for (const auto& item : items) options.push_back(item.node);
    return options;
}

std::shared_ptr<Image> imageOf(const Node& node) {
    if (node.kind == Node::Kind::image) {
        return node.isSystemImage ? Image::systemNamed(node.textContent) : Image::named(node.textContent);
    }
    if (node.kind == Node::Kind::label && !node.symbol.empty()) return Image::systemNamed(node.symbol);
    return nullptr;
}

// Supplies a list's table with the rows rendered for it.
class ListSource : public TableViewDataSource, public TableViewDelegate {
public:
    struct Row {
        std::shared_ptr<TableViewCell> cell;
        std::function<void()> select;
        std::function<void(const IndexSet&)> onDelete;
        std::size_t offset = 0;
        std::vector<Node> swipe;
    };
    struct Section {
        std::optional<std::string> headerTitle;
        std::optional<std::string> footerTitle;
        std::shared_ptr<View> headerView;
        std::shared_ptr<View> footerView;
        std::vector<Row> rows;
    };
    std::vector<Section> sections;

    int numberOfSections(TableView&) override { return static_cast<int>(sections.size()); }
    int numberOfRows(TableView&, int section) override {
        return validSection(section) ? static_cast<int>(sections[static_cast<std::size_t>(section)].rows.size()) : 0;
    }
    std::shared_ptr<TableViewCell> cellForRow(TableView&, const IndexPath& indexPath) override {
        auto* row = rowAt(indexPath);
        return row ? row->cell : TableViewCell::create();
    }
    std::optional<std::string> titleForHeader(TableView&, int section) override {
        return validSection(section) ? sections[static_cast<std::size_t>(section)].headerTitle : std::nullopt;
    }
    std::optional<std::string> titleForFooter(TableView&, int section) override {
        return validSection(section) ? sections[static_cast<std::size_t>(section)].footerTitle : std::nullopt;
    }
    bool canEditRow(TableView&, const IndexPath& indexPath) override {
        auto* row = rowAt(indexPath);
        return row && row->onDelete;
    }
    void commitDelete(TableView&, const IndexPath& indexPath) override {
        auto* row = rowAt(indexPath);
        if (!row || !row->onDelete) return;
        auto onDelete = row->onDelete;
        onDelete(IndexSet{row->offset});
    }
    std::optional<IndexPath> willSelectRow(TableView&, const IndexPath& indexPath) override {
        auto* row = rowAt(indexPath);
        if (!row || !row->select) return std::nullopt;
        return indexPath;
    }
    void didSelectRow(TableView& table, const IndexPath& indexPath) override {
        auto* row = rowAt(indexPath);
        auto select = row ? row->select : nullptr;
        table.deselectRow(indexPath, true);
        if (select) select();
    }
    std::shared_ptr<SwipeActionsConfiguration> trailingSwipeActions(TableView&, const IndexPath& indexPath) override {
        auto* row = rowAt(indexPath);
        if (!row || row->swipe.empty()) return nullptr;
        auto configuration = std::make_shared<SwipeActionsConfiguration>();
        for (const auto& button : row->swipe) {
            if (button.isDisabled) continue;
            auto action = button.action;
            configuration->actions.push_back(ContextualAction::create(
                button.buttonRole == ButtonRole::destructive ? ContextualAction::Style::destructive
                                                             : ContextualAction::Style::normal,
                button.displayedText(), [action](ContextualAction&, View&, const std::function<void(bool)>& done) {
                    if (action) action();
                    done(true);
                }));
        }
        return configuration;
    }
    std::shared_ptr<View> viewForHeader(TableView&, int section) override {
        return validSection(section) ? sections[static_cast<std::size_t>(section)].headerView : nullptr;
    }
    std::shared_ptr<View> viewForFooter(TableView&, int section) override {
        return validSection(section) ? sections[static_cast<std::size_t>(section)].footerView : nullptr;
    }

private:
    bool validSection(int section) const { return section >= 0 && section < static_cast<int>(sections.size()); }
    Row* rowAt(const IndexPath& indexPath) {
        if (!validSection(indexPath.section)) return nullptr;
        auto& rows = sections[static_cast<std::size_t>(indexPath.section)].rows;
        if (indexPath.row < 0 || indexPath.row >= static_cast<int>(rows.size())) return nullptr;
        return &rows[static_cast<std::size_t>(indexPath.row)];
    }
};

} // namespace

// Implementation ----------------------------------------------------------------------------

struct HostingController::Impl {
    struct Lifecycle {
        std::function<void()> onAppear;
        std::function<void()> onDisappear;
    };
    struct PresentationRequest {
        std::string key;
        NodePresentation spec;
        bool wanted = false;
    };
    struct LinkRequest {
        std::string key;
        std::function<Node()> destination;
        Binding<bool> isActive;
        bool active = false;
    };
    /// What one rendering made and found.
    struct Pass {
        std::shared_ptr<View> view;
        std::vector<std::shared_ptr<void>> keepAlive;
        std::map<std::string, std::weak_ptr<TextField>> fields;
        std::vector<std::pair<std::string, Lifecycle>> lifecycles;
        std::vector<PresentationRequest> presentations;
        std::vector<LinkRequest> links;
        std::optional<std::string> title;
        bool hasToolbar = false;
        std::vector<const Node*> leading;
        std::vector<const Node*> trailing;
        std::shared_ptr<View> navigationSlot;
    };
    /// What a node's subtree inherits.
    struct Context {
        bool disabled = false;
        std::function<void()> submit;
    };
    struct Subscription {
        std::weak_ptr<ChangeSignal> signal;
        ChangeSignal::Token token = 0;
    };

    Impl(HostingController& owner, Body b) : host(owner), body(std::move(b)) {}

    ~Impl() {
        for (auto& [key, subscription] : subscriptions) {
            if (auto signal = subscription.signal.lock()) signal->unsubscribe(subscription.token);
        }
    }

    /// The controller this is the implementation of; it owns this object.
    HostingController& host;
    Body body;
    Node root;
    std::size_t renderCount = 0;
    bool rendering = false;
    bool scheduled = false;

    std::map<const ChangeSignal*, Subscription> subscriptions;
    std::map<std::string, std::shared_ptr<ObservableObject>> states;
    std::set<std::string> statesUsed;

    Pass current;
    std::vector<Pass> retired;
    /// The life-cycle actions of the last rendering's nodes, in tree order.
    std::vector<std::pair<std::string, Lifecycle>> lifecycles;
    std::set<std::string> appeared;
    /// A presentation made for a node: shown until it has been dismissed
    /// (or was refused and dropped).
    struct Shown {
        std::weak_ptr<ViewController> controller;
        std::shared_ptr<bool> over;
        std::shared_ptr<ViewController> live() const {
            auto shown = controller.lock();
            return shown && over && !*over ? shown : nullptr;
        }
    };
    std::map<std::string, Shown> presented;
    std::map<std::string, std::weak_ptr<HostingController>> pushed;

    // The navigation controller of a navigationView node, and the hosting
    // controller at its root that shows the node's content.
    std::shared_ptr<NavigationController> navigation;
    std::shared_ptr<HostingController> navigationRoot;

    /// Set on a hosting controller presented for a sheet / pushed for a link.
    std::function<void()> onDismissed;
    std::function<void()> onRemovedFromStack;
    bool ownsTitle = false;
    bool ownsToolbar = false;

    std::shared_ptr<HostingController> self() {
        return std::static_pointer_cast<HostingController>(host.shared_from_this());
    }
    std::weak_ptr<HostingController> weakSelf() {
        return std::static_pointer_cast<HostingController>(host.weak_from_this().lock());
    }

    // Observation -----------------------------------------------------------------------------

    void observeSignal(const std::shared_ptr<ChangeSignal>& signal) {
        if (!signal) return;
        if (auto it = subscriptions.find(signal.get()); it != subscriptions.end()) {
            if (it->second.signal.lock() == signal) return;
            subscriptions.erase(it); // a dead signal's address, reused
        }
        const auto token = signal->subscribe([this] { schedule(); });
        subscriptions[signal.get()] = Subscription{signal, token};
    }

    void adoptObservations(const Impl& other) {
        for (const auto& [key, subscription] : other.subscriptions) observeSignal(subscription.signal.lock());
    }

    void schedule() {
        // Without a view there is nothing to update: loading renders.
        if (scheduled || !host.isViewLoaded()) return;
        scheduled = true;
        std::weak_ptr<ViewController> weak = host.weak_from_this();
        MainQueue::async([weak] {
            auto controller = std::static_pointer_cast<HostingController>(weak.lock());
            if (!controller || !controller->impl_->scheduled) return;
            controller->impl_->scheduled = false;
            controller->impl_->render();
        });
    }

    // Rendering -----------------------------------------------------------------------------------

    void render() {
        if (rendering) {
            schedule();
            return;
        }
        auto container = host.viewIfLoaded();
        if (!container) return;
        auto keep = self();
        rendering = true;
        scheduled = false;
        ++renderCount;
        std::erase_if(subscriptions, [](const auto& entry) { return entry.second.signal.expired(); });

        Pass pass;
        auto* outer = currentHost();
        currentHost() = &host;
        statesUsed.clear();
        {
            ObservationScope scope([this](const ObservableObject& model) { observeSignal(model.changeSignal()); });
            root = body ? body() : Node::empty();
            pass.view = build(root, "", Context{}, pass);
        }
        currentHost() = outer;
        std::erase_if(states, [this](const auto& entry) { return !statesUsed.contains(entry.first); });

        install(container, pass);
        applyNavigationItem(pass);
        rendering = false;
        currentPresentations = std::move(pass.presentations);
        currentLinks = std::move(pass.links);
        updateLifecycles(std::move(pass.lifecycles));
        reconcile();
    }

    /// Puts the new views in place of the old ones.
    void install(const std::shared_ptr<View>& container, Pass& pass) {
        std::string focusedKey;
        if (auto responder = View::currentFirstResponder()) {
            for (const auto& [key, field] : current.fields) {
                if (field.lock() == responder) focusedKey = key;
            }
        }
        pass.view->frame = container->bounds();
        const auto& subviews = container->subviews();
        auto at = std::find(subviews.begin(), subviews.end(), current.view);
        container->insertSubview(pass.view, at == subviews.end() ? 0 : static_cast<std::size_t>(at - subviews.begin()));

        // The embedded navigation controller moves to the new tree while both
        // trees are in the same window, so it sees no disappearance.
        bool navigationAdded = false;
        if (pass.navigationSlot && navigation) {
            auto navigationView = navigation->view();
            navigationAdded = navigationView->superview() == nullptr;
            navigationView->frame = pass.navigationSlot->bounds();
            pass.navigationSlot->addSubview(navigationView);
        }
        if (current.view && current.view != pass.view) current.view->removeFromSuperview();
        if (navigationAdded) navigation->didMove(self());
        if (!pass.navigationSlot && navigation) {
            navigation->willMove(nullptr);
            navigation->view()->removeFromSuperview();
            navigation->removeFromParent();
            navigation.reset();
            navigationRoot.reset();
        }

        retire(std::move(current));
        current.view = pass.view;
        current.keepAlive = std::move(pass.keepAlive);
        current.fields = std::move(pass.fields);
        if (!focusedKey.empty()) {
            if (auto it = current.fields.find(focusedKey); it != current.fields.end()) {
                if (auto field = it->second.lock()) field->becomeFirstResponder();
            }
        }
    }

    void retire(Pass old) {
        if (!old.view) return;
        retired.push_back(std::move(old));
        std::weak_ptr<ViewController> weak = host.weak_from_this();
        MainQueue::async([weak] {
            if (auto controller = std::static_pointer_cast<HostingController>(weak.lock())) {
                controller->impl_->retired.clear();
            }
        });
    }

    /// Registers what a node asks of its controller: life-cycle actions,
    /// presentations, its navigation title and toolbar.
    void visit(const Node& node, const std::string& key, Pass& pass) {
        if (node.appearAction || node.disappearAction) {
            pass.lifecycles.emplace_back(key, Lifecycle{node.appearAction, node.disappearAction});
        }
        for (std::size_t i = 0; i < node.presentations.size(); ++i) {
            const auto& spec = node.presentations[i];
            pass.presentations.push_back(
                PresentationRequest{key + ":" + std::to_string(i), spec, spec.isPresented.get()});
        }
        if (node.title && !pass.title) pass.title = node.title;
        if (!node.toolbarLeading.empty() || !node.toolbarTrailing.empty()) {
            pass.hasToolbar = true;
            for (const auto& item : node.toolbarLeading) pass.leading.push_back(&item);
            for (const auto& item : node.toolbarTrailing) pass.trailing.push_back(&item);
        }
    }

    std::shared_ptr<View> build(const Node& node, const std::string& key, const Context& inherited, Pass& pass) {
        using Kind = Node::Kind;
        visit(node, key, pass);
        Context context = inherited;
        context.disabled = inherited.disabled || node.isDisabled;
        if (node.submitAction) context.submit = node.submitAction;

        std::shared_ptr<View> outer;
        std::shared_ptr<View> primary;
        switch (node.kind) {
        case Kind::empty:
            outer = std::make_shared<NodeView>("EmptyView");
            outer->isHidden = true;
            break;
        case Kind::group:
        case Kind::forEach:
        case Kind::vstack:
        case Kind::hstack: {
            auto stack = StackView::create();
            const bool horizontal = node.kind == Kind::hstack;
            stack->axis = horizontal ? LayoutAxis::horizontal : LayoutAxis::vertical;
            stack->spacing = node.spacing.value_or(kDefaultSpacing);
            stack->alignment = horizontal ? stackAlignment(node.verticalAlignment)
                                          : stackAlignment(node.horizontalAlignment);
            std::vector<Item> items;
            if (node.kind == Kind::group || node.kind == Kind::forEach) {
                // Shown on their own: the children one under the other.
                flatten(node.children, key, items, node.kind == Kind::forEach ? &node : nullptr);
            } else {
                flatten(node.children, key, items);
            }
            for (const auto& item : items) stack->addArrangedSubview(build(*item.node, item.key, context, pass));
            outer = stack;
            break;
        }
        case Kind::zstack: {
            outer = std::make_shared<NodeView>("ZStack");
            std::vector<Item> items;
            flatten(node.children, key, items);
            for (const auto& item : items) outer->addSubview(build(*item.node, item.key, context, pass));
            break;
        }
        case Kind::spacer:
            outer = std::make_shared<NodeView>("Spacer");
            break;
        case Kind::divider:
            outer = std::make_shared<NodeView>("Divider", Rect{{0, 0}, {0, 1}});
            outer->backgroundColor = Color::systemGray();
            break;
        case Kind::text: {
            auto label = Label::create(node.textContent);
            label->numberOfLines = node.lines;
            if (node.textFont) label->font = *node.textFont;
            if (node.foreground) label->textColor = *node.foreground;
            if (node.scaleFactor) {
                label->adjustsFontSizeToFitWidth = true;
                label->minimumScaleFactor = *node.scaleFactor;
            }
            outer = label;
            break;
        }
        case Kind::image: {
            auto image = ImageView::create(imageOf(node));
            if (node.foreground) image->tintColor = *node.foreground;
            outer = image;
            break;
        }
        case Kind::label: {
            auto stack = StackView::create();
            stack->spacing = kDefaultSpacing;
            stack->addArrangedSubview(ImageView::create(imageOf(node)));
            auto label = Label::create(node.textContent);
            if (node.textFont) label->font = *node.textFont;
            if (node.foreground) label->textColor = *node.foreground;
            stack->addArrangedSubview(label);
            outer = stack;
            break;
        }
        case Kind::button: {
            auto button = Button::create(Button::ButtonType::system);
            configureButton(*button, node, key, context, pass);
            if (auto action = node.action) {
                button->addAction(ControlEvent::touchUpInside, [action] { action(); });
            }
            outer = button;
            break;
        }
        case Kind::navigationLink: {
            auto button = Button::create(Button::ButtonType::system);
            configureButton(*button, node, key, context, pass);
            button->addAction(ControlEvent::touchUpInside, linkAction(node, key));
            if (node.boolBinding) {
                pass.links.push_back(LinkRequest{key, node.destination, *node.boolBinding, node.boolBinding->get()});
            }
            outer = button;
            break;
        }
        case Kind::menu: {
            auto button = std::make_shared<ChoiceButton>("Menu");
            configureButton(*button, node, key, context, pass);
            std::weak_ptr<View> source = button;
            button->addAction(ControlEvent::touchUpInside, menuAction(node, source));
            outer = button;
            break;
        }
        case Kind::picker: {
            auto stack = StackView::create();
            stack->spacing = kDefaultSpacing;
            stack->addArrangedSubview(Label::create(node.textContent));
            auto button = std::make_shared<ChoiceButton>("Picker");
            const auto selected = node.textBinding ? node.textBinding->get() : std::string{};
            for (const auto* option : pickerOptions(node)) {
                if (option->tagValue == selected) button->setTitle(option->displayedText());
            }
            button->isEnabled = !context.disabled;
            std::weak_ptr<View> source = button;
            button->addAction(ControlEvent::touchUpInside, menuAction(node, source));
            stack->addArrangedSubview(button);
            outer = stack;
            primary = button;
            break;
        }
        case Kind::list:
            outer = buildList(node, key, context, pass);
            break;
        case Kind::section: {
            auto stack = StackView::create();
            stack->axis = LayoutAxis::vertical;
            stack->spacing = kDefaultSpacing;
            for (const auto& header : node.header) {
                stack->addArrangedSubview(build(header, key + "/header", context, pass));
            }
            std::vector<Item> items;
            flatten(node.children, key, items);
            for (const auto& item : items) stack->addArrangedSubview(build(*item.node, item.key, context, pass));
            for (const auto& footer : node.footer) {
                stack->addArrangedSubview(build(footer, key + "/footer", context, pass));
            }
            outer = stack;
            break;
        }
        case Kind::toggle: {
            auto stack = StackView::create();
            stack->spacing = kDefaultSpacing;
            auto label = Label::create(node.textContent);
            if (node.textFont) label->font = *node.textFont;
            stack->addArrangedSubview(label);
            auto toggle = Switch::create();
            const auto binding = node.boolBinding.value_or(Binding<bool>{});
            toggle->setOn(binding.get());
            toggle->isEnabled = !context.disabled;
            std::weak_ptr<Switch> weakToggle = toggle;
            toggle->addAction(ControlEvent::valueChanged, [binding, weakToggle] {
                if (auto shown = weakToggle.lock()) binding.set(shown->isOn());
            });
            stack->addArrangedSubview(toggle);
            outer = stack;
            primary = toggle;
            break;
        }
        case Kind::textField:
        case Kind::secureField: {
            auto field = TextField::create();
            const auto binding = node.textBinding.value_or(Binding<std::string>{});
            field->text = binding.get();
            field->placeholder = node.textContent;
            field->isSecureTextEntry = node.kind == Kind::secureField;
            field->isEnabled = !context.disabled;
            if (node.textFont) field->font = *node.textFont;
            if (node.foreground) field->textColor = *node.foreground;
            if (node.keyboard) field->keyboardType = *node.keyboard;
            if (node.capitalization) field->autocapitalizationType = *node.capitalization;
            if (node.noAutocorrection) field->autocorrectionType = TextAutocorrectionType::no;
            std::weak_ptr<TextField> weakField = field;
            field->addAction(ControlEvent::editingChanged, [binding, weakField] {
                if (auto shown = weakField.lock()) binding.set(shown->text);
            });
            if (auto submit = context.submit) field->addAction(ControlEvent::primaryActionTriggered, submit);
            pass.fields[key] = field;
            outer = field;
            break;
        }
        case Kind::navigationView:
            outer = buildNavigation(node, key, context, pass);
            break;
        case Kind::progressView: {
            auto indicator = ActivityIndicatorView::create();
            indicator->startAnimating();
            if (node.textContent.empty()) {
                outer = indicator;
            } else {
                auto stack = StackView::create();
                stack->axis = LayoutAxis::vertical;
                stack->spacing = kDefaultSpacing;
                stack->addArrangedSubview(indicator);
                stack->addArrangedSubview(Label::create(node.textContent));
                outer = stack;
            }
            break;
        }
        }
        if (!primary) primary = outer;
        applyModifiers(node, *outer, *primary);
        return outer;
    }

    static StackView::Alignment stackAlignment(HorizontalAlignment alignment) {
        switch (alignment) {
        case HorizontalAlignment::leading: return StackView::Alignment::leading;
        case HorizontalAlignment::center: return StackView::Alignment::center;
        case HorizontalAlignment::trailing: return StackView::Alignment::trailing;
        }
        return StackView::Alignment::center;
    }
    static StackView::Alignment stackAlignment(VerticalAlignment alignment) {
        switch (alignment) {
        case VerticalAlignment::top: return StackView::Alignment::top;
        case VerticalAlignment::center: return StackView::Alignment::center;
        case VerticalAlignment::bottom: return StackView::Alignment::bottom;
        }
        return StackView::Alignment::center;
    }

    static void applyModifiers(const Node& node, View& outer, View& primary) {
        if (!node.identifier.empty()) primary.accessibilityIdentifier = node.identifier;
        if (!node.accessibilityText.empty()) primary.accessibilityLabel = node.accessibilityText;
        if (node.isHidden) outer.isHidden = true;
        if (node.alpha) outer.alpha = *node.alpha;
        if (node.backgroundColor) outer.backgroundColor = *node.backgroundColor;
        if (node.width) outer.frame.size.width = *node.width;
        if (node.height) outer.frame.size.height = *node.height;
        if (node.corner) {
            outer.layer().cornerRadius = *node.corner;
            outer.layer().masksToBounds = true;
        }
        if (node.borderColor) {
            outer.layer().borderColor = *node.borderColor;
            outer.layer().borderWidth = node.borderWidth;
        }
        if (node.paddingInsets) {
            const auto& p = *node.paddingInsets;
            outer.layoutMargins = EdgeInsets{p.top, p.left, p.bottom, p.right};
        }
        if (auto action = node.tapAction) {
            outer.addGestureRecognizer(TapGestureRecognizer::create([action](GestureRecognizer& recognizer) {
                if (recognizer.state() == GestureRecognizer::recognized) action();
            }));
        }
    }

    /// A button's title, image or label views, colours and state.
    void configureButton(Button& button, const Node& node, const std::string& key, const Context& context,
                         Pass& pass) {
        button.isEnabled = !context.disabled;
        if (!node.textContent.empty()) {
            button.setTitle(node.textContent);
        } else if (node.labelNodes.size() == 1) {
            const auto& label = node.labelNodes.front();
            switch (label.kind) {
            case Node::Kind::text:
                button.setTitle(label.textContent);
                break;
            case Node::Kind::label:
                button.setTitle(label.textContent);
                button.setImage(imageOf(label));
                break;
            case Node::Kind::image:
                button.setImage(imageOf(label));
                break;
            default: {
                auto content = build(label, key + "/label", context, pass);
                content->isUserInteractionEnabled = true;
                button.addSubview(content);
                break;
            }
            }
            for (const auto& labelNode : node.labelNodes) {
                if (labelNode.kind == Node::Kind::text || labelNode.kind == Node::Kind::label ||
                    labelNode.kind == Node::Kind::image) {
                    visit(labelNode, key + "/label", pass);
                    if (labelNode.textFont) button.titleLabel()->font = *labelNode.textFont;
                    if (labelNode.foreground) button.setTitleColor(*labelNode.foreground);
                }
            }
        }
        if (node.textFont) button.titleLabel()->font = *node.textFont;
        if (node.foreground) {
            button.setTitleColor(*node.foreground);
        } else if (node.buttonRole == ButtonRole::destructive) {
            button.setTitleColor(Color::systemRed());
        }
    }

    std::function<void()> linkAction(const Node& node, const std::string& key) {
        return [weak = weakSelf(), key, destination = node.destination, isActive = node.boolBinding] {
            if (auto controller = weak.lock()) controller->impl_->pushLink(key, destination, isActive);
        };
    }

    std::function<void()> menuAction(const Node& node, std::weak_ptr<View> source) {
        return [weak = weakSelf(), menu = node, source] {
            if (auto controller = weak.lock()) controller->impl_->openMenu(menu, source.lock());
        };
    }

    std::shared_ptr<View> buildList(const Node& node, const std::string& key, const Context& context, Pass& pass) {
        TableView::Style style = TableView::Style::plain;
        if (node.style == ListStyle::grouped) style = TableView::Style::grouped;
        if (node.style == ListStyle::insetGrouped) style = TableView::Style::insetGrouped;
        auto table = TableView::create(style, Rect{{0, 0}, kScreenSize});
        auto source = std::make_shared<ListSource>();

        std::vector<Item> items;
        flatten(node.children, key, items);
        bool implicitOpen = false;
        for (const auto& item : items) {
            const Node& child = *item.node;
            if (child.kind == Node::Kind::section) {
                visit(child, item.key, pass);
                ListSource::Section section;
                if (!child.header.empty()) {
                    const auto& header = child.header.front();
                    if (header.kind == Node::Kind::text && header.presentations.empty() && !header.appearAction) {
                        section.headerTitle = header.textContent;
                    } else {
                        section.headerView = build(header, item.key + "/header", context, pass);
                    }
                }
                if (!child.footer.empty()) {
                    const auto& footer = child.footer.front();
                    if (footer.kind == Node::Kind::text && footer.presentations.empty() && !footer.appearAction) {
                        section.footerTitle = footer.textContent;
                    } else {
                        section.footerView = build(footer, item.key + "/footer", context, pass);
                    }
                }
                std::vector<Item> rows;
                flatten(child.children, item.key, rows);
                for (const auto& row : rows) section.rows.push_back(buildRow(row, context, pass));
                source->sections.push_back(std::move(section));
                implicitOpen = false;
            } else {
                if (!implicitOpen) source->sections.emplace_back();
                implicitOpen = true;
                source->sections.back().rows.push_back(buildRow(item, context, pass));
            }
        }
        table->setDataSource(source);
        table->setDelegate(source);
        table->reloadData();
        pass.keepAlive.push_back(source);
        return table;
    }

    ListSource::Row buildRow(const Item& item, const Context& context, Pass& pass) {
        const Node& node = *item.node;
        ListSource::Row row;
        row.cell = TableViewCell::create();
        auto content = build(node, item.key, context, pass);
        content->frame = row.cell->bounds();
        row.cell->contentView()->addSubview(content);
        const bool enabled = !context.disabled && !node.isDisabled;
        if (node.kind == Node::Kind::navigationLink) {
            row.cell->accessoryType = TableViewCell::AccessoryType::disclosureIndicator;
            if (enabled) row.select = linkAction(node, item.key);
        } else if (node.kind == Node::Kind::button && enabled && node.action) {
            row.select = node.action;
        }
        if (item.forEach && item.forEach->deleteAction) {
            row.onDelete = item.forEach->deleteAction;
            row.offset = item.offset;
        }
        row.swipe = node.swipeButtons;
        return row;
    }

    std::shared_ptr<View> buildNavigation(const Node& node, const std::string& key, const Context& context,
                                          Pass& pass) {
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

    // Navigation items --------------------------------------------------------------------------

    static std::shared_ptr<BarButtonItem> barItem(const Node& node) {
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

    void applyNavigationItem(const Pass& pass) {
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

    // Life cycle -------------------------------------------------------------------------------------

    void updateLifecycles(std::vector<std::pair<std::string, Lifecycle>> next) {
        auto previous = std::move(lifecycles);
        lifecycles = std::move(next);
        if (!host.isVisible()) return;
        std::set<std::string> nextKeys;
        for (const auto& [key, lifecycle] : lifecycles) nextKeys.insert(key);
        for (const auto& [key, lifecycle] : previous) {
            if (!nextKeys.contains(key) && appeared.erase(key) && lifecycle.onDisappear) {
                auto run = lifecycle.onDisappear;
                run();
            }
        }
        appearAll();
    }

    void appearAll() {
        const auto shown = lifecycles;
        for (const auto& [key, lifecycle] : shown) {
            if (appeared.insert(key).second && lifecycle.onAppear) lifecycle.onAppear();
        }
    }

    void disappearAll() {
        const auto shown = lifecycles;
        for (const auto& [key, lifecycle] : shown) {
            if (appeared.erase(key) && lifecycle.onDisappear) lifecycle.onDisappear();
        }
        appeared.clear();
    }

    // Presentations and links ------------------------------------------------------------------------

    void reconcile() {
        // A rendering records what it asks for; the passes of earlier renderings are gone.
        reconcilePresentations();
        reconcileLinks();
    }

    void reconcilePresentations() {
        auto view = host.viewIfLoaded();
        if (!view || !view->window()) return;
        auto keep = self();
        const auto requests = currentPresentations;
        std::set<std::string> keys;
        for (const auto& request : requests) {
            keys.insert(request.key);
            auto& entry = presented[request.key];
            auto shown = entry.live();
            if (request.wanted && !shown) {
                entry.over = std::make_shared<bool>(false);
                auto controller = makePresentation(request.spec, entry.over);
                entry.controller = controller;
                host.present(controller, true);
            } else if (!request.wanted && shown && shown->presentingViewController() && !shown->isBeingDismissed()) {
                shown->dismiss(true);
            }
        }
        for (auto it = presented.begin(); it != presented.end();) {
            auto shown = it->second.live();
            if (!keys.contains(it->first)) {
                if (shown && shown->presentingViewController() && !shown->isBeingDismissed()) shown->dismiss(true);
                it = presented.erase(it);
            } else if (!shown) {
                it = presented.erase(it);
            } else {
                ++it;
            }
        }
    }

    /// `over` is set once the presentation has been dismissed.
    std::shared_ptr<ViewController> makePresentation(const NodePresentation& spec, std::shared_ptr<bool> over) {
        const auto isPresented = spec.isPresented;
        const auto onDismiss = spec.onDismiss;
        auto dismissed = [isPresented, onDismiss, over] {
            *over = true;
            if (isPresented.get()) isPresented.set(false);
            if (onDismiss) onDismiss();
        };
        if (spec.kind == NodePresentation::Kind::sheet) {
            auto sheet = HostingController::create(spec.content);
            sheet->impl_->adoptObservations(*this);
            sheet->impl_->onDismissed = std::move(dismissed);
            return sheet;
        }
        const bool dialog = spec.kind == NodePresentation::Kind::confirmationDialog;
        auto alert = makeController<HostedAlertController>(
            std::optional<std::string>(spec.title), spec.message,
            dialog ? AlertController::Style::actionSheet : AlertController::Style::alert);
        std::vector<const Node*> buttons;
        menuEntries(spec.buttons, buttons);
        addActions(*alert, buttons, dialog);
        if (buttons.empty() && !dialog) alert->addAction(AlertAction::create("OK"));
        if (dialog) alert->popoverPresentation().sourceView = host.viewIfLoaded();
        alert->onDismissed = std::move(dismissed);
        return alert;
    }

    static void addActions(AlertController& alert, const std::vector<const Node*>& buttons, bool addCancel) {
        bool hasCancel = false;
        for (const auto* button : buttons) {
            auto style = AlertAction::Style::defaultStyle;
            if (button->buttonRole == ButtonRole::destructive) style = AlertAction::Style::destructive;
            if (button->buttonRole == ButtonRole::cancel && !hasCancel) {
                style = AlertAction::Style::cancel;
                hasCancel = true;
            }
            auto action = button->action;
            auto alertAction = AlertAction::create(button->displayedText(), style, [action] {
                if (action) action();
            });
            alertAction->setEnabled(!button->isDisabled);
            alert.addAction(alertAction);
        }
        if (addCancel && !hasCancel) alert.addAction(AlertAction::create("Cancel", AlertAction::Style::cancel));
    }

    void openMenu(const Node& menu, const std::shared_ptr<View>& source) {
        auto sheet = makeController<HostedAlertController>(std::nullopt, std::nullopt,
                                                           AlertController::Style::actionSheet);
        if (menu.kind == Node::Kind::picker) {
            const auto selection = menu.textBinding.value_or(Binding<std::string>{});
            for (const auto* option : pickerOptions(menu)) {
                const auto tag = option->tagValue;
                sheet->addAction(AlertAction::create(option->displayedText(), AlertAction::Style::defaultStyle,
                                                     [selection, tag] { selection.set(tag); }));
            }
            sheet->addAction(AlertAction::create("Cancel", AlertAction::Style::cancel));
        } else {
            std::vector<const Node*> entries;
            menuEntries(menu.children, entries);
            addActions(*sheet, entries, true);
        }
        sheet->popoverPresentation().sourceView = source ? source : host.viewIfLoaded();
        host.present(sheet, true);
    }

    void reconcileLinks() {
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

    void pushLink(const std::string& key, const std::function<Node()>& destination,
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

    // The requests of the last rendering (kept for reconciling at appearance).
    std::vector<PresentationRequest> currentPresentations;
    std::vector<LinkRequest> currentLinks;
};

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
