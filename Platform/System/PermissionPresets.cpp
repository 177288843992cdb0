#include "Platform/System/PermissionPresets.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/UserDefaults.hpp"

#include <map>
#include <memory>
#include <mutex>

namespace platform::system {

namespace {

constexpr const char* kFileName = "SystemPermissions.plist";

struct Store {
    std::mutex mutex;
    /// One defaults object per data folder, so that two readers of one file
    /// never overwrite each other's changes.
    std::map<std::filesystem::path, std::shared_ptr<UserDefaults>> byFile;
    std::map<std::string, long> inMemory;
};

Store& store() {
    static auto* instance = new Store;
    return *instance;
}

/// The defaults of the current sandbox; null without one. Called under the lock.
std::shared_ptr<UserDefaults> defaults(Store& s) {
    if (!Sandbox::root()) return nullptr;
    const auto file = Sandbox::libraryDirectory() / "Preferences" / kFileName;
    auto& slot = s.byFile[file];
    if (!slot) slot = UserDefaults::create(file);
    return slot;
}

std::string presetKey(PermissionKind kind) {
    return kind == PermissionKind::notifications ? "preset.notifications" : "preset.tracking";
}

std::optional<long> read(const std::string& key) {
    auto& s = store();
    std::lock_guard lock(s.mutex);
    if (const auto file = defaults(s)) {
        const auto value = file->objectForKey(key);
        if (!value || !value->is_number_integer()) return std::nullopt;
        return value->get<long>();
    }
    const auto it = s.inMemory.find(key);
    return it == s.inMemory.end() ? std::nullopt : std::optional<long>(it->second);
}

void write(const std::string& key, std::optional<long> value) {
    auto& s = store();
    std::lock_guard lock(s.mutex);
    if (const auto file = defaults(s)) {
        file->set(key, value ? nlohmann::json(*value) : nlohmann::json());
        return;
    }
    if (value) s.inMemory[key] = *value;
    else s.inMemory.erase(key);
}

} // namespace

std::optional<PermissionAnswer> PermissionPresets::answer(PermissionKind kind) {
    const auto value = read(presetKey(kind));
    if (!value || *value < 0 || *value > static_cast<long>(PermissionAnswer::restricted)) return std::nullopt;
    return static_cast<PermissionAnswer>(*value);
}

void PermissionPresets::setAnswer(PermissionKind kind, std::optional<PermissionAnswer> answer) {
    write(presetKey(kind), answer ? std::optional<long>(static_cast<long>(*answer)) : std::nullopt);
}

std::optional<long> PermissionPresets::storedValue(const char* key) { return read(key); }

void PermissionPresets::setStoredValue(const char* key, long value) { write(key, value); }

} // namespace platform::system
