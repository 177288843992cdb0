#include "Platform/SDKs/Veltrane/Encryptor.hpp"

#include <atomic>
#include <string>

namespace platform::veltrane {

namespace {

std::atomic<bool> gFailing{false};

Error simulatedFailure() {
    return Error(std::string(kVQEncryptorErrorDomain), VQEncryptorError::simulatedFailure,
                 {{std::string(kLocalizedDescriptionKey), "Encryption is switched off."}});
}

} // namespace

std::expected<Data, Error> Encryptor::encrypt(const Data& data, const SymmetricKey& key) {
    if (gFailing) return std::unexpected(simulatedFailure());
    return aesGcmSeal(data, key);
}

std::expected<Data, Error> Encryptor::decrypt(const Data& data, const SymmetricKey& key) {
    if (gFailing) return std::unexpected(simulatedFailure());
    return aesGcmOpen(data, key);
}

void Encryptor::setSimulatedFailure(bool failing) { gFailing = failing; }

bool Encryptor::isSimulatingFailure() { return gFailing; }

} // namespace platform::veltrane
