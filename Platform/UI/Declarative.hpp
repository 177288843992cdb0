#pragma once

// Declarative screens: a model that announces its changes, and a tree of
// nodes that a view body function returns. A HostingController
// (DeclarativeHosting.hpp) turns the tree into real views and evaluates the
// body again whenever a model it observes is about to change.
//
// Nodes are plain values: a node holds its children by value and its actions
// and bindings as shared functions, so a tree is cheap to copy for the small
// screens it describes. Modifiers change the node they are called on and
// return it, so they chain on a temporary:
//
//   Node::vstack({Node::text("Title").font(Font::boldSystemFont(17)),
//                 Node::toggle("Enabled", model.enabled.binding()).accessibilityIdentifier("enabled")})
//       .navigationTitle("Settings");
//
// Main thread only.

#include "Platform/Export.hpp"
#include "Platform/UI/Color.hpp"
#include "Platform/UI/Font.hpp"
#include "Platform/UI/Geometry.hpp"
#include "Platform/UI/TextField.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::ui {

class Image;

// Observation ------------------------------------------------------------------------

/// A signal sent before an observable object changes. Subscribers run in the
/// order they subscribed; one that unsubscribes (or is unsubscribed) while the
/// signal is being sent is not called afterwards.
class PLATFORM_EXPORT ChangeSignal {
public:
    using Token = std::uint64_t;

    Token subscribe(std::function<void()> subscriber);
    void unsubscribe(Token token);
    void send();
    std::size_t subscriberCount() const { return subscribers_.size(); }

private:
    std::vector<std::pair<Token, std::shared_ptr<std::function<void()>>>> subscribers_;
    Token next_ = 1;
};

/// A model whose changes views follow. Subclasses hold Published fields, which
/// send objectWillChange() before each new value is stored; a subclass that
/// changes other state sends it itself. Not copyable: views refer to a model
/// by address.
class PLATFORM_EXPORT ObservableObject {
public:
    ObservableObject();
    virtual ~ObservableObject();
    ObservableObject(const ObservableObject&) = delete;
    ObservableObject& operator=(const ObservableObject&) = delete;

    ChangeSignal& objectWillChange() const { return *signal_; }
    /// The signal as a shared object, for observers that may outlive the model.
    std::shared_ptr<ChangeSignal> changeSignal() const { return signal_; }

    /// Called when a published value is read: a view body being evaluated
    /// starts observing the object (see ObservationScope).
    void noteRead() const;

private:
    std::shared_ptr<ChangeSignal> signal_;
};

/// While alive, reads of published values call `onRead` with their model (the
/// innermost scope only). A hosting controller opens one while it evaluates
/// and renders its body, so a body observes every model it reads.
class PLATFORM_EXPORT ObservationScope {
public:
    explicit ObservationScope(std::function<void(const ObservableObject&)> onRead);
    ~ObservationScope();
    ObservationScope(const ObservationScope&) = delete;
    ObservationScope& operator=(const ObservationScope&) = delete;

private:
    friend class ObservableObject;
    std::function<void(const ObservableObject&)> onRead_;
    ObservationScope* outer_;
};

/// A two-way connection to a value kept elsewhere: a getter and a setter. An
/// empty binding reads a default value and ignores writes.
template <class T>
class Binding {
public:
    Binding() = default;
    Binding(std::function<T()> get, std::function<void(T)> set) : get_(std::move(get)), set_(std::move(set)) {}

    /// A binding to a value that never changes (writes are ignored).
    static Binding constant(T value) {
        return Binding([value] { return value; }, [](T) {});
    }

    T get() const { return get_ ? get_() : T{}; }
    void set(T value) const {
        if (set_) set_(std::move(value));
    }

private:
    std::function<T()> get_;
    std::function<void(T)> set_;
};

/// A field of an ObservableObject: setting it sends the owner's change signal,
/// then stores the value (observers see the old value while they are told).
/// The owner back-pointer is the model the field is a member of, which
/// outlives it; a Published field is therefore neither copied nor moved.
template <class T>
class Published {
public:
    explicit Published(ObservableObject& owner, T initial = T{}) : owner_(&owner), value_(std::move(initial)) {}
    Published(const Published&) = delete;
    Published& operator=(const Published&) = delete;

    const T& get() const {
        owner_->noteRead();
        return value_;
    }
    operator const T&() const { return get(); }
    const T* operator->() const { return &get(); }

    void set(T value) {
        owner_->objectWillChange().send();
        value_ = std::move(value);
    }
    Published& operator=(T value) {
        set(std::move(value));
        return *this;
    }
    /// Changes the value in place (one change signal first).
    template <class F>
    void modify(F&& change) {
        owner_->objectWillChange().send();
        std::forward<F>(change)(value_);
    }

