#pragma once

#include "Platform/Export.hpp"

#include <optional>
#include <string>

namespace platform::system {

/// The App Store storefront of the device's account: its country as an
/// ISO 3166-1 alpha-3 code ("USA", "DEU"), or none when the device has no
/// storefront (no account signed in to the store). None until a test or a
/// script sets one. Safe from any thread.
class PLATFORM_EXPORT Storefront {
public:
    static std::optional<std::string> countryCode();
    /// Sets the country code as given (no check, no case change), or none.
    static void setCountryCode(std::optional<std::string> code);
    static void resetForTesting();
};

} // namespace platform::system
