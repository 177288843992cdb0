#include "Platform/UI/Button.hpp"

namespace platform::ui {

std::shared_ptr<Button> Button::create(ButtonType type, Rect frame) { return makeView<Button>(type, frame); }

Button::Button(ButtonType type, Rect frame) : Control(frame), type_(type), titleLabel_(Label::create()) {
    titleLabel_->font = Font::systemFont(15);
    if (type == ButtonType::system) titleColors_[ControlState::normal] = Color::systemBlue();
    if (type == ButtonType::close) images_[ControlState::normal] = Image::systemNamed("xmark");
}

template <class T>
std::optional<T> Button::lookup(const std::map<ControlState, T>& values, ControlState state) {
    if (auto it = values.find(state); it != values.end()) return it->second;
    if (auto it = values.find(ControlState::normal); it != values.end()) return it->second;
    return std::nullopt;
}

void Button::setTitle(std::optional<std::string> title, ControlState state) {
    if (title) {
        titles_[state] = std::move(*title);
    } else {
        titles_.erase(state);
    }
}

std::optional<std::string> Button::title(ControlState state) const { return lookup(titles_, state); }

std::optional<std::string> Button::currentTitle() const { return lookup(titles_, state()); }

void Button::setTitleColor(std::optional<Color> color, ControlState state) {
    if (color) {
        titleColors_[state] = *color;
    } else {
        titleColors_.erase(state);
    }
}

std::optional<Color> Button::titleColor(ControlState state) const { return lookup(titleColors_, state); }

std::optional<Color> Button::currentTitleColor() const { return lookup(titleColors_, state()); }

void Button::setImage(std::shared_ptr<Image> image, ControlState state) {
    if (image) {
        images_[state] = std::move(image);
    } else {
        images_.erase(state);
    }
}

std::shared_ptr<Image> Button::image(ControlState state) const { return lookup(images_, state).value_or(nullptr); }

std::shared_ptr<Image> Button::currentImage() const { return image(state()); }

void Button::setBackgroundImage(std::shared_ptr<Image> image, ControlState state) {
    if (image) {
        backgroundImages_[state] = std::move(image);
    } else {
        backgroundImages_.erase(state);
    }
}

std::shared_ptr<Image> Button::backgroundImage(ControlState state) const {
    return lookup(backgroundImages_, state).value_or(nullptr);
}

std::shared_ptr<Label> Button::titleLabel() const {
    titleLabel_->text = currentTitle().value_or("");
    if (auto color = currentTitleColor()) titleLabel_->textColor = *color;
    return titleLabel_;
}

void Button::describeState(std::vector<std::string>& parts) const {
    if (currentTitle()) parts.push_back("font=" + titleLabel_->font.description());
    if (auto img = currentImage()) parts.push_back("image=" + img->description());
    Control::describeState(parts);
}

} // namespace platform::ui
