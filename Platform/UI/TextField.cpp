#include "Platform/UI/TextField.hpp"

#include "Platform/UI/ViewDump.hpp"

namespace platform::ui {

std::shared_ptr<TextField> TextField::create(Rect frame) { return makeView<TextField>(frame); }

bool TextField::canBecomeFirstResponder() const { return isEnabled && isInteractable(); }

bool TextField::becomeFirstResponder() {
    if (isFirstResponder()) return true;
    if (!canBecomeFirstResponder()) return false;
    auto self = shared_from_this();
    if (shouldBeginEditing && !shouldBeginEditing(*this)) return false;
    if (!View::becomeFirstResponder()) return false;
    if (clearsOnBeginEditing) text.clear();
    if (didBeginEditing) didBeginEditing(*this);
    sendActions(ControlEvent::editingDidBegin);
    return true;
}

bool TextField::resignFirstResponder() {
    if (!isFirstResponder()) return true;
    auto self = shared_from_this();
    if (shouldEndEditing && !shouldEndEditing(*this)) return false;
    View::resignFirstResponder();
    sendActions(ControlEvent::editingDidEnd);
    if (didEndEditing) didEndEditing(*this);
    return true;
}

bool TextField::replace(TextRange range, const std::string& replacement) {
    if (range.location > text.size() || range.length > text.size() - range.location) return false;
    if (shouldChangeCharacters && !shouldChangeCharacters(*this, range, replacement)) return false;
    // The hook may have changed the text itself; keep the range inside it.
    if (range.location > text.size()) range.location = text.size();
    range.length = std::min(range.length, text.size() - range.location);
    text.replace(range.location, range.length, replacement);
    sendActions(ControlEvent::editingChanged);
    return true;
}

bool TextField::simulateTyping(const std::string& typed) {
    if (!becomeFirstResponder()) return false;
    auto self = shared_from_this();
    for (const auto character : characters(typed)) {
        if (!isFirstResponder()) break; // a hook ended editing
        replace(TextRange{text.size(), 0}, std::string(character));
    }
    return true;
}

bool TextField::simulateDeleteBackward() {
    if (!becomeFirstResponder() || text.empty()) return false;
    const auto chars = characters(text);
    const auto last = chars.back();
    const auto location = static_cast<std::size_t>(last.data() - text.data());
    return replace(TextRange{location, last.size()}, "");
}

bool TextField::simulateClear() {
    if (!isEnabled || !isInteractable()) return false;
    auto self = shared_from_this();
    if (shouldClear && !shouldClear(*this)) return false;
    text.clear();
    sendActions(ControlEvent::editingChanged);
    return true;
}

bool TextField::simulateReturn() {
    if (!isFirstResponder()) return false;
    auto self = shared_from_this();
    const bool allowed = !shouldReturn || shouldReturn(*this);
    if (allowed) {
        sendActions(ControlEvent::editingDidEndOnExit);
        sendActions(ControlEvent::primaryActionTriggered);
    }
    return allowed;
}

bool TextField::simulateTap() { return becomeFirstResponder(); }

std::string TextField::displayedText() const {
    if (!isSecureTextEntry) return text;
    std::string bullets;
    for (std::size_t i = 0; i < characterCount(text); ++i) bullets += "\u2022";
    return bullets;
}

void TextField::describeState(std::vector<std::string>& parts) const {
    if (text.empty() && !placeholder.empty()) parts.push_back("placeholder=" + dumpQuoted(placeholder));
    if (isSecureTextEntry) parts.emplace_back("secure");
    if (isFirstResponder()) parts.emplace_back("editing");
    parts.push_back("font=" + font.description());
    Control::describeState(parts);
}

} // namespace platform::ui
