#include "VellicorApp/Community/ZentariProvisionSelectionStore.hpp"

#include "VellicorApp/Core/DataEncryption.hpp"
#include "Platform/SDKs/Veltrane/Encryptor.hpp"
#include "Platform/SDKs/Veltrane/KeyGenerator.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace vellicor;
using platform::Json;
using platform::veltrane::Encryptor;
using platform::veltrane::KeyGenerator;
using ::testing::ElementsAre;
using Operation = platform::FileManager::Operation;

namespace {

Json entry(const std::string& name, const std::string& appID) {
    return Json{{"name", name},       {"appid", appID},       {"accesstoken", "token"},
                {"applicationcontrolsbadging", true},        {"zentari_server_url", "https://m.example.test/"},
                {"mid", "1"},         {"location", false},    {"inbox", false},
                {"delayregistrationuntilcontactkeyisset", false}};
}

class ZentariProvisionSelectionStoreTest : public apptest::AppTest {
protected:
    void SetUp() override { apptest::installContext(apptest::sampleResources()); }
    void TearDown() override {
        KeyGenerator::setSimulatedFailure(false);
        Encryptor::setSimulatedFailure(false);
        AppTest::TearDown();
    }

    /// A provisioning file of one's own in the sandbox.
    static std::string provisioningFile(const Json& content) {
        const auto path = testsupport::sandboxRoot() / ("provisioning" + std::to_string(++count_) + ".json");
        EXPECT_TRUE(platform::writeFileAtomically(path, platform::dataFromString(platform::serializeJson(content))));
        return path.string();
    }

    static std::filesystem::path selectionFile() {
        return platform::Sandbox::applicationSupportDirectory() / "ZentariProvisionSelectionStore" /
               "ZentariProvisionSelection.json";
    }

    static std::optional<std::string> selectedAppID(const ZentariProvisionSelectionStore& store) {
        const auto selection = store.selection();
        return selection ? std::optional<std::string>(selection->appID) : std::nullopt;
    }

