#include "Platform/SDKs/Veltrane/KeychainHelper.hpp"

#include "Platform/Foundation/Crypto.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <vector>

namespace platform::veltrane {

namespace fs = std::filesystem;

namespace {

constexpr int kFormatVersion = 1;
constexpr const char* kPlatformFolderName = "vellicor-platform/keychain";

struct Item {
    std::string service;
    std::string account;
    KeychainHelper::ItemAccessibility accessibility;
    Data value;
};

constexpr std::size_t kDeviceKeySize = 32;
constexpr const char* kDeviceKeyFileName = "device.key";

struct State {
    std::mutex mutex;
    KeychainHelper::ItemAccessibility accessibility = KeychainHelper::ItemAccessibility::whenUnlocked;
    bool locked = false;
};

// Apart from State: paths are asked for while the state lock is held.
struct DeviceKeyFolderSetting {
    std::mutex mutex;
    std::optional<fs::path> folder; // set for tests; none: the per-user default
};

DeviceKeyFolderSetting& deviceKeyFolderSetting() {
    static auto* setting = new DeviceKeyFolderSetting;
    return *setting;
}

State& state() {
    static auto* s = new State;
    return *s;
}

Error keychainError(long status, std::string_view description) {
    return Error(std::string(kOSStatusErrorDomain), status,
                 {{std::string(kLocalizedDescriptionKey), std::string(description)}});
}

void logError(std::string_view message) {
    VQSDKLogger::sharedInstanceWithComponent(kVQCoreComponentName)->e("KeychainHelper", message);
}

bool availableWhileLocked(KeychainHelper::ItemAccessibility accessibility) {
    return accessibility == KeychainHelper::ItemAccessibility::afterFirstUnlock ||
           accessibility == KeychainHelper::ItemAccessibility::afterFirstUnlockThisDeviceOnly;
}

std::optional<KeychainHelper::ItemAccessibility> accessibilityFromInt(std::int64_t value) {
    if (value < 0 || value > static_cast<std::int64_t>(KeychainHelper::ItemAccessibility::whenPasscodeSetThisDeviceOnly)) {
        return std::nullopt;
    }
    return static_cast<KeychainHelper::ItemAccessibility>(value);
}

bool isMissingFile(const Error& error) {
    return error.domain == kCocoaErrorDomain &&
           (error.code == CocoaError::fileReadNoSuchFile || error.code == CocoaError::fileNoSuchFile);
}

// The device master key, made on first use. Only a missing key file, or one
// that holds no key, is replaced: a key that cannot be read now (a passing
// failure) is kept and the keychain is unavailable until it can be read.
// Caller holds the state lock.
std::expected<SymmetricKey, Error> deviceKey(bool& madeNew) {
    madeNew = false;
    const auto path = KeychainHelper::deviceKeyFilePath();
    if (path.empty()) return std::unexpected(keychainError(KeychainStatus::notAvailable, "No keychain is available."));
    auto& files = FileManager::defaultManager();
    auto bytes = files.contents(path);
    if (bytes && bytes->size() == kDeviceKeySize) return SymmetricKey(*bytes);
    if (!bytes && !isMissingFile(bytes.error())) {
        logError("The device key cannot be read; it is kept and the keychain is unavailable for now.");
        return std::unexpected(keychainError(KeychainStatus::io, "The device key cannot be read."));
    }
    if (auto made = files.createDirectory(path.parent_path()); !made) {
        return std::unexpected(keychainError(KeychainStatus::io, "The keychain folder cannot be created."));
    }
    const SymmetricKey key = SymmetricKey::random(256);
    AtomicWriteOptions options;
    options.permissions = fs::perms::owner_read | fs::perms::owner_write;
    // A missing key is made only if nobody made it meanwhile (another process
    // of the same user), so that every process seals with the same key.
    options.replacing = bytes.has_value();
    if (auto written = files.writeAtomically(path, key.bytes(), options); !written) {
        if (written.error().code == CocoaError::fileWriteFileExists) {
            if (auto theirs = files.contents(path); theirs && theirs->size() == kDeviceKeySize) return SymmetricKey(*theirs);
        }
        return std::unexpected(keychainError(KeychainStatus::io, "The device key cannot be written."));
    }
    madeNew = true;
    return key;
}

void quarantine(const fs::path& file) {
    auto& files = FileManager::defaultManager();
    const fs::path aside = file.string() + ".corrupt";
    if (files.fileExists(aside)) (void)files.removeItem(aside);
    if (!files.moveItem(file, aside)) (void)files.removeItem(file);
    logError("The keychain could not be opened and was set aside; its items are lost.");
}

std::optional<std::vector<Item>> decodeItems(const Json& root) {
    if (jsonInt(root, "version") != kFormatVersion) return std::nullopt;
    const Json* list = jsonArray(root, "items");
    if (!list) return std::nullopt;
    std::vector<Item> items;
    for (const auto& entry : *list) {
        auto service = jsonString(entry, "service");
        auto account = jsonString(entry, "account");
        auto accessibilityValue = jsonInt(entry, "accessibility");
        auto encoded = jsonString(entry, "data");
        if (!service || !account || !accessibilityValue || !encoded) return std::nullopt;
        auto accessibility = accessibilityFromInt(*accessibilityValue);
        auto value = base64Decode(*encoded);
        if (!accessibility || !value) return std::nullopt;
        items.push_back(Item{std::move(*service), std::move(*account), *accessibility, std::move(*value)});
    }
    return items;
}

// Reads every item. Caller holds the state lock.
std::expected<std::vector<Item>, Error> load(SymmetricKey& key) {
    if (!Sandbox::root()) return std::unexpected(keychainError(KeychainStatus::notAvailable, "No keychain is available."));
    bool madeNewKey = false;
    auto master = deviceKey(madeNewKey);
    if (!master) return std::unexpected(master.error());
    key = *master;
    const auto path = KeychainHelper::keychainFilePath();
    auto sealed = FileManager::defaultManager().contents(path);
    if (!sealed) {
        if (isMissingFile(sealed.error())) return std::vector<Item>{};
        // Kept as it is: an empty keychain here would be written over it.
        logError("The keychain cannot be read now.");
        return std::unexpected(keychainError(KeychainStatus::io, "The keychain cannot be read."));
    }
    if (!madeNewKey) {
        if (auto opened = aesGcmOpen(*sealed, key)) {
            if (auto root = parseJson(*opened)) {
                if (auto items = decodeItems(*root)) return std::move(*items);
            }
        }
    }
    quarantine(path);
    return std::vector<Item>{};
}

// Writes every item. Caller holds the state lock.
std::expected<void, Error> save(const std::vector<Item>& items, const SymmetricKey& key) {
    Json list = Json::array();
    for (const auto& item : items) {
        list.push_back({{"service", item.service},
                        {"account", item.account},
                        {"accessibility", static_cast<int>(item.accessibility)},
                        {"data", base64Encode(item.value)}});
    }
    const Json root = {{"version", kFormatVersion}, {"items", std::move(list)}};
    auto sealed = aesGcmSeal(dataFromString(serializeJson(root)), key);
    if (!sealed) return std::unexpected(keychainError(KeychainStatus::io, "The keychain cannot be sealed."));
    const auto path = KeychainHelper::keychainFilePath();
    auto& files = FileManager::defaultManager();
    if (auto made = files.createDirectory(path.parent_path()); !made) {
        return std::unexpected(keychainError(KeychainStatus::io, "The keychain folder cannot be created."));
    }
    if (auto written = files.writeAtomically(path, *sealed); !written) {
        return std::unexpected(keychainError(KeychainStatus::io, "The keychain cannot be written."));
    }
    return {};
}

auto findItem(std::vector<Item>& items, const std::string& service, const std::string& account) {
    return std::find_if(items.begin(), items.end(),
                        [&](const Item& item) { return item.service == service && item.account == account; });
}

std::optional<Error> checkArguments(const std::string& service, const std::string& account) {
    if (service.empty() || account.empty()) {
        return keychainError(KeychainStatus::param, "A keychain item needs a service and an account.");
    }
    return std::nullopt;
}

} // namespace

fs::path KeychainHelper::keychainFilePath() {
    const auto library = Sandbox::libraryDirectory();
    return library.empty() ? fs::path{} : library / "Keychains" / "keychain.db";
}

fs::path KeychainHelper::deviceKeyFolder() {
    {
        auto& setting = deviceKeyFolderSetting();
        std::lock_guard lock(setting.mutex);
        if (setting.folder) return *setting.folder;
    }
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && fs::path(dataHome).is_absolute()) return fs::path(dataHome) / kPlatformFolderName;
    const char* home = std::getenv("HOME");
    if (home != nullptr && fs::path(home).is_absolute()) {
        return fs::path(home) / ".local" / "share" / kPlatformFolderName;
    }
    return {};
}

