#include "Platform/UI/TextView.hpp"

namespace platform::ui {

std::shared_ptr<TextView> TextView::create(Rect frame) { return makeView<TextView>(frame); }

bool TextView::canBecomeFirstResponder() const { return isEditable && isInteractable(); }

bool TextView::becomeFirstResponder() {
    if (isFirstResponder()) return true;
    if (!canBecomeFirstResponder()) return false;
    auto self = shared_from_this();
    if (shouldBeginEditing && !shouldBeginEditing(*this)) return false;
    if (!View::becomeFirstResponder()) return false;
    if (didBeginEditing) didBeginEditing(*this);
    return true;
}

bool TextView::resignFirstResponder() {
    if (!isFirstResponder()) return true;
    auto self = shared_from_this();
    if (shouldEndEditing && !shouldEndEditing(*this)) return false;
    View::resignFirstResponder();
    if (didEndEditing) didEndEditing(*this);
    return true;
}

bool TextView::simulateTyping(const std::string& typed) {
    if (!becomeFirstResponder()) return false;
    auto self = shared_from_this();
    for (const auto character : characters(typed)) {
        if (!isFirstResponder()) break;
        const TextRange range{text.size(), 0};
        const std::string replacement(character);
        if (shouldChangeText && !shouldChangeText(*this, range, replacement)) continue;
        text += replacement;
        if (didChange) didChange(*this);
    }
    return true;
}

bool TextView::simulateTap() {
    if (canBecomeFirstResponder()) return becomeFirstResponder();
    return View::simulateTap();
}

bool TextView::acceptsTaps() const { return canBecomeFirstResponder() || View::acceptsTaps(); }

void TextView::describeState(std::vector<std::string>& parts) const {
    if (!isEditable) parts.emplace_back("readonly");
    if (isFirstResponder()) parts.emplace_back("editing");
    parts.push_back("font=" + font.description());
    ScrollView::describeState(parts);
}

} // namespace platform::ui
