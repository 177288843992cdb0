#include "Platform/UI/StackView.hpp"

#include <algorithm>

namespace platform::ui {

std::shared_ptr<StackView> StackView::create(std::vector<std::shared_ptr<View>> arrangedSubviews, Rect frame) {
    auto stack = makeView<StackView>(frame);
    for (const auto& view : arrangedSubviews) stack->addArrangedSubview(view);
    return stack;
}

void StackView::addArrangedSubview(const std::shared_ptr<View>& view) {
    insertArrangedSubview(view, arranged_.size());
}

void StackView::insertArrangedSubview(const std::shared_ptr<View>& view, std::size_t index) {
    if (!view) return;
    std::erase(arranged_, view);
    index = std::min(index, arranged_.size());
    arranged_.insert(arranged_.begin() + static_cast<std::ptrdiff_t>(index), view);
    if (view->superview().get() != this) addSubview(view);
    setNeedsLayout();
}

void StackView::removeArrangedSubview(const std::shared_ptr<View>& view) {
    std::erase(arranged_, view);
    setNeedsLayout();
}

std::vector<std::shared_ptr<View>> StackView::visibleArrangedSubviews() const {
    std::vector<std::shared_ptr<View>> shown;
    for (const auto& view : arranged_) {
        if (!view->isHidden) shown.push_back(view);
    }
    return shown;
}

void StackView::willRemoveSubview(View& subview) {
    std::erase_if(arranged_, [&](const auto& v) { return v.get() == &subview; });
}

} // namespace platform::ui
