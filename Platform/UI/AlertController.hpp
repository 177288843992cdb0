#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/ViewController.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

class Button;
class TextField;

/// A button of an alert: a title, a style and a handler.
class PLATFORM_EXPORT AlertAction {
public:
    enum class Style { defaultStyle, cancel, destructive };
    using Handler = std::function<void(AlertAction&)>;

    static std::shared_ptr<AlertAction> create(std::string title, Style style = Style::defaultStyle,
                                               Handler handler = {});
    static std::shared_ptr<AlertAction> create(std::string title, Style style, std::function<void()> handler);

    const std::string& title() const { return title_; }
    Style style() const { return style_; }
    /// A disabled action's button ignores taps.
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);

private:
    friend class AlertController;
    AlertAction(std::string title, Style style, Handler handler)
        : title_(std::move(title)), style_(style), handler_(std::move(handler)) {}
    std::string title_;
    Style style_;
    Handler handler_;
    bool enabled_ = true;
    std::weak_ptr<Button> button_;
};

/// An alert or action sheet. Present it like any controller; a tap on one of
/// its actions dismisses it (animated) and runs the action's handler once the
/// dismissal has finished.
///
/// Its view shows the title and message as labels, the text fields, and one
/// button per action whose accessibility identifier is the action's title.
/// Alerts are presented with the custom style (the presenting screen stays
/// visible); action sheets with the popover style, which needs a source view
/// or bar button item on a regular width and is shown as a custom
/// presentation on a compact one.
class PLATFORM_EXPORT AlertController : public ViewController {
public:
    enum class Style { actionSheet, alert };

    static std::shared_ptr<AlertController> create(std::optional<std::string> title, std::optional<std::string> message,
                                                   Style preferredStyle);

    std::optional<std::string> message;
    Style preferredStyle() const { return style_; }

    /// Adds an action; a second action of the cancel style stops the app, as on the platform.
    void addAction(const std::shared_ptr<AlertAction>& action);
    const std::vector<std::shared_ptr<AlertAction>>& actions() const { return actions_; }
    /// The action the alert highlights; must be one of its actions (others are ignored).
    std::shared_ptr<AlertAction> preferredAction() const { return preferred_; }
    void setPreferredAction(const std::shared_ptr<AlertAction>& action);

    /// Adds a text field (alerts only; an action sheet stops the app).
    void addTextField(const std::function<void(TextField&)>& configure = {});
    const std::vector<std::shared_ptr<TextField>>& textFields() const { return textFields_; }

    /// A user's tap on the action titled `title`: false when there is none, it
    /// is disabled, or an action was tapped already.
    bool simulateTapAction(const std::string& title);

    std::string typeName() const override { return "AlertController"; }

protected:
    AlertController(std::optional<std::string> title, std::optional<std::string> message, Style preferredStyle);
    void loadView() override;
    void viewWillAppear(bool animated) override;
    ModalPresentationStyle adaptivePresentationStyle(const TraitCollection& traits) const override;

private:
    void rebuildContent();
    Style style_;
    std::vector<std::shared_ptr<AlertAction>> actions_;
    std::shared_ptr<AlertAction> preferred_;
    std::vector<std::shared_ptr<TextField>> textFields_;
    bool actionTapped_ = false;
};

} // namespace platform::ui
