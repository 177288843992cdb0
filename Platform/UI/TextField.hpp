#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Text.hpp"
#include "Platform/UI/Control.hpp"
#include "Platform/UI/Label.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

enum class KeyboardType { defaultType, asciiCapable, numbersAndPunctuation, url, numberPad, phonePad, emailAddress, decimalPad, webSearch };
enum class ReturnKeyType { defaultKey, go, next, search, send, done, join, route, continueKey };
enum class TextAutocapitalizationType { none, words, sentences, allCharacters };
enum class TextAutocorrectionType { defaultType, no, yes };
enum class TextFieldBorderStyle { none, line, bezel, roundedRect };
enum class TextFieldViewMode { never, whileEditing, unlessEditing, always };

/// A one-line editable text. Typing goes through the delegate hooks, as a
/// user's keyboard would: each typed character is offered to
/// shouldChangeCharacters, and when accepted it joins the text and the field
/// sends editingChanged.
class PLATFORM_EXPORT TextField : public Control {
public:
    static std::shared_ptr<TextField> create(Rect frame = {});

    /// Setting the text from code sends no event, as on the platform.
    std::string text;
    std::string placeholder;
    Font font = Font::systemFont(17);
    Color textColor = Color::label();
    TextAlignment textAlignment = TextAlignment::natural;
    TextFieldBorderStyle borderStyle = TextFieldBorderStyle::none;
    TextFieldViewMode clearButtonMode = TextFieldViewMode::never;
    bool isSecureTextEntry = false;
    KeyboardType keyboardType = KeyboardType::defaultType;
    ReturnKeyType returnKeyType = ReturnKeyType::defaultKey;
    TextAutocapitalizationType autocapitalizationType = TextAutocapitalizationType::sentences;
    TextAutocorrectionType autocorrectionType = TextAutocorrectionType::defaultType;
    /// The kind of content for autofill ("username", "password", "URL", ...).
    std::string textContentType;
    bool clearsOnBeginEditing = false;
    std::shared_ptr<View> leftView;
    std::shared_ptr<View> rightView;

    // Delegate hooks (each optional; a missing hook allows).
    std::function<bool(TextField&)> shouldBeginEditing;
    std::function<void(TextField&)> didBeginEditing;
    std::function<bool(TextField&)> shouldEndEditing;
    std::function<void(TextField&)> didEndEditing;
    /// Whether `replacement` may replace the text in `range` (bytes of the UTF-8 text).
    std::function<bool(TextField&, TextRange range, const std::string& replacement)> shouldChangeCharacters;
    std::function<bool(TextField&)> shouldClear;
    /// Asked when the return key is pressed.
    std::function<bool(TextField&)> shouldReturn;

    bool isEditing() const { return isFirstResponder(); }
    bool canBecomeFirstResponder() const override;
    /// Begins editing: shouldBeginEditing, then didBeginEditing and editingDidBegin.
    bool becomeFirstResponder() override;
    /// Ends editing: shouldEndEditing, then editingDidEnd and didEndEditing.
    bool resignFirstResponder() override;

    /// A user's typing at the end of the text, one character at a time (the
    /// field becomes first responder first). Returns false when the field
    /// could not begin editing; vetoed characters are simply left out.
    bool simulateTyping(const std::string& typed);
    /// The delete key: removes the last character when allowed.
    bool simulateDeleteBackward();
    /// The clear button: empties the text when shouldClear allows.
    bool simulateClear();
    /// The return key: shouldReturn, then editingDidEndOnExit and
    /// primaryActionTriggered when it allowed. Returns what shouldReturn said.
    bool simulateReturn();
    /// A tap: begins editing.
    bool simulateTap() override;

    std::string typeName() const override { return "TextField"; }
    /// The text as shown: a secure field shows one bullet per character.
    std::string displayedText() const override;
    /// placeholder="..." while empty, "secure", "editing", "font=...", then the control's parts.
    void describeState(std::vector<std::string>& parts) const override;

protected:
    explicit TextField(Rect frame) : Control(frame) {}

private:
    /// Offers a replacement to the delegate and applies it; whether applied.
    bool replace(TextRange range, const std::string& replacement);
};

} // namespace platform::ui
