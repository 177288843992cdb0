#include "Platform/SDKs/Veltrane/VQUserAccountStore.hpp"

#include "Platform/Foundation/Crypto.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/SDKs/Veltrane/Encryptor.hpp"
#include "Platform/SDKs/Veltrane/KeyGenerator.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"

namespace platform::veltrane {

namespace {

constexpr const char* kAccountExtension = ".account";
constexpr const char* kCurrentFileName = "current.json";

void logError(const std::string& message) {
    VQSDKLogger::sharedInstanceWithComponent(kVQCoreComponentName)->e("VQUserAccountStore", message);
}

bool isAuthenticationFailure(const Error& error) {
    return error.domain == kCryptoKitErrorDomain && error.code == CryptoKitError::authenticationFailure;
}

} // namespace

std::filesystem::path VQUserAccountStore::defaultFolder() {
    if (!Sandbox::root()) return {};
    return Sandbox::applicationSupportDirectory() / "VeltraneSDK" / "Accounts";
}

std::filesystem::path VQUserAccountStore::fileFor(const VQUserAccountIdentity& identity) const {
    return folder_ / (hexString(sha256(identity.orgId + "/" + identity.userId)) + kAccountExtension);
}

std::vector<std::shared_ptr<VQUserAccount>> VQUserAccountStore::loadAccounts() const {
    std::vector<std::shared_ptr<VQUserAccount>> accounts;
    if (folder_.empty()) return accounts;
    auto& files = FileManager::defaultManager();
    auto names = files.contentsOfDirectory(folder_);
    if (!names) return accounts;
    auto key = KeyGenerator::encryptionKey(kEncryptionKeyLabel);
    if (!key) {
        logError("Cannot read the stored accounts: " + key.error().localizedDescription());
        return accounts;
    }
    for (const auto& name : *names) {
        if (!name.ends_with(kAccountExtension)) continue;
        const auto path = folder_ / name;
        auto sealed = files.contents(path);
        if (!sealed) {
            logError("Skipping an account file that cannot be read now: " + name);
            continue;
        }
        auto opened = Encryptor::decrypt(*sealed, *key);
        if (!opened) {
            if (isAuthenticationFailure(opened.error())) {
                // Sealed under a key the store no longer holds: it can never be opened again.
                logError("Removing an account file sealed under another key: " + name);
                (void)files.removeItem(path);
            } else {
                logError("Skipping an account file that cannot be opened now: " + name);
            }
            continue;
        }
        std::optional<Json> json = parseJson(*opened);
        std::optional<VQOAuthCredentials> credentials;
        if (json) {
            if (const Json* stored = jsonObject(*json, "credentials")) credentials = VQOAuthCredentials::fromJson(*stored);
        }
        if (!credentials) {
            logError("Skipping an account file that holds no account: " + name);
            continue;
        }
        std::shared_ptr<VQIdData> idData;
        if (const Json* stored = jsonObject(*json, "idData")) {
            if (auto parsed = VQIdData::fromJson(*stored)) idData = std::make_shared<VQIdData>(std::move(*parsed));
        }
        auto account = VQUserAccount::create(std::make_shared<VQOAuthCredentials>(std::move(*credentials)), idData);
        account->setLoginState(VQUserAccountLoginState::loggedIn);
        accounts.push_back(std::move(account));
    }
    return accounts;
}

std::expected<void, Error> VQUserAccountStore::save(const VQUserAccount& account) const {
    if (folder_.empty()) {
        return std::unexpected(Error(std::string(kCocoaErrorDomain), CocoaError::fileWriteUnknown,
                                     {{std::string(kLocalizedDescriptionKey), "There is no sandbox to store accounts in."}}));
    }
    auto key = KeyGenerator::encryptionKey(kEncryptionKeyLabel);
    if (!key) return std::unexpected(key.error());
    Json json = Json::object();
    if (auto credentials = account.credentials()) json["credentials"] = credentials->toJson();
    if (auto idData = account.idData()) json["idData"] = idData->toJson();
    auto sealed = Encryptor::encrypt(dataFromString(serializeJson(json)), *key);
    if (!sealed) return std::unexpected(sealed.error());
    auto& files = FileManager::defaultManager();
    if (auto made = files.createDirectory(folder_); !made) return made;
    return files.writeAtomically(fileFor(account.accountIdentity()), *sealed);
}

void VQUserAccountStore::remove(const VQUserAccountIdentity& identity) const {
    if (folder_.empty()) return;
    const auto path = fileFor(identity);
    auto& files = FileManager::defaultManager();
    if (files.fileExists(path)) {
        if (auto removed = files.removeItem(path); !removed) {
            logError("Cannot remove a stored account: " + removed.error().localizedDescription());
        }
    }
}

std::optional<VQUserAccountIdentity> VQUserAccountStore::loadCurrentIdentity() const {
    if (folder_.empty()) return std::nullopt;
    auto data = readFile(folder_ / kCurrentFileName);
    auto json = data ? parseJson(*data) : std::nullopt;
    if (!json) return std::nullopt;
    VQUserAccountIdentity identity{jsonString(*json, "userId").value_or(""), jsonString(*json, "orgId").value_or("")};
    if (!identity.isValid()) return std::nullopt;
    return identity;
}

void VQUserAccountStore::saveCurrentIdentity(const std::optional<VQUserAccountIdentity>& identity) const {
    if (folder_.empty()) return;
    auto& files = FileManager::defaultManager();
    const auto path = folder_ / kCurrentFileName;
    if (!identity) {
        if (files.fileExists(path)) (void)files.removeItem(path);
        return;
    }
    if (auto made = files.createDirectory(folder_); !made) {
        logError("Cannot create the account store: " + made.error().localizedDescription());
        return;
    }
    Json json = {{"userId", identity->userId}, {"orgId", identity->orgId}};
    if (auto written = files.writeAtomically(path, dataFromString(serializeJson(json))); !written) {
        logError("Cannot store the current account: " + written.error().localizedDescription());
    }
}

} // namespace platform::veltrane
