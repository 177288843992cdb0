#include "VellicorApp/Switching/ServiceProviderLoadingOverlayView.hpp"

#include "VellicorApp/Switching/BrandFont.hpp"

#include "Platform/UI/Color.hpp"

namespace vellicor {

using platform::ui::Color;
using platform::ui::Node;

namespace {

constexpr const char* kTextFont = "VeltraneSans-Bold";
constexpr double kTextFontSize = 14;
constexpr double kSpacing = 20;
constexpr double kMargin = 20;

} // namespace

Node ServiceProviderLoadingOverlayView::body() const {
    auto dimming = Node::spacer();
    dimming.background(Color::rgba(0, 0, 0, 0.8)).attribute("ignoresSafeArea", "all");

    auto spinner = Node::progressView();
    spinner.progressViewStyle(platform::ui::ProgressViewStyle::circular).tint(Color::white()).scaleEffect(2);
    // The line wraps within the screen, less the margins.
    auto line = Node::text(text);
    line.foregroundColor(Color::white()).font(brandFont(kTextFont, kTextFontSize));

    auto content =
        Node::vstack({std::move(spinner), std::move(line)}, platform::ui::HorizontalAlignment::center, kSpacing);
    content.background(Color::clear()).padding(kMargin);

    auto overlay = Node::zstack({std::move(dimming), std::move(content)});
    overlay.attribute("maxWidth", "infinity").attribute("maxHeight", "infinity");
    return overlay;
}

} // namespace vellicor
