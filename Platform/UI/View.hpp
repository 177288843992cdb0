#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/Color.hpp"
#include "Platform/UI/Font.hpp"
#include "Platform/UI/Geometry.hpp"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

class GestureRecognizer;
class ViewController;
class Window;
class View;

/// The corners of a rectangle (bits).
namespace RectCorner {
inline constexpr unsigned topLeft = 1u << 0;
inline constexpr unsigned topRight = 1u << 1;
inline constexpr unsigned bottomLeft = 1u << 2;
inline constexpr unsigned bottomRight = 1u << 3;
inline constexpr unsigned allCorners = topLeft | topRight | bottomLeft | bottomRight;
} // namespace RectCorner

/// A layer mask shaped as a rectangle with some corners rounded.
struct PLATFORM_EXPORT RoundedRectMask {
    Rect rect;
    unsigned corners = RectCorner::allCorners;
    Size cornerRadii;
    bool operator==(const RoundedRectMask&) const = default;
};

/// The drawing layer's values a screen sets; kept as data.
struct PLATFORM_EXPORT Layer {
    double borderWidth = 0;
    std::optional<Color> borderColor;
    double cornerRadius = 0;
    std::optional<Color> shadowColor;
    double shadowOpacity = 0;
    Size shadowOffset{0, -3};
    double shadowRadius = 3;
    bool masksToBounds = false;
    /// The shape that clips the layer; none: no mask.
    std::optional<RoundedRectMask> mask;
};

/// Layout attributes of constraints.
enum class LayoutAttribute { none, left, right, top, bottom, leading, trailing, width, height, centerX, centerY };
enum class LayoutRelation { lessThanOrEqual, equal, greaterThanOrEqual };

/// One item a constraint can refer to: a view, or a view's safe-area guide.
struct PLATFORM_EXPORT LayoutAnchor {
    std::weak_ptr<View> view;
    bool safeArea = false;
    LayoutAttribute attribute = LayoutAttribute::none;

    /// first = second * 1 + constant
    struct LayoutConstraint constraint(const LayoutAnchor& other, double constant = 0,
                                       LayoutRelation relation = LayoutRelation::equal) const;
    /// For width and height: first = constant.
    struct LayoutConstraint constraint(double constant, LayoutRelation relation = LayoutRelation::equal) const;
};

/// A layout constraint, kept as data (there is no layout solver).
struct PLATFORM_EXPORT LayoutConstraint {
    LayoutAnchor first;
    LayoutRelation relation = LayoutRelation::equal;
    std::optional<LayoutAnchor> second;
    double multiplier = 1;
    double constant = 0;
    float priority = 1000;
    bool isActive = false;
    std::string identifier;

    /// Activates the constraints: each is added to the nearest common ancestor of its items.
    static void activate(std::vector<LayoutConstraint> constraints);
};

/// Options of view animations.
enum class AnimationCurve { easeInOut, easeIn, easeOut, linear };

/// The option bits of view animations, as the platform numbers them.
namespace AnimationOptions {
inline constexpr unsigned allowUserInteraction = 1u << 1;
inline constexpr unsigned beginFromCurrentState = 1u << 2;
inline constexpr unsigned curveEaseInOut = 0u << 16;
inline constexpr unsigned curveEaseIn = 1u << 16;
inline constexpr unsigned curveEaseOut = 2u << 16;
inline constexpr unsigned curveLinear = 3u << 16;
/// The curve bits of an option set.
inline constexpr AnimationCurve curve(unsigned options) {
    switch ((options >> 16) & 3u) {
    case 1: return AnimationCurve::easeIn;
    case 2: return AnimationCurve::easeOut;
    case 3: return AnimationCurve::linear;
    default: return AnimationCurve::easeInOut;
    }
}
inline constexpr unsigned bits(AnimationCurve curve) { return static_cast<unsigned>(curve == AnimationCurve::easeIn ? 1 : curve == AnimationCurve::easeOut ? 2 : curve == AnimationCurve::linear ? 3 : 0) << 16; }
} // namespace AnimationOptions

/// The parameters one view animation was started with, kept for tests.
struct PLATFORM_EXPORT AnimationRecord {
    double duration = 0;
    double delay = 0;
    /// Spring damping ratio and initial velocity; none for a plain animation.
    std::optional<double> springDamping;
    std::optional<double> initialSpringVelocity;
    unsigned options = 0;
};

