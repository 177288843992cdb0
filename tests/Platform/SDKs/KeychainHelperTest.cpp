#include "Platform/SDKs/Veltrane/KeychainHelper.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

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
        {"device key file holds no key",
         [] { ASSERT_TRUE(writeFileAtomically(KeychainHelper::deviceKeyFilePath(), dataFromString("junk"))); }},
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

TEST_F(KeychainHelperTest, TheDeviceKeyLiesOutsideTheSandbox) {
    ASSERT_TRUE(KeychainHelper::write("svc", "acct", dataFromString("value")));
    const auto deviceKey = readFile(KeychainHelper::deviceKeyFilePath());
    ASSERT_TRUE(deviceKey);
    const auto sandbox = testsupport::sandboxRoot().lexically_normal().string();
    EXPECT_FALSE(KeychainHelper::deviceKeyFilePath().lexically_normal().string().starts_with(sandbox));
    for (const auto& entry : std::filesystem::recursive_directory_iterator(testsupport::sandboxRoot())) {
        if (!entry.is_regular_file()) continue;
        EXPECT_FALSE(contains(readFile(entry.path()).value_or(Data{}), *deviceKey)) << entry.path();
    }
}

TEST_F(KeychainHelperTest, TheDeviceKeyFileIsTheOwnersAloneFromItsFirstByte) {
    namespace fs = std::filesystem;
    const auto folder = KeychainHelper::deviceKeyFolder();
    ASSERT_TRUE(FileManager::defaultManager().createDirectory(folder));
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, folder.c_str(), IN_ATTRIB | IN_CREATE | IN_MOVED_TO), 0);
    const mode_t previousMask = ::umask(0);

    const bool written = KeychainHelper::write("svc", "acct", dataFromString("value")).has_value();

    ::umask(previousMask);
    // Every change of the folder's entries, by name: the key file must arrive
    // under its name with its final mode and never have it changed afterwards.
    std::vector<std::string> changedAfterArrival;
    alignas(inotify_event) char buffer[4096];
    ssize_t length = 0;
    while ((length = ::read(watch, buffer, sizeof buffer)) > 0) {
        for (char* at = buffer; at < buffer + length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            if ((event->mask & IN_ATTRIB) && event->len > 0) changedAfterArrival.emplace_back(event->name);
            at += sizeof(inotify_event) + event->len;
        }
    }
    ::close(watch);
    ASSERT_TRUE(written);
    EXPECT_EQ(std::count(changedAfterArrival.begin(), changedAfterArrival.end(), "device.key"), 0)
        << "the key file's mode was changed after it was in place";
    EXPECT_EQ(fs::status(KeychainHelper::deviceKeyFilePath()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(KeychainHelperTest, AFileThatCannotBeReadNowIsKeptAndNeverReplaced) {
    struct Case {
        const char* name;
        std::filesystem::path (*file)();
    };
    const Case cases[] = {
        {"device key", &KeychainHelper::deviceKeyFilePath},
        {"keychain", &KeychainHelper::keychainFilePath},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(KeychainHelper::resetKeychain());
        ASSERT_TRUE(KeychainHelper::write("svc", "acct", dataFromString("value")));
        const auto keyBefore = readFile(KeychainHelper::deviceKeyFilePath()).value();
        const auto keychainBefore = readFile(KeychainHelper::keychainFilePath()).value();
        const auto unreadable = c.file();
        FileManager::defaultManager().setFailureInjector(
            [unreadable](FileManager::Operation operation, const std::filesystem::path& path) -> std::optional<Error> {
                if (operation != FileManager::Operation::read || path != unreadable) return std::nullopt;
                return Error(std::string(kCocoaErrorDomain), CocoaError::fileReadUnknown, {});
            });

        auto read = KeychainHelper::read("svc", "acct");
        auto written = KeychainHelper::write("svc", "other", dataFromString("other"));

        FileManager::defaultManager().setFailureInjector(nullptr);
        ASSERT_FALSE(read);
        EXPECT_EQ(read.error().code, KeychainStatus::io);
        ASSERT_FALSE(written);
        EXPECT_EQ(written.error().code, KeychainStatus::io);
        EXPECT_EQ(readFile(KeychainHelper::deviceKeyFilePath()), keyBefore);
        EXPECT_EQ(readFile(KeychainHelper::keychainFilePath()), keychainBefore);
        EXPECT_FALSE(FileManager::defaultManager().fileExists(KeychainHelper::keychainFilePath().string() + ".corrupt"));
        EXPECT_EQ(KeychainHelper::read("svc", "acct").value(), dataFromString("value"));
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
