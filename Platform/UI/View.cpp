#include "Platform/UI/View.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/UI/Gesture.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/UI/ViewDump.hpp"
#include "Platform/UI/Window.hpp"

#include <algorithm>

namespace platform::ui {

namespace {

// The view holding the keyboard focus. Main thread only, as all view state.
std::weak_ptr<View>& firstResponderSlot() {
    static auto* slot = new std::weak_ptr<View>;
    return *slot;
}

// Animations whose completion has not run yet: each entry is owned by the
// pending main-queue block, so a queue reset (between tests) forgets it too.
std::vector<std::weak_ptr<int>>& pendingAnimations() {
    static auto* list = new std::vector<std::weak_ptr<int>>;
    return *list;
}

std::vector<AnimationRecord>& animationRecordList() {
    static auto* list = new std::vector<AnimationRecord>;
    return *list;
}

std::vector<View*> ancestorsAndSelf(const View& view) {
    std::vector<View*> chain;
    for (auto* v = const_cast<View*>(&view); v != nullptr; v = v->superview().get()) chain.push_back(v);
    return chain;
}

View* rootOf(const View& view) { return ancestorsAndSelf(view).back(); }

} // namespace

// Anchors and constraints ------------------------------------------------------

LayoutConstraint LayoutAnchor::constraint(const LayoutAnchor& other, double constant, LayoutRelation relation) const {
    LayoutConstraint c;
    c.first = *this;
    c.second = other;
    c.constant = constant;
    c.relation = relation;
    return c;
}

LayoutConstraint LayoutAnchor::constraint(double constant, LayoutRelation relation) const {
    LayoutConstraint c;
    c.first = *this;
    c.constant = constant;
    c.relation = relation;
    return c;
}

void LayoutConstraint::activate(std::vector<LayoutConstraint> constraints) {
    for (auto& c : constraints) {
        auto first = c.first.view.lock();
        auto second = c.second ? c.second->view.lock() : nullptr;
        std::shared_ptr<View> holder = first;
        if (first && second) {
            // The nearest common ancestor of both items; the first view when
            // they share none (the platform would complain; we keep the data).
            auto chain = ancestorsAndSelf(*first);
            for (auto* v : ancestorsAndSelf(*second)) {
                if (std::find(chain.begin(), chain.end(), v) != chain.end()) {
                    holder = v->weak_from_this().lock();
                    break;
                }
            }
        } else if (!first) {
            holder = second;
        }
        if (!holder) continue;
        c.isActive = true;
        holder->addConstraint(std::move(c));
    }
}

namespace {
bool sameAnchor(const LayoutAnchor& a, const LayoutAnchor& b) {
    return a.view.lock() == b.view.lock() && a.safeArea == b.safeArea && a.attribute == b.attribute;
}
bool sameConstraint(const LayoutConstraint& a, const LayoutConstraint& b) {
    if (!sameAnchor(a.first, b.first) || a.relation != b.relation || a.multiplier != b.multiplier ||
        a.constant != b.constant || a.priority != b.priority || a.identifier != b.identifier ||
        a.second.has_value() != b.second.has_value()) {
        return false;
    }
    return !a.second || sameAnchor(*a.second, *b.second);
}
} // namespace

LayoutConstraint* View::constraintWithIdentifier(const std::string& identifier) {
    for (auto* view = this; view != nullptr; view = view->superview().get()) {
        for (auto& c : view->constraints_) {
            if (c.identifier == identifier) return &c;
        }
    }
    return nullptr;
}

// Life cycle -------------------------------------------------------------------

std::shared_ptr<View> View::create(Rect frame) { return makeView<View>(frame); }

View::View(Rect frame) : frame(frame) {}

View::~View() = default;

// Hierarchy --------------------------------------------------------------------

void View::addSubview(const std::shared_ptr<View>& view) { insertSubview(view, subviews_.size()); }

void View::insertSubview(const std::shared_ptr<View>& view, std::size_t index) {
    if (!view) return;
    if (view.get() == this || isDescendant(*view)) {
        fatalError("Can't add self as subview");
    }
    const auto windowBefore = view->window();
    const bool sameParent = view->superview().get() == this;
    if (sameParent) {
        auto it = std::find(subviews_.begin(), subviews_.end(), view);
        const auto oldIndex = static_cast<std::size_t>(it - subviews_.begin());
        subviews_.erase(it);
        if (index > oldIndex) --index;
    } else {
        view->detachFromSuperview();
    }
    index = std::min(index, subviews_.size());
    subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), view);
    view->superview_ = weak_from_this();
    view->needsLayout_ = true;
    needsLayout_ = true;
    didAddSubview(*view);
    if (!sameParent) {
        view->didMoveToSuperview();
        view->notifyWindowChange(windowBefore);
    }
}

