#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/View.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::ui {

/// What a view dump includes.
struct ViewDumpOptions {
    /// Also dump hidden views (and their subtrees), marked "hidden" (or "alpha=0").
    bool includeHidden = false;
};

/// Appends one line per visible view of the tree under `root` (the root first),
/// each indented by two spaces per level, starting at `indent` levels:
///   `Label id=title "Hello" font=System-17`
/// the type name, `id=<accessibility identifier>` when set, `label=<accessibility
/// label>` when set and different from the text, the displayed text in double
/// quotes when not empty (quotes, backslashes and line breaks escaped), then the
/// view's state parts. Hidden views (hidden or alpha 0) and their subtrees are
/// left out.
PLATFORM_EXPORT void dumpViews(const View& root, int indent, std::vector<std::string>& lines);
PLATFORM_EXPORT void dumpViews(const View& root, int indent, std::vector<std::string>& lines,
                               const ViewDumpOptions& options);
/// The one dump line of a view, without indent.
PLATFORM_EXPORT std::string dumpLine(const View& view);

/// A number as dumps write it: no exponent, no trailing zeros ("17", "0.5", "-3.25").
PLATFORM_EXPORT std::string dumpNumber(double value);
/// A text in double quotes, with quotes, backslashes and line breaks escaped.
PLATFORM_EXPORT std::string dumpQuoted(std::string_view text);
/// A point as dumps write it: "x,y".
PLATFORM_EXPORT std::string dumpPoint(Point point);

/// The front-most visible view under `root` (`root` included) whose accessibility
/// identifier is `idOrLabel`; else the front-most whose displayed text,
/// accessibility label or placeholder is it. Front-most: later subviews before
/// earlier ones, and a subview before its superview. Null when none matches.
PLATFORM_EXPORT std::shared_ptr<View> findView(const std::shared_ptr<View>& root, std::string_view idOrLabel);

/// The view a user's tap on `idOrLabel` lands on: of the matching views (in the
/// order of findView), the first that takes taps itself or through an ancestor
/// (a label inside a table cell or a button's container); that view or ancestor
/// is returned. When none takes taps, the first match itself (its simulateTap()
/// then reports false). Null when nothing matches.
PLATFORM_EXPORT std::shared_ptr<View> findTappable(const std::shared_ptr<View>& root, std::string_view idOrLabel);
/// The same for a long press: the match or ancestor with an enabled long-press gesture.
PLATFORM_EXPORT std::shared_ptr<View> findLongPressable(const std::shared_ptr<View>& root,
                                                        std::string_view idOrLabel);

} // namespace platform::ui
