#include "Platform/SDKs/Veltrane/Encryptor.hpp"

#include <gtest/gtest.h>

#include <functional>

using namespace platform;
using namespace platform::veltrane;

namespace {

class EncryptorTest : public ::testing::Test {
protected:
    void TearDown() override { Encryptor::setSimulatedFailure(false); }
    SymmetricKey key = SymmetricKey::random(256);
};

TEST_F(EncryptorTest, DecryptsWhatItEncrypted) {
    for (const Data& plain : {Data{}, dataFromString("x"), Data(100000, 0xAB)}) {
        auto sealed = Encryptor::encrypt(plain, key);
        ASSERT_TRUE(sealed);
        EXPECT_EQ(sealed->size(), plain.size() + kAesGcmNonceSize + kAesGcmTagSize);
        EXPECT_EQ(Encryptor::decrypt(*sealed, key).value(), plain);
    }
    EXPECT_NE(Encryptor::encrypt(dataFromString("same"), key).value(),
              Encryptor::encrypt(dataFromString("same"), key).value())
        << "every blob has a fresh nonce";
}

TEST_F(EncryptorTest, RefusesTamperedOrForeignBlobs) {
    const Data sealed = Encryptor::encrypt(dataFromString("metadata file"), key).value();
    struct Case {
        const char* name;
        std::function<Data()> blob;
        SymmetricKey key;
        long code;
    };
    const auto flipped = [&sealed](std::size_t at) {
        Data copy = sealed;
        copy[at] ^= 0x80;
        return copy;
    };
    const Case cases[] = {
        {"nonce changed", [&] { return flipped(0); }, key, CryptoKitError::authenticationFailure},
        {"ciphertext changed", [&] { return flipped(kAesGcmNonceSize + 1); }, key, CryptoKitError::authenticationFailure},
        {"tag changed", [&] { return flipped(sealed.size() - 1); }, key, CryptoKitError::authenticationFailure},
        {"byte appended", [&] { Data d = sealed; d.push_back(0); return d; }, key, CryptoKitError::authenticationFailure},
        {"cut short", [&] { return Data(sealed.begin(), sealed.begin() + 20); }, key, CryptoKitError::incorrectParameterSize},
        {"wrong key", [&] { return sealed; }, SymmetricKey::random(256), CryptoKitError::authenticationFailure},
    };
    for (const auto& c : cases) {
        auto opened = Encryptor::decrypt(c.blob(), c.key);
        ASSERT_FALSE(opened) << c.name;
        EXPECT_EQ(opened.error().domain, kCryptoKitErrorDomain) << c.name;
        EXPECT_EQ(opened.error().code, c.code) << c.name;
    }
}

TEST_F(EncryptorTest, SimulatedFailureFailsBothWays) {
    const Data sealed = Encryptor::encrypt(dataFromString("v"), key).value();
    Encryptor::setSimulatedFailure(true);
    EXPECT_EQ(Encryptor::encrypt(dataFromString("v"), key).error().code, VQEncryptorError::simulatedFailure);
    EXPECT_EQ(Encryptor::decrypt(sealed, key).error().domain, kVQEncryptorErrorDomain);
    Encryptor::setSimulatedFailure(false);
    EXPECT_EQ(Encryptor::decrypt(sealed, key).value(), dataFromString("v"));
}

} // namespace
