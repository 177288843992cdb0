#include "Platform/SDKs/Veltrane/KeyGenerator.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/SDKs/Veltrane/Encryptor.hpp"
#include "Platform/SDKs/Veltrane/KeychainHelper.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>
#include <vector>

using namespace platform;
using namespace platform::veltrane;

namespace {

constexpr const char* kLabel = "com.example.app.metadataEncryptionKey";

class KeyGeneratorTest : public ::testing::Test {
protected:
    void TearDown() override {
        KeyGenerator::setSimulatedFailure(false);
        KeyGenerator::clearCachedKeys();
        KeychainHelper::resetStateForTesting();
    }
};

TEST_F(KeyGeneratorTest, SameLabelGivesTheSameKeyAcrossARelaunch) {
    auto first = KeyGenerator::encryptionKey(kLabel);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->bitCount(), 256u);
    EXPECT_EQ(KeyGenerator::encryptionKey(kLabel).value(), *first);

    const auto sealed = Encryptor::encrypt(dataFromString("stored metadata"), *first).value();
    KeyGenerator::clearCachedKeys(); // a new launch on the same install
    auto again = KeyGenerator::encryptionKey(kLabel);
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *first);
    EXPECT_EQ(Encryptor::decrypt(sealed, *again).value(), dataFromString("stored metadata"));

    EXPECT_NE(KeyGenerator::encryptionKey("another.label").value(), *first);
}

TEST_F(KeyGeneratorTest, ANewInstallGetsANewKey) {
    const auto first = KeyGenerator::encryptionKey(kLabel).value();
    testsupport::freshSandbox();
    EXPECT_NE(KeyGenerator::encryptionKey(kLabel).value(), first);
}

TEST_F(KeyGeneratorTest, KeyBytesNeverLieInClearInTheSandbox) {
    const auto key = KeyGenerator::encryptionKey(kLabel).value();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(testsupport::sandboxRoot())) {
        if (!entry.is_regular_file()) continue;
        const auto bytes = readFile(entry.path()).value_or(Data{});
        EXPECT_EQ(std::search(bytes.begin(), bytes.end(), key.bytes().begin(), key.bytes().end()), bytes.end())
            << entry.path();
    }
}

TEST_F(KeyGeneratorTest, ConcurrentFirstRequestsGetOneKey) {
    std::vector<std::optional<SymmetricKey>> keys(12);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        threads.emplace_back([&keys, i] {
            if (auto key = KeyGenerator::encryptionKey("race.label")) keys[i] = *key;
        });
    }
    for (auto& t : threads) t.join();
    KeyGenerator::clearCachedKeys();
    const auto kept = KeyGenerator::encryptionKey("race.label").value();
    for (const auto& key : keys) {
        ASSERT_TRUE(key.has_value());
        EXPECT_EQ(*key, kept);
    }
}

TEST_F(KeyGeneratorTest, FailuresAreReportedAsErrors) {
    EXPECT_EQ(KeyGenerator::encryptionKey("").error().code, VQKeyGeneratorError::invalidLabel);

    const auto key = KeyGenerator::encryptionKey(kLabel).value();
    KeyGenerator::setSimulatedFailure(true);
    auto failed = KeyGenerator::encryptionKey(kLabel);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().domain, kVQKeyGeneratorErrorDomain);
    EXPECT_EQ(failed.error().code, VQKeyGeneratorError::simulatedFailure);
    KeyGenerator::setSimulatedFailure(false);
    EXPECT_EQ(KeyGenerator::encryptionKey(kLabel).value(), key) << "the switch does not change the key";

    // A key the keychain withholds (locked device) is unavailable, not replaced.
    KeyGenerator::clearCachedKeys();
    KeychainHelper::setDeviceLocked(true);
    auto locked = KeyGenerator::encryptionKey(kLabel);
    ASSERT_FALSE(locked);
    EXPECT_EQ(locked.error().code, VQKeyGeneratorError::keyUnavailable);
    KeychainHelper::setDeviceLocked(false);
    EXPECT_EQ(KeyGenerator::encryptionKey(kLabel).value(), key);
}

TEST_F(KeyGeneratorTest, RemovedKeyIsReplacedByANewOne) {
    const auto key = KeyGenerator::encryptionKey(kLabel).value();
    ASSERT_TRUE(KeyGenerator::removeEncryptionKey(kLabel));
    EXPECT_NE(KeyGenerator::encryptionKey(kLabel).value(), key);
}

} // namespace
