#include "Platform/UI/DeclarativeHostingImpl.hpp"

#include "Platform/UI/Gesture.hpp"
#include "Platform/UI/Image.hpp"

// Turns a rendering's nodes into platform views, noting what the nodes ask of
// the controller (life cycles, presentations, links, title and toolbar).

namespace platform::ui {

namespace hosting {

namespace {

std::string childKey(const std::string& parent, const Node& child, std::size_t index) {
    return parent + "/" + (child.identity.empty() ? std::to_string(index) : "#" + child.identity);
}

} // namespace

void flatten(const std::vector<Node>& nodes, const std::string& key, std::vector<Item>& out, const Node* forEach) {
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

std::vector<const Node*> pickerOptions(const Node& picker) {
    std::vector<Item> items;
    flatten(picker.children, {}, items);
    std::vector<const Node*> options;
    for (const auto& item : items) options.push_back(item.node);
    return options;
}

std::shared_ptr<Image> imageOf(const Node& node) {
    if (node.kind == Node::Kind::image) {
        if (node.madeImage) return node.madeImage;
        return node.isSystemImage ? Image::systemNamed(node.textContent) : Image::named(node.textContent);
    }
    if (node.kind == Node::Kind::label && !node.symbol.empty()) return Image::systemNamed(node.symbol);
    return nullptr;
}

} // namespace hosting

using namespace hosting;

namespace {

constexpr double kDefaultSpacing = 8;

/// The spinner of a progress view in circular style: the dump names the
/// style and the tint.
class CircularProgressIndicator : public ActivityIndicatorView {
public:
    CircularProgressIndicator() : ActivityIndicatorView(Style::medium, {}) {}
    void describeState(std::vector<std::string>& parts) const override {
        parts.emplace_back("circular");
        if (color) parts.push_back("tint=" + color->hexString());
        ActivityIndicatorView::describeState(parts);
    }
};

/// The button of a menu or a picker: a tap opens its entries.
class ChoiceButton : public Button {
public:
    explicit ChoiceButton(std::string name) : Button(ButtonType::system, {}), name_(std::move(name)) {}
    std::string typeName() const override { return name_; }

private:
    std::string name_;
};

StackView::Alignment stackAlignment(HorizontalAlignment alignment) {
    switch (alignment) {
    case HorizontalAlignment::leading: return StackView::Alignment::leading;
    case HorizontalAlignment::center: return StackView::Alignment::center;
    case HorizontalAlignment::trailing: return StackView::Alignment::trailing;
    }
    return StackView::Alignment::center;
}

StackView::Alignment stackAlignment(VerticalAlignment alignment) {
    switch (alignment) {
    case VerticalAlignment::top: return StackView::Alignment::top;
    case VerticalAlignment::center: return StackView::Alignment::center;
    case VerticalAlignment::bottom: return StackView::Alignment::bottom;
    }
    return StackView::Alignment::center;
}

void applyModifiers(const Node& node, View& outer, View& primary) {
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
    if (node.scale) outer.transform = AffineTransform::scale(*node.scale, *node.scale);
    if (node.tintColor) outer.tintColor = *node.tintColor;
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

} // namespace

void HostingController::Impl::visit(const Node& node, const std::string& key, Pass& pass) {
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

std::shared_ptr<View> HostingController::Impl::build(const Node& node, const std::string& key, const Context& inherited,
                                                     Pass& pass) {
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
    case Kind::scrollView: {
        auto scroll = ScrollView::create();
        scroll->showsVerticalScrollIndicator = node.showsIndicators;
        scroll->showsHorizontalScrollIndicator = false;
        auto content = StackView::create();
        content->axis = LayoutAxis::vertical;
        content->spacing = kDefaultSpacing;
        std::vector<Item> items;
        flatten(node.children, key, items);
        for (const auto& item : items) content->addArrangedSubview(build(*item.node, item.key, context, pass));
        scroll->addSubview(content);
        outer = scroll;
        break;
    }
    case Kind::progressView: {
        std::shared_ptr<ActivityIndicatorView> indicator;
        if (node.progressStyle == ProgressViewStyle::circular) {
            indicator = makeView<CircularProgressIndicator>();
        } else {
            indicator = ActivityIndicatorView::create();
        }
        if (node.tintColor) indicator->color = *node.tintColor;
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

void HostingController::Impl::configureButton(Button& button, const Node& node, const std::string& key,
                                              const Context& context, Pass& pass) {
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

std::function<void()> HostingController::Impl::menuAction(const Node& node, std::weak_ptr<View> source) {
    return [weak = weakSelf(), menu = node, source] {
        if (auto controller = weak.lock()) controller->impl_->openMenu(menu, source.lock());
    };
}

} // namespace platform::ui
