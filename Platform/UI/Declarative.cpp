#include "Platform/UI/Declarative.hpp"

#include "Platform/UI/Image.hpp"
#include "Platform/UI/ViewDump.hpp"

#include <algorithm>
#include <sstream>

namespace platform::ui {

// Observation ------------------------------------------------------------------------

ChangeSignal::Token ChangeSignal::subscribe(std::function<void()> subscriber) {
    const Token token = next_++;
    subscribers_.emplace_back(token, std::make_shared<std::function<void()>>(std::move(subscriber)));
    return token;
}

void ChangeSignal::unsubscribe(Token token) {
    std::erase_if(subscribers_, [token](const auto& entry) { return entry.first == token; });
}

void ChangeSignal::send() {
    // Subscribers may subscribe or unsubscribe (themselves or others) while told.
    const auto snapshot = subscribers_;
    for (const auto& [token, subscriber] : snapshot) {
        const bool still = std::any_of(subscribers_.begin(), subscribers_.end(),
                                       [token](const auto& entry) { return entry.first == token; });
        if (still && *subscriber) (*subscriber)();
    }
}

namespace {
// The innermost observation scope. Main thread only, as all interface state.
ObservationScope*& currentScope() {
    static ObservationScope* scope = nullptr;
    return scope;
}
} // namespace

ObservableObject::ObservableObject() : signal_(std::make_shared<ChangeSignal>()) {}

ObservableObject::~ObservableObject() = default;

void ObservableObject::noteRead() const {
    if (auto* scope = currentScope(); scope && scope->onRead_) scope->onRead_(*this);
}

ObservationScope::ObservationScope(std::function<void(const ObservableObject&)> onRead)
    : onRead_(std::move(onRead)), outer_(currentScope()) {
    currentScope() = this;
}

ObservationScope::~ObservationScope() { currentScope() = outer_; }

// Node: builders -------------------------------------------------------------------------

Node::Node() = default;
Node::Node(Kind kind) : kind(kind) {}
Node::Node(const Node&) = default;
Node::Node(Node&&) noexcept = default;
Node& Node::operator=(const Node&) = default;
Node& Node::operator=(Node&&) noexcept = default;
Node::~Node() = default;

namespace {
Node withChildren(Node::Kind kind, std::vector<Node> children) {
    Node node(kind);
    node.children = std::move(children);
    return node;
}
Node withText(Node::Kind kind, std::string text) {
    Node node(kind);
    node.textContent = std::move(text);
    return node;
}
} // namespace

Node Node::empty() { return Node(Kind::empty); }

Node Node::group(std::vector<Node> children) { return withChildren(Kind::group, std::move(children)); }

Node Node::vstack(std::vector<Node> children, HorizontalAlignment alignment, std::optional<double> spacing) {
    auto node = withChildren(Kind::vstack, std::move(children));
    node.horizontalAlignment = alignment;
    node.spacing = spacing;
    return node;
}

Node Node::hstack(std::vector<Node> children, VerticalAlignment alignment, std::optional<double> spacing) {
    auto node = withChildren(Kind::hstack, std::move(children));
    node.verticalAlignment = alignment;
    node.spacing = spacing;
    return node;
}

Node Node::zstack(std::vector<Node> children) { return withChildren(Kind::zstack, std::move(children)); }

Node Node::spacer(std::optional<double> minLength) {
    Node node(Kind::spacer);
    node.minLength = minLength;
    return node;
}

Node Node::divider() { return Node(Kind::divider); }

Node Node::text(std::string text) { return withText(Kind::text, std::move(text)); }

Node Node::image(std::string name) { return withText(Kind::image, std::move(name)); }

Node Node::image(std::shared_ptr<Image> image) {
    Node node(Kind::image);
    node.madeImage = std::move(image);
    return node;
}

Node Node::systemImage(std::string name) {
    auto node = withText(Kind::image, std::move(name));
    node.isSystemImage = true;
    return node;
}

Node Node::label(std::string title, std::string systemImage) {
    auto node = withText(Kind::label, std::move(title));
    node.symbol = std::move(systemImage);
    return node;
}

Node Node::button(std::string title, std::function<void()> action) {
    auto node = withText(Kind::button, std::move(title));
    node.action = std::move(action);
    return node;
}

Node Node::button(Node label, std::function<void()> action) {
    Node node(Kind::button);
    node.labelNodes.push_back(std::move(label));
    node.action = std::move(action);
    return node;
}

Node Node::list(std::vector<Node> content) { return withChildren(Kind::list, std::move(content)); }

Node Node::section(std::vector<Node> rows, std::optional<Node> header, std::optional<Node> footer) {
    auto node = withChildren(Kind::section, std::move(rows));
    if (header) node.header.push_back(std::move(*header));
    if (footer) node.footer.push_back(std::move(*footer));
    return node;
}

Node Node::section(std::string headerTitle, std::vector<Node> rows) {
    return section(std::move(rows), text(std::move(headerTitle)));
}

Node Node::forEach(std::vector<Node> rows) { return withChildren(Kind::forEach, std::move(rows)); }

Node Node::toggle(std::string label, Binding<bool> isOn) {
    auto node = withText(Kind::toggle, std::move(label));
    node.boolBinding = std::move(isOn);
    return node;
}

Node Node::textField(std::string title, Binding<std::string> text) {
    auto node = withText(Kind::textField, std::move(title));
    node.textBinding = std::move(text);
    return node;
}

Node Node::secureField(std::string title, Binding<std::string> text) {
    auto node = withText(Kind::secureField, std::move(title));
    node.textBinding = std::move(text);
    return node;
}

Node Node::navigationLink(std::string title, std::function<Node()> destination,
                          std::optional<Binding<bool>> isActive) {
    auto node = withText(Kind::navigationLink, std::move(title));
    node.destination = std::move(destination);
    node.boolBinding = std::move(isActive);
    return node;
}

Node Node::navigationLink(Node label, std::function<Node()> destination, std::optional<Binding<bool>> isActive) {
    Node node(Kind::navigationLink);
    node.labelNodes.push_back(std::move(label));
    node.destination = std::move(destination);
    node.boolBinding = std::move(isActive);
    return node;
}

Node Node::navigationView(Node content) { return withChildren(Kind::navigationView, {std::move(content)}); }

Node Node::menu(std::string title, std::vector<Node> items) {
    auto node = withChildren(Kind::menu, std::move(items));
    node.textContent = std::move(title);
    return node;
}

Node Node::menu(Node label, std::vector<Node> items) {
    auto node = withChildren(Kind::menu, std::move(items));
    node.labelNodes.push_back(std::move(label));
    return node;
}

Node Node::picker(std::string label, std::vector<Node> options, Binding<std::string> selection) {
    auto node = withChildren(Kind::picker, std::move(options));
    node.textContent = std::move(label);
    node.textBinding = std::move(selection);
    return node;
}

Node Node::progressView(std::string label) { return withText(Kind::progressView, std::move(label)); }

Node Node::scrollView(std::vector<Node> content, bool showsIndicators) {
    auto node = withChildren(Kind::scrollView, std::move(content));
    node.showsIndicators = showsIndicators;
    return node;
}

// Node: modifiers ------------------------------------------------------------------------

Node& Node::accessibilityIdentifier(std::string id) {
    identifier = std::move(id);
    return *this;
}
Node& Node::accessibilityLabel(std::string label) {
    accessibilityText = std::move(label);
    return *this;
}
Node& Node::foregroundColor(Color color) {
    foreground = color;
    return *this;
}
Node& Node::font(Font value) {
    textFont = std::move(value);
    return *this;
}
Node& Node::padding(double all) { return padding(EdgeInsets{all, all, all, all}); }
Node& Node::padding(EdgeInsets insets) {
    paddingInsets = insets;
    return *this;
}
Node& Node::frame(std::optional<double> w, std::optional<double> h) {
    width = w;
    height = h;
    return *this;
}
Node& Node::background(Color color) {
    backgroundColor = color;
    return *this;
}
Node& Node::cornerRadius(double radius) {
    corner = radius;
    return *this;
}
Node& Node::border(Color color, double w) {
    borderColor = color;
    borderWidth = w;
    return *this;
}
Node& Node::opacity(double value) {
    alpha = value;
    return *this;
}
Node& Node::hidden(bool value) {
    isHidden = value;
    return *this;
}
Node& Node::disabled(bool value) {
    isDisabled = value;
    return *this;
}
Node& Node::lineLimit(std::optional<int> value) {
    lines = value.value_or(0);
    return *this;
}
Node& Node::minimumScaleFactor(double factor) {
    scaleFactor = factor;
    return *this;
}
Node& Node::keyboardType(KeyboardType type) {
    keyboard = type;
    return *this;
}
Node& Node::autocapitalization(TextAutocapitalizationType type) {
    capitalization = type;
    return *this;
}
Node& Node::autocorrectionDisabled(bool value) {
    noAutocorrection = value;
    return *this;
}
Node& Node::role(ButtonRole value) {
    buttonRole = value;
    return *this;
}
Node& Node::id(std::string value) {
    identity = std::move(value);
    return *this;
}
Node& Node::tag(std::string value) {
    tagValue = std::move(value);
    return *this;
}
Node& Node::onAppear(std::function<void()> value) {
    appearAction = std::move(value);
    return *this;
}
Node& Node::onDisappear(std::function<void()> value) {
    disappearAction = std::move(value);
    return *this;
}
Node& Node::onTapGesture(std::function<void()> value) {
    tapAction = std::move(value);
    return *this;
}
Node& Node::onSubmit(std::function<void()> value) {
    submitAction = std::move(value);
    return *this;
}
Node& Node::onDelete(std::function<void(const IndexSet&)> value) {
    deleteAction = std::move(value);
    return *this;
}
Node& Node::swipeActions(std::vector<Node> buttons) {
    swipeButtons = std::move(buttons);
    return *this;
}
Node& Node::listStyle(ListStyle value) {
    style = value;
    return *this;
}
Node& Node::navigationTitle(std::string value) {
    title = std::move(value);
    return *this;
}
Node& Node::toolbar(std::vector<Node> leading, std::vector<Node> trailing) {
    toolbarLeading = std::move(leading);
    toolbarTrailing = std::move(trailing);
    return *this;
}
Node& Node::alert(std::string alertTitle, Binding<bool> isPresented, std::vector<Node> buttons,
                  std::optional<std::string> message) {
    NodePresentation presentation;
    presentation.kind = NodePresentation::Kind::alert;
    presentation.title = std::move(alertTitle);
    presentation.message = std::move(message);
    presentation.isPresented = std::move(isPresented);
    presentation.buttons = std::move(buttons);
    presentations.push_back(std::move(presentation));
    return *this;
}
Node& Node::sheet(Binding<bool> isPresented, std::function<Node()> content, std::function<void()> onDismiss) {
    NodePresentation presentation;
    presentation.kind = NodePresentation::Kind::sheet;
    presentation.isPresented = std::move(isPresented);
    presentation.content = std::move(content);
    presentation.onDismiss = std::move(onDismiss);
    presentations.push_back(std::move(presentation));
    return *this;
}
Node& Node::confirmationDialog(std::string dialogTitle, Binding<bool> isPresented, std::vector<Node> buttons,
                               std::optional<std::string> message) {
    NodePresentation presentation;
    presentation.kind = NodePresentation::Kind::confirmationDialog;
    presentation.title = std::move(dialogTitle);
    presentation.message = std::move(message);
    presentation.isPresented = std::move(isPresented);
    presentation.buttons = std::move(buttons);
    presentations.push_back(std::move(presentation));
    return *this;
}
Node& Node::progressViewStyle(ProgressViewStyle value) {
    progressStyle = value;
    return *this;
}
Node& Node::tint(Color color) {
    tintColor = color;
    return *this;
}
Node& Node::scaleEffect(double factor) {
    scale = factor;
    return *this;
}
Node& Node::attribute(std::string key, std::string value) {
    attributes[std::move(key)] = std::move(value);
    return *this;
}

// Node: description ---------------------------------------------------------------------

std::string Node::displayedText() const {
    switch (kind) {
    case Kind::text:
    case Kind::label:
    case Kind::toggle:
    case Kind::picker:
    case Kind::progressView:
        return textContent;
    case Kind::button:
    case Kind::navigationLink:
    case Kind::menu:
        if (!textContent.empty()) return textContent;
        // A label of one text (or a label) stands for the title.
        if (labelNodes.size() == 1 &&
            (labelNodes.front().kind == Kind::text || labelNodes.front().kind == Kind::label)) {
            return labelNodes.front().textContent;
        }
        return {};
    default:
        return {};
    }
}

std::string Node::typeName() const {
    switch (kind) {
    case Kind::empty: return "EmptyView";
    case Kind::group: return "Group";
    case Kind::vstack: return "VStack";
    case Kind::hstack: return "HStack";
    case Kind::zstack: return "ZStack";
    case Kind::spacer: return "Spacer";
    case Kind::divider: return "Divider";
    case Kind::text: return "Text";
    case Kind::image: return "Image";
    case Kind::label: return "Label";
    case Kind::button: return "Button";
    case Kind::list: return "List";
    case Kind::section: return "Section";
    case Kind::forEach: return "ForEach";
    case Kind::toggle: return "Toggle";
    case Kind::textField: return "TextField";
    case Kind::secureField: return "SecureField";
    case Kind::navigationLink: return "NavigationLink";
    case Kind::navigationView: return "NavigationView";
    case Kind::menu: return "Menu";
    case Kind::picker: return "Picker";
    case Kind::progressView: return "ProgressView";
    case Kind::scrollView: return "ScrollView";
    }
    return "Node";
}

// Dump -----------------------------------------------------------------------------------------

namespace {

std::string alignmentName(HorizontalAlignment alignment) {
    switch (alignment) {
    case HorizontalAlignment::leading: return "leading";
    case HorizontalAlignment::center: return "center";
    case HorizontalAlignment::trailing: return "trailing";
    }
    return {};
}

std::string alignmentName(VerticalAlignment alignment) {
    switch (alignment) {
    case VerticalAlignment::top: return "top";
    case VerticalAlignment::center: return "center";
    case VerticalAlignment::bottom: return "bottom";
    }
    return {};
}

std::string listStyleName(ListStyle style) {
    switch (style) {
    case ListStyle::automatic: return "automatic";
    case ListStyle::plain: return "plain";
    case ListStyle::grouped: return "grouped";
    case ListStyle::insetGrouped: return "insetGrouped";
    }
    return {};
}

std::string presentationName(NodePresentation::Kind kind) {
    switch (kind) {
    case NodePresentation::Kind::alert: return "alert";
    case NodePresentation::Kind::sheet: return "sheet";
    case NodePresentation::Kind::confirmationDialog: return "confirmationDialog";
    }
    return {};
}

std::string insetsText(const EdgeInsets& insets) {
    return dumpNumber(insets.top) + "," + dumpNumber(insets.left) + "," + dumpNumber(insets.bottom) + "," +
           dumpNumber(insets.right);
}

std::string nodeLine(const Node& node) {
    using Kind = Node::Kind;
    std::vector<std::string> parts{node.typeName()};
    if (!node.identifier.empty()) parts.push_back("id=" + node.identifier);
    if (!node.identity.empty()) parts.push_back("#" + node.identity);
    const auto text = node.displayedText();
    if (!node.accessibilityText.empty() && node.accessibilityText != text) {
        parts.push_back("label=" + node.accessibilityText);
    }
    if (!text.empty()) parts.push_back(dumpQuoted(text));

    switch (node.kind) {
    case Kind::vstack:
        if (node.horizontalAlignment != HorizontalAlignment::center) {
            parts.push_back("alignment=" + alignmentName(node.horizontalAlignment));
        }
        break;
    case Kind::hstack:
        if (node.verticalAlignment != VerticalAlignment::center) {
            parts.push_back("alignment=" + alignmentName(node.verticalAlignment));
        }
        break;
    case Kind::spacer:
        if (node.minLength) parts.push_back("minLength=" + dumpNumber(*node.minLength));
        break;
    case Kind::image:
        if (node.madeImage) {
            parts.push_back("image=" + node.madeImage->description());
        } else {
            parts.push_back(std::string("image=") + (node.isSystemImage ? "system:" : "named:") + node.textContent);
        }
        break;
    case Kind::label:
        if (!node.symbol.empty()) parts.push_back("image=system:" + node.symbol);
        break;
    case Kind::toggle:
        parts.emplace_back(node.boolBinding && node.boolBinding->get() ? "on" : "off");
        break;
    case Kind::textField:
    case Kind::secureField: {
        const auto value = node.textBinding ? node.textBinding->get() : std::string{};
        if (!node.textContent.empty()) parts.push_back("placeholder=" + dumpQuoted(node.textContent));
        if (!value.empty()) {
            parts.push_back("text=" + dumpQuoted(node.kind == Kind::secureField ? std::string(value.size(), '*')
                                                                                 : value));
        }
        break;
    }
    case Kind::picker:
        if (node.textBinding) parts.push_back("selection=" + dumpQuoted(node.textBinding->get()));
        break;
    case Kind::navigationLink:
        if (node.boolBinding && node.boolBinding->get()) parts.emplace_back("active");
        break;
    case Kind::list:
        if (node.style != ListStyle::automatic) parts.push_back("style=" + listStyleName(node.style));
        break;
    case Kind::progressView:
        if (node.progressStyle == ProgressViewStyle::circular) parts.emplace_back("style=circular");
        break;
    case Kind::scrollView:
        if (!node.showsIndicators) parts.emplace_back("indicators=hidden");
        break;
    default: break;
    }
    if (node.spacing) parts.push_back("spacing=" + dumpNumber(*node.spacing));
    if (node.buttonRole == ButtonRole::destructive) parts.emplace_back("role=destructive");
    if (node.buttonRole == ButtonRole::cancel) parts.emplace_back("role=cancel");
    if (!node.tagValue.empty()) parts.push_back("tag=" + dumpQuoted(node.tagValue));
    if (node.textFont) parts.push_back("font=" + node.textFont->description());
    if (node.foreground) parts.push_back("color=" + node.foreground->hexString());
    if (node.backgroundColor) parts.push_back("background=" + node.backgroundColor->hexString());
    if (node.paddingInsets) parts.push_back("padding=" + insetsText(*node.paddingInsets));
    if (node.width || node.height) {
        parts.push_back("frame=" + (node.width ? dumpNumber(*node.width) : std::string("-")) + "x" +
                        (node.height ? dumpNumber(*node.height) : std::string("-")));
    }
    if (node.corner) parts.push_back("cornerRadius=" + dumpNumber(*node.corner));
    if (node.borderColor) {
        parts.push_back("border=" + node.borderColor->hexString() + ":" + dumpNumber(node.borderWidth));
    }
    if (node.alpha) parts.push_back("opacity=" + dumpNumber(*node.alpha));
    if (node.tintColor) parts.push_back("tint=" + node.tintColor->hexString());
    if (node.scale) parts.push_back("scale=" + dumpNumber(*node.scale));
    if (node.lines > 0) parts.push_back("lineLimit=" + std::to_string(node.lines));
    if (node.scaleFactor) parts.push_back("minimumScaleFactor=" + dumpNumber(*node.scaleFactor));
    if (node.title) parts.push_back("title=" + dumpQuoted(*node.title));
    for (const auto& presentation : node.presentations) {
        std::string part = presentationName(presentation.kind);
        if (!presentation.title.empty()) part += "=" + dumpQuoted(presentation.title);
        if (presentation.isPresented.get()) part += "(presented)";
        parts.push_back(std::move(part));
    }
    for (const auto& [key, value] : node.attributes) parts.push_back(key + "=" + value);
    if (node.appearAction) parts.emplace_back("onAppear");
    if (node.disappearAction) parts.emplace_back("onDisappear");
    if (node.tapAction) parts.emplace_back("onTap");
    if (node.submitAction) parts.emplace_back("onSubmit");
    if (node.deleteAction) parts.emplace_back("onDelete");
    if (node.isHidden) parts.emplace_back("hidden");
    if (node.isDisabled) parts.emplace_back("disabled");

    std::string line;
    for (const auto& part : parts) {
        if (!line.empty()) line += ' ';
        line += part;
    }
    return line;
}

void dumpTree(const Node& node, int indent, const std::string& prefix, std::vector<std::string>& lines) {
    lines.push_back(std::string(static_cast<std::size_t>(std::max(indent, 0)) * 2, ' ') + prefix + nodeLine(node));
    for (const auto& child : node.labelNodes) dumpTree(child, indent + 1, "label: ", lines);
    for (const auto& child : node.header) dumpTree(child, indent + 1, "header: ", lines);
    for (const auto& child : node.children) dumpTree(child, indent + 1, "", lines);
    for (const auto& child : node.footer) dumpTree(child, indent + 1, "footer: ", lines);
    for (const auto& child : node.swipeButtons) dumpTree(child, indent + 1, "swipe: ", lines);
    for (const auto& child : node.toolbarLeading) dumpTree(child, indent + 1, "toolbar.leading: ", lines);
    for (const auto& child : node.toolbarTrailing) dumpTree(child, indent + 1, "toolbar.trailing: ", lines);
}

template <class Match>
const Node* search(const Node& node, const Match& match) {
    if (match(node)) return &node;
    for (const auto* list : {&node.labelNodes, &node.header, &node.children, &node.footer, &node.swipeButtons,
                             &node.toolbarLeading, &node.toolbarTrailing}) {
        for (const auto& child : *list) {
            if (const auto* found = search(child, match)) return found;
        }
    }
    return nullptr;
}

} // namespace

void dumpNodes(const Node& root, int indent, std::vector<std::string>& lines) { dumpTree(root, indent, {}, lines); }

std::string dumpNodes(const Node& root) {
    std::vector<std::string> lines;
    dumpNodes(root, 0, lines);
    std::ostringstream text;
    for (const auto& line : lines) text << line << "\n";
    return text.str();
}

const Node* findNode(const Node& root, std::string_view idOrText) {
    if (idOrText.empty()) return nullptr;
    if (const auto* byId = search(root, [&](const Node& n) { return n.identifier == idOrText; })) return byId;
    return search(root, [&](const Node& n) {
        return n.displayedText() == idOrText || (!n.accessibilityText.empty() && n.accessibilityText == idOrText);
    });
}

} // namespace platform::ui