    /// A binding to this field (the model must outlive the binding's users).
    Binding<T> binding() {
        return Binding<T>([this] { return get(); }, [this](T value) { set(std::move(value)); });
    }

private:
    ObservableObject* owner_;
    T value_;
};

/// A view's own value, kept in a shared box that is itself observable: copies
/// of a State share the value, and setting it re-renders the hosts that read it.
/// useState() (DeclarativeHosting.hpp) keeps one per key across re-renders.
template <class T>
class State {
public:
    class Box : public ObservableObject {
    public:
        explicit Box(T initial) : value(*this, std::move(initial)) {}
        Published<T> value;
    };

    explicit State(T initial = T{}) : box_(std::make_shared<Box>(std::move(initial))) {}
    explicit State(std::shared_ptr<Box> box) : box_(std::move(box)) {}

    const T& get() const { return box_->value.get(); }
    void set(T value) const { box_->value.set(std::move(value)); }
    Binding<T> binding() const {
        auto box = box_;
        return Binding<T>([box] { return box->value.get(); }, [box](T value) { box->value.set(std::move(value)); });
    }
    const std::shared_ptr<Box>& box() const { return box_; }

private:
    std::shared_ptr<Box> box_;
};

/// Positions of rows (of a ForEach), as a delete action reports them.
using IndexSet = std::set<std::size_t>;

/// Removes the elements at the given positions (positions past the end are ignored).
template <class T>
void removeOffsets(std::vector<T>& items, const IndexSet& offsets) {
    for (auto it = offsets.rbegin(); it != offsets.rend(); ++it) {
        if (*it < items.size()) items.erase(items.begin() + static_cast<std::ptrdiff_t>(*it));
    }
}

// Nodes ------------------------------------------------------------------------------------

enum class HorizontalAlignment { leading, center, trailing };
enum class VerticalAlignment { top, center, bottom };
enum class ButtonRole { none, cancel, destructive };
enum class ListStyle { automatic, plain, grouped, insetGrouped };
/// How a progress view draws: the platform's choice, or a spinning circle.
enum class ProgressViewStyle { automatic, circular };

struct NodePresentation;

/// One element of a declarative view tree. The builders are the static
/// functions below; modifiers keep their values on the node as data and return
/// the node. Fields are public so tests and the hosting controller read them.
class PLATFORM_EXPORT Node {
public:
    enum class Kind {
        empty,
        group,
        vstack,
        hstack,
        zstack,
        spacer,
        divider,
        text,
        image,
        label,
        button,
        list,
        section,
        forEach,
        toggle,
        textField,
        secureField,
        navigationLink,
        navigationView,
        menu,
        picker,
        progressView,
        scrollView,
    };

    Node();
    explicit Node(Kind kind);
    Node(const Node&);
    Node(Node&&) noexcept;
    Node& operator=(const Node&);
    Node& operator=(Node&&) noexcept;
    ~Node();

