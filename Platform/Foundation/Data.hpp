#pragma once

#include "Platform/Export.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

/// A byte buffer, the platform's Data.
using Data = std::vector<std::uint8_t>;

/// The bytes of a text, as UTF-8 (the text is taken as it is).
PLATFORM_EXPORT Data dataFromString(std::string_view text);

/// The text of UTF-8 bytes; none when the bytes are not valid UTF-8.
PLATFORM_EXPORT std::optional<std::string> utf8String(const Data& data);

/// Whether a text is valid UTF-8.
PLATFORM_EXPORT bool isValidUtf8(std::string_view text);

/// Base64 (RFC 4648, standard alphabet, padded).
PLATFORM_EXPORT std::string base64Encode(const Data& data);
/// Decodes standard Base64; none for bad characters, bad padding or bad length.
PLATFORM_EXPORT std::optional<Data> base64Decode(std::string_view text);

} // namespace platform
