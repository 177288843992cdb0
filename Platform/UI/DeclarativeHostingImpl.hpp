#pragma once

// The inside of a hosting controller, shared by its sources. Private to them:
//   DeclarativeHosting.cpp              the controller's members and a user's hands
//   DeclarativeHostingUpdates.cpp       observation, re-rendering, swapping the views in, node life cycles
//   DeclarativeHostingRendering.cpp     nodes to views
//   DeclarativeHostingList.cpp          lists to table views
//   DeclarativeHostingPresentations.cpp alerts, sheets, dialogs and menus
//   DeclarativeHostingNavigation.cpp    navigation links, navigation views and the navigation item

#include "Platform/UI/Controls.hpp"
#include "Platform/UI/DeclarativeHosting.hpp"
#include "Platform/UI/NavigationController.hpp"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace platform::ui {

namespace hosting {

/// The controller whose body is being evaluated or rendered. Main thread only.
HostingController*& currentHost();

/// A plain view of a rendered tree, named after what it stands for
/// ("HostingView", "Spacer", "Divider", "ZStack", "NavigationView").
class NodeView : public View {
public:
    explicit NodeView(std::string name, Rect frame = {}) : View(frame), name_(std::move(name)) {}
    std::string typeName() const override { return name_; }

private:
    std::string name_;
};

/// A row of a list or a stack: groups and ForEach nodes give their children,
/// empty nodes nothing. The node, its key, the ForEach it belongs to and its
/// position there.
struct Item {
    const Node* node;
    std::string key;
    const Node* forEach = nullptr;
    std::size_t offset = 0;
};

/// The rows of `nodes` (the children of the node with `key`), in order.
void flatten(const std::vector<Node>& nodes, const std::string& key, std::vector<Item>& out,
             const Node* forEach = nullptr);
/// The buttons of a menu, without its dividers and section grouping.
void menuEntries(const std::vector<Node>& items, std::vector<const Node*>& out);
/// The options of a picker (ForEach and group nodes give theirs).
std::vector<const Node*> pickerOptions(const Node& picker);
/// The image of an image node, or the symbol of a label; null for others.
std::shared_ptr<Image> imageOf(const Node& node);

/// Supplies a list's table with the rows rendered for it.
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

    int numberOfSections(TableView&) override;
    int numberOfRows(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRow(TableView&, const IndexPath& indexPath) override;
    std::optional<std::string> titleForHeader(TableView&, int section) override;
    std::optional<std::string> titleForFooter(TableView&, int section) override;
    bool canEditRow(TableView&, const IndexPath& indexPath) override;
    void commitDelete(TableView&, const IndexPath& indexPath) override;
    std::optional<IndexPath> willSelectRow(TableView&, const IndexPath& indexPath) override;
    void didSelectRow(TableView& table, const IndexPath& indexPath) override;
    std::shared_ptr<SwipeActionsConfiguration> trailingSwipeActions(TableView&, const IndexPath& indexPath) override;
    std::shared_ptr<View> viewForHeader(TableView&, int section) override;
    std::shared_ptr<View> viewForFooter(TableView&, int section) override;

private:
    bool validSection(int section) const;
    Row* rowAt(const IndexPath& indexPath);
};

} // namespace hosting

struct HostingController::Impl {
    using Item = hosting::Item;
    using ListSource = hosting::ListSource;

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

    Impl(HostingController& owner, Body b) : host(owner), body(std::move(b)) {}
    ~Impl();

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
    std::map<std::string, Shown> presented;
    std::map<std::string, std::weak_ptr<HostingController>> pushed;
    // The requests of the last rendering (kept for reconciling at appearance).
    std::vector<PresentationRequest> currentPresentations;
    std::vector<LinkRequest> currentLinks;

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

    // Observation and updates (DeclarativeHostingUpdates.cpp) ---------------------------------
    void observeSignal(const std::shared_ptr<ChangeSignal>& signal);
    void adoptObservations(const Impl& other);
    void schedule();
    void render();
    /// Puts the new views in place of the old ones.
    void install(const std::shared_ptr<View>& container, Pass& pass);
    void retire(Pass old);
    void updateLifecycles(std::vector<std::pair<std::string, Lifecycle>> next);
    void appearAll();
    void disappearAll();
    void reconcile();

    // Rendering (DeclarativeHostingRendering.cpp, DeclarativeHostingList.cpp) -------------------
    /// Registers what a node asks of its controller: life-cycle actions,
    /// presentations, its navigation title and toolbar.
    void visit(const Node& node, const std::string& key, Pass& pass);
    std::shared_ptr<View> build(const Node& node, const std::string& key, const Context& inherited, Pass& pass);
    /// A button's title, image or label views, colours and state.
    void configureButton(Button& button, const Node& node, const std::string& key, const Context& context,
                         Pass& pass);
    std::function<void()> menuAction(const Node& node, std::weak_ptr<View> source);
    std::shared_ptr<View> buildList(const Node& node, const std::string& key, const Context& context, Pass& pass);
    ListSource::Row buildRow(const Item& item, const Context& context, Pass& pass);

    // Presentations (DeclarativeHostingPresentations.cpp) ----------------------------------------
    void reconcilePresentations();
    /// `over` is set once the presentation has been dismissed.
    std::shared_ptr<ViewController> makePresentation(const NodePresentation& spec, std::shared_ptr<bool> over);
    void openMenu(const Node& menu, const std::shared_ptr<View>& source);

    // Navigation (DeclarativeHostingNavigation.cpp) -------------------------------------------------
    std::function<void()> linkAction(const Node& node, const std::string& key);
    std::shared_ptr<View> buildNavigation(const Node& node, const std::string& key, const Context& context,
                                          Pass& pass);
    void applyNavigationItem(const Pass& pass);
    void reconcileLinks();
    void pushLink(const std::string& key, const std::function<Node()>& destination,
                  const std::optional<Binding<bool>>& isActive);
};

} // namespace platform::ui
