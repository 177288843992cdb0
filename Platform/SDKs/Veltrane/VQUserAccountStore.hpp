#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccount.hpp"

#include <expected>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace platform::veltrane {

/// The account manager's store: one file per account under
/// Library/Application Support/VeltraneSDK/Accounts, each the account's JSON
/// sealed with Encryptor under the key KeyGenerator keeps for
/// kEncryptionKeyLabel, so no token is ever written in clear. File names are
/// digests of the account's ids. A file that fails authentication under the
/// key the store holds (sealed under a key that is gone, or changed) is
/// removed when the store is read; a file that cannot be read or opened for any
/// other reason (no key now, a read error, a failing decryption) is skipped
/// and kept for a later launch.
class PLATFORM_EXPORT VQUserAccountStore {
public:
    static constexpr const char* kEncryptionKeyLabel = "VQUserAccountStore";

    /// The store of the current sandbox.
    static std::filesystem::path defaultFolder();
    explicit VQUserAccountStore(std::filesystem::path folder = defaultFolder()) : folder_(std::move(folder)) {}

    /// Every account that can be read, in file-name order.
    std::vector<std::shared_ptr<VQUserAccount>> loadAccounts() const;
    std::expected<void, Error> save(const VQUserAccount& account) const;
    void remove(const VQUserAccountIdentity& identity) const;

    /// Which account was current when the app last ran (ids only).
    std::optional<VQUserAccountIdentity> loadCurrentIdentity() const;
    void saveCurrentIdentity(const std::optional<VQUserAccountIdentity>& identity) const;

    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path fileFor(const VQUserAccountIdentity& identity) const;

private:
    std::filesystem::path folder_;
};

} // namespace platform::veltrane
