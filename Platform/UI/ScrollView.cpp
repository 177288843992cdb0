#include "Platform/UI/ScrollView.hpp"

#include "Platform/UI/ViewDump.hpp"

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
