#pragma once

namespace vellicor {

/// Marks an object whose work instrumentation markers time: the app
/// delegate, the loading screen and the web view models. It asks nothing of
/// them; each keeps the ID of the marker it has open as `currentMarkerID`.
class KORVATrackable {
public:
    virtual ~KORVATrackable() = default;

protected:
    KORVATrackable() = default;
    KORVATrackable(const KORVATrackable&) = default;
    KORVATrackable& operator=(const KORVATrackable&) = default;
};

} // namespace vellicor
