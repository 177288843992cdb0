#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/View.hpp"

#include <memory>
#include <string>
#include <vector>

namespace platform::ui {

enum class TextAlignment { natural, left, center, right, justified };
enum class LineBreakMode { byWordWrapping, byCharWrapping, byClipping, byTruncatingHead, byTruncatingTail, byTruncatingMiddle };

/// A read-only text.
class PLATFORM_EXPORT Label : public View {
public:
    static std::shared_ptr<Label> create(std::string text = {}, Rect frame = {});

    std::string text;
    Font font = Font::systemFont(17);
    Color textColor = Color::label();
    TextAlignment textAlignment = TextAlignment::natural;
    /// 0: as many lines as the text needs.
    int numberOfLines = 1;
    LineBreakMode lineBreakMode = LineBreakMode::byTruncatingTail;
    bool adjustsFontSizeToFitWidth = false;
    double minimumScaleFactor = 0;

    std::string typeName() const override { return "Label"; }
    std::string displayedText() const override { return text; }
    /// "font=<name>-<size>", then the view's parts.
    void describeState(std::vector<std::string>& parts) const override;

protected:
    explicit Label(std::string text, Rect frame = {});
};

} // namespace platform::ui
