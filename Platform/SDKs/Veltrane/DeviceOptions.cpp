#include "Platform/SDKs/Veltrane/DeviceOptions.hpp"

#include "Platform/SDKs/Veltrane/UIDevice.hpp"

#include <CLI/CLI.hpp>

namespace platform::veltrane {

void addDeviceOptions(CLI::App& cli) {
    cli.add_flag_callback("--simulator", [] { UIDevice::setSimulator(true); }, "the app runs in a simulator");
}

} // namespace platform::veltrane
