#pragma once

#include "Platform/Export.hpp"

namespace platform::ui {
class EventDriver;
}

namespace platform::system {

/// Adds the event commands of the device owner's authentication:
///   biometry face|touch|none   the device's biometric sensor
///   passcode on|off            whether the device has a passcode
///   auth accept|fail|cancel    the owner's answer to the oldest waiting prompt
PLATFORM_EXPORT void registerLocalAuthenticationEventCommands(platform::ui::EventDriver& driver);

} // namespace platform::system
