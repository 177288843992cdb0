#include "Platform/UI/Label.hpp"

#include "Platform/UI/ViewDump.hpp"

namespace platform::ui {

std::shared_ptr<Label> Label::create(std::string text, Rect frame) { return makeView<Label>(std::move(text), frame); }

Label::Label(std::string text, Rect frame) : View(frame), text(std::move(text)) {
    isUserInteractionEnabled = false;
}

void Label::describeState(std::vector<std::string>& parts) const {
    parts.push_back("font=" + font.description());
    View::describeState(parts);
}

} // namespace platform::ui
