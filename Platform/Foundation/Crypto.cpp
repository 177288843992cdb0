#include "Platform/Foundation/Crypto.hpp"

#include <fmt/format.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <array>
#include <climits>
#include <memory>

namespace platform {

namespace {

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

// EVP_*Update take an int length; longer inputs go through in slices.
constexpr std::size_t kUpdateSlice = 1u << 30;

Error cryptoError(long code) { return Error(std::string(kCryptoKitErrorDomain), code); }

const EVP_CIPHER* gcmCipherForKey(const SymmetricKey& key) {
    switch (key.bytes().size()) {
    case 16:
        return EVP_aes_128_gcm();
    case 24:
        return EVP_aes_192_gcm();
    case 32:
        return EVP_aes_256_gcm();
    default:
        return nullptr;
    }
}

using UpdateFunction = int (*)(EVP_CIPHER_CTX*, unsigned char*, int*, const unsigned char*, int);

// Runs the cipher over `input` in slices, appending to `output`.
bool runCipher(EVP_CIPHER_CTX* context, UpdateFunction update, const std::uint8_t* input, std::size_t size,
               Data& output) {
    const std::size_t start = output.size();
    output.resize(start + size);
    std::size_t written = 0;
    for (std::size_t offset = 0; offset < size; offset += kUpdateSlice) {
        const std::size_t count = std::min(kUpdateSlice, size - offset);
        int produced = 0;
        if (update(context, output.data() + start + written, &produced, input + offset, static_cast<int>(count)) !=
            1) {
            return false;
        }
        written += static_cast<std::size_t>(produced);
    }
    // GCM is a stream mode: what goes in comes out, byte for byte.
    return written == size;
}

} // namespace

SymmetricKey::SymmetricKey() : bytes_(randomBytes(32)) {}

SymmetricKey::SymmetricKey(Data bytes) : bytes_(std::move(bytes)) {}

SymmetricKey::SymmetricKey(SymmetricKey&& other) noexcept : bytes_(std::move(other.bytes_)) { other.bytes_.clear(); }

SymmetricKey& SymmetricKey::operator=(const SymmetricKey& other) {
    if (this != &other) {
        OPENSSL_cleanse(bytes_.data(), bytes_.size());
        bytes_ = other.bytes_;
    }
    return *this;
}

SymmetricKey& SymmetricKey::operator=(SymmetricKey&& other) noexcept {
    if (this != &other) {
        OPENSSL_cleanse(bytes_.data(), bytes_.size());
        bytes_ = std::move(other.bytes_);
        other.bytes_.clear();
    }
    return *this;
}

SymmetricKey::~SymmetricKey() { OPENSSL_cleanse(bytes_.data(), bytes_.size()); }

SymmetricKey SymmetricKey::random(std::size_t bitCount) { return SymmetricKey(randomBytes(bitCount / 8)); }

bool SymmetricKey::operator==(const SymmetricKey& other) const { return constantTimeEquals(bytes_, other.bytes_); }

std::expected<Data, Error> aesGcmSeal(const Data& plaintext, const SymmetricKey& key) {
    return aesGcmSeal(plaintext, key, randomBytes(kAesGcmNonceSize));
}

std::expected<Data, Error> aesGcmSeal(const Data& plaintext, const SymmetricKey& key, const Data& nonce) {
    const EVP_CIPHER* cipher = gcmCipherForKey(key);
    if (cipher == nullptr) {
        return std::unexpected(cryptoError(CryptoKitError::incorrectKeySize));
    }
    if (nonce.size() != kAesGcmNonceSize) {
        return std::unexpected(cryptoError(CryptoKitError::incorrectParameterSize));
    }
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context || EVP_EncryptInit_ex(context.get(), cipher, nullptr, nullptr, nullptr) != 1 ||
        EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(kAesGcmNonceSize), nullptr) !=
            1 ||
        EVP_EncryptInit_ex(context.get(), nullptr, nullptr, key.bytes().data(), nonce.data()) != 1) {
        return std::unexpected(cryptoError(CryptoKitError::underlyingCoreCryptoError));
    }

    Data combined;
    combined.reserve(kAesGcmNonceSize + plaintext.size() + kAesGcmTagSize);
    combined.insert(combined.end(), nonce.begin(), nonce.end());
    if (!runCipher(context.get(), EVP_EncryptUpdate, plaintext.data(), plaintext.size(), combined)) {
        return std::unexpected(cryptoError(CryptoKitError::underlyingCoreCryptoError));
    }
    std::array<unsigned char, 16> finalBlock{};
    int finalLength = 0;
    std::array<unsigned char, kAesGcmTagSize> tag{};
    if (EVP_EncryptFinal_ex(context.get(), finalBlock.data(), &finalLength) != 1 || finalLength != 0 ||
        EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_GET_TAG, static_cast<int>(tag.size()), tag.data()) != 1) {
        return std::unexpected(cryptoError(CryptoKitError::underlyingCoreCryptoError));
    }
    combined.insert(combined.end(), tag.begin(), tag.end());
    return combined;
}

