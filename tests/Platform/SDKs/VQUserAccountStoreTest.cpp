#include "tests/Platform/SDKs/VeltraneAccountFixture.hpp"

#include "Platform/Foundation/Crypto.hpp"
#include "Platform/SDKs/Veltrane/Encryptor.hpp"
#include "Platform/SDKs/Veltrane/KeychainHelper.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountStore.hpp"

using namespace platform;
using namespace platform::veltrane;
using namespace veltranetest;

namespace {

class VQUserAccountStoreTest : public AccountFixture {
protected:
    void TearDown() override {
        Encryptor::setSimulatedFailure(false);
        KeyGenerator::setSimulatedFailure(false);
        FileManager::defaultManager().setFailureInjector(nullptr);
        AccountFixture::TearDown();
    }

    /// A new launch: nothing in memory, the store read again.
    void relaunch() {
        manager.reset();
        VQUserAccountManager::resetForTesting();
        KeyGenerator::clearCachedKeys();
        manager = VQUserAccountManager::sharedInstance();
    }

    /// Makes reads of the files the predicate picks fail as a passing I/O error would.
    static void failReads(std::function<bool(const std::filesystem::path&)> picks) {
        FileManager::defaultManager().setFailureInjector(
            [picks](FileManager::Operation operation, const std::filesystem::path& path) -> std::optional<Error> {
                if (operation != FileManager::Operation::read || !picks(path)) return std::nullopt;
                return Error(std::string(kCocoaErrorDomain), CocoaError::fileReadUnknown, {});
            });
    }
};

TEST_F(VQUserAccountStoreTest, ALaunchUnderAPassingFailureKeepsTheAccountForTheNextLaunch) {
    struct Case {
        const char* name;
        std::function<void()> fail;
    };
    const Case cases[] = {
        {"decryption failing", [] { Encryptor::setSimulatedFailure(true); }},
        {"no key to be had", [] { KeyGenerator::setSimulatedFailure(true); }},
        {"device key unreadable",
         [] { failReads([](const std::filesystem::path& path) { return path == KeychainHelper::deviceKeyFilePath(); }); }},
        {"keychain unreadable",
         [] { failReads([](const std::filesystem::path& path) { return path == KeychainHelper::keychainFilePath(); }); }},
        {"account file unreadable",
         [] { failReads([](const std::filesystem::path& path) { return path.extension() == ".account"; }); }},
    };
    auto account = signIn();
    ASSERT_NE(account, nullptr);
    const auto token = account->credentials()->accessToken;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.fail();
        relaunch();
        EXPECT_EQ(manager->currentUser(), nullptr);

        Encryptor::setSimulatedFailure(false);
        KeyGenerator::setSimulatedFailure(false);
        FileManager::defaultManager().setFailureInjector(nullptr);
        relaunch();
        ASSERT_NE(manager->currentUser(), nullptr) << "the stored account was lost";
        EXPECT_EQ(manager->currentUser()->credentials()->accessToken, token);
    }
}

TEST_F(VQUserAccountStoreTest, OnlyAFileSealedUnderAnotherKeyIsRemoved) {
    ASSERT_NE(signIn(), nullptr);
    VQUserAccountStore store;
    const auto key = KeyGenerator::encryptionKey(VQUserAccountStore::kEncryptionKeyLabel).value();
    struct Case {
        const char* name;
        std::function<Data()> contents;
        bool removed;
    };
    const Case cases[] = {
        {"sealed under another key",
         [] { return Encryptor::encrypt(dataFromString("{}"), SymmetricKey::random(256)).value(); }, true},
        {"sealed and changed",
         [&] {
             auto sealed = Encryptor::encrypt(dataFromString("{}"), key).value();
             sealed[sealed.size() / 2] ^= 0x01;
             return sealed;
         },
         true},
        {"sealed but no account inside", [&] { return Encryptor::encrypt(dataFromString("[1]"), key).value(); }, false},
        {"too short to be sealed", [] { return dataFromString("short"); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = store.folder() / "stray.account";
        ASSERT_TRUE(writeFileAtomically(path, c.contents()));

        EXPECT_EQ(store.loadAccounts().size(), 1u);

        EXPECT_EQ(FileManager::defaultManager().fileExists(path), !c.removed);
        (void)FileManager::defaultManager().removeItem(path);
    }
}

} // namespace
