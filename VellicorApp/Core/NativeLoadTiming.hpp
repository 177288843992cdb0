#pragma once

#include <optional>

namespace vellicor {

/// How long the native part of the launch took; adopted by the app's
/// application delegate.
class NativeLoadTiming {
public:
    virtual ~NativeLoadTiming() = default;
    /// Seconds; none until the launch has been timed.
    virtual std::optional<double> nativeLoadDuration() const = 0;
};

/// The native load duration of the application's delegate: none when there
/// is no delegate, when it does not time the launch or has not timed it yet.
/// Main thread.
std::optional<double> applicationNativeLoadDuration();

} // namespace vellicor
