#pragma once

#include "Platform/Export.hpp"

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace platform::veltrane {

/// Radio access technology names, as the telephony service reports them.
inline constexpr const char* kCTRadioAccessTechnologyGPRS = "CTRadioAccessTechnologyGPRS";
inline constexpr const char* kCTRadioAccessTechnologyEdge = "CTRadioAccessTechnologyEdge";
inline constexpr const char* kCTRadioAccessTechnologyWCDMA = "CTRadioAccessTechnologyWCDMA";
inline constexpr const char* kCTRadioAccessTechnologyHSDPA = "CTRadioAccessTechnologyHSDPA";
inline constexpr const char* kCTRadioAccessTechnologyLTE = "CTRadioAccessTechnologyLTE";
inline constexpr const char* kCTRadioAccessTechnologyNRNSA = "CTRadioAccessTechnologyNRNSA";
inline constexpr const char* kCTRadioAccessTechnologyNR = "CTRadioAccessTechnologyNR";

/// A cellular provider of one subscription.
struct PLATFORM_EXPORT CTCarrier {
    std::optional<std::string> carrierName;
    std::optional<std::string> mobileCountryCode;
    std::optional<std::string> mobileNetworkCode;
    std::optional<std::string> isoCountryCode;
    bool allowsVOIP = true;

    bool operator==(const CTCarrier&) const = default;
};

/// The device's telephony state, by service (subscription) identifier: the
/// radio access technology each service uses now and the provider of each
/// subscription. The state is the device's, shared by every info object; a
/// device starts without cellular service (both dictionaries none) until
/// tests or scripted runs set it. Thread-safe.
class PLATFORM_EXPORT CTTelephonyNetworkInfo {
public:
    static std::shared_ptr<CTTelephonyNetworkInfo> create();

    /// Service identifier → radio access technology name; none without cellular service.
    std::optional<std::map<std::string, std::string>> serviceCurrentRadioAccessTechnology() const;
    /// Service identifier → provider; none without a subscription.
    std::optional<std::map<std::string, CTCarrier>> serviceSubscriberCellularProviders() const;

    static void setServiceCurrentRadioAccessTechnology(std::optional<std::map<std::string, std::string>> technologies);
    static void setServiceSubscriberCellularProviders(std::optional<std::map<std::string, CTCarrier>> providers);
    /// Back to a device without cellular service.
    static void resetForTesting();

private:
    CTTelephonyNetworkInfo() = default;
};

/// The platform's description of a string dictionary:
///   {
///       key = value;
///   }
/// with keys in order, four-blank indents, and a key or value in double
/// quotes (with \" and \\ escaped) unless it is non-empty and consists only of
/// ASCII letters, digits and "_$+/:.-". An empty dictionary is "{\n}".
PLATFORM_EXPORT std::string dictionaryDescription(const std::map<std::string, std::string>& dictionary);

} // namespace platform::veltrane