void KeychainHelper::setDeviceKeyFolder(std::optional<fs::path> folder) {
    auto& setting = deviceKeyFolderSetting();
    std::lock_guard lock(setting.mutex);
    setting.folder = std::move(folder);
}

fs::path KeychainHelper::deviceKeyFilePath() {
    const auto folder = deviceKeyFolder();
    return folder.empty() ? fs::path{} : folder / kDeviceKeyFileName;
}

std::expected<void, Error> KeychainHelper::setAccessibleAttribute(ItemAccessibility accessibility) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.accessibility = accessibility;
    SymmetricKey key;
    auto items = load(key);
    if (!items) return std::unexpected(items.error());
    if (items->empty()) return {};
    for (auto& item : *items) item.accessibility = accessibility;
    return save(*items, key);
}

KeychainHelper::ItemAccessibility KeychainHelper::accessibleAttribute() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.accessibility;
}

std::expected<Data, Error> KeychainHelper::read(const std::string& service, const std::string& account) {
    if (auto bad = checkArguments(service, account)) return std::unexpected(*bad);
    auto& s = state();
    std::lock_guard lock(s.mutex);
    SymmetricKey key;
    auto items = load(key);
    if (!items) return std::unexpected(items.error());
    auto it = findItem(*items, service, account);
    if (it == items->end()) return std::unexpected(keychainError(KeychainStatus::itemNotFound, "The item was not found."));
    if (s.locked && !availableWhileLocked(it->accessibility)) {
        return std::unexpected(keychainError(KeychainStatus::interactionNotAllowed, "The device is locked."));
    }
    return it->value;
}

