#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Error.hpp"

#include <cstddef>
#include <expected>
#include <string>
#include <string_view>

namespace platform {

/// The error domain of the symmetric-crypto helpers and its codes.
inline constexpr std::string_view kCryptoKitErrorDomain = "CryptoKit.CryptoKitError";
namespace CryptoKitError {
inline constexpr long incorrectKeySize = 0;
inline constexpr long incorrectParameterSize = 1;
inline constexpr long authenticationFailure = 2;
inline constexpr long underlyingCoreCryptoError = 3;
} // namespace CryptoKitError

/// A secret key for symmetric encryption. Its bytes are wiped when the last
/// copy goes away.
class PLATFORM_EXPORT SymmetricKey {
public:
    /// A new random key of 256 bits.
    SymmetricKey();
    /// A key with exactly these bytes (any length; AES-GCM takes 16, 24 or 32).
    explicit SymmetricKey(Data bytes);
    SymmetricKey(const SymmetricKey&) = default;
    SymmetricKey(SymmetricKey&&) noexcept;
    SymmetricKey& operator=(const SymmetricKey&);
    SymmetricKey& operator=(SymmetricKey&&) noexcept;
    ~SymmetricKey();

    /// A new random key of `bitCount` bits (a multiple of 8).
    static SymmetricKey random(std::size_t bitCount = 256);

    std::size_t bitCount() const { return bytes_.size() * 8; }
    const Data& bytes() const { return bytes_; }

    bool operator==(const SymmetricKey& other) const;

private:
    Data bytes_;
};

/// Size of an AES-GCM nonce and tag in the combined form.
inline constexpr std::size_t kAesGcmNonceSize = 12;
inline constexpr std::size_t kAesGcmTagSize = 16;

/// Encrypts with AES-GCM under a fresh random nonce and returns the combined
/// form: nonce (12 bytes) || ciphertext || tag (16 bytes). A key that is not
/// 128, 192 or 256 bits long fails with `incorrectKeySize`.
PLATFORM_EXPORT std::expected<Data, Error> aesGcmSeal(const Data& plaintext, const SymmetricKey& key);
/// The same with a given 12-byte nonce (`incorrectParameterSize` otherwise).
/// A nonce must never be used twice with one key; this form is for known-answer checks.
PLATFORM_EXPORT std::expected<Data, Error> aesGcmSeal(const Data& plaintext, const SymmetricKey& key,
                                                      const Data& nonce);
/// Opens the combined form. Shorter than 28 bytes: `incorrectParameterSize`;
/// a wrong key or any change to nonce, ciphertext or tag: `authenticationFailure`.
PLATFORM_EXPORT std::expected<Data, Error> aesGcmOpen(const Data& combined, const SymmetricKey& key);

/// `count` bytes from the cryptographically secure generator.
PLATFORM_EXPORT Data randomBytes(std::size_t count);

/// The SHA-256 digest (32 bytes).
PLATFORM_EXPORT Data sha256(const Data& data);
PLATFORM_EXPORT Data sha256(std::string_view text);

/// Lower-case hexadecimal text of bytes, two digits per byte.
PLATFORM_EXPORT std::string hexString(const Data& data);

/// Whether two byte buffers are equal, in time that depends only on their length.
PLATFORM_EXPORT bool constantTimeEquals(const Data& a, const Data& b);

} // namespace platform
