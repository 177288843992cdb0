#pragma once

#include "Platform/Foundation/Error.hpp"

#include <string>

namespace vellicor {

/// The platform's decoding error codes (Cocoa domain).
namespace DecodingErrorCode {
/// A key or value is missing.
inline constexpr long valueNotFound = 4865;
/// A value has the wrong type, or the data is not a valid document.
inline constexpr long dataCorrupted = 4864;
} // namespace DecodingErrorCode

/// A decoding error with a description naming what was wrong.
inline platform::Error decodingError(long code, const std::string& description) {
    return platform::Error(std::string(platform::kCocoaErrorDomain), code,
                           {{std::string(platform::kLocalizedDescriptionKey), description}});
}

} // namespace vellicor
