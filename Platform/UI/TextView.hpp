#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Text.hpp"
#include "Platform/UI/Label.hpp"
#include "Platform/UI/ScrollView.hpp"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform::ui {

/// A scrolling, multi-line text, editable unless turned off. Typing goes
/// through the delegate hooks as in TextField.
class PLATFORM_EXPORT TextView : public ScrollView {
public:
    static std::shared_ptr<TextView> create(Rect frame = {});

    /// Setting the text from code tells no hook.
    std::string text;
    Font font = Font::systemFont(12);
    Color textColor = Color::label();
    TextAlignment textAlignment = TextAlignment::natural;
    bool isEditable = true;
    bool isSelectable = true;
    EdgeInsets textContainerInset{8, 0, 8, 0};

    // Delegate hooks (each optional; a missing hook allows).
    std::function<bool(TextView&)> shouldBeginEditing;
    std::function<void(TextView&)> didBeginEditing;
    std::function<bool(TextView&)> shouldEndEditing;
    std::function<void(TextView&)> didEndEditing;
    std::function<bool(TextView&, TextRange range, const std::string& replacement)> shouldChangeText;
    std::function<void(TextView&)> didChange;

    bool canBecomeFirstResponder() const override;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;

    /// A user's typing at the end of the text, one character at a time.
    /// False when the view is not editable or could not begin editing.
    bool simulateTyping(const std::string& typed);
    /// A tap: begins editing when editable.
    bool simulateTap() override;
    bool acceptsTaps() const override;

    std::string typeName() const override { return "TextView"; }
    std::string displayedText() const override { return text; }
    /// "readonly" when not editable, "editing", "font=...", then the scroll view's parts.
    void describeState(std::vector<std::string>& parts) const override;

protected:
    explicit TextView(Rect frame) : ScrollView(frame) {}
};

} // namespace platform::ui