void View::bringSubviewToFront(const std::shared_ptr<View>& view) {
    if (view && view->superview().get() == this) insertSubview(view, subviews_.size());
}

void View::sendSubviewToBack(const std::shared_ptr<View>& view) {
    if (view && view->superview().get() == this) insertSubview(view, 0);
}

void View::detachFromSuperview() {
    auto parent = superview_.lock();
    if (!parent) return;
    parent->willRemoveSubview(*this);
    auto& siblings = parent->subviews_;
    auto it = std::find_if(siblings.begin(), siblings.end(), [this](const auto& v) { return v.get() == this; });
    // Keep this view alive while it leaves its parent's list.
    auto self = shared_from_this();
    if (it != siblings.end()) siblings.erase(it);
    // Constraints between this subtree and the views it leaves go with it, as
    // on the platform: they are held by the ancestors it no longer has.
    const auto refersInside = [this](const LayoutAnchor& anchor) {
        auto view = anchor.view.lock();
        return view && (view.get() == this || view->isDescendant(*this));
    };
    for (auto* ancestor = parent.get(); ancestor != nullptr; ancestor = ancestor->superview().get()) {
        std::erase_if(ancestor->constraints_, [&](const LayoutConstraint& c) {
            return refersInside(c.first) || (c.second && refersInside(*c.second));
        });
    }
    superview_.reset();
    parent->needsLayout_ = true;
}

void View::removeFromSuperview() {
    if (!superview_.lock()) return;
    auto self = shared_from_this();
    const auto windowBefore = window();
    if (isFirstResponder() || (currentFirstResponder() && currentFirstResponder()->isDescendant(*this))) {
        endEditing(true);
    }
    detachFromSuperview();
    didMoveToSuperview();
    notifyWindowChange(windowBefore);
}

void View::notifyWindowChange(const std::shared_ptr<Window>& before) {
    if (window() == before) return;
    // Every view of the moved subtree changed window.
    std::vector<std::shared_ptr<View>> stack{shared_from_this()};
    while (!stack.empty()) {
        auto v = std::move(stack.back());
        stack.pop_back();
        v->didMoveToWindow();
        if (auto owner = v->owningViewController()) owner->rootViewDidMoveToWindow();
        for (auto it = v->subviews_.rbegin(); it != v->subviews_.rend(); ++it) stack.push_back(*it);
    }
}

std::shared_ptr<Window> View::window() const {
    auto* root = rootOf(*this);
    return std::dynamic_pointer_cast<Window>(root->weak_from_this().lock());
}

bool View::isDescendant(const View& ancestor) const {
    for (const auto* v = this; v != nullptr; v = v->superview_.lock().get()) {
        if (v == &ancestor) return true;
    }
    return false;
}

std::shared_ptr<View> View::viewWithTag(int wanted) {
    if (tag == wanted) return shared_from_this();
    for (const auto& sub : subviews_) {
        if (auto found = sub->viewWithTag(wanted)) return found;
    }
    return nullptr;
}

std::shared_ptr<View> View::viewWithAccessibilityIdentifier(const std::string& identifier) {
    if (!identifier.empty() && accessibilityIdentifier == identifier) return shared_from_this();
    for (const auto& sub : subviews_) {
        if (auto found = sub->viewWithAccessibilityIdentifier(identifier)) return found;
    }
    return nullptr;
}

