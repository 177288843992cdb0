#pragma once

#include "Platform/Export.hpp"

namespace platform::ui {
class EventDriver;
}

namespace platform::system {

/// Adds the event commands of the device's store account and system:
///   storefront CODE|none   the App Store storefront's country (alpha-3, as
///                          written), or no storefront
///   os-version VERSION     the operating system version the device reports
PLATFORM_EXPORT void registerStorefrontEventCommands(ui::EventDriver& driver);

} // namespace platform::system
