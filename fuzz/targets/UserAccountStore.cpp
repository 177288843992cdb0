// The SDK's stored user accounts, read at launch: an account file's text
// after decryption, and the same text as the file naming the current account.
// Property: an account read, saved again, reads back the same.

#include "fuzz/support/FuzzSupport.hpp"

#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/SDKs/Veltrane/Encryptor.hpp"
#include "Platform/SDKs/Veltrane/KeyGenerator.hpp"
#include "Platform/SDKs/Veltrane/VQIdData.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthCredentials.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccount.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountStore.hpp"

#include <filesystem>

namespace {

platform::Json stored(const platform::veltrane::VQUserAccount& account) {
    platform::Json json = platform::Json::object();
    if (const auto credentials = account.credentials()) json["credentials"] = credentials->toJson();
    if (const auto idData = account.idData()) json["idData"] = idData->toJson();
    return json;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::setUpPlatform();
    using namespace platform::veltrane;
    const VQUserAccountStore store;
    auto& files = platform::FileManager::defaultManager();
    std::error_code ignored;
    std::filesystem::remove_all(store.folder(), ignored);
    FUZZ_CHECK(files.createDirectory(store.folder()).has_value());
    const platform::Data plain(data, data + size);
    const auto key = KeyGenerator::encryptionKey(VQUserAccountStore::kEncryptionKeyLabel);
    FUZZ_CHECK(key.has_value());
    const auto sealed = Encryptor::encrypt(plain, *key);
    FUZZ_CHECK(sealed.has_value());
    FUZZ_CHECK(files.writeAtomically(store.folder() / "stored.account", *sealed).has_value());
    FUZZ_CHECK(files.writeAtomically(store.folder() / "current.json", plain).has_value());

    (void)store.loadCurrentIdentity();
    const auto accounts = store.loadAccounts();
    FUZZ_CHECK(accounts.size() <= 1);
    if (!accounts.empty()) {
        const auto& account = *accounts.front();
        std::filesystem::remove_all(store.folder(), ignored);
        if (store.save(account)) {
            const auto again = store.loadAccounts();
            FUZZ_CHECK(again.size() == 1);
            FUZZ_CHECK(stored(*again.front()) == stored(account));
        }
    }
    fuzzsupport::endInput();
    return 0;
}
