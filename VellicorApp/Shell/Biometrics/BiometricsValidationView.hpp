#pragma once

#include "Platform/UI/Button.hpp"
#include "Platform/UI/Label.hpp"
#include "Platform/UI/View.hpp"

#include <functional>
#include <memory>
#include <string>

namespace vellicor {

/// The panel of the lock screen: a message, "Please try again" and the Log Out
/// button. Main thread only.
class BiometricsValidationView : public platform::ui::View {
public:
    /// The panel with its labels and button, texts set.
    static std::shared_ptr<BiometricsValidationView> create();

    /// Fades the panel out over 1 second (ease-out) and then hides it, or
    /// unhides it and fades it in; the completion runs at the end.
    void animate(bool hide, std::function<void()> completion = {});
    void updateErrorMessage(const std::string& message);

    std::shared_ptr<platform::ui::Button> logoutButton() const { return logoutButton_.lock(); }
    std::shared_ptr<platform::ui::Label> messageLabel() const { return messageLabel_.lock(); }
    std::shared_ptr<platform::ui::Label> descriptionLabel() const { return descriptionLabel_.lock(); }

    std::string typeName() const override { return "BiometricsValidationView"; }

protected:
    BiometricsValidationView() : View(platform::ui::Rect{}) {}

private:
    std::weak_ptr<platform::ui::Button> logoutButton_;
    std::weak_ptr<platform::ui::Label> messageLabel_;
    std::weak_ptr<platform::ui::Label> descriptionLabel_;
};

} // namespace vellicor
