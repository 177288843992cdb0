#include "Platform/UI/AlertController.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/UI/Button.hpp"
#include "Platform/UI/Label.hpp"
#include "Platform/UI/TextField.hpp"

#include <algorithm>

namespace platform::ui {

namespace {

constexpr double kContentWidth = 270;
constexpr double kRowHeight = 44;

} // namespace

// AlertAction ---------------------------------------------------------------------

std::shared_ptr<AlertAction> AlertAction::create(std::string title, Style style, Handler handler) {
    return std::shared_ptr<AlertAction>(new AlertAction(std::move(title), style, std::move(handler)));
}

std::shared_ptr<AlertAction> AlertAction::create(std::string title, Style style, std::function<void()> handler) {
    Handler wrapped;
    if (handler) wrapped = [handler = std::move(handler)](AlertAction&) { handler(); };
    return create(std::move(title), style, std::move(wrapped));
}

void AlertAction::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (auto button = button_.lock()) button->isEnabled = enabled;
}

// AlertController -------------------------------------------------------------------

std::shared_ptr<AlertController> AlertController::create(std::optional<std::string> title,
                                                         std::optional<std::string> message, Style preferredStyle) {
    return makeController<AlertController>(std::move(title), std::move(message), preferredStyle);
}

AlertController::AlertController(std::optional<std::string> title, std::optional<std::string> message,
                                 Style preferredStyle)
    : message(std::move(message)), style_(preferredStyle) {
    this->title = std::move(title);
    modalPresentationStyle =
        preferredStyle == Style::alert ? ModalPresentationStyle::custom : ModalPresentationStyle::popover;
}

ModalPresentationStyle AlertController::adaptivePresentationStyle(const TraitCollection& /*traits*/) const {
    return ModalPresentationStyle::custom;
}

void AlertController::addAction(const std::shared_ptr<AlertAction>& action) {
    if (!action) return;
    if (action->style() == AlertAction::Style::cancel &&
        std::any_of(actions_.begin(), actions_.end(),
                    [](const auto& a) { return a->style() == AlertAction::Style::cancel; })) {
        fatalError("UIAlertController can only have one action with a style of UIAlertActionStyleCancel");
    }
    actions_.push_back(action);
    if (isViewLoaded()) rebuildContent();
}

void AlertController::setPreferredAction(const std::shared_ptr<AlertAction>& action) {
    if (!action) {
        preferred_.reset();
    } else if (std::find(actions_.begin(), actions_.end(), action) != actions_.end()) {
        preferred_ = action;
    }
    if (isViewLoaded()) rebuildContent();
}

void AlertController::addTextField(const std::function<void(TextField&)>& configure) {
    if (style_ != Style::alert) {
        fatalError("Text fields can only be added to an alert controller of style UIAlertControllerStyleAlert");
    }
    auto field = TextField::create(Rect{{0, 0}, {kContentWidth - 16, 30}});
    field->borderStyle = TextFieldBorderStyle::line;
    if (configure) configure(*field);
    textFields_.push_back(field);
    if (isViewLoaded()) rebuildContent();
}

bool AlertController::simulateTapAction(const std::string& title) {
    if (actionTapped_) return false;
    auto it = std::find_if(actions_.begin(), actions_.end(), [&](const auto& a) { return a->title() == title; });
    if (it == actions_.end() || !(*it)->isEnabled()) return false;
    actionTapped_ = true;
    auto action = *it;
    dismiss(true, [action] {
        if (action->handler_) {
            auto handler = action->handler_;
            handler(*action);
        }
    });
    return true;
}

void AlertController::loadView() {
    ViewController::loadView();
    viewIfLoaded()->backgroundColor = Color::rgba(0, 0, 0, 0.2);
    rebuildContent();
}

void AlertController::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    // The title and message may have changed since the view loaded.
    rebuildContent();
}

void AlertController::rebuildContent() {
    auto root = viewIfLoaded();
    if (!root) return;
    const auto old = root->subviews();
    for (const auto& view : old) view->removeFromSuperview();

    const double x = (root->frame.width() - kContentWidth) / 2;
    double y = root->frame.height() / 3;
    const auto place = [&](const std::shared_ptr<View>& view, double height) {
        view->frame = Rect{{x, y}, {kContentWidth, height}};
        y += height;
        root->addSubview(view);
    };
    if (title && !title->empty()) {
        auto label = Label::create(*title);
        label->font = Font::boldSystemFont(17);
        label->numberOfLines = 0;
        place(label, 24);
    }
    if (message && !message->empty()) {
        auto label = Label::create(*message);
        label->font = Font::systemFont(13);
        label->numberOfLines = 0;
        place(label, 40);
    }
    for (const auto& field : textFields_) place(field, 30);
    std::weak_ptr<ViewController> weak = weak_from_this();
    for (const auto& action : actions_) {
        auto button = Button::create(Button::ButtonType::system);
        button->setTitle(action->title());
        button->accessibilityIdentifier = action->title();
        button->isEnabled = action->isEnabled();
        if (action->style() == AlertAction::Style::destructive) button->setTitleColor(Color::systemRed());
        if (action == preferred_ || action->style() == AlertAction::Style::cancel) {
            button->titleLabel()->font = Font::boldSystemFont(17);
        }
        const std::string actionTitle = action->title();
        button->addAction(ControlEvent::touchUpInside, [weak, actionTitle] {
            if (auto alert = std::static_pointer_cast<AlertController>(weak.lock())) alert->simulateTapAction(actionTitle);
        });
        action->button_ = button;
        place(button, kRowHeight);
    }
}

} // namespace platform::ui
