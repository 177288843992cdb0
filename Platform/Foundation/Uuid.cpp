#include "Platform/Foundation/Uuid.hpp"

#include "Platform/Foundation/Error.hpp"

#include <openssl/rand.h>

#include <algorithm>
#include <charconv>

namespace platform {

namespace {

// Offsets of the hyphens in the 36-character text form.
constexpr std::array<std::size_t, 4> kHyphenOffsets{8, 13, 18, 23};

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

} // namespace

Uuid::Uuid() {
    if (RAND_bytes(bytes_.data(), static_cast<int>(bytes_.size())) != 1) {
        fatalError("Failed to read random bytes for a UUID");
    }
    bytes_[6] = static_cast<std::uint8_t>((bytes_[6] & 0x0F) | 0x40); // version 4
    bytes_[8] = static_cast<std::uint8_t>((bytes_[8] & 0x3F) | 0x80); // RFC 4122 variant
}

Uuid::Uuid(const Bytes& bytes) : bytes_(bytes) {}

Uuid Uuid::random() { return Uuid(); }

std::optional<Uuid> Uuid::fromString(std::string_view text) {
    if (text.size() != 36) {
        return std::nullopt;
    }
    std::string hex;
    hex.reserve(32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool hyphenSlot = std::find(kHyphenOffsets.begin(), kHyphenOffsets.end(), i) != kHyphenOffsets.end();
        if (hyphenSlot) {
            if (text[i] != '-') {
                return std::nullopt;
            }
        } else if (isHexDigit(text[i])) {
            hex.push_back(text[i]);
        } else {
            return std::nullopt;
        }
    }
    Bytes bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char* first = hex.data() + 2 * i;
        std::from_chars(first, first + 2, bytes[i], 16); // two checked hex digits always convert
    }
    return Uuid(bytes);
}

std::string Uuid::uuidString() const {
    // Written digit by digit: this runs for every instrumentation marker and event.
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < bytes_.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text.push_back('-');
        text.push_back(kDigits[bytes_[i] >> 4]);
        text.push_back(kDigits[bytes_[i] & 0x0F]);
    }
    return text;
}

} // namespace platform
