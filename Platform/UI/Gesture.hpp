#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/Geometry.hpp"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform::ui {

class View;

/// A gesture recognizer attached to a view. Nothing is touched here: a test or
/// the event driver fires a recognizer with its simulate...() method, which
/// walks the recognizer through the states a real gesture would and calls the
/// actions at each step.
class PLATFORM_EXPORT GestureRecognizer : public std::enable_shared_from_this<GestureRecognizer> {
public:
    enum class State { possible, began, changed, ended, cancelled, failed };
    /// A discrete gesture (a tap) is recognized in one step: the ended state.
    static constexpr State recognized = State::ended;

    using Action = std::function<void(GestureRecognizer&)>;

    virtual ~GestureRecognizer();
    GestureRecognizer(const GestureRecognizer&) = delete;
    GestureRecognizer& operator=(const GestureRecognizer&) = delete;

    State state() const { return state_; }
    /// A disabled recognizer ignores input; disabling one mid-gesture cancels it.
    bool isEnabled = true;
    bool cancelsTouchesInView = true;
    bool delaysTouchesBegan = false;
    std::string name;

    /// The view the recognizer is attached to.
    std::shared_ptr<View> view() const { return view_.lock(); }
    /// Where the gesture happens, in the coordinates of `view` (null: the root's).
    Point location(const View* in) const;

    /// Adds an action; actions run in the order added at every state change.
    void addAction(Action action);
    void removeAllActions() { actions_.clear(); }

    // Delegate hooks (each optional).
    /// Whether the recognizer may start at all.
    std::function<bool(GestureRecognizer&)> shouldBegin;
    /// Whether a touch on `touchedView` reaches this recognizer.
    std::function<bool(GestureRecognizer&, const std::shared_ptr<View>& touchedView)> shouldReceiveTouch;
    /// Whether this recognizer may work together with `other`.
    std::function<bool(GestureRecognizer&, GestureRecognizer& other)> shouldRecognizeSimultaneously;

    /// "TapGestureRecognizer" and so on.
    virtual std::string typeName() const = 0;

protected:
    explicit GestureRecognizer(Action action);
    /// Whether simulated input at `touchedView` (null: the recognizer's view)
    /// may start the gesture: enabled, attached to a view a user can touch, and
    /// not refused by shouldReceiveTouch or shouldBegin.
    bool mayStart(const std::shared_ptr<View>& touchedView);
    /// Moves to a state and runs the actions.
    void moveTo(State state);
    Point location_;

private:
    friend class View;
    std::weak_ptr<View> view_;
    std::vector<Action> actions_;
    State state_ = State::possible;
};

/// A tap of one or more fingers, recognized when the taps end.
class PLATFORM_EXPORT TapGestureRecognizer : public GestureRecognizer {
public:
    static std::shared_ptr<TapGestureRecognizer> create(Action action = {});
    int numberOfTapsRequired = 1;
    int numberOfTouchesRequired = 1;

    /// A tap at `location` (in the view's coordinates): the recognized state.
    /// False when the tap was ignored.
    bool simulateTap(Point location = {}, const std::shared_ptr<View>& touchedView = nullptr);
    std::string typeName() const override { return "TapGestureRecognizer"; }

protected:
    using GestureRecognizer::GestureRecognizer;
};

/// A press held for a while: began once held long enough, ended on release.
class PLATFORM_EXPORT LongPressGestureRecognizer : public GestureRecognizer {
public:
    static std::shared_ptr<LongPressGestureRecognizer> create(Action action = {});
    double minimumPressDuration = 0.5;
    double allowableMovement = 10;

    /// A press held past the minimum duration and released: began, then ended.
    bool simulateLongPress(Point location = {}, const std::shared_ptr<View>& touchedView = nullptr);
    std::string typeName() const override { return "LongPressGestureRecognizer"; }

protected:
    using GestureRecognizer::GestureRecognizer;
};

/// A drag: began, changed as the finger moves, ended on release.
class PLATFORM_EXPORT PanGestureRecognizer : public GestureRecognizer {
public:
    static std::shared_ptr<PanGestureRecognizer> create(Action action = {});
    int minimumNumberOfTouches = 1;

    /// A drag whose finger reaches each of `translations` (from where it went
    /// down) in turn: began at no translation, changed at each step, ended at
    /// the last one with `velocity` (points per second). False when ignored.
    bool simulatePan(const std::vector<Point>& translations, Point velocity = {},
                     const std::shared_ptr<View>& touchedView = nullptr);
    /// The finger's move since the gesture began (or since setTranslation), in
    /// the coordinates of `view` (translations are the same in every view here).
    Point translation(const View* in = nullptr) const;
    /// Restarts the translation from `translation` (usually zero).
    void setTranslation(Point translation, const View* in = nullptr);
    Point velocity(const View* in = nullptr) const;
    std::string typeName() const override { return "PanGestureRecognizer"; }

    // One drag step by step, for a drag that drives several recognizers at
    // once (a scroll view and the pans of its ancestors).
    /// Began at no translation; false when the recognizer may not start.
    bool beginPan(const std::shared_ptr<View>& touchedView = nullptr);
    /// Changed, the finger at `translation` from where it went down.
    void movePan(Point translation, Point velocity = {});
    /// Ended (cancelled when the recognizer was disabled meanwhile).
    void endPan();

protected:
    using GestureRecognizer::GestureRecognizer;

private:
    friend class ScrollView;
    Point finger_;
    Point base_;
    Point velocity_;
};

} // namespace platform::ui
