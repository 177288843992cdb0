#include "Platform/UI/ViewDump.hpp"

#include "Platform/UI/TextField.hpp"

#include <cmath>
#include <cstdio>

namespace platform::ui {

std::string dumpNumber(double value) {
    if (!std::isfinite(value)) return std::isnan(value) ? "nan" : (value > 0 ? "inf" : "-inf");
    if (value == 0) return "0"; // also for -0
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", value);
    std::string out = text;
    while (out.back() == '0') out.pop_back();
    if (out.back() == '.') out.pop_back();
    if (out == "-0") out = "0";
    return out;
}

std::string dumpPoint(Point point) { return dumpNumber(point.x) + "," + dumpNumber(point.y); }

std::string dumpQuoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: out += c;
        }
    }
    return out + "\"";
}

std::string dumpLine(const View& view) {
    std::string line = view.typeName();
    if (!view.accessibilityIdentifier.empty()) line += " id=" + view.accessibilityIdentifier;
    const auto text = view.displayedText();
    if (!view.accessibilityLabel.empty() && view.accessibilityLabel != text) {
        line += " label=" + view.accessibilityLabel;
    }
    if (!text.empty()) line += " " + dumpQuoted(text);
    std::vector<std::string> parts;
    view.describeState(parts);
    for (const auto& part : parts) line += " " + part;
    return line;
}

namespace {

bool shown(const View& view) { return !view.isHidden && view.alpha > 0; }

void dump(const View& view, int indent, std::vector<std::string>& lines, const ViewDumpOptions& options) {
    if (!shown(view) && !options.includeHidden) return;
    std::string line(static_cast<std::size_t>(std::max(indent, 0)) * 2, ' ');
    line += dumpLine(view);
    if (view.isHidden) {
        line += " hidden";
    } else if (view.alpha <= 0) {
        line += " alpha=0";
    }
    lines.push_back(std::move(line));
    for (const auto& sub : view.subviews()) dump(*sub, indent + 1, lines, options);
}

bool matchesId(const View& view, std::string_view wanted) {
    return !view.accessibilityIdentifier.empty() && view.accessibilityIdentifier == wanted;
}

bool matchesText(const View& view, std::string_view wanted) {
    if (!view.accessibilityLabel.empty() && view.accessibilityLabel == wanted) return true;
    const auto text = view.displayedText();
    if (!text.empty() && text == wanted) return true;
    if (const auto* field = dynamic_cast<const TextField*>(&view)) {
        return !field->placeholder.empty() && field->placeholder == wanted;
    }
    return false;
}

// Visible views front-most first: later subviews before earlier ones, and a
// subview before its superview (as a touch's hit test finds them).
void frontToBack(const std::shared_ptr<View>& view, std::vector<std::shared_ptr<View>>& out) {
    if (!shown(*view)) return;
    const auto& subs = view->subviews();
    for (auto it = subs.rbegin(); it != subs.rend(); ++it) frontToBack(*it, out);
    out.push_back(view);
}

std::vector<std::shared_ptr<View>> matches(const std::shared_ptr<View>& root, std::string_view wanted) {
    std::vector<std::shared_ptr<View>> order;
    if (root) frontToBack(root, order);
    std::vector<std::shared_ptr<View>> found;
    for (const auto& v : order) {
        if (matchesId(*v, wanted)) found.push_back(v);
    }
    for (const auto& v : order) {
        if (!matchesId(*v, wanted) && matchesText(*v, wanted)) found.push_back(v);
    }
    return found;
}

template <class Accepts>
std::shared_ptr<View> findAccepting(const std::shared_ptr<View>& root, std::string_view wanted, Accepts accepts) {
    const auto found = matches(root, wanted);
    for (const auto& match : found) {
        for (auto v = match; v; v = v->superview()) {
            if (accepts(*v)) return v;
            if (v == root) break;
        }
    }
    return found.empty() ? nullptr : found.front();
}

} // namespace

void dumpViews(const View& root, int indent, std::vector<std::string>& lines) {
    dump(root, indent, lines, ViewDumpOptions{});
}

void dumpViews(const View& root, int indent, std::vector<std::string>& lines, const ViewDumpOptions& options) {
    dump(root, indent, lines, options);
}

std::shared_ptr<View> findView(const std::shared_ptr<View>& root, std::string_view idOrLabel) {
    const auto found = matches(root, idOrLabel);
    return found.empty() ? nullptr : found.front();
}

std::shared_ptr<View> findTappable(const std::shared_ptr<View>& root, std::string_view idOrLabel) {
    return findAccepting(root, idOrLabel, [](const View& v) { return v.acceptsTaps(); });
}

std::shared_ptr<View> findLongPressable(const std::shared_ptr<View>& root, std::string_view idOrLabel) {
    return findAccepting(root, idOrLabel, [](const View& v) { return v.acceptsLongPress(); });
}

} // namespace platform::ui
