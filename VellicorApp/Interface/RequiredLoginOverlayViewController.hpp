#pragma once

#include "Platform/UI/Button.hpp"
#include "Platform/UI/Label.hpp"
#include "Platform/UI/ViewController.hpp"

#include <memory>

namespace vellicor {

/// Covers a tab whose content needs a signed-in user: a message and a login
/// button that starts the SDK's sign-in. Made by the storyboard
/// "RequiredLoginOverlay". Its outlets are styled, as they are connected,
/// on the navigation-bar colour of the current context.
class RequiredLoginOverlayViewController : public platform::ui::ViewController {
public:
    static constexpr const char* kStoryboardName = "RequiredLoginOverlay";
    static constexpr const char* kIdentifier = "RequiredLoginOverlayViewController";

    /// The overlay from its storyboard; a mismatch stops the app.
    static std::shared_ptr<RequiredLoginOverlayViewController> instantiate();
    /// The storyboard's controller (the factory registered for kIdentifier).
    static std::shared_ptr<RequiredLoginOverlayViewController> makeStoryboardContent();

    /// Adds the overlay as a child of `parent`, covering its view, in front.
    void show(const std::shared_ptr<platform::ui::ViewController>& parent);
    /// The login button's target: starts the SDK's interactive sign-in (each
    /// tap again); the overlay stays.
    void loginButtonTapped();

    void loadView() override;
    std::string typeName() const override { return "RequiredLoginOverlayViewController"; }

    std::shared_ptr<platform::ui::Button> loginButton() const { return loginButton_.lock(); }
    std::shared_ptr<platform::ui::Label> descriptionLabel() const { return descriptionLabel_.lock(); }

protected:
    RequiredLoginOverlayViewController() = default;

private:
    void setLoginButton(const std::shared_ptr<platform::ui::Button>& button);
    void setDescriptionLabel(const std::shared_ptr<platform::ui::Label>& label);

    std::weak_ptr<platform::ui::Button> loginButton_;
    std::weak_ptr<platform::ui::Label> descriptionLabel_;
};

} // namespace vellicor
