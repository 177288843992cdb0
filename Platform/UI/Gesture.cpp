#include "Platform/UI/Gesture.hpp"

#include "Platform/UI/View.hpp"

namespace platform::ui {

GestureRecognizer::GestureRecognizer(Action action) {
    if (action) actions_.push_back(std::move(action));
}

GestureRecognizer::~GestureRecognizer() = default;

Point GestureRecognizer::location(const View* in) const {
    auto owner = view();
    if (!owner) return location_;
    return owner->convert(location_, in);
}

void GestureRecognizer::addAction(Action action) {
    if (action) actions_.push_back(std::move(action));
}

bool GestureRecognizer::mayStart(const std::shared_ptr<View>& touchedView) {
    auto owner = view();
    if (!isEnabled || !owner || !owner->isInteractable()) return false;
    const auto touched = touchedView ? touchedView : owner;
    if (shouldReceiveTouch && !shouldReceiveTouch(*this, touched)) return false;
    if (shouldBegin && !shouldBegin(*this)) {
        state_ = State::failed;
        return false;
    }
    return true;
}

void GestureRecognizer::moveTo(State state) {
    state_ = state;
    // Keep the recognizer alive and the list stable while actions run.
    auto self = shared_from_this();
    const auto actions = actions_;
    for (const auto& action : actions) action(*this);
}

// Tap ----------------------------------------------------------------------------

std::shared_ptr<TapGestureRecognizer> TapGestureRecognizer::create(Action action) {
    struct Made : TapGestureRecognizer {
        explicit Made(Action a) : TapGestureRecognizer(std::move(a)) {}
    };
    return std::make_shared<Made>(std::move(action));
}

bool TapGestureRecognizer::simulateTap(Point location, const std::shared_ptr<View>& touchedView) {
    if (!mayStart(touchedView)) return false;
    location_ = location;
    moveTo(recognized);
    return true;
}

// Long press -----------------------------------------------------------------------

std::shared_ptr<LongPressGestureRecognizer> LongPressGestureRecognizer::create(Action action) {
    struct Made : LongPressGestureRecognizer {
        explicit Made(Action a) : LongPressGestureRecognizer(std::move(a)) {}
    };
    return std::make_shared<Made>(std::move(action));
}

bool LongPressGestureRecognizer::simulateLongPress(Point location, const std::shared_ptr<View>& touchedView) {
    if (!mayStart(touchedView)) return false;
    location_ = location;
    moveTo(State::began);
    // An action that disables the recognizer cancels the press.
    moveTo(isEnabled ? State::ended : State::cancelled);
    return true;
}

// Pan --------------------------------------------------------------------------------

std::shared_ptr<PanGestureRecognizer> PanGestureRecognizer::create(Action action) {
    struct Made : PanGestureRecognizer {
        explicit Made(Action a) : PanGestureRecognizer(std::move(a)) {}
    };
    return std::make_shared<Made>(std::move(action));
}

bool PanGestureRecognizer::simulatePan(const std::vector<Point>& translations, Point velocity,
                                       const std::shared_ptr<View>& touchedView) {
    if (!mayStart(touchedView)) return false;
    const Point start = location_;
    finger_ = {};
    base_ = {};
    velocity_ = {};
    moveTo(State::began);
    for (const auto& step : translations) {
        if (!isEnabled) {
            moveTo(State::cancelled);
            return true;
        }
        finger_ = step;
        velocity_ = velocity;
        location_ = Point{start.x + step.x, start.y + step.y};
        moveTo(State::changed);
    }
    velocity_ = velocity;
    moveTo(isEnabled ? State::ended : State::cancelled);
    return true;
}

bool PanGestureRecognizer::beginPan(const std::shared_ptr<View>& touchedView) {
    if (!mayStart(touchedView)) return false;
    finger_ = {};
    base_ = {};
    velocity_ = {};
    moveTo(State::began);
    return true;
}

void PanGestureRecognizer::movePan(Point translation, Point velocity) {
    if (state() != State::began && state() != State::changed) return;
    if (!isEnabled) {
        moveTo(State::cancelled);
        return;
    }
    finger_ = translation;
    velocity_ = velocity;
    moveTo(State::changed);
}

void PanGestureRecognizer::endPan() {
    if (state() != State::began && state() != State::changed) return;
    moveTo(isEnabled ? State::ended : State::cancelled);
}

Point PanGestureRecognizer::translation(const View* /*in*/) const {
    return Point{finger_.x - base_.x, finger_.y - base_.y};
}

void PanGestureRecognizer::setTranslation(Point translation, const View* /*in*/) {
    base_ = Point{finger_.x - translation.x, finger_.y - translation.y};
}

Point PanGestureRecognizer::velocity(const View* /*in*/) const { return velocity_; }

} // namespace platform::ui
