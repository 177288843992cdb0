#pragma once

#include "Platform/Export.hpp"

namespace CLI {
class App;
}

namespace platform::veltrane {

/// Adds the options that describe the device a program runs on (give it to
/// ApplicationMainOptions::addOptions):
///
///   --simulator   the app runs in a simulator (UIDevice::isSimulator)
///
/// They take effect as the command line is read, before the launch.
PLATFORM_EXPORT void addDeviceOptions(CLI::App& cli);

} // namespace platform::veltrane
