#include "Platform/UI/DeclarativeHostingImpl.hpp"

#include "Platform/UI/AlertController.hpp"

// Alerts, sheets and confirmation dialogs shown while their binding is true,
// and the action sheet a menu or picker tap opens.

namespace platform::ui {

using namespace hosting;

namespace {

/// An alert that reports its dismissal.
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

void addActions(AlertController& alert, const std::vector<const Node*>& buttons, bool addCancel) {
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

} // namespace

void HostingController::Impl::reconcilePresentations() {
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

std::shared_ptr<ViewController> HostingController::Impl::makePresentation(const NodePresentation& spec,
                                                                          std::shared_ptr<bool> over) {
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

void HostingController::Impl::openMenu(const Node& menu, const std::shared_ptr<View>& source) {
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

} // namespace platform::ui
