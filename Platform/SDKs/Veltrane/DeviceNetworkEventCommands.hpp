#pragma once

#include "Platform/Export.hpp"

namespace platform::ui {
class EventDriver;
}

namespace platform::veltrane {

/// The service identifier the `telephony` command sets its state under.
inline constexpr const char* kScriptedTelephonyService = "0000000100000001";

/// Adds the event commands of the device's connection (replacing the
/// built-in `network on|off`):
///   network on|off|wifi|cellular   connect or disconnect the device, or pick
///                                  the interface it uses while online
///   telephony none | TECH [CARRIER]  the cellular service: none, or one service
///                                  whose radio access technology is
///                                  CTRadioAccessTechnologyTECH (LTE, NR, ...),
///                                  with the carrier's name when given
PLATFORM_EXPORT void registerDeviceNetworkEventCommands(ui::EventDriver& driver);

} // namespace platform::veltrane
