#pragma once

// The bundles of the framework's library, registered when the library loads:
// its own resources and one bundle per plug-in (each plug-in's version).
// They lie in "TarnixBridge.bundle" next to the library file.

namespace platform::tarnixbridge {

inline constexpr const char* kTarnixBridgeBundleName = "TarnixBridge";

} // namespace platform::tarnixbridge
