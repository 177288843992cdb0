#pragma once

#include <mutex>
#include <utility>

namespace platform::tarnixbridge {

/// One value of the device that a plug-in reads (what the camera sees, the
/// address book, the calendar), set by tests and scripts. Safe from any thread.
template <class T>
class DeviceState {
public:
    T get() const {
        std::lock_guard lock(mutex_);
        return value_;
    }
    void set(T value) {
        std::lock_guard lock(mutex_);
        value_ = std::move(value);
    }

private:
    mutable std::mutex mutex_;
    T value_{};
};

} // namespace platform::tarnixbridge
