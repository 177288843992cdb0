#pragma once

#include <functional>
#include <utility>

namespace vellicor {

/// An observable value with one listener. Every assignment notifies the
/// listener, also when the value does not change. The listener is held
/// strongly, so it should capture its screen weakly. Not thread-safe: set and
/// bind on one thread.
template <class T>
class Dynamic {
public:
    using Listener = std::function<void(T)>;

    /// Stores the first value; nobody is notified.
    explicit Dynamic(T value) : value_(std::move(value)) {}

    /// Replaces the listener (the previous one is dropped) and calls the new
    /// one at once with the current value.
    void bind(Listener listener) {
        listener_ = std::move(listener);
        notify();
    }

    const T& value() const { return value_; }
    /// Stores the value, then calls the listener with a copy of it.
    void setValue(T value) {
        value_ = std::move(value);
        notify();
    }

private:
    void notify() {
        // A copy, so that a listener may replace itself while it runs.
        if (auto listener = listener_) listener(value_);
    }

    Listener listener_;
    T value_;
};

} // namespace vellicor