bool View::isVisibleOnScreen() const {
    for (const auto* v : ancestorsAndSelf(*this)) {
        if (v->isHidden || v->alpha <= 0) return false;
    }
    return true;
}

bool View::isInteractable() const {
    for (const auto* v : ancestorsAndSelf(*this)) {
        if (v->isHidden || v->alpha <= 0 || !v->isUserInteractionEnabled) return false;
    }
    return true;
}

Point View::convert(Point point, const View* to) const {
    auto offsetInRoot = [](const View& view) {
        Point origin;
        for (const auto* v : ancestorsAndSelf(view)) {
            if (v->superview() == nullptr) break; // the root's own frame is the screen position
            origin.x += v->frame.origin.x;
            origin.y += v->frame.origin.y;
        }
        return origin;
    };
    const Point from = offsetInRoot(*this);
    const Point target = to != nullptr ? offsetInRoot(*to) : Point{};
    return Point{point.x + from.x - target.x, point.y + from.y - target.y};
}

// Constraints ------------------------------------------------------------------

LayoutAnchor View::anchor(LayoutAttribute attribute) {
    return LayoutAnchor{weak_from_this(), false, attribute};
}

LayoutAnchor View::safeAreaAnchor(LayoutAttribute attribute) {
    return LayoutAnchor{weak_from_this(), true, attribute};
}

void View::addConstraint(LayoutConstraint constraint) {
    constraint.isActive = true;
    constraints_.push_back(std::move(constraint));
    needsLayout_ = true;
}

void View::removeConstraint(const LayoutConstraint& constraint) {
    std::erase_if(constraints_, [&](const LayoutConstraint& c) { return sameConstraint(c, constraint); });
}

// Layout -----------------------------------------------------------------------

void View::layoutIfNeeded() {
    auto self = shared_from_this();
    if (needsLayout_) {
        needsLayout_ = false;
        auto owner = owningViewController();
        if (owner) owner->viewWillLayoutSubviews();
        layoutSubviews();
        if (owner) owner->viewDidLayoutSubviews();
    }
    const auto subviews = subviews_;
    for (const auto& sub : subviews) sub->layoutIfNeeded();
}

// Dump and events --------------------------------------------------------------

void View::describeState(std::vector<std::string>& parts) const {
    if (alpha > 0 && alpha < 1) parts.push_back("alpha=" + dumpNumber(alpha));
}

bool View::fireTapGestures() {
    bool fired = false;
    const auto recognizers = gestures_;
    for (const auto& g : recognizers) {
        if (auto tap = std::dynamic_pointer_cast<TapGestureRecognizer>(g)) fired = tap->simulateTap() || fired;
    }
    return fired;
}

bool View::fireLongPressGestures() {
    bool fired = false;
    const auto recognizers = gestures_;
    for (const auto& g : recognizers) {
        if (auto press = std::dynamic_pointer_cast<LongPressGestureRecognizer>(g)) {
            fired = press->simulateLongPress() || fired;
        }
    }
    return fired;
}

bool View::simulateTap() {
    if (!isInteractable()) return false;
    return fireTapGestures();
}

bool View::simulateLongPress() {
    if (!isInteractable()) return false;
    return fireLongPressGestures();
}

bool View::acceptsTaps() const {
    if (!isInteractable()) return false;
    return std::any_of(gestures_.begin(), gestures_.end(), [](const auto& g) {
        return g->isEnabled && dynamic_cast<const TapGestureRecognizer*>(g.get()) != nullptr;
    });
}

bool View::acceptsLongPress() const {
    if (!isInteractable()) return false;
    return std::any_of(gestures_.begin(), gestures_.end(), [](const auto& g) {
        return g->isEnabled && dynamic_cast<const LongPressGestureRecognizer*>(g.get()) != nullptr;
    });
}

// Gestures ---------------------------------------------------------------------

void View::addGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer) {
    if (!recognizer) return;
    if (auto old = recognizer->view(); old && old.get() != this) old->removeGestureRecognizer(recognizer);
    if (std::find(gestures_.begin(), gestures_.end(), recognizer) == gestures_.end()) gestures_.push_back(recognizer);
    recognizer->view_ = weak_from_this();
}

