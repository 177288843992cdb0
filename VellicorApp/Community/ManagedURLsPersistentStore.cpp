#include "VellicorApp/Community/ManagedURLsPersistentStore.hpp"

#include "VellicorApp/Core/DataEncryption.hpp"
#include "VellicorApp/Core/Logger.hpp"

namespace vellicor {

namespace {
constexpr const char* kFileName = "ManagedURLsConfigModel";
constexpr const char* kTypeName = "ManagedURLsPersistentStore";
} // namespace

ManagedURLsPersistentStore::ManagedURLsPersistentStore()
    : configFileCache_(platform::FileManager::defaultManager(), "URLManagement") {}

std::shared_ptr<RuntimeManagedURLs> ManagedURLsPersistentStore::managedURLs() const {
    const auto data = configFileCache_.load(kFileName);
    if (!data) return nullptr;
    const auto plain = decrypted(*data);
    if (!plain) return nullptr;
    auto json = platform::Json::parse(plain->begin(), plain->end(), nullptr, false);
    if (json.is_discarded() || !json.is_object()) return nullptr;
    return RuntimeManagedURLs::decode(json);
}

void ManagedURLsPersistentStore::updateManagedURLs(const RuntimeManagedURLs& rules) const {
    std::optional<platform::Data> sealed;
    try {
        sealed = encrypted(platform::dataFromString(rules.encode().dump()));
    } catch (const platform::Json::exception&) {
        // A pattern that is not valid UTF-8 cannot be written as JSON.
    }
    if (!sealed) {
        Logger::error("Failed to persist Managed URLs configuration.", kTypeName);
        return;
    }
    if (const auto error = configFileCache_.save(kFileName, *sealed)) {
        Logger::error("Failed to write Managed URLs configuration.", kTypeName);
    }
}

} // namespace vellicor
