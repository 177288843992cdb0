#pragma once

#include "Platform/Export.hpp"

#include <optional>
#include <string>

namespace platform::veltrane {

/// The device the SDK runs on, as its additions to the platform's device
/// object report it. The hardware identifier is the host machine's
/// (uname), replaceable for tests and scripted runs.
class PLATFORM_EXPORT UIDevice {
public:
    /// The raw hardware identifier ("iPhone14,2", "x86_64"); none when unknown.
    static std::optional<std::string> platform();
    /// The readable name of the hardware: "Simulator" for the identifiers of
    /// a computer ("x86_64", "arm64", ...), the product family for device
    /// identifiers ("iPhone", "iPad", "iPod touch"), otherwise "Unknown"
    /// followed by a blank and the identifier (just "Unknown" without one).
    static std::string platformString();
    /// "iOS".
    static std::string systemName();
    /// The operating system version (kDefaultSystemVersion unless set).
    static std::string systemVersion();
    /// The product family: "iPhone" for simulators and phones, "iPad", "iPod touch".
    static std::string model();

    static constexpr const char* kDefaultSystemVersion = "17.0";

    /// Replaces the hardware identifier (none: no identifier).
    static void setPlatform(std::optional<std::string> identifier);
    static void setSystemVersion(std::string version);
    /// Back to the host's identifier and the default system version.
    static void resetForTesting();
};

} // namespace platform::veltrane
