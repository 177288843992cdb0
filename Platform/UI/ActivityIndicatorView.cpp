#include "Platform/UI/ActivityIndicatorView.hpp"

namespace platform::ui {

std::shared_ptr<ActivityIndicatorView> ActivityIndicatorView::create(Style style, Rect frame) {
    return makeView<ActivityIndicatorView>(style, frame);
}

ActivityIndicatorView::ActivityIndicatorView(Style style, Rect frame) : View(frame), style(style) {
    isUserInteractionEnabled = false;
    isHidden = true; // stopped, and hidden when stopped
}

void ActivityIndicatorView::startAnimating() {
    animating_ = true;
    if (hidesWhenStopped_) isHidden = false;
}

void ActivityIndicatorView::stopAnimating() {
    animating_ = false;
    if (hidesWhenStopped_) isHidden = true;
}

void ActivityIndicatorView::setHidesWhenStopped(bool hides) {
    hidesWhenStopped_ = hides;
    if (!animating_) isHidden = hides;
}

void ActivityIndicatorView::describeState(std::vector<std::string>& parts) const {
    if (animating_) parts.emplace_back("animating");
    View::describeState(parts);
}

} // namespace platform::ui
