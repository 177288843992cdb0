#pragma once

#include "Platform/Export.hpp"

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace platform {

/// The platform's error object: a domain, a code and a user-info dictionary.
/// Two errors are equal when all three are equal.
struct PLATFORM_EXPORT Error {
    std::string domain;
    long code = 0;
    nlohmann::json userInfo = nlohmann::json::object();

    Error() = default;
    Error(std::string domain, long code, nlohmann::json userInfo = nlohmann::json::object());

    /// The user-info value under "NSLocalizedDescription" when it is a string;
    /// otherwise a generic text naming the domain and code, as the platform does.
    std::string localizedDescription() const;

    bool operator==(const Error&) const = default;
};

/// Well-known user-info keys.
inline constexpr std::string_view kLocalizedDescriptionKey = "NSLocalizedDescription";
inline constexpr std::string_view kUnderlyingErrorKey = "NSUnderlyingError";
inline constexpr std::string_view kErrorFailingURLStringKey = "NSErrorFailingURLStringKey";

/// Error domains.
inline constexpr std::string_view kURLErrorDomain = "NSURLErrorDomain";
inline constexpr std::string_view kCocoaErrorDomain = "NSCocoaErrorDomain";
inline constexpr std::string_view kPOSIXErrorDomain = "NSPOSIXErrorDomain";
inline constexpr std::string_view kWebKitErrorDomain = "WebKitErrorDomain";

/// The URL-loading error codes of the platform.
namespace URLError {
inline constexpr long unknown = -1;
inline constexpr long cancelled = -999;
inline constexpr long badURL = -1000;
inline constexpr long timedOut = -1001;
inline constexpr long unsupportedURL = -1002;
inline constexpr long cannotFindHost = -1003;
inline constexpr long cannotConnectToHost = -1004;
inline constexpr long networkConnectionLost = -1005;
inline constexpr long dnsLookupFailed = -1006;
inline constexpr long httpTooManyRedirects = -1007;
inline constexpr long resourceUnavailable = -1008;
inline constexpr long notConnectedToInternet = -1009;
inline constexpr long redirectToNonExistentLocation = -1010;
inline constexpr long badServerResponse = -1011;
inline constexpr long userCancelledAuthentication = -1012;
inline constexpr long userAuthenticationRequired = -1013;
inline constexpr long zeroByteResource = -1014;
inline constexpr long cannotDecodeRawData = -1015;
inline constexpr long cannotDecodeContentData = -1016;
inline constexpr long cannotParseResponse = -1017;
inline constexpr long fileDoesNotExist = -1100;
inline constexpr long secureConnectionFailed = -1200;
inline constexpr long serverCertificateUntrusted = -1202;
} // namespace URLError

/// File-system error codes of the Cocoa domain that the file helpers report.
namespace CocoaError {
inline constexpr long fileNoSuchFile = 4;
inline constexpr long fileReadUnknown = 256;
inline constexpr long fileReadNoSuchFile = 260;
inline constexpr long fileWriteUnknown = 512;
inline constexpr long fileWriteNoPermission = 513;
inline constexpr long fileWriteFileExists = 516;
inline constexpr long fileWriteOutOfSpace = 640;
inline constexpr long propertyListReadCorrupt = 3840;
} // namespace CocoaError

/// An error of the URL-loading domain with the platform's description for the code.
PLATFORM_EXPORT Error makeURLError(long code, std::string_view failingURL = {});

/// The platform's description of a URL-loading error code.
PLATFORM_EXPORT std::string urlErrorDescription(long code);

/// Stops the process: prints "Fatal error: <message>" to standard error and aborts.
[[noreturn]] PLATFORM_EXPORT void fatalError(std::string_view message);

} // namespace platform
