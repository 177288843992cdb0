#pragma once

#include "TarnixPlatformClient/Export.hpp"

#include <string>
#include <string_view>

namespace tarnix {

/// The plug-in identifiers, the task-result keys the logger reads, and the
/// lookup of a plug-in's version.
class TARNIX_PLATFORM_CLIENT_EXPORT TarnixLoggerUtils {
public:
    TarnixLoggerUtils() = default;

    /// The identifiers under which the plug-ins report.
    struct PluginIdMap {
        static constexpr std::string_view appReviewServiceId = "AppReviewService";
        static constexpr std::string_view barcodeScannerId = "BarcodeScanner";
        static constexpr std::string_view biometricsServiceId = "BiometricsService";
        static constexpr std::string_view calendarServiceId = "CalendarService";
        static constexpr std::string_view contactsServiceId = "ContactsService";
        static constexpr std::string_view documentScannerId = "DocumentScanner";
        static constexpr std::string_view geofencingServiceId = "GeofencingService";
        static constexpr std::string_view locationServiceId = "LocationService";
        static constexpr std::string_view nfcServiceId = "NFCService";
    };

    /// The keys of a task's results that the logger reads.
    struct PluginResultParameterIdMap {
        /// The type of the scanned code (a string), in the barcode scanner's results.
        static constexpr std::string_view barcodeType = "barcode_type";
        /// How many items a task returned, in the results of the calendar,
        /// contacts, document scanner, geofencing and NFC plug-ins.
        static constexpr std::string_view itemCount = "item_count";
    };

    /// The version of a plug-in: "CFBundleShortVersionString" of the bundle
    /// its library registered under `tarnixPluginClass` (see
    /// platform::Bundle::registerBundle). "undefined" when no bundle is
    /// registered under that name, or the key is missing or not a string.
    static std::string getPluginVersion(std::string_view tarnixPluginClass);
};

} // namespace tarnix