    // Builders ----------------------------------------------------------------------------
    static Node empty();
    /// Children shown in place of the group (no view of its own).
    static Node group(std::vector<Node> children);
    static Node vstack(std::vector<Node> children, HorizontalAlignment alignment = HorizontalAlignment::center,
                       std::optional<double> spacing = std::nullopt);
    static Node hstack(std::vector<Node> children, VerticalAlignment alignment = VerticalAlignment::center,
                       std::optional<double> spacing = std::nullopt);
    static Node zstack(std::vector<Node> children);
    static Node spacer(std::optional<double> minLength = std::nullopt);
    static Node divider();
    static Node text(std::string text);
    /// An image of the app package, or a system symbol.
    static Node image(std::string name);
    /// An image already made (decoded bytes, say); a null image shows nothing.
    static Node image(std::shared_ptr<Image> image);
    static Node systemImage(std::string name);
    /// A title with a system symbol beside it (menu entries, buttons).
    static Node label(std::string title, std::string systemImage);
    static Node button(std::string title, std::function<void()> action);
    /// A button whose label is other nodes (a label, an image, a stack...).
    static Node button(Node label, std::function<void()> action);
    /// A scrolling list; its content is rows, sections and ForEach nodes.
    static Node list(std::vector<Node> content);
    /// A list section. A header or footer that is a single text becomes the
    /// section's title; any other node is shown as the section's view.
    static Node section(std::vector<Node> rows, std::optional<Node> header = std::nullopt,
                        std::optional<Node> footer = std::nullopt);
    static Node section(std::string headerTitle, std::vector<Node> rows);
    /// Rows made from items, each identified by `id` (rows keep their state
    /// and identity by it). onDelete() on the result makes the rows deletable.
    template <class Item, class IdFn, class RowFn>
    static Node forEach(const std::vector<Item>& items, IdFn id, RowFn row) {
        std::vector<Node> rows;
        rows.reserve(items.size());
        for (const auto& item : items) {
            Node made = row(item);
            made.identity = id(item);
            rows.push_back(std::move(made));
        }
        return forEach(std::move(rows));
    }
    /// Rows given directly (their identity() names them, else their position).
    static Node forEach(std::vector<Node> rows);
    static Node toggle(std::string label, Binding<bool> isOn);
    /// A one-line text field; the title is its placeholder.
    static Node textField(std::string title, Binding<std::string> text);
    static Node secureField(std::string title, Binding<std::string> text);
    /// A link that pushes a hosting controller showing `destination()` onto
    /// the navigation controller of the screen. With `isActive`, the link is
    /// pushed while the binding is true and popped when it turns false; a
    /// tap sets it true and going back sets it false.
    static Node navigationLink(std::string title, std::function<Node()> destination,
                               std::optional<Binding<bool>> isActive = std::nullopt);
    static Node navigationLink(Node label, std::function<Node()> destination,
                               std::optional<Binding<bool>> isActive = std::nullopt);
    /// A navigation container: its content is shown under a navigation bar of
    /// its own, and links inside it push onto that bar's stack.
    static Node navigationView(Node content);
    /// A button that opens a menu of buttons (dividers and sections group them).
    static Node menu(std::string title, std::vector<Node> items);
    static Node menu(Node label, std::vector<Node> items);
    /// A choice among options: each option is a node with a tag(); choosing one
    /// writes its tag.
    static Node picker(std::string label, std::vector<Node> options, Binding<std::string> selection);
    static Node progressView(std::string label = {});
    /// A vertical scroll view over its content, the children one under the
    /// other, with or without its scroll indicator. Every rendering makes it
    /// anew, so it shows the top of its content.
    static Node scrollView(std::vector<Node> content, bool showsIndicators = true);

    // Modifiers ---------------------------------------------------------------------------
    Node& accessibilityIdentifier(std::string id);
    Node& accessibilityLabel(std::string label);
    Node& foregroundColor(Color color);
    Node& font(Font font);
    Node& padding(double all = 16);
    Node& padding(EdgeInsets insets);
    /// A fixed width and/or height.
    Node& frame(std::optional<double> width, std::optional<double> height);
    Node& background(Color color);
    Node& cornerRadius(double radius);
    Node& border(Color color, double width = 1);
    Node& opacity(double value);
    Node& hidden(bool hidden = true);
    /// Disables the node's controls and those of its children.
    Node& disabled(bool disabled = true);
    Node& lineLimit(std::optional<int> lines);
    Node& minimumScaleFactor(double factor);
    Node& keyboardType(KeyboardType type);
    Node& autocapitalization(TextAutocapitalizationType type);
    Node& autocorrectionDisabled(bool disabled = true);
    Node& role(ButtonRole role);
    /// The node's identity among its siblings (a ForEach sets it per row).
    Node& id(std::string identity);
    /// The value a picker option stands for.
    Node& tag(std::string tag);
    Node& onAppear(std::function<void()> action);
    Node& onDisappear(std::function<void()> action);
    Node& onTapGesture(std::function<void()> action);
    /// The return key of a text field inside this node.
    Node& onSubmit(std::function<void()> action);
    /// Rows of a ForEach deleted by a user: their positions.
    Node& onDelete(std::function<void(const IndexSet&)> action);
    /// Buttons a swipe on this list row reveals (replacing the delete action).
    Node& swipeActions(std::vector<Node> buttons);
    Node& listStyle(ListStyle style);
    /// The style of a progress view.
    Node& progressViewStyle(ProgressViewStyle style);
    /// The tint of a progress view or of controls inside this node.
    Node& tint(Color color);
    /// Draws the node scaled by `factor` about its centre (its layout size stays).
    Node& scaleEffect(double factor);
    /// The title of the navigation bar while this node is shown.
    Node& navigationTitle(std::string title);
    /// Buttons of the navigation bar while this node is shown.
    Node& toolbar(std::vector<Node> leading, std::vector<Node> trailing);
    /// An alert shown while `isPresented` is true; any button (an "OK" button
    /// when none is given) dismisses it and sets the binding false.
    Node& alert(std::string title, Binding<bool> isPresented, std::vector<Node> buttons = {},
                std::optional<std::string> message = std::nullopt);
    /// A sheet presenting a hosting controller of `content()` while
    /// `isPresented` is true; its dismissal sets the binding false and calls onDismiss.
    Node& sheet(Binding<bool> isPresented, std::function<Node()> content, std::function<void()> onDismiss = {});
    /// An action sheet of buttons (and a "Cancel" button) while `isPresented` is true.
    Node& confirmationDialog(std::string title, Binding<bool> isPresented, std::vector<Node> buttons,
                             std::optional<std::string> message = std::nullopt);
    /// Any other value, kept as data and shown in node dumps.
    Node& attribute(std::string key, std::string value);