std::expected<Data, Error> aesGcmOpen(const Data& combined, const SymmetricKey& key) {
    if (combined.size() < kAesGcmNonceSize + kAesGcmTagSize) {
        return std::unexpected(cryptoError(CryptoKitError::incorrectParameterSize));
    }
    const EVP_CIPHER* cipher = gcmCipherForKey(key);
    if (cipher == nullptr) {
        return std::unexpected(cryptoError(CryptoKitError::incorrectKeySize));
    }
    const std::uint8_t* nonce = combined.data();
    const std::uint8_t* ciphertext = nonce + kAesGcmNonceSize;
    const std::size_t ciphertextSize = combined.size() - kAesGcmNonceSize - kAesGcmTagSize;
    std::array<unsigned char, kAesGcmTagSize> tag{};
    std::copy_n(ciphertext + ciphertextSize, tag.size(), tag.begin());

    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context || EVP_DecryptInit_ex(context.get(), cipher, nullptr, nullptr, nullptr) != 1 ||
        EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(kAesGcmNonceSize), nullptr) !=
            1 ||
        EVP_DecryptInit_ex(context.get(), nullptr, nullptr, key.bytes().data(), nonce) != 1) {
        return std::unexpected(cryptoError(CryptoKitError::underlyingCoreCryptoError));
    }
    Data plaintext;
    if (!runCipher(context.get(), EVP_DecryptUpdate, ciphertext, ciphertextSize, plaintext)) {
        return std::unexpected(cryptoError(CryptoKitError::underlyingCoreCryptoError));
    }
    std::array<unsigned char, 16> finalBlock{};
    int finalLength = 0;
    if (EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_TAG, static_cast<int>(tag.size()), tag.data()) != 1) {
        return std::unexpected(cryptoError(CryptoKitError::underlyingCoreCryptoError));
    }
    if (EVP_DecryptFinal_ex(context.get(), finalBlock.data(), &finalLength) != 1) {
        // The tag does not verify: wrong key, or nonce, ciphertext or tag changed.
        OPENSSL_cleanse(plaintext.data(), plaintext.size());
        return std::unexpected(cryptoError(CryptoKitError::authenticationFailure));
    }
    return plaintext;
}

Data randomBytes(std::size_t count) {
    Data bytes(count);
    for (std::size_t offset = 0; offset < count; offset += INT_MAX) {
        const std::size_t slice = std::min<std::size_t>(INT_MAX, count - offset);
        if (RAND_bytes(bytes.data() + offset, static_cast<int>(slice)) != 1) {
            fatalError("Failed to read random bytes");
        }
    }
    return bytes;
}

Data sha256(const Data& data) {
    Data digest(32);
    unsigned int length = 0;
    if (EVP_Digest(data.data(), data.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1 ||
        length != digest.size()) {
        fatalError("SHA-256 digest failed");
    }
    return digest;
}

Data sha256(std::string_view text) { return sha256(dataFromString(text)); }

std::string hexString(const Data& data) { return fmt::format("{:02x}", fmt::join(data, "")); }

bool constantTimeEquals(const Data& a, const Data& b) {
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

} // namespace platform
