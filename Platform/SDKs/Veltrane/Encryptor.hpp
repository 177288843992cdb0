#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Crypto.hpp"
#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Error.hpp"

#include <expected>
#include <string_view>

namespace platform::veltrane {

inline constexpr std::string_view kVQEncryptorErrorDomain = "VQEncryptorErrorDomain";
namespace VQEncryptorError {
inline constexpr long simulatedFailure = 1;
} // namespace VQEncryptorError

/// Symmetric encryption of small blobs with AES-GCM. A sealed blob is the
/// combined form nonce (12 bytes) || ciphertext || tag (16 bytes) under a fresh
/// random nonce, so encrypting the same data twice gives different blobs.
/// Decryption fails cleanly (CryptoKit domain errors) on a wrong key, a blob
/// that is too short or any change to the blob.
class PLATFORM_EXPORT Encryptor {
public:
    static std::expected<Data, Error> encrypt(const Data& data, const SymmetricKey& key);
    static std::expected<Data, Error> decrypt(const Data& data, const SymmetricKey& key);

    /// Test switch: while on, both operations fail with simulatedFailure.
    static void setSimulatedFailure(bool failing);
    static bool isSimulatingFailure();
};

} // namespace platform::veltrane