std::expected<void, Error> KeychainHelper::write(const std::string& service, const std::string& account,
                                                 const Data& value) {
    if (auto bad = checkArguments(service, account)) return std::unexpected(*bad);
    auto& s = state();
    std::lock_guard lock(s.mutex);
    if (s.locked && !availableWhileLocked(s.accessibility)) {
        return std::unexpected(keychainError(KeychainStatus::interactionNotAllowed, "The device is locked."));
    }
    SymmetricKey key;
    auto items = load(key);
    if (!items) return std::unexpected(items.error());
    if (auto it = findItem(*items, service, account); it != items->end()) {
        if (s.locked && !availableWhileLocked(it->accessibility)) {
            return std::unexpected(keychainError(KeychainStatus::interactionNotAllowed, "The device is locked."));
        }
        it->value = value;
        it->accessibility = s.accessibility;
    } else {
        items->push_back(Item{service, account, s.accessibility, value});
    }
    return save(*items, key);
}

std::expected<void, Error> KeychainHelper::remove(const std::string& service, const std::string& account) {
    if (auto bad = checkArguments(service, account)) return std::unexpected(*bad);
    auto& s = state();
    std::lock_guard lock(s.mutex);
    SymmetricKey key;
    auto items = load(key);
    if (!items) return std::unexpected(items.error());
    auto it = findItem(*items, service, account);
    if (it == items->end()) return {};
    items->erase(it);
    return save(*items, key);
}

std::expected<void, Error> KeychainHelper::resetKeychain() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    SymmetricKey key;
    auto items = load(key);
    if (!items) return std::unexpected(items.error());
    return save({}, key);
}

void KeychainHelper::setDeviceLocked(bool locked) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.locked = locked;
}

bool KeychainHelper::isDeviceLocked() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.locked;
}

bool KeychainHelper::isAvailable(ItemAccessibility accessibility) {
    return !isDeviceLocked() || availableWhileLocked(accessibility);
}

void KeychainHelper::resetStateForTesting() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.accessibility = ItemAccessibility::whenUnlocked;
    s.locked = false;
}

} // namespace platform::veltrane
