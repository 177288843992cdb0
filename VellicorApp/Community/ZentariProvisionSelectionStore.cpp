#include "VellicorApp/Community/ZentariProvisionSelectionStore.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/CaseInsensitiveLookup.hpp"
#include "VellicorApp/Core/DataEncryption.hpp"
#include "VellicorApp/Core/ErrorMessages.hpp"
#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/Json.hpp"

namespace vellicor {

namespace {

constexpr const char* kCacheFolder = "ZentariProvisionSelectionStore";
constexpr const char* kDefaultEntryName = "production";
constexpr const char* kLogType = "ZentariProvisionSelectionStore";

std::optional<std::string> defaultConfigPath() {
    return AppContext::current()->mainBundle->pathForResource("ZentariSDKConfiguration", "json");
}

} // namespace

ZentariProvisionSelectionStore::ZentariProvisionSelectionStore()
    : ZentariProvisionSelectionStore(defaultConfigPath()) {}

ZentariProvisionSelectionStore::ZentariProvisionSelectionStore(std::optional<std::string> configPath)
    : configFileCache_(platform::FileManager::defaultManager(), kCacheFolder), configPath_(std::move(configPath)) {}

std::optional<platform::Data> ZentariProvisionSelectionStore::zentariProvisionInfo() const {
    if (!configPath_) return std::nullopt;
    auto contents = AppContext::current()->fileManager.contents(*configPath_);
    if (!contents) return std::nullopt;
    return std::move(*contents);
}

std::optional<ZentariPushProvisioningInfo> ZentariProvisionSelectionStore::defaultProvision() const {
    const auto data = zentariProvisionInfo();
    if (!data) return std::nullopt;
    const auto json = platform::parseJson(*data);
    if (!json) return std::nullopt;
    if (auto entry = ZentariPushProvisioningInfo::decode(*json)) return std::move(*entry);
    auto entries = ZentariPushProvisioningInfo::decodeNamedEntries(*json);
    if (!entries) return std::nullopt;
    const auto production = entries->find(kDefaultEntryName);
    if (production == entries->end()) return std::nullopt;
    return std::move(production->second);
}

std::optional<ZentariPushProvisioningInfo> ZentariProvisionSelectionStore::selection() const {
    if (const auto stored = configFileCache_.load(kSelectionFileName)) {
        if (const auto plain = decrypted(*stored)) {
            if (const auto json = platform::parseJson(*plain)) {
                if (auto entry = ZentariPushProvisioningInfo::decode(*json)) return std::move(*entry);
            }
        }
    }
    return defaultProvision();
}

void ZentariProvisionSelectionStore::applyProvision(const std::string& name) const {
    const auto data = zentariProvisionInfo();
    if (!data) return;
    const auto json = platform::parseJson(*data);
    if (!json || !ZentariPushProvisioningInfo::decodeNamedEntries(*json)) return;
    const auto* member = valueForCaseInsensitiveKey(*json, name);
    if (member == nullptr) return;
    const auto entry = ZentariPushProvisioningInfo::decode(*member);
    if (!entry) return;
    const auto sealed = encrypted(platform::dataFromString(platform::serializeJson(entry->encode())));
    if (!sealed) return;
    if (auto error = configFileCache_.save(kSelectionFileName, *sealed)) {
        Logger::error("Failed to save provisioning selection with error: " + messageString(*error), kLogType);
    }
}

} // namespace vellicor
