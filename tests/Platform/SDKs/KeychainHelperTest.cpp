#include "Platform/SDKs/Veltrane/KeychainHelper.hpp"

#include "Platform/Foundation/FileManager.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace platform;
using namespace platform::veltrane;

namespace {

class KeychainHelperTest : public ::testing::Test {
protected:
    void TearDown() override { KeychainHelper::resetStateForTesting(); }

    static bool contains(const Data& haystack, const Data& needle) {
        return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
    }
};

TEST_F(KeychainHelperTest, WritesReadsReplacesAndRemovesItems) {
    EXPECT_EQ(KeychainHelper::read("svc", "acct").error().code, KeychainStatus::itemNotFound);
    ASSERT_TRUE(KeychainHelper::write("svc", "acct", dataFromString("one")));
    ASSERT_TRUE(KeychainHelper::write("svc", "other", dataFromString("two")));
    ASSERT_TRUE(KeychainHelper::write("svc", "acct", dataFromString("three")));
    EXPECT_EQ(KeychainHelper::read("svc", "acct").value(), dataFromString("three"));
    EXPECT_EQ(KeychainHelper::read("svc", "other").value(), dataFromString("two"));
    EXPECT_EQ(KeychainHelper::read("other-svc", "acct").error().code, KeychainStatus::itemNotFound);

    ASSERT_TRUE(KeychainHelper::remove("svc", "acct"));
    EXPECT_TRUE(KeychainHelper::remove("svc", "acct")) << "removing a missing item is not an error";
    EXPECT_EQ(KeychainHelper::read("svc", "acct").error().code, KeychainStatus::itemNotFound);
    ASSERT_TRUE(KeychainHelper::resetKeychain());
    EXPECT_EQ(KeychainHelper::read("svc", "other").error().code, KeychainStatus::itemNotFound);
}

TEST_F(KeychainHelperTest, RefusesItemsWithoutServiceOrAccount) {
    EXPECT_EQ(KeychainHelper::write("", "a", {}).error().code, KeychainStatus::param);
    EXPECT_EQ(KeychainHelper::read("s", "").error().code, KeychainStatus::param);
    EXPECT_EQ(KeychainHelper::read("s", "").error().domain, kOSStatusErrorDomain);
}

TEST_F(KeychainHelperTest, KeepsItemsSealedApartFromTheDeviceKey) {
    const Data secret = dataFromString("a-very-recognisable-secret-value");
    ASSERT_TRUE(KeychainHelper::write("svc", "acct", secret));

    const auto keychain = readFile(KeychainHelper::keychainFilePath());
    const auto deviceKey = readFile(KeychainHelper::deviceKeyFilePath());
    ASSERT_TRUE(keychain && deviceKey);
    EXPECT_NE(KeychainHelper::keychainFilePath(), KeychainHelper::deviceKeyFilePath());
    EXPECT_EQ(deviceKey->size(), 32u);
    EXPECT_FALSE(contains(*keychain, secret));
    EXPECT_FALSE(contains(*keychain, dataFromString("acct")));
    const auto perms = std::filesystem::status(KeychainHelper::deviceKeyFilePath()).permissions();
    EXPECT_EQ(perms & std::filesystem::perms::others_read, std::filesystem::perms::none);
}

TEST_F(KeychainHelperTest, DamagedOrForeignKeychainIsSetAsideAndStartsEmpty) {
    struct Case {
        const char* name;
        void (*damage)();
    };
    const Case cases[] = {
        {"flipped byte",
         [] {
             auto bytes = readFile(KeychainHelper::keychainFilePath()).value();
             bytes[bytes.size() / 2] ^= 0x01;
             ASSERT_TRUE(writeFileAtomically(KeychainHelper::keychainFilePath(), bytes));
         }},
        {"not sealed at all",
         [] { ASSERT_TRUE(writeFileAtomically(KeychainHelper::keychainFilePath(), dataFromString("{}"))); }},
        {"another device key",
         [] { ASSERT_TRUE(writeFileAtomically(KeychainHelper::deviceKeyFilePath(), Data(32, 0x42))); }},
        {"device key lost",
         [] { ASSERT_TRUE(FileManager::defaultManager().removeItem(KeychainHelper::deviceKeyFilePath())); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(KeychainHelper::resetKeychain());
        ASSERT_TRUE(KeychainHelper::write("svc", "acct", dataFromString("value")));
        c.damage();
        EXPECT_EQ(KeychainHelper::read("svc", "acct").error().code, KeychainStatus::itemNotFound);
        EXPECT_TRUE(FileManager::defaultManager().fileExists(KeychainHelper::keychainFilePath().string() + ".corrupt"));
        ASSERT_TRUE(KeychainHelper::write("svc", "acct", dataFromString("again")));
        EXPECT_EQ(KeychainHelper::read("svc", "acct").value(), dataFromString("again"));
    }
}

TEST_F(KeychainHelperTest, LockedDeviceWithholdsItemsAvailableOnlyWhenUnlocked) {
    using A = KeychainHelper::ItemAccessibility;
    ASSERT_TRUE(KeychainHelper::setAccessibleAttribute(A::whenUnlocked));
    ASSERT_TRUE(KeychainHelper::write("svc", "acct", dataFromString("v")));

    KeychainHelper::setDeviceLocked(true);
    EXPECT_EQ(KeychainHelper::read("svc", "acct").error().code, KeychainStatus::interactionNotAllowed);
    EXPECT_EQ(KeychainHelper::write("svc", "new", dataFromString("w")).error().code,
              KeychainStatus::interactionNotAllowed);

    // Re-tagging reaches stored items and makes them usable while locked.
    ASSERT_TRUE(KeychainHelper::setAccessibleAttribute(A::afterFirstUnlock));
    EXPECT_EQ(KeychainHelper::accessibleAttribute(), A::afterFirstUnlock);
    EXPECT_EQ(KeychainHelper::read("svc", "acct").value(), dataFromString("v"));
    EXPECT_TRUE(KeychainHelper::write("svc", "new", dataFromString("w")));

    const struct {
        A accessibility;
        bool availableWhileLocked;
    } table[] = {{A::whenUnlocked, false},
                 {A::whenUnlockedThisDeviceOnly, false},
                 {A::afterFirstUnlock, true},
                 {A::afterFirstUnlockThisDeviceOnly, true},
                 {A::whenPasscodeSetThisDeviceOnly, false}};
    for (const auto& row : table) {
        EXPECT_EQ(KeychainHelper::isAvailable(row.accessibility), row.availableWhileLocked)
            << static_cast<int>(row.accessibility);
    }
    KeychainHelper::setDeviceLocked(false);
    EXPECT_TRUE(KeychainHelper::isAvailable(A::whenUnlocked));
}

} // namespace