/// A 2-D affine transform of a view (only scales are used here).
struct PLATFORM_EXPORT AffineTransform {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
    static AffineTransform identity() { return {}; }
    static AffineTransform scale(double sx, double sy) { return AffineTransform{sx, 0, 0, sy, 0, 0}; }
    bool operator==(const AffineTransform&) const = default;
};

/// Pixels per point of the simulated screen.
inline constexpr double kScreenScale = 3;

/// How a view fits its content (an image) into its bounds.
enum class ContentMode { scaleToFill, scaleAspectFit, scaleAspectFill, redraw, center, top, bottom, left, right };

/// A view: a node of the screen's tree with the values a screen sets on it.
class PLATFORM_EXPORT View : public std::enable_shared_from_this<View> {
public:
    static std::shared_ptr<View> create(Rect frame = {});
    virtual ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // Hierarchy ----------------------------------------------------------
    void addSubview(const std::shared_ptr<View>& view);
    void insertSubview(const std::shared_ptr<View>& view, std::size_t index);
    void bringSubviewToFront(const std::shared_ptr<View>& view);
    void sendSubviewToBack(const std::shared_ptr<View>& view);
    void removeFromSuperview();
    const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
    std::shared_ptr<View> superview() const { return superview_.lock(); }
    /// The window at the root of this view's tree, if any.
    std::shared_ptr<Window> window() const;
    bool isDescendant(const View& ancestor) const;
    /// Depth-first search of this view and its subviews.
    std::shared_ptr<View> viewWithTag(int tag);
    std::shared_ptr<View> viewWithAccessibilityIdentifier(const std::string& identifier);

    // Values -------------------------------------------------------------
    Rect frame;
    Rect bounds() const { return Rect{{0, 0}, frame.size}; }
    bool isHidden = false;
    double alpha = 1;
    std::optional<Color> backgroundColor;
    std::optional<Color> tintColor;
    int tag = 0;
    bool isUserInteractionEnabled = true;
    bool clipsToBounds = false;
    bool translatesAutoresizingMaskIntoConstraints = true;
    std::string accessibilityIdentifier;
    std::string accessibilityLabel;
    EdgeInsets safeAreaInsets;
    EdgeInsets layoutMargins{8, 8, 8, 8};
    ContentMode contentMode = ContentMode::scaleToFill;
    AffineTransform transform;
    /// The screen's scale, taken when the view is made.
    double contentScaleFactor = kScreenScale;
    Layer& layer() { return layer_; }
    const Layer& layer() const { return layer_; }

    /// Whether the view and all its ancestors are shown (not hidden, alpha > 0).
    bool isVisibleOnScreen() const;
    /// Whether a user can touch the view: it is visible on screen and neither it
    /// nor an ancestor has user interaction turned off.
    bool isInteractable() const;
    /// A point of this view's coordinates in another view's (null: the root's).
    /// Frames are summed up the tree; scroll offsets are not applied.
    Point convert(Point point, const View* to) const;

    // Constraints (data only) --------------------------------------------
    LayoutAnchor anchor(LayoutAttribute attribute);
    LayoutAnchor safeAreaAnchor(LayoutAttribute attribute);
    const std::vector<LayoutConstraint>& constraints() const { return constraints_; }
    void addConstraint(LayoutConstraint constraint);
    /// Removes the constraints equal to `constraint` (by items, relation and values).
    void removeConstraint(const LayoutConstraint& constraint);
    void removeAllConstraints() { constraints_.clear(); }
    /// The constraint held by this view or an ancestor with that identifier
    /// (the nearest first), to change its constant; null when there is none.
    LayoutConstraint* constraintWithIdentifier(const std::string& identifier);

    // Layout -------------------------------------------------------------
    void setNeedsLayout() { needsLayout_ = true; }
    bool needsLayout() const { return needsLayout_; }
    /// Runs layoutSubviews (and the owning controller's layout callbacks) when a layout is pending.
    void layoutIfNeeded();
    virtual void layoutSubviews() {}
    /// The traits of the controller whose view tree holds this view changed
    /// (its size class, a rotation); read them from that controller.
    virtual void traitCollectionDidChange() {}

