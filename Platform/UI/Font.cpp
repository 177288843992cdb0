#include "Platform/UI/Font.hpp"

#include "Platform/UI/ViewDump.hpp"

#include <mutex>
#include <set>

namespace platform::ui {

namespace {

// The fonts every device has.
constexpr const char* kSystemFonts[] = {
    "System", "System-Medium", "System-Semibold", "System-Bold",
    "Helvetica", "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-Light",
    "HelveticaNeue", "HelveticaNeue-Bold", "HelveticaNeue-Medium", "HelveticaNeue-Light", "HelveticaNeue-Italic",
    "Arial", "ArialMT", "Arial-BoldMT", "Arial-ItalicMT",
    "Courier", "Courier-Bold", "CourierNewPSMT", "CourierNewPS-BoldMT",
    "Menlo-Regular", "Menlo-Bold",
    "Georgia", "Georgia-Bold", "Georgia-Italic",
    "TimesNewRomanPSMT", "TimesNewRomanPS-BoldMT",
    "Avenir-Book", "Avenir-Medium", "Avenir-Heavy", "AvenirNext-Regular", "AvenirNext-Medium", "AvenirNext-Bold",
    "Verdana", "Verdana-Bold", "TrebuchetMS", "Palatino-Roman", "Futura-Medium", "GillSans",
};

struct FontRegistry {
    std::mutex mutex;
    std::set<std::string, std::less<>> names{std::begin(kSystemFonts), std::end(kSystemFonts)};
};

FontRegistry& registry() {
    static auto* r = new FontRegistry;
    return *r;
}

} // namespace

bool Font::isKnown(std::string_view name) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    return r.names.find(name) != r.names.end();
}

std::optional<Font> Font::named(std::string_view name, double size) {
    if (!isKnown(name)) return std::nullopt;
    return Font{std::string(name), size};
}

void Font::registerFont(std::string name) {
    if (name.empty()) return;
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.names.insert(std::move(name));
}

Font Font::systemFont(double size, FontWeight weight) {
    switch (weight) {
    case FontWeight::regular: return Font{"System", size};
    case FontWeight::medium: return Font{"System-Medium", size};
    case FontWeight::semibold: return Font{"System-Semibold", size};
    case FontWeight::bold: return Font{"System-Bold", size};
    }
    return Font{"System", size};
}

Font Font::preferredFont(TextStyle style) {
    // The sizes of the default (large) text size setting.
    switch (style) {
    case TextStyle::largeTitle: return systemFont(34);
    case TextStyle::title1: return systemFont(28);
    case TextStyle::title2: return systemFont(22);
    case TextStyle::title3: return systemFont(20);
    case TextStyle::headline: return systemFont(17, FontWeight::semibold);
    case TextStyle::body: return systemFont(17);
    case TextStyle::callout: return systemFont(16);
    case TextStyle::subheadline: return systemFont(15);
    case TextStyle::footnote: return systemFont(13);
    case TextStyle::caption1: return systemFont(12);
    case TextStyle::caption2: return systemFont(11);
    }
    return systemFont(17);
}

std::string Font::description() const { return name + "-" + dumpNumber(pointSize); }

} // namespace platform::ui
