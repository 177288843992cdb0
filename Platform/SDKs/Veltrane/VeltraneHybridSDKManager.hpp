#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/SDKs/Veltrane/VeltraneSDKManager.hpp"

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform::veltrane {

/// One table of the offline store and its indexed fields.
struct PLATFORM_EXPORT VQSDKStoreTableConfig {
    struct Index {
        std::string path;
        std::string type; // "string", "integer", "real" or "text"
        bool operator==(const Index&) const = default;
    };
    std::string tableName;
    std::vector<Index> indexes;
    bool operator==(const VQSDKStoreTableConfig&) const = default;
};

/// One named sync between a table and the server.
struct PLATFORM_EXPORT VQSDKSyncConfig {
    std::string syncName;
    std::string direction; // "download" or "upload"
    std::string tableName;
    Json target = Json::object();
    Json options = Json::object();
    bool operator==(const VQSDKSyncConfig&) const = default;
};

/// The SDK manager of hybrid apps: the web container's boot configuration
/// plus the offline store and its syncs, set up from configuration files in
/// the app package root:
///
///   store-global.json, store-user.json   {"tables": [{"name": "...",
///                                          "indexes": [{"path": "...", "type": "string"}]}]}
///   syncs-global.json, syncs-user.json   {"syncs": [{"name": "...", "direction": "download",
///                                          "table": "...", "target": {...}, "options": {...}}]}
///
/// The global store is shared by every user; the user store belongs to the
/// signed-in user. A set-up replaces what the same call set up before. Entries
/// that are malformed (missing names, an unknown index type or direction, a sync
/// of a table its store lacks, a name used twice) are skipped with an error in
/// the offline-store or data-sync log.
class PLATFORM_EXPORT VeltraneHybridSDKManager : public VeltraneSDKManager {
public:
    static constexpr const char* kGlobalStoreConfigFileName = "store-global.json";
    static constexpr const char* kUserStoreConfigFileName = "store-user.json";
    static constexpr const char* kGlobalSyncsConfigFileName = "syncs-global.json";
    static constexpr const char* kUserSyncsConfigFileName = "syncs-user.json";

    static std::shared_ptr<VeltraneHybridSDKManager> create();
    /// The shared manager as a hybrid manager. When the SDK has no manager yet
    /// it is initialized with this class; null when the shared manager is not
    /// a hybrid one.
    static std::shared_ptr<VeltraneHybridSDKManager> sharedManager();

    std::string appType() const override { return "Hybrid"; }

    /// Each returns whether its configuration file was found and read.
    bool setupGlobalStoreFromDefaultConfig();
    bool setupUserStoreFromDefaultConfig();
    bool setupGlobalSyncsFromDefaultConfig();
    bool setupUserSyncsFromDefaultConfig();

    std::vector<VQSDKStoreTableConfig> globalTables() const;
    std::vector<VQSDKStoreTableConfig> userTables() const;
    std::vector<VQSDKSyncConfig> globalSyncs() const;
    std::vector<VQSDKSyncConfig> userSyncs() const;

    /// The base list plus the boot configuration's pages and switches.
    std::vector<std::string> getDevSupportInfos() override;

protected:
    VeltraneHybridSDKManager() = default;

private:
    bool setupStore(const char* fileName, std::vector<VQSDKStoreTableConfig>& tables);
    bool setupSyncs(const char* fileName, const std::vector<VQSDKStoreTableConfig>& tables, std::vector<VQSDKSyncConfig>& syncs);

    mutable std::mutex storeMutex_;
    std::vector<VQSDKStoreTableConfig> globalTables_;
    std::vector<VQSDKStoreTableConfig> userTables_;
    std::vector<VQSDKSyncConfig> globalSyncs_;
    std::vector<VQSDKSyncConfig> userSyncs_;
};

} // namespace platform::veltrane
