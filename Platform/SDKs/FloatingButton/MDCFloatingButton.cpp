#include "Platform/SDKs/FloatingButton/MDCFloatingButton.hpp"

#include "Platform/Foundation/Dispatch.hpp"

namespace platform::materialcomponents {

using namespace platform::ui;

MDCFloatingButton::MDCFloatingButton(Shape shape) : Button(ButtonType::custom, Rect{}), shape_(shape) {
    const double side = shape == Shape::mini ? 40 : 56;
    frame.size = Size{side, side};
    layer().cornerRadius = side / 2;
    layer().shadowOpacity = 0.3;
}

std::shared_ptr<MDCFloatingButton> MDCFloatingButton::floatingButtonWithShape(Shape shape) {
    return makeView<MDCFloatingButton>(shape);
}

void MDCFloatingButton::animateScale(double scale, bool animated, std::function<void()> completion) {
    std::weak_ptr<View> weakSelf = shared_from_this();
    const auto apply = [weakSelf, scale] {
        if (auto self = weakSelf.lock()) self->transform = AffineTransform::scale(scale, scale);
    };
    if (!animated) {
        apply();
        if (completion) MainQueue::async(std::move(completion));
        return;
    }
    View::animate(kCollapseDuration, apply, [completion = std::move(completion)](bool) {
        if (completion) completion();
    });
}

void MDCFloatingButton::collapse(bool animated, std::function<void()> completion) {
    collapsed_ = true;
    animateScale(0, animated, std::move(completion));
}

void MDCFloatingButton::expand(bool animated, std::function<void()> completion) {
    collapsed_ = false;
    animateScale(1, animated, std::move(completion));
}

void MDCFloatingButton::describeState(std::vector<std::string>& parts) const {
    if (collapsed_) parts.push_back("collapsed");
    Button::describeState(parts);
}

} // namespace platform::materialcomponents