void View::removeGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer) {
    auto it = std::find(gestures_.begin(), gestures_.end(), recognizer);
    if (it == gestures_.end()) return;
    (*it)->view_.reset();
    gestures_.erase(it);
}

// First responder --------------------------------------------------------------

bool View::isFirstResponder() const { return firstResponderSlot().lock().get() == this; }

std::shared_ptr<View> View::currentFirstResponder() { return firstResponderSlot().lock(); }

bool View::becomeFirstResponder() {
    if (!canBecomeFirstResponder()) return false;
    if (isFirstResponder()) return true;
    if (auto current = currentFirstResponder(); current && !current->resignFirstResponder()) return false;
    firstResponderSlot() = weak_from_this();
    return true;
}

bool View::resignFirstResponder() {
    if (isFirstResponder()) firstResponderSlot().reset();
    return true;
}

bool View::endEditing(bool force) {
    auto current = currentFirstResponder();
    if (!current || !current->isDescendant(*this)) return false;
    if (current->resignFirstResponder()) return true;
    if (!force) return false;
    firstResponderSlot().reset();
    return true;
}

// Animations -------------------------------------------------------------------

void View::animate(double duration, double delay, AnimationCurve curve, const std::function<void()>& animations,
                   std::function<void(bool)> completion) {
    animate(duration, delay, AnimationOptions::bits(curve), animations, std::move(completion));
}

void View::animate(double duration, double delay, unsigned options, const std::function<void()>& animations,
                   std::function<void(bool)> completion) {
    animationRecordList().push_back(AnimationRecord{duration, delay, std::nullopt, std::nullopt, options});
    if (animations) animations();
    auto token = std::make_shared<int>(0);
    auto& pending = pendingAnimations();
    std::erase_if(pending, [](const auto& w) { return w.expired(); });
    pending.push_back(token);
    auto finish = [token, completion = std::move(completion)] {
        std::erase_if(pendingAnimations(),
                      [&](const auto& w) { return w.expired() || w.lock() == token; });
        if (completion) completion(true);
    };
    const double total = std::max(0.0, delay) + std::max(0.0, duration);
    if (total <= 0) {
        MainQueue::async(std::move(finish));
    } else {
        MainQueue::asyncAfter(total, std::move(finish));
    }
}

void View::animate(double duration, const std::function<void()>& animations, std::function<void(bool)> completion) {
    animate(duration, 0, AnimationCurve::easeInOut, animations, std::move(completion));
}

void View::animate(double duration, double delay, double springDamping, double initialSpringVelocity,
                   AnimationCurve curve, const std::function<void()>& animations,
                   std::function<void(bool)> completion) {
    animate(duration, delay, springDamping, initialSpringVelocity, AnimationOptions::bits(curve), animations,
            std::move(completion));
}

void View::animate(double duration, double delay, double springDamping, double initialSpringVelocity,
                   unsigned options, const std::function<void()>& animations,
                   std::function<void(bool)> completion) {
    // Recorded before the block runs, which may start animations of its own.
    const std::size_t index = animationRecordList().size();
    animate(duration, delay, options, animations, std::move(completion));
    if (index < animationRecordList().size()) {
        animationRecordList()[index].springDamping = springDamping;
        animationRecordList()[index].initialSpringVelocity = initialSpringVelocity;
    }
}

const std::vector<AnimationRecord>& View::animationRecords() { return animationRecordList(); }

void View::clearAnimationRecords() { animationRecordList().clear(); }

void View::transition(const std::shared_ptr<View>& /*view*/, double duration, const std::function<void()>& animations,
                      std::function<void(bool)> completion) {
    animate(duration, 0, AnimationCurve::easeInOut, animations, std::move(completion));
}

std::size_t View::runningAnimationCount() {
    auto& pending = pendingAnimations();
    std::erase_if(pending, [](const auto& w) { return w.expired(); });
    return pending.size();
}

} // namespace platform::ui