    // Gestures -----------------------------------------------------------
    void addGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer);
    void removeGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer);
    const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers() const { return gestures_; }

    // Controllers --------------------------------------------------------
    /// The controller whose root view this is, if any.
    std::shared_ptr<ViewController> owningViewController() const { return owner_.lock(); }
    void setOwningViewController(const std::shared_ptr<ViewController>& owner) { owner_ = owner; }

    // Screen dump and event driving ---------------------------------------
    /// The type name in dumps ("View", "Label", "Button", ...).
    virtual std::string typeName() const { return "View"; }
    /// The text a user sees on the view itself ("" for none): a label's text, a button's title.
    virtual std::string displayedText() const { return {}; }
    /// Extra "key=value" pairs for the dump line (state of controls).
    virtual void describeState(std::vector<std::string>& parts) const;
    /// A tap by a user: fires the view's tap gestures or a control's touch-up-inside
    /// action. Returns false when the view takes no taps (disabled, hidden...).
    virtual bool simulateTap();
    /// A long press by a user: fires the view's enabled long-press gestures.
    virtual bool simulateLongPress();
    /// Whether simulateTap would do something (an enabled tap gesture, an enabled control...).
    virtual bool acceptsTaps() const;
    /// Whether the view has an enabled long-press gesture and takes touches.
    bool acceptsLongPress() const;

    // First responder (keyboard focus) ------------------------------------
    virtual bool canBecomeFirstResponder() const { return false; }
    /// Takes the keyboard focus from the current first responder. False when the
    /// view cannot take it or the current one refuses to give it up.
    virtual bool becomeFirstResponder();
    virtual bool resignFirstResponder();
    bool isFirstResponder() const;
    /// Resigns the first responder when it is this view or one of its subviews.
    /// With `force` it resigns even when it would refuse.
    bool endEditing(bool force);
    /// The view holding the keyboard focus, if any.
    static std::shared_ptr<View> currentFirstResponder();

    // Animations ---------------------------------------------------------
    /// Runs `animations` at once (the values jump to their end) and calls the
    /// completion with true once `delay + duration` seconds have passed on the
    /// main queue's clock. A duration of 0 completes on the next turn of the main queue.
    static void animate(double duration, double delay, AnimationCurve curve, const std::function<void()>& animations,
                        std::function<void(bool)> completion = {});
    static void animate(double duration, const std::function<void()>& animations,
                        std::function<void(bool)> completion = {});
    /// A spring animation: the same timing (damping and velocity are recorded only).
    static void animate(double duration, double delay, double springDamping, double initialSpringVelocity,
                        AnimationCurve curve, const std::function<void()>& animations,
                        std::function<void(bool)> completion = {});
    /// The same with the platform's option bits (AnimationOptions).
    static void animate(double duration, double delay, double springDamping, double initialSpringVelocity,
                        unsigned options, const std::function<void()>& animations,
                        std::function<void(bool)> completion = {});
    static void animate(double duration, double delay, unsigned options, const std::function<void()>& animations,
                        std::function<void(bool)> completion = {});
    /// The animations started since the last clearAnimationRecords(), oldest first (tests).
    static const std::vector<AnimationRecord>& animationRecords();
    static void clearAnimationRecords();
    /// A transition of one view's content: the same timing as animate().
    static void transition(const std::shared_ptr<View>& view, double duration, const std::function<void()>& animations,
                           std::function<void(bool)> completion = {});
    /// Runs the block with no animation (here: simply runs it).
    static void performWithoutAnimation(const std::function<void()>& block) {
        if (block) block();
    }
    /// Animations begun and not yet completed (tests).
    static std::size_t runningAnimationCount();

protected:
    explicit View(Rect frame);
    virtual void didMoveToSuperview() {}
    virtual void didMoveToWindow() {}
    /// Called on the superview just after a subview was added (or moved within it).
    virtual void didAddSubview(View& /*subview*/) {}
    /// Called on the superview just before a subview leaves it.
    virtual void willRemoveSubview(View& /*subview*/) {}
    /// Fires the view's enabled tap (long-press) recognizers; whether any fired.
    bool fireTapGestures();
    bool fireLongPressGestures();

private:
    void notifyWindowChange(const std::shared_ptr<Window>& before);
    void detachFromSuperview();
    std::weak_ptr<View> superview_;
    std::vector<std::shared_ptr<View>> subviews_;
    std::vector<std::shared_ptr<GestureRecognizer>> gestures_;
    std::vector<LayoutConstraint> constraints_;
    std::weak_ptr<ViewController> owner_;
    Layer layer_;
    bool needsLayout_ = true;
};

/// Makes a view of a subclass with a shared_ptr (the constructors are protected).
template <class T, class... Args>
std::shared_ptr<T> makeView(Args&&... args) {
    struct Made : T {
        explicit Made(Args&&... a) : T(std::forward<Args>(a)...) {}
    };
    return std::make_shared<Made>(std::forward<Args>(args)...);
}

} // namespace platform::ui
