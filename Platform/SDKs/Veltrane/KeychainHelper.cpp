#include "Platform/SDKs/Veltrane/KeychainHelper.hpp"

#include "Platform/Foundation/Crypto.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"

#include <algorithm>
#include <mutex>
#include <optional>
#include <vector>

namespace platform::veltrane {

namespace fs = std::filesystem;

namespace {

constexpr int kFormatVersion = 1;

struct Item {
    std::string service;
    std::string account;
    KeychainHelper::ItemAccessibility accessibility;
    Data value;
};

struct State {
    std::mutex mutex;
    KeychainHelper::ItemAccessibility accessibility = KeychainHelper::ItemAccessibility::whenUnlocked;
    bool locked = false;
};

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

// The device master key, made on first use. Caller holds the state lock.
std::expected<SymmetricKey, Error> deviceKey(bool& madeNew) {
    madeNew = false;
    const auto path = KeychainHelper::deviceKeyFilePath();
    if (auto bytes = readFile(path); bytes && bytes->size() == 32) return SymmetricKey(*bytes);
    auto& files = FileManager::defaultManager();
    if (auto made = files.createDirectory(path.parent_path()); !made) {
        return std::unexpected(keychainError(KeychainStatus::io, "The keychain folder cannot be created."));
    }
    const SymmetricKey key = SymmetricKey::random(256);
    if (auto written = files.writeAtomically(path, key.bytes()); !written) {
        return std::unexpected(keychainError(KeychainStatus::io, "The device key cannot be written."));
    }
    std::error_code ignored;
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace, ignored);
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
    auto sealed = readFile(path);
    if (!sealed) return std::vector<Item>{};
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
    if (auto written = FileManager::defaultManager().writeAtomically(path, *sealed); !written) {
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

fs::path KeychainHelper::deviceKeyFilePath() {
    const auto library = Sandbox::libraryDirectory();
    return library.empty() ? fs::path{} : library / "Keychains" / "device.key";
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
