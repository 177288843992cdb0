#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/UI/Declarative.hpp"
#include "Platform/UI/ViewController.hpp"

#include <cstddef>
#include <expected>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::ui {

/// A controller that shows a declarative view tree. Its body function is
/// evaluated and the tree turned into platform views (stack views, labels,
/// buttons, switches, text fields, a table view for a list...) under its root
/// view, a "HostingView": the view dump, findTappable, the event driver and the
/// screen dump work on them as on any other views, with the nodes'
/// accessibility identifiers and texts.
///
/// Rendering. The body is first rendered when the view loads. Every model the
/// body reads while it is evaluated or rendered (a Published field, a State, a
/// binding to one) is observed from then on, as are the models given to
/// create() or observe(). When one is about to change, one new rendering is
/// scheduled on the next turn of the main queue, however many changes come
/// before it; renderNow() renders at once. A rendering replaces the views made
/// by the previous one (the old views are kept alive until the next turn, so an
/// action that caused it finishes safely), keeps the keyboard focus on the
/// text field of the same place, and applies the tree's navigation title and
/// toolbar to this controller's navigation item.
///
/// Life cycle of nodes. A node's onAppear runs when it is first rendered while
/// the controller is visible, or at viewDidAppear; onDisappear when a rendering
/// no longer has it, or at viewDidDisappear. Nodes are known by their place in
/// the tree and by their identities (ForEach rows).
///
/// Navigation and presentation. A navigation link pushes a new hosting
/// controller of its destination onto this controller's navigation controller;
/// a navigationView node shows its content in a navigation controller of its
/// own, kept across renderings as a child of this controller. Alerts, sheets and
/// confirmation dialogs are presented by this controller while their binding is
/// true (once its view is in a window) and dismissed when it turns false; when
/// they go away by a user's hand the binding is set false. A menu or picker tap
/// presents an action sheet of its entries (and "Cancel").
///
/// Subclasses that override viewDidAppear, viewDidDisappear or didMove call
/// the base class's.
class PLATFORM_EXPORT HostingController : public ViewController {
public:
    using Body = std::function<Node()>;
    using Result = std::expected<void, std::string>;

    static std::shared_ptr<HostingController> create(Body body, std::vector<ObservableObject*> observed = {});
    ~HostingController() override;

    /// Replaces the body; renders at once when the view is loaded.
    void setBody(Body body);
    /// Re-renders when `model` is about to change (the model may die first).
    void observe(const ObservableObject& model);
    /// Renders now (a scheduled rendering is then dropped).
    void renderNow();
    /// Whether a rendering is scheduled for the next turn of the main queue.
    bool isRenderScheduled() const;
    /// How many times the body has been rendered.
    std::size_t renderCount() const;

    /// The tree of the last rendering (empty before the first).
    const Node& rootNode() const;
    /// The tree of the last rendering as dumpNodes() writes it.
    std::string dumpNodes() const;
    /// A node of the last rendering by identifier or text (see findNode).
    const Node* findNode(std::string_view idOrText) const;
    /// The view rendered for the root node.
    std::shared_ptr<View> renderedView() const;

    // A user's hands, through the rendered views (by accessibility identifier,
    // else displayed text or label; front-most first) ---------------------------------
    Result tap(const std::string& idOrText);
    /// Taps the switch when it is not already in the wanted state.
    Result setToggle(const std::string& idOrText, bool on);
    /// Types at the end of a text field (which takes the focus).
    Result type(const std::string& idOrText, const std::string& text);
    /// The return key in a text field.
    Result submit(const std::string& idOrText);
    /// The delete action of the list row holding the view.
    Result deleteRow(const std::string& idOrText);
    /// The swipe action titled `title` of the list row holding the view.
    Result swipeAction(const std::string& idOrText, const std::string& title);
    /// Runs the entry titled `itemTitle` of a menu of the last rendering, as
    /// a user's pick in its opened menu would (refused when disabled).
    Result chooseMenuItem(const std::string& menuIdOrText, const std::string& itemTitle);

    /// What a view's dismiss action does: pops this controller when it was
    /// pushed onto a navigation stack, else dismisses its presentation.
    void dismissFromEnvironment();

    /// The controller whose body is being evaluated or rendered (null outside).
    static HostingController* rendering();
    /// The state kept under `key` for useState (made empty on first use); states
    /// not used by a rendering are dropped after it.
    std::shared_ptr<ObservableObject>& stateSlot(const std::string& key);

    std::string typeName() const override { return "HostingController"; }
    void viewDidAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    void didMove(const std::shared_ptr<ViewController>& parent) override;

protected:
    explicit HostingController(Body body = {});
    void loadView() override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

/// A view's own state that survives re-renderings: the state kept under `key`
/// by the hosting controller being rendered (made with `initial` the first
/// time). Outside a rendering, a new state. Keys name a place in the screen
/// ("row.<id>.showingAlert"); one key is used with one type only.
template <class T>
State<T> useState(const std::string& key, T initial) {
    auto* host = HostingController::rendering();
    if (!host) return State<T>(std::move(initial));
    auto& slot = host->stateSlot(key);
    if (!slot) {
        State<T> made(std::move(initial));
        slot = made.box();
        return made;
    }
    auto box = std::dynamic_pointer_cast<typename State<T>::Box>(slot);
    if (!box) fatalError("State \"" + key + "\" is used with two different types");
    return State<T>(std::move(box));
}

/// The dismiss action of the view being rendered: it calls
/// dismissFromEnvironment() on the hosting controller rendering it (when that
/// is still alive). Outside a rendering it does nothing.
PLATFORM_EXPORT std::function<void()> dismissAction();

} // namespace platform::ui
