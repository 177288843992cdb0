#include "Platform/SDKs/Veltrane/VeltraneHybridSDKManager.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <set>

namespace platform::veltrane {

namespace {

constexpr std::array<std::string_view, 4> kIndexTypes = {"string", "integer", "real", "text"};
constexpr std::array<std::string_view, 2> kSyncTypes = {"download", "upload"};

template <std::size_t N>
bool oneOf(const std::string& value, const std::array<std::string_view, N>& allowed) {
    return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

// The JSON object of a package configuration file; none when missing or malformed.
std::optional<Json> readPackageConfig(const char* fileName, const char* component) {
    auto path = Bundle::main()->pathForResource(std::string(fileName), std::nullopt);
    if (!path) {
        VQSDKLogger::sharedInstanceWithComponent(component)
            ->i("VeltraneHybridSDKManager", fmt::format("No {} in the app package; nothing to set up.", fileName));
        return std::nullopt;
    }
    auto data = readFile(*path);
    auto json = data ? parseJson(*data) : std::nullopt;
    if (!json || !json->is_object()) {
        VQSDKLogger::sharedInstanceWithComponent(component)
            ->e("VeltraneHybridSDKManager", fmt::format("{} is not a JSON object; nothing set up.", fileName));
        return std::nullopt;
    }
    return json;
}

std::optional<VQSDKStoreTableConfig> parseTable(const Json& entry) {
    auto name = jsonString(entry, "name");
    const Json* indexes = jsonArray(entry, "indexes");
    if (!name || name->empty() || !indexes) return std::nullopt;
    VQSDKStoreTableConfig table{*name, {}};
    for (const auto& index : *indexes) {
        auto path = jsonString(index, "path");
        auto type = jsonString(index, "type");
        if (!path || path->empty() || !type || !oneOf(*type, kIndexTypes)) return std::nullopt;
        table.indexes.push_back({*path, *type});
    }
    return table;
}

std::optional<VQSDKSyncConfig> parseSync(const Json& entry) {
    auto name = jsonString(entry, "name");
    auto type = jsonString(entry, "direction");
    auto table = jsonString(entry, "table");
    if (!name || name->empty() || !type || !oneOf(*type, kSyncTypes) || !table || table->empty()) return std::nullopt;
    VQSDKSyncConfig sync{*name, *type, *table};
    if (const Json* target = jsonValue(entry, "target")) {
        if (!target->is_object()) return std::nullopt;
        sync.target = *target;
    }
    if (const Json* options = jsonValue(entry, "options")) {
        if (!options->is_object()) return std::nullopt;
        sync.options = *options;
    }
    return sync;
}

} // namespace

std::shared_ptr<VeltraneHybridSDKManager> VeltraneHybridSDKManager::create() {
    return std::shared_ptr<VeltraneHybridSDKManager>(new VeltraneHybridSDKManager());
}

std::shared_ptr<VeltraneHybridSDKManager> VeltraneHybridSDKManager::sharedManager() {
    if (!sharedManagerIfAny()) initializeSDK<VeltraneHybridSDKManager>();
    return std::dynamic_pointer_cast<VeltraneHybridSDKManager>(VeltraneSDKManager::sharedManager());
}

bool VeltraneHybridSDKManager::setupStore(const char* fileName, std::vector<VQSDKStoreTableConfig>& tables) {
    auto config = readPackageConfig(fileName, kVQOfflineStoreComponentName);
    if (!config) return false;
    auto logger = VQSDKLogger::sharedInstanceWithComponent(kVQOfflineStoreComponentName);
    std::vector<VQSDKStoreTableConfig> result;
    std::set<std::string, std::less<>> names;
    if (const Json* list = jsonArray(*config, "tables")) {
        for (const auto& entry : *list) {
            auto table = parseTable(entry);
            if (!table || !names.insert(table->tableName).second) {
                logger->e("VeltraneHybridSDKManager", fmt::format("Skipping a malformed table in {}.", fileName));
                continue;
            }
            result.push_back(std::move(*table));
        }
    }
    logger->i("VeltraneHybridSDKManager", fmt::format("Set up {} table(s) from {}.", result.size(), fileName));
    std::lock_guard lock(storeMutex_);
    tables = std::move(result);
    return true;
}

bool VeltraneHybridSDKManager::setupSyncs(const char* fileName, const std::vector<VQSDKStoreTableConfig>& tables,
                                          std::vector<VQSDKSyncConfig>& syncs) {
    auto config = readPackageConfig(fileName, kVQDataSyncComponentName);
    if (!config) return false;
    auto logger = VQSDKLogger::sharedInstanceWithComponent(kVQDataSyncComponentName);
    std::set<std::string, std::less<>> tableNames;
    {
        std::lock_guard lock(storeMutex_);
        for (const auto& table : tables) tableNames.insert(table.tableName);
    }
    std::vector<VQSDKSyncConfig> result;
    std::set<std::string, std::less<>> names;
    if (const Json* list = jsonArray(*config, "syncs")) {
        for (const auto& entry : *list) {
            auto sync = parseSync(entry);
            if (!sync || !tableNames.contains(sync->tableName) || !names.insert(sync->syncName).second) {
                logger->e("VeltraneHybridSDKManager", fmt::format("Skipping a malformed sync in {}.", fileName));
                continue;
            }
            result.push_back(std::move(*sync));
        }
    }
    logger->i("VeltraneHybridSDKManager", fmt::format("Set up {} sync(s) from {}.", result.size(), fileName));
    std::lock_guard lock(storeMutex_);
    syncs = std::move(result);
    return true;
}

bool VeltraneHybridSDKManager::setupGlobalStoreFromDefaultConfig() {
    return setupStore(kGlobalStoreConfigFileName, globalTables_);
}

bool VeltraneHybridSDKManager::setupUserStoreFromDefaultConfig() {
    return setupStore(kUserStoreConfigFileName, userTables_);
}

bool VeltraneHybridSDKManager::setupGlobalSyncsFromDefaultConfig() {
    return setupSyncs(kGlobalSyncsConfigFileName, globalTables_, globalSyncs_);
}

bool VeltraneHybridSDKManager::setupUserSyncsFromDefaultConfig() {
    return setupSyncs(kUserSyncsConfigFileName, userTables_, userSyncs_);
}

std::vector<VQSDKStoreTableConfig> VeltraneHybridSDKManager::globalTables() const {
    std::lock_guard lock(storeMutex_);
    return globalTables_;
}

std::vector<VQSDKStoreTableConfig> VeltraneHybridSDKManager::userTables() const {
    std::lock_guard lock(storeMutex_);
    return userTables_;
}

std::vector<VQSDKSyncConfig> VeltraneHybridSDKManager::globalSyncs() const {
    std::lock_guard lock(storeMutex_);
    return globalSyncs_;
}

std::vector<VQSDKSyncConfig> VeltraneHybridSDKManager::userSyncs() const {
    std::lock_guard lock(storeMutex_);
    return userSyncs_;
}

std::vector<std::string> VeltraneHybridSDKManager::getDevSupportInfos() {
    auto infos = VeltraneSDKManager::getDevSupportInfos();
    if (auto config = appConfig()) {
        infos.insert(infos.end(), {"Start Page", config->startPage().value_or("none"), "Unauthenticated Start Page",
                                   config->unauthenticatedStartPage().value_or("none"), "Is Local",
                                   config->isLocal() ? "YES" : "NO", "Should Authenticate",
                                   config->shouldAuthenticate() ? "YES" : "NO"});
    } else {
        infos.insert(infos.end(), {"Boot Config", "none"});
    }
    return infos;
}

} // namespace platform::veltrane
