#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/Control.hpp"
#include "Platform/UI/Image.hpp"
#include "Platform/UI/Label.hpp"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

/// A push button with a title and/or an image per control state. A state
/// without its own value shows the normal state's.
class PLATFORM_EXPORT Button : public Control {
public:
    enum class ButtonType { custom, system, close, detailDisclosure, infoLight, contactAdd };

    static std::shared_ptr<Button> create(ButtonType type = ButtonType::system, Rect frame = {});

    ButtonType buttonType() const { return type_; }

    void setTitle(std::optional<std::string> title, ControlState state = ControlState::normal);
    /// The title of a state (the normal one's when that state has none).
    std::optional<std::string> title(ControlState state) const;
    /// The title shown now (the current state's, else the normal one's).
    std::optional<std::string> currentTitle() const;

    void setTitleColor(std::optional<Color> color, ControlState state = ControlState::normal);
    std::optional<Color> titleColor(ControlState state) const;
    std::optional<Color> currentTitleColor() const;

    void setImage(std::shared_ptr<Image> image, ControlState state = ControlState::normal);
    std::shared_ptr<Image> image(ControlState state) const;
    std::shared_ptr<Image> currentImage() const;

    void setBackgroundImage(std::shared_ptr<Image> image, ControlState state = ControlState::normal);
    std::shared_ptr<Image> backgroundImage(ControlState state) const;

    /// The label that shows the title; its text follows the current title.
    /// Set its font to change the title's font.
    std::shared_ptr<Label> titleLabel() const;

    EdgeInsets contentEdgeInsets;
    EdgeInsets titleEdgeInsets;
    EdgeInsets imageEdgeInsets;

    std::string typeName() const override { return "Button"; }
    std::string displayedText() const override { return currentTitle().value_or(""); }
    /// "font=..." when there is a title, "image=..." when there is an image,
    /// then the control's parts.
    void describeState(std::vector<std::string>& parts) const override;

protected:
    Button(ButtonType type, Rect frame);

private:
    template <class T>
    static std::optional<T> lookup(const std::map<ControlState, T>& values, ControlState state);

    ButtonType type_;
    std::map<ControlState, std::string> titles_;
    std::map<ControlState, Color> titleColors_;
    std::map<ControlState, std::shared_ptr<Image>> images_;
    std::map<ControlState, std::shared_ptr<Image>> backgroundImages_;
    std::shared_ptr<Label> titleLabel_;
};

} // namespace platform::ui
