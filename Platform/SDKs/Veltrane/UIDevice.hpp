#pragma once

#include "Platform/Export.hpp"

#include <optional>
#include <string>
#include <vector>

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

    /// Whether the app runs in a simulator. False unless set (the application
    /// main's `--simulator`), whatever the hardware identifier says.
    static bool isSimulator();

    /// The device owner's preferred languages, most preferred first, as
    /// language tags ("en-US"); kDefaultLocale alone unless set.
    static std::vector<std::string> preferredLanguages();
    /// The identifier of the device's current locale (kDefaultLocale unless set).
    static std::string currentLocale();
    /// The language code of the current locale ("en" for "en-US"); none when
    /// the identifier names no language.
    static std::optional<std::string> currentLanguageCode();

    static constexpr const char* kDefaultSystemVersion = "17.0";
    static constexpr const char* kDefaultLocale = "en-US";

    /// Replaces the hardware identifier (none: no identifier).
    static void setPlatform(std::optional<std::string> identifier);
    static void setSystemVersion(std::string version);
    static void setSimulator(bool simulator);
    static void setPreferredLanguages(std::vector<std::string> languages);
    static void setCurrentLocale(std::string identifier);
    /// Back to the host's identifier, the default system version and locale,
    /// not a simulator.
    static void resetForTesting();
};

} // namespace platform::veltrane
