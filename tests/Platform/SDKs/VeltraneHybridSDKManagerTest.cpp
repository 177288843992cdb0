#include "Platform/SDKs/Veltrane/VeltraneHybridSDKManager.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace platform;
using namespace platform::veltrane;

namespace {

class VeltraneHybridSDKManagerTest : public ::testing::Test {
protected:
    void SetUp() override { VeltraneSDKManager::resetForTesting(); }
    void TearDown() override { VeltraneSDKManager::resetForTesting(); }

    void makePackage(const std::map<std::string, std::string>& files) {
        static int count = 0;
        const auto folder = testsupport::sandboxRoot() / ("Hybrid" + std::to_string(++count) + ".app");
        ASSERT_TRUE(FileManager::defaultManager().createDirectory(folder));
        for (const auto& [name, text] : files) ASSERT_TRUE(writeFileAtomically(folder / name, dataFromString(text)));
        Bundle::setMainBundlePath(folder);
    }

    static std::vector<std::string> tableNames(const std::vector<VQSDKStoreTableConfig>& tables) {
        std::vector<std::string> names;
        for (const auto& s : tables) names.push_back(s.tableName);
        return names;
    }
    static std::vector<std::string> syncNames(const std::vector<VQSDKSyncConfig>& syncs) {
        std::vector<std::string> names;
        for (const auto& s : syncs) names.push_back(s.syncName);
        return names;
    }
};

TEST_F(VeltraneHybridSDKManagerTest, SharedManagerIsHybridOnlyWhenTheSDKRunsOne) {
    auto hybrid = VeltraneHybridSDKManager::sharedManager();
    ASSERT_NE(hybrid, nullptr) << "an SDK without a manager starts a hybrid one";
    EXPECT_TRUE(VeltraneSDKManager::isInitialized());
    EXPECT_EQ(hybrid, VeltraneSDKManager::sharedManager());
    EXPECT_EQ(hybrid->appType(), "Hybrid");

    VeltraneSDKManager::resetForTesting();
    VeltraneSDKManager::initializeSDK<VeltraneSDKManager>();
    EXPECT_EQ(VeltraneHybridSDKManager::sharedManager(), nullptr);
}

TEST_F(VeltraneHybridSDKManagerTest, SetsUpStoresAndSyncsFromThePackage) {
    makePackage({
        {"store-global.json", R"({"tables":[
            {"name":"accounts","indexes":[{"path":"Id","type":"string"},{"path":"Name","type":"text"}]},
            {"name":"bad","indexes":[{"path":"Id","type":"blob"}]},
            {"indexes":[]},
            {"name":"accounts","indexes":[]},
            {"name":"notes","indexes":[]}]})"},
        {"syncs-global.json", R"({"syncs":[
            {"name":"downAccounts","direction":"download","table":"accounts","target":{"type":"query"}},
            {"name":"upAccounts","direction":"upload","table":"accounts","options":{"batchSize":50}},
            {"name":"toNowhere","direction":"download","table":"missing"},
            {"name":"sideways","direction":"sideways","table":"accounts"},
            {"name":"badTarget","direction":"download","table":"accounts","target":"x"},
            {"name":"downAccounts","direction":"download","table":"notes"}]})"},
        {"store-user.json", R"({"tables":[{"name":"contacts","indexes":[{"path":"Id","type":"string"}]}]})"},
        {"syncs-user.json", "not json"},
    });
    auto manager = VeltraneHybridSDKManager::create();
    EXPECT_TRUE(manager->setupGlobalStoreFromDefaultConfig());
    EXPECT_TRUE(manager->setupGlobalSyncsFromDefaultConfig());
    EXPECT_TRUE(manager->setupUserStoreFromDefaultConfig());
    EXPECT_FALSE(manager->setupUserSyncsFromDefaultConfig());

    EXPECT_EQ(tableNames(manager->globalTables()), (std::vector<std::string>{"accounts", "notes"}));
    EXPECT_EQ(manager->globalTables()[0].indexes,
              (std::vector<VQSDKStoreTableConfig::Index>{{"Id", "string"}, {"Name", "text"}}));
    EXPECT_EQ(syncNames(manager->globalSyncs()), (std::vector<std::string>{"downAccounts", "upAccounts"}));
    EXPECT_EQ(manager->globalSyncs()[0].target, Json({{"type", "query"}}));
    EXPECT_EQ(manager->globalSyncs()[1].options, Json({{"batchSize", 50}}));
    EXPECT_EQ(tableNames(manager->userTables()), std::vector<std::string>{"contacts"});
    EXPECT_TRUE(manager->userSyncs().empty());

    // Running the set-up again gives the same result rather than adding to it.
    EXPECT_TRUE(manager->setupGlobalStoreFromDefaultConfig());
    EXPECT_EQ(manager->globalTables().size(), 2u);
}

TEST_F(VeltraneHybridSDKManagerTest, UserSyncsNeedTheUserStore) {
    makePackage({{"syncs-user.json", R"({"syncs":[{"name":"s","direction":"download","table":"contacts"}]})"}});
    auto manager = VeltraneHybridSDKManager::create();
    EXPECT_FALSE(manager->setupUserStoreFromDefaultConfig()) << "no userstore.json";
    EXPECT_TRUE(manager->setupUserSyncsFromDefaultConfig());
    EXPECT_TRUE(manager->userSyncs().empty());
    EXPECT_FALSE(manager->setupGlobalStoreFromDefaultConfig());
    EXPECT_FALSE(manager->setupGlobalSyncsFromDefaultConfig());
}

TEST_F(VeltraneHybridSDKManagerTest, DevInfoShowsTheBootConfiguration) {
    makePackage({{"bootconfig.json", R"({"startPage":"/s/","unauthenticatedStartPage":"https://c.example.com/s/"})"}});
    auto infos = VeltraneHybridSDKManager::create()->getDevSupportInfos();
    auto valueOf = [&infos](const std::string& label) -> std::string {
        for (std::size_t i = 0; i + 1 < infos.size(); i += 2) {
            if (infos[i] == label) return infos[i + 1];
        }
        return "<missing>";
    };
    EXPECT_EQ(valueOf("App Type"), "Hybrid");
    EXPECT_EQ(valueOf("Start Page"), "/s/");
    EXPECT_EQ(valueOf("Unauthenticated Start Page"), "https://c.example.com/s/");
    EXPECT_EQ(valueOf("Should Authenticate"), "YES");
}

} // namespace
