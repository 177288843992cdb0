#pragma once

#include "Platform/Export.hpp"

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

/// A 128-bit universally unique identifier, the platform's UUID.
class PLATFORM_EXPORT Uuid {
public:
    using Bytes = std::array<std::uint8_t, 16>;

    /// A new random (version 4, RFC 4122 variant) identifier.
    Uuid();
    /// The identifier with exactly these bytes.
    explicit Uuid(const Bytes& bytes);

    /// A new random identifier; the same as the default constructor.
    static Uuid random();
    /// Parses the 36-character form "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" in
    /// either letter case; none for any other text.
    static std::optional<Uuid> fromString(std::string_view text);

    /// The text form in upper case, e.g. "E621E1F8-C36C-495A-93FC-0C247A3E6E5F".
    std::string uuidString() const;
    const Bytes& bytes() const { return bytes_; }

    friend bool operator==(const Uuid&, const Uuid&) = default;
    friend auto operator<=>(const Uuid&, const Uuid&) = default;

private:
    Bytes bytes_{};
};

} // namespace platform

template <>
struct std::hash<platform::Uuid> {
    std::size_t operator()(const platform::Uuid& uuid) const noexcept {
        std::size_t seed = 0;
        for (const auto byte : uuid.bytes()) {
            seed = seed * 131 + byte;
        }
        return seed;
    }
};
