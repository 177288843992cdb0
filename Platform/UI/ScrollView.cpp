#include "Platform/UI/ScrollView.hpp"

#include "Platform/UI/Gesture.hpp"

#include "Platform/UI/ViewDump.hpp"

#include <algorithm>

namespace platform::ui {

std::shared_ptr<ScrollView> ScrollView::create(Rect frame) { return makeView<ScrollView>(frame); }

void ScrollView::setContentOffset(Point offset, bool animated) {
    auto self = shared_from_this();
    const bool moved = offset != contentOffset_;
    contentOffset_ = offset;
    if (moved) {
        if (auto d = delegate()) d->scrollViewDidScroll(*this);
    }
    if (animated) {
        if (auto d = delegate()) d->scrollViewDidEndScrollingAnimation(*this);
    }
}

bool ScrollView::simulateScroll(Point offset, bool decelerate) {
    if (!isScrollEnabled || !isInteractable()) return false;
    auto self = shared_from_this();
    dragging_ = true;
    if (auto d = delegate()) d->scrollViewWillBeginDragging(*this);
    setContentOffset(offset);
    dragging_ = false;
    if (auto d = delegate()) d->scrollViewDidEndDragging(*this, decelerate);
    if (decelerate) {
        if (auto d = delegate()) d->scrollViewDidEndDecelerating(*this);
    }
    return true;
}

std::shared_ptr<PanGestureRecognizer> ScrollView::panGestureRecognizer() {
    if (!pan_) pan_ = PanGestureRecognizer::create();
    return pan_;
}

bool ScrollView::simulatePan(const std::vector<double>& steps) {
    auto self = std::static_pointer_cast<ScrollView>(shared_from_this());
    auto own = panGestureRecognizer();
    const bool scrolls = isScrollEnabled && isInteractable();

    // The ancestors' pans that may run together with this one.
    std::vector<std::shared_ptr<PanGestureRecognizer>> joined;
    for (auto ancestor = superview(); ancestor; ancestor = ancestor->superview()) {
        for (const auto& recognizer : ancestor->gestureRecognizers()) {
            auto pan = std::dynamic_pointer_cast<PanGestureRecognizer>(recognizer);
            if (!pan) continue;
            const bool together = (pan->shouldRecognizeSimultaneously && pan->shouldRecognizeSimultaneously(*pan, *own)) ||
                                  (own->shouldRecognizeSimultaneously && own->shouldRecognizeSimultaneously(*own, *pan));
            if (together && pan->beginPan(self)) joined.push_back(pan);
        }
    }
    if (!scrolls && joined.empty()) return false;

    if (scrolls) {
        dragging_ = true;
        if (auto d = delegate()) d->scrollViewWillBeginDragging(*this);
    }
    double finger = 0;
    for (double step : steps) {
        finger += step;
        own->finger_ = Point{0, finger};
        if (scrolls) {
            double y = contentOffset_.y - step;
            // Without bouncing the content stops at its top.
            if (!bounces) y = std::max(y, -contentInset.top);
            setContentOffset(Point{contentOffset_.x, y});
        }
        for (const auto& pan : joined) pan->movePan(Point{0, finger});
    }
    if (scrolls) {
        dragging_ = false;
        if (auto d = delegate()) d->scrollViewDidEndDragging(*this, false);
    }
    for (const auto& pan : joined) pan->endPan();
    return true;
}

bool ScrollView::simulateScrollToTop() {
    if (!scrollsToTop || !isVisibleOnScreen()) return false;
    auto self = shared_from_this();
    setContentOffset(Point{contentOffset_.x, -contentInset.top});
    if (auto d = delegate()) d->scrollViewDidScrollToTop(*this);
    return true;
}

void ScrollView::describeState(std::vector<std::string>& parts) const {
    if (contentOffset_ != Point{}) parts.push_back("offset=" + dumpPoint(contentOffset_));
    View::describeState(parts);
}

} // namespace platform::ui
