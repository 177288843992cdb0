#pragma once

namespace vellicor {

/// Registers the storyboards of the start-up gates: "Biometrics" (the lock
/// screen) and "EULA" (the licence agreement).
void registerShellResources();

} // namespace vellicor