    static inline int count_ = 0;
};

TEST_F(ZentariProvisionSelectionStoreTest, TheAppPackagesFileDefaultsToProduction) {
    const ZentariProvisionSelectionStore store;
    ASSERT_TRUE(store.configPath());
    EXPECT_TRUE(store.configPath()->ends_with("/ZentariSDKConfiguration.json"));
    ASSERT_TRUE(store.selection());
    EXPECT_EQ(store.selection()->name, "production");
}

TEST_F(ZentariProvisionSelectionStoreTest, AOneEntryFileIsTheDefaultAndCannotBeChosenByName) {
    const ZentariProvisionSelectionStore store(provisioningFile(entry("solo", "solo-app")));
    EXPECT_EQ(selectedAppID(store), "solo-app");
    store.applyProvision("solo");
    EXPECT_FALSE(platform::FileManager::defaultManager().fileExists(selectionFile()));
}

TEST_F(ZentariProvisionSelectionStoreTest, TheDefaultMemberIsMatchedWithItsCase) {
    const auto path = provisioningFile(Json{{"Production", entry("Production", "prod-app")}, {"sandbox", entry("sandbox", "sb-app")}});
    const ZentariProvisionSelectionStore store(path);
    EXPECT_EQ(store.selection(), std::nullopt);
    store.applyProvision("PRODUCTION");
    EXPECT_EQ(selectedAppID(store), "prod-app");
    // Another store over the same file sees the same choice.
    EXPECT_EQ(selectedAppID(ZentariProvisionSelectionStore(path)), "prod-app");
}

TEST_F(ZentariProvisionSelectionStoreTest, AChoiceSurvivesARelaunchAndOutlivesUnknownNames) {
    const auto path = provisioningFile(Json{{"production", entry("production", "prod-app")}, {"Site B", entry("Site B", "b-app")}});
    ZentariProvisionSelectionStore(path).applyProvision("site b");
    KeyGenerator::clearCachedKeys(); // a new launch
    EXPECT_EQ(selectedAppID(ZentariProvisionSelectionStore(path)), "b-app");

    ZentariProvisionSelectionStore(path).applyProvision("no such site");
    EXPECT_EQ(selectedAppID(ZentariProvisionSelectionStore(path)), "b-app");
}

TEST_F(ZentariProvisionSelectionStoreTest, TheStoredChoiceIsEncrypted) {
    const auto path = provisioningFile(Json{{"production", entry("production", "prod-app")}, {"Site B", entry("Site B", "b-app")}});
    ZentariProvisionSelectionStore(path).applyProvision("Site B");
    const auto stored = platform::readFile(selectionFile());
    ASSERT_TRUE(stored);
    const std::string bytes(stored->begin(), stored->end());
    EXPECT_EQ(bytes.find("b-app"), std::string::npos);
    EXPECT_EQ(bytes.find("appid"), std::string::npos);
    EXPECT_FALSE(platform::parseJson(*stored));
    // With the app's key, it is the entry's compact JSON.
    const auto plain = decrypted(*stored);
    ASSERT_TRUE(plain);
    EXPECT_EQ(platform::parseJson(*plain), entry("Site B", "b-app"));
}

TEST_F(ZentariProvisionSelectionStoreTest, AChoiceThatCannotBeReadFallsBackToTheDefault) {
    const auto path = provisioningFile(Json{{"production", entry("production", "prod-app")}, {"Site B", entry("Site B", "b-app")}});
    ZentariProvisionSelectionStore(path).applyProvision("Site B");
    const auto sealed = platform::readFile(selectionFile()).value();

    struct Case {
        const char* name;
        std::function<void()> spoil;
    };
    const Case cases[] = {
        {"tampered", [&] {
             auto bytes = sealed;
             bytes[bytes.size() / 2] ^= 0x40;
             ASSERT_TRUE(platform::writeFileAtomically(selectionFile(), bytes));
         }},
        {"key gone (another device)", [&] {
             ASSERT_TRUE(platform::writeFileAtomically(selectionFile(), sealed));
             ASSERT_TRUE(KeyGenerator::removeEncryptionKey(metadataEncryptionKeyLabel()));
             KeyGenerator::clearCachedKeys();
         }},
        {"stored in the clear", [&] {
             ASSERT_TRUE(platform::writeFileAtomically(
                 selectionFile(), platform::dataFromString(platform::serializeJson(entry("Site B", "b-app")))));
         }},
        {"encrypted but not an entry", [&] {
             ASSERT_TRUE(platform::writeFileAtomically(selectionFile(), encrypted(platform::dataFromString("[1]")).value()));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.spoil();
        EXPECT_EQ(selectedAppID(ZentariProvisionSelectionStore(path)), "prod-app");
    }
}

TEST_F(ZentariProvisionSelectionStoreTest, ATamperedChoiceWithoutADefaultIsNone) {
    const auto path = provisioningFile(Json{{"Site A", entry("Site A", "a-app")}, {"Site B", entry("Site B", "b-app")}});
    const ZentariProvisionSelectionStore store(path);
    store.applyProvision("site a");
    EXPECT_EQ(selectedAppID(store), "a-app");
    auto bytes = platform::readFile(selectionFile()).value();
    bytes.back() ^= 0x01; // the authentication tag
    ASSERT_TRUE(platform::writeFileAtomically(selectionFile(), bytes));
    EXPECT_EQ(store.selection(), std::nullopt);
}

TEST_F(ZentariProvisionSelectionStoreTest, WithoutAProvisioningFileOnlyAStoredChoiceCounts) {
    const ZentariProvisionSelectionStore noFile(std::nullopt);
    EXPECT_EQ(noFile.selection(), std::nullopt);
    noFile.applyProvision("production");
    EXPECT_EQ(noFile.selection(), std::nullopt);

    ZentariProvisionSelectionStore().applyProvision("sandbox community");
    EXPECT_EQ(noFile.selection()->name, "Sandbox Community");
    EXPECT_EQ(ZentariProvisionSelectionStore(testsupport::sandboxRoot().string() + "/missing.json").selection()->name,
              "Sandbox Community");
}

TEST_F(ZentariProvisionSelectionStoreTest, AFailedChoiceChangesNothing) {
    const auto path = provisioningFile(Json{{"production", entry("production", "prod-app")}, {"Site B", entry("Site B", "b-app")}});
    const ZentariProvisionSelectionStore store(path);

    KeyGenerator::setSimulatedFailure(true);
    store.applyProvision("Site B");
    KeyGenerator::setSimulatedFailure(false);
    Encryptor::setSimulatedFailure(true);
    store.applyProvision("Site B");
    Encryptor::setSimulatedFailure(false);
    EXPECT_FALSE(platform::FileManager::defaultManager().fileExists(selectionFile()));
    EXPECT_EQ(selectedAppID(store), "prod-app");
    EXPECT_TRUE(apptest::appLogLines().empty());

    const auto broken = provisioningFile(Json{{"production", entry("production", "p")}, {"bad", Json{{"appid", "x"}}}});
    ZentariProvisionSelectionStore(broken).applyProvision("production");
    EXPECT_FALSE(platform::FileManager::defaultManager().fileExists(selectionFile()));
}

TEST_F(ZentariProvisionSelectionStoreTest, AFailedWriteIsLoggedAndKeepsTheEarlierChoice) {
    const auto path = provisioningFile(Json{{"production", entry("production", "prod-app")}, {"Site B", entry("Site B", "b-app")}});
    const ZentariProvisionSelectionStore store(path);
    store.applyProvision("Site B");
    auto& files = platform::FileManager::defaultManager();
    files.setFailureInjector([](Operation op, const std::filesystem::path&) -> std::optional<platform::Error> {
        if (op != Operation::write) return std::nullopt;
        return platform::Error(std::string(platform::kCocoaErrorDomain), platform::CocoaError::fileWriteOutOfSpace,
                               {{"NSLocalizedDescription", "The disk is full."}});
    });
    store.applyProvision("production");
    files.setFailureInjector(nullptr);
    EXPECT_THAT(apptest::appLogTexts("ERROR"),
                ElementsAre("ZentariProvisionSelectionStore: Failed to save provisioning selection with error: The disk is full."));
    EXPECT_EQ(selectedAppID(store), "b-app");
}

} // namespace
