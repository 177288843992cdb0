#include "VellicorApp/Core/DataEncryption.hpp"

#include "Platform/SDKs/Veltrane/Encryptor.hpp"
#include "Platform/SDKs/Veltrane/KeyGenerator.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::veltrane::Encryptor;
using platform::veltrane::KeyGenerator;

namespace {

class DataEncryptionTest : public ::testing::Test {
protected:
    void TearDown() override {
        KeyGenerator::setSimulatedFailure(false);
        Encryptor::setSimulatedFailure(false);
    }

    const platform::Data plain = platform::dataFromString(R"({"appid":"a","mid":"1"})");
};

TEST_F(DataEncryptionTest, TheKeyLabelIsTheAppsMetadataKey) {
    EXPECT_EQ(metadataEncryptionKeyLabel(), "com.vellicor.app.metadataEncryptionKey");
}

TEST_F(DataEncryptionTest, DecryptsWhatItEncryptedInALaterLaunch) {
    const auto sealed = encrypted(plain);
    ASSERT_TRUE(sealed);
    EXPECT_NE(*sealed, plain);
    KeyGenerator::clearCachedKeys(); // a new launch of the same install
    EXPECT_EQ(decrypted(*sealed), plain);
}

TEST_F(DataEncryptionTest, UsesTheSDKsKeyForTheLabel) {
    const auto sealed = encrypted(plain);
    ASSERT_TRUE(sealed);
    const auto key = KeyGenerator::encryptionKey(metadataEncryptionKeyLabel());
    ASSERT_TRUE(key);
    EXPECT_EQ(Encryptor::decrypt(*sealed, *key), plain);
}

TEST_F(DataEncryptionTest, FailuresGiveNone) {
    const auto sealed = encrypted(plain);
    ASSERT_TRUE(sealed);

    auto tampered = *sealed;
    tampered[tampered.size() / 2] ^= 0x01;
    EXPECT_EQ(decrypted(tampered), std::nullopt);
    EXPECT_EQ(decrypted(plain), std::nullopt);
    EXPECT_EQ(decrypted({}), std::nullopt);

    KeyGenerator::setSimulatedFailure(true);
    EXPECT_EQ(encrypted(plain), std::nullopt);
    EXPECT_EQ(decrypted(*sealed), std::nullopt);
    KeyGenerator::setSimulatedFailure(false);

    Encryptor::setSimulatedFailure(true);
    EXPECT_EQ(encrypted(plain), std::nullopt);
    EXPECT_EQ(decrypted(*sealed), std::nullopt);
}

TEST_F(DataEncryptionTest, AnotherInstallCannotReadIt) {
    const auto sealed = encrypted(plain);
    ASSERT_TRUE(sealed);
    testsupport::freshSandbox();
    KeyGenerator::clearCachedKeys();
    EXPECT_EQ(decrypted(*sealed), std::nullopt);
}

} // namespace
