#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/View.hpp"

#include <memory>
#include <string>
#include <vector>

namespace platform::ui {

class PanGestureRecognizer;
class ScrollView;

/// Told of scrolling. Every method has an empty default.
class PLATFORM_EXPORT ScrollViewDelegate {
public:
    virtual ~ScrollViewDelegate() = default;
    virtual void scrollViewDidScroll(ScrollView& /*scrollView*/) {}
    virtual void scrollViewWillBeginDragging(ScrollView& /*scrollView*/) {}
    virtual void scrollViewDidEndDragging(ScrollView& /*scrollView*/, bool /*willDecelerate*/) {}
    virtual void scrollViewDidEndDecelerating(ScrollView& /*scrollView*/) {}
    virtual void scrollViewDidEndScrollingAnimation(ScrollView& /*scrollView*/) {}
    virtual void scrollViewDidScrollToTop(ScrollView& /*scrollView*/) {}
};

/// A view whose content can be larger than itself and moves under it.
class PLATFORM_EXPORT ScrollView : public View {
public:
    static std::shared_ptr<ScrollView> create(Rect frame = {});

    Point contentOffset() const { return contentOffset_; }
    /// Moves the content; the delegate hears scrollViewDidScroll when the offset
    /// changes (and, animated, scrollViewDidEndScrollingAnimation after the move).
    void setContentOffset(Point offset, bool animated = false);
    Size contentSize;
    EdgeInsets contentInset;
    EdgeInsets scrollIndicatorInsets;
    bool isScrollEnabled = true;
    bool bounces = true;
    bool alwaysBounceVertical = false;
    bool alwaysBounceHorizontal = false;
    bool isPagingEnabled = false;
    bool showsVerticalScrollIndicator = true;
    bool showsHorizontalScrollIndicator = true;
    bool scrollsToTop = true;
    /// Whether a user's finger is on the content (between the drag's begin and end).
    bool isDragging() const { return dragging_; }

    /// The delegate is not retained.
    void setDelegate(const std::shared_ptr<ScrollViewDelegate>& delegate) { delegate_ = delegate; }
    std::shared_ptr<ScrollViewDelegate> delegate() const { return delegate_.lock(); }

    /// A user's drag to `offset`: willBeginDragging, the offset change
    /// (didScroll), didEndDragging(decelerate), and with `decelerate` a
    /// didEndDecelerating. False (and nothing heard) when scrolling is off or
    /// the view cannot be touched.
    bool simulateScroll(Point offset, bool decelerate = false);
    /// A tap on the status bar: back to the top (didScroll, didScrollToTop).
    bool simulateScrollToTop();
    /// A user's finger dragging on the content by vertical steps (positive:
    /// down, which scrolls the content back towards the top). The scroll
    /// view's own pan runs the drag: willBeginDragging, a didScroll per step,
    /// didEndDragging(false). A pan recognizer of an ancestor view joins the
    /// drag, step by step after the scrolling, only when it may receive the
    /// touch and it or the scroll view's pan allows both together; while it
    /// joins, the content moves too unless scrolling is off. Without
    /// bouncing the content stops at its top. False when neither moved.
    bool simulatePan(const std::vector<double>& steps);
    /// The scroll view's own pan (its translation is the finger's move).
    std::shared_ptr<PanGestureRecognizer> panGestureRecognizer();

    std::string typeName() const override { return "ScrollView"; }
    /// "offset=x,y" when the content is scrolled, then the view's parts.
    void describeState(std::vector<std::string>& parts) const override;

protected:
    explicit ScrollView(Rect frame) : View(frame) {}

private:
    std::weak_ptr<ScrollViewDelegate> delegate_;
    std::shared_ptr<PanGestureRecognizer> pan_;
    Point contentOffset_;
    bool dragging_ = false;
};

} // namespace platform::ui
