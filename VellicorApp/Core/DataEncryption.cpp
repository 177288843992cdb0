#include "VellicorApp/Core/DataEncryption.hpp"

#include "VellicorApp/Core/AppConstants.hpp"

#include "Platform/SDKs/Veltrane/Encryptor.hpp"
#include "Platform/SDKs/Veltrane/KeyGenerator.hpp"

namespace vellicor {

std::string metadataEncryptionKeyLabel() { return std::string(AppConstants::kReverseDNSPrefix) + ".metadataEncryptionKey"; }

std::optional<platform::Data> encrypted(const platform::Data& data) {
    using namespace platform::veltrane;
    const auto key = KeyGenerator::encryptionKey(metadataEncryptionKeyLabel());
    if (!key) return std::nullopt;
    auto sealed = Encryptor::encrypt(data, *key);
    if (!sealed) return std::nullopt;
    return std::move(*sealed);
}

std::optional<platform::Data> decrypted(const platform::Data& data) {
    using namespace platform::veltrane;
    const auto key = KeyGenerator::encryptionKey(metadataEncryptionKeyLabel());
    if (!key) return std::nullopt;
    auto opened = Encryptor::decrypt(data, *key);
    if (!opened) return std::nullopt;
    return std::move(*opened);
}

} // namespace vellicor
