#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Crypto.hpp"
#include "Platform/Foundation/Error.hpp"

#include <expected>
#include <string>
#include <string_view>

namespace platform::veltrane {

inline constexpr std::string_view kVQKeyGeneratorErrorDomain = "VQKeyGeneratorErrorDomain";
namespace VQKeyGeneratorError {
inline constexpr long invalidLabel = 1;   // an empty label
inline constexpr long keyUnavailable = 2; // the keychain could not give or keep the key (underlying error attached)
inline constexpr long simulatedFailure = 3;
} // namespace VQKeyGeneratorError

/// Symmetric keys by label. The first request for a label makes a random
/// 256-bit key and keeps it in the keychain (KeychainHelper, service
/// kKeychainService, the label as account), so the same label gives the same
/// key in every later launch of the same install. The keychain file lies in
/// the app's sandbox beside the data these keys protect, but sealed: the
/// device key that opens it lies outside the sandbox, so the sandbox alone
/// holds no key in clear. Keys are also cached in memory for the running
/// process (per sandbox). Thread-safe: concurrent first requests for one
/// label get one key.
class PLATFORM_EXPORT KeyGenerator {
public:
    static constexpr const char* kKeychainService = "VeltraneSDK.KeyGenerator";

    static std::expected<SymmetricKey, Error> encryptionKey(const std::string& label);
    /// Forgets the key of a label (data encrypted with it can no longer be read).
    static std::expected<void, Error> removeEncryptionKey(const std::string& label);

    /// Drops the in-memory cache, as a new launch would start.
    static void clearCachedKeys();
    /// Test switch: while on, encryptionKey fails with simulatedFailure.
    static void setSimulatedFailure(bool failing);
    static bool isSimulatingFailure();
};

} // namespace platform::veltrane