    // Content -------------------------------------------------------------------------------
    Kind kind = Kind::empty;
    /// The text, title, placeholder or image name.
    std::string textContent;
    /// A system symbol shown with the title (label, button).
    std::string symbol;
    bool isSystemImage = false;
    std::vector<Node> children;
    /// The label of a button, link or menu made of nodes (one node).
    std::vector<Node> labelNodes;
    /// A section's header and footer (none or one each).
    std::vector<Node> header;
    std::vector<Node> footer;
    std::function<void()> action;
    std::optional<Binding<bool>> boolBinding;
    std::optional<Binding<std::string>> textBinding;
    std::function<Node()> destination;
    HorizontalAlignment horizontalAlignment = HorizontalAlignment::center;
    VerticalAlignment verticalAlignment = VerticalAlignment::center;
    std::optional<double> spacing;
    std::optional<double> minLength;
    /// The image of an image node made from an Image (null otherwise).
    std::shared_ptr<Image> madeImage;
    /// A scroll view's indicator.
    bool showsIndicators = true;

    // Modifier values ------------------------------------------------------------------------
    std::string identifier;
    std::string accessibilityText;
    std::string identity;
    std::string tagValue;
    std::optional<Color> foreground;
    std::optional<Color> backgroundColor;
    std::optional<Font> textFont;
    std::optional<EdgeInsets> paddingInsets;
    std::optional<double> width;
    std::optional<double> height;
    std::optional<double> corner;
    std::optional<Color> borderColor;
    double borderWidth = 0;
    std::optional<double> alpha;
    bool isHidden = false;
    bool isDisabled = false;
    /// 0: as many lines as the text needs.
    int lines = 0;
    std::optional<double> scaleFactor;
    std::optional<KeyboardType> keyboard;
    std::optional<TextAutocapitalizationType> capitalization;
    bool noAutocorrection = false;
    ButtonRole buttonRole = ButtonRole::none;
    ListStyle style = ListStyle::automatic;
    ProgressViewStyle progressStyle = ProgressViewStyle::automatic;
    std::optional<Color> tintColor;
    std::optional<double> scale;
    std::function<void()> appearAction;
    std::function<void()> disappearAction;
    std::function<void()> tapAction;
    std::function<void()> submitAction;
    std::function<void(const IndexSet&)> deleteAction;
    std::vector<Node> swipeButtons;
    std::optional<std::string> title;
    std::vector<Node> toolbarLeading;
    std::vector<Node> toolbarTrailing;
    std::vector<NodePresentation> presentations;
    std::map<std::string, std::string> attributes;

    /// The text a user sees on the node itself: a text's, a button's or
    /// link's title (or its label's text), a toggle's or picker's label.
    std::string displayedText() const;
    /// "VStack", "Text", "Button"... as dumps write it.
    std::string typeName() const;
};

/// A presentation a node asks for (alert, sheet, confirmation dialog).
struct PLATFORM_EXPORT NodePresentation {
    enum class Kind { alert, sheet, confirmationDialog };
    Kind kind = Kind::alert;
    std::string title;
    std::optional<std::string> message;
    Binding<bool> isPresented;
    std::vector<Node> buttons;
    std::function<Node()> content;
    std::function<void()> onDismiss;
};

/// Appends one line per node of the tree (the root first), two spaces of
/// indent per level, in the style of the view dump:
///   `Button id=save "Save" role=destructive disabled`
/// the type name, `id=<accessibility identifier>`, the displayed text in
/// double quotes, then the node's state and modifier values. A button's or
/// link's label nodes, a section's header and footer and a row's swipe buttons
/// follow as children marked `label:`, `header:`, `footer:`, `swipe:`.
PLATFORM_EXPORT void dumpNodes(const Node& root, int indent, std::vector<std::string>& lines);
/// The same as one text, a line break after each line.
PLATFORM_EXPORT std::string dumpNodes(const Node& root);

/// The first node of the tree (depth first, the root included, label nodes
/// and menu items included) whose accessibility identifier is `idOrText`; else
/// the first whose displayed text or accessibility label is it. Null when none.
PLATFORM_EXPORT const Node* findNode(const Node& root, std::string_view idOrText);

} // namespace platform::ui
