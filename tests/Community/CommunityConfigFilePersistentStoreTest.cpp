#include "VellicorApp/Community/CommunityConfigFilePersistentStore.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace vellicor;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using Operation = platform::FileManager::Operation;

namespace {

class CommunityConfigFilePersistentStoreTest : public apptest::AppTest {
protected:
    void SetUp() override { install(false); }

    void install(bool preview, const std::function<void(platform::Json&)>& edit = {}) {
        auto bundle = apptest::FakeBundle::sample();
        if (preview) bundle->info["YarrowinAppType"] = "preSale";
        if (edit) edit(bundle->info);
        apptest::installContext(apptest::sampleResources(), bundle);
    }

    static std::shared_ptr<CommunityConfigModel> site(const std::string& startPage, bool slashS,
                                                      std::optional<std::string> label = std::nullopt,
                                                      std::optional<std::string> loginHost = std::nullopt) {
        auto model = CommunityConfigModel::create(loginHost ? platform::Url::parse(*loginHost) : std::nullopt,
                                                  platform::Url::parse(startPage).value(), std::move(label), slashS, false);
        EXPECT_NE(model, nullptr);
        return model;
    }

    static std::filesystem::path supportFile(const std::string& name) {
        return platform::Sandbox::applicationSupportDirectory() / (name + ".json");
    }

    static std::optional<platform::Json> readJson(const std::string& name) {
        const auto data = platform::readFile(supportFile(name));
        return data ? platform::parseJson(*data) : std::nullopt;
    }

    static void writeText(const std::string& name, const std::string& text) {
        ASSERT_TRUE(platform::FileManager::defaultManager().createDirectory(supportFile(name).parent_path()));
        ASSERT_TRUE(platform::writeFileAtomically(supportFile(name), platform::dataFromString(text)));
    }

    static std::vector<std::string> listedHosts() {
        const auto list = CommunityConfigFilePersistentStore().getCustomCommunitiesList();
        std::vector<std::string> hosts;
        if (!list) return hosts;
        for (const auto& model : list->communities.get()) hosts.push_back(model->loginHost.get().absoluteString());
        return hosts;
    }
};

TEST_F(CommunityConfigFilePersistentStoreTest, FirstLaunch) {
    const CommunityConfigFilePersistentStore store;
    EXPECT_EQ(store.getSelectedCommunity(), nullptr);
    EXPECT_FALSE(store.isCommunitySelected());
    EXPECT_EQ(store.getCustomCommunitiesList(), nullptr);
    EXPECT_FALSE(platform::FileManager::defaultManager().fileExists(supportFile("normalBootConfig")));

    const auto config = store.getConfigFile();
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->unauthenticatedStartPage(), "https://community.example.test/s/");
    // The default was written out, pretty-printed.
    const auto text = platform::readFile(supportFile("normalBootConfig"));
    ASSERT_TRUE(text);
    EXPECT_THAT(std::string(text->begin(), text->end()), HasSubstr("\n  \"remoteAccessConsumerKey\""));
    EXPECT_EQ(readJson("normalBootConfig"), config->configDict());
    EXPECT_THAT(apptest::appLogLines(), IsEmpty());
}

TEST_F(CommunityConfigFilePersistentStoreTest, ARelaunchReadsBackWhatWasStored) {
    CommunityConfigFilePersistentStore().updateConfigFiles(site("https://custom.example.test/", false, "Custom"));

    // New store objects, as a new launch makes them.
    const CommunityConfigFilePersistentStore store;
    const auto selected = store.getSelectedCommunity();
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(selected->loginHost.get().absoluteString(), "custom.example.test/");
    EXPECT_EQ(selected->label.get(), "Custom");
    EXPECT_FALSE(selected->isSlashSCommunity.get());
    EXPECT_TRUE(store.isCommunitySelected());
    EXPECT_THAT(listedHosts(), ElementsAre("custom.example.test/"));
    const auto config = store.getConfigFile();
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->unauthenticatedStartPage(), "https://custom.example.test/");
    EXPECT_EQ(config->startPage(), "/");
    EXPECT_EQ(config->remoteAccessConsumerKey(), "vellicor-community-client");
    EXPECT_EQ(readJson("normalConfigModel"), selected->encode());
    EXPECT_THAT(apptest::appLogLines(), IsEmpty());
}

TEST_F(CommunityConfigFilePersistentStoreTest, SlashSSitesStartAtSlashS) {
    CommunityConfigFilePersistentStore().updateConfigFiles(site("https://custom.example.test/s/", true));
    EXPECT_EQ(CommunityConfigFilePersistentStore().getConfigFile()->startPage(), "/s/");
}

TEST_F(CommunityConfigFilePersistentStoreTest, TheConfiguredLoginHostsAreNeverListed) {
    struct Case {
        const char* name;
        const char* productionHost; // the Info.plist value
        std::string startPage;
        bool slashS;
        std::optional<std::string> loginHost;
        bool listed;
    };
    const Case cases[] = {
        {"production host", "community.example.test", "https://community.example.test/s/", true, {}, false},
        {"production host with a slash in the plist", "community.example.test/", "https://community.example.test/s/", true,
         {}, false},
        {"production host with a slash in the model", "community.example.test", "https://community.example.test/", false,
         {}, false},
        {"sandbox host", "community.example.test", "https://sandbox.example.test/s/", true, {}, false},
        {"another host", "community.example.test", "https://other.example.test/s/", true, {}, true},
        {"same host in another case", "community.example.test", "https://x.example.test/s/", true,
         "Community.Example.Test", true},
        {"empty production host", "", "https://other.example.test/s/", true, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::freshSandbox();
        install(false, [&c](platform::Json& info) { info["TOVKOAuthLoginHost"] = c.productionHost; });
        const auto model = site(c.startPage, c.slashS, "Label", c.loginHost);
        CommunityConfigFilePersistentStore().updateConfigFiles(model);
        const CommunityConfigFilePersistentStore store;
        ASSERT_NE(store.getSelectedCommunity(), nullptr);
        EXPECT_EQ(*store.getSelectedCommunity(), *model);
        EXPECT_EQ(store.getConfigFile()->unauthenticatedStartPage(), c.startPage);
        if (c.listed) {
            EXPECT_THAT(listedHosts(), ElementsAre(model->loginHost.get().absoluteString()));
        } else {
            EXPECT_EQ(store.getCustomCommunitiesList(), nullptr);
        }
    }
}

TEST_F(CommunityConfigFilePersistentStoreTest, EqualSitesAreListedOnceWithTheFirstLabel) {
    CommunityConfigFilePersistentStore().updateConfigFiles(site("https://other.example.test/s/", true, "First"));
    CommunityConfigFilePersistentStore().updateConfigFiles(site("https://other.example.test/s/", true, "Second"));
    const auto list = CommunityConfigFilePersistentStore().getCustomCommunitiesList();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->communities.get().size(), 1u);
    EXPECT_EQ(list->communities.get()[0]->label.get(), "First");
    EXPECT_EQ(CommunityConfigFilePersistentStore().getSelectedCommunity()->label.get(), "Second");
}

TEST_F(CommunityConfigFilePersistentStoreTest, AnUnreadableListIsReplacedByTheNewSite) {
    const std::string spoiled[] = {
        "{ not json",
        R"({"communities": [{"loginHost": "a", "unauthenticatedStartPage": "https://a/s/"}, {"label": "no host"}]})",
    };
    for (const auto& text : spoiled) {
        SCOPED_TRACE(text);
        writeText("normalConfigModelList", text);
        CommunityConfigFilePersistentStore().updateConfigFiles(site("https://other.example.test/s/", true));
        EXPECT_THAT(listedHosts(), ElementsAre("other.example.test"));
    }
}

TEST_F(CommunityConfigFilePersistentStoreTest, ListFileOfTheWrongShapeReadsAsAnEmptyList) {
    writeText("normalConfigModelList", "[1, 2]");
    const auto list = CommunityConfigFilePersistentStore().getCustomCommunitiesList();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->communities.get().empty());
    writeText("normalConfigModelList", "not json");
    EXPECT_EQ(CommunityConfigFilePersistentStore().getCustomCommunitiesList(), nullptr);
}

TEST_F(CommunityConfigFilePersistentStoreTest, UpdatingTheListStoresItAsIs) {
    const auto list = CommunityConfigList::create();
    list->add(site("https://a.example.test/s/", true));
    list->add(site("https://community.example.test/s/", true));
    CommunityConfigFilePersistentStore().updateCustomCommunitiesList(*list);
    EXPECT_THAT(listedHosts(), ElementsAre("a.example.test", "community.example.test"));
}

TEST_F(CommunityConfigFilePersistentStoreTest, ABootConfigurationThatIsNoJSONObjectIsNotRestored) {
    writeText("normalBootConfig", "{ broken");
    const auto config = CommunityConfigFilePersistentStore().getConfigFile();
    // The SDK's constructor given no dictionary: its package default.
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->remoteAccessConsumerKey(), "vellicor-community-client");
    const auto text = platform::readFile(supportFile("normalBootConfig"));
    EXPECT_EQ(std::string(text->begin(), text->end()), "{ broken");
}

TEST_F(CommunityConfigFilePersistentStoreTest, ABootConfigurationFileIsReadAsItIs) {
    writeText("normalBootConfig", R"({"startPage": "/custom/", "extra": {"kept": true}})");
    const auto config = CommunityConfigFilePersistentStore().getConfigFile();
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->startPage(), "/custom/");
    EXPECT_EQ(config->remoteAccessConsumerKey(), std::nullopt);
    EXPECT_EQ(config->configDict()["extra"], (platform::Json{{"kept", true}}));
}

TEST_F(CommunityConfigFilePersistentStoreTest, TheTwoEditionsNeverShareFiles) {
    CommunityConfigFilePersistentStore().updateConfigFiles(site("https://normal.example.test/s/", true));
    install(true);
    EXPECT_EQ(CommunityConfigFilePersistentStore().getSelectedCommunity(), nullptr);
    EXPECT_EQ(CommunityConfigFilePersistentStore().getCustomCommunitiesList(), nullptr);
    EXPECT_EQ(CommunityConfigFilePersistentStore().getConfigFile()->unauthenticatedStartPage(),
              "https://community.example.test/s/");
    CommunityConfigFilePersistentStore().updateConfigFiles(site("https://preview.example.test/", false));
    EXPECT_EQ(readJson("yarrowinConfigModel").value()["loginHost"], "preview.example.test/");
    EXPECT_EQ(readJson("yarrowinBootConfig").value()["unauthenticatedStartPage"], "https://preview.example.test/");
    EXPECT_THAT(listedHosts(), ElementsAre("preview.example.test/"));

    install(false);
    EXPECT_EQ(CommunityConfigFilePersistentStore().getSelectedCommunity()->loginHost.get().absoluteString(),
              "normal.example.test");
    EXPECT_EQ(readJson("normalBootConfig").value()["unauthenticatedStartPage"], "https://normal.example.test/s/");
    EXPECT_THAT(listedHosts(), ElementsAre("normal.example.test"));
}

TEST_F(CommunityConfigFilePersistentStoreTest, FailedWritesAreLoggedAndLeaveTheEarlierFilesWhole) {
    CommunityConfigFilePersistentStore().updateConfigFiles(site("https://first.example.test/s/", true, "First"));
    const auto earlier = [] {
        std::vector<std::optional<platform::Data>> files;
        for (const char* name : {"normalConfigModel", "normalConfigModelList", "normalBootConfig"}) {
            files.push_back(platform::readFile(supportFile(name)));
        }
        return files;
    }();

    auto& files = platform::FileManager::defaultManager();
    files.setFailureInjector([](Operation op, const std::filesystem::path&) -> std::optional<platform::Error> {
        if (op != Operation::write) return std::nullopt;
        return platform::Error(std::string(platform::kCocoaErrorDomain), platform::CocoaError::fileWriteOutOfSpace,
                               {{"NSLocalizedDescription", "The disk is full."}});
    });
    CommunityConfigFilePersistentStore().updateConfigFiles(site("https://second.example.test/", false, "Second"));
    files.setFailureInjector(nullptr);

    EXPECT_THAT(apptest::appLogTexts("ERROR"),
                ElementsAre("CommunityConfigFilePersistentStore: Failed to save config file data with error: The disk is full.",
                            "CommunityConfigFilePersistentStore: Failed to save community data with error: The disk is full.",
                            "CommunityConfigFilePersistentStore: Failed to save community list data with error: The disk is full."));
    for (const auto& line : apptest::appLogLines()) EXPECT_EQ(line.className, "CommunityConfigFilePersistentStore");
    std::size_t index = 0;
    for (const char* name : {"normalConfigModel", "normalConfigModelList", "normalBootConfig"}) {
        EXPECT_EQ(platform::readFile(supportFile(name)), earlier[index++]) << name;
    }
    EXPECT_THAT(files.contentsOfDirectory(platform::Sandbox::applicationSupportDirectory()).value(),
                ElementsAre("normalBootConfig.json", "normalConfigModel.json", "normalConfigModelList.json"));
    EXPECT_EQ(CommunityConfigFilePersistentStore().getSelectedCommunity()->label.get(), "First");
}

} // namespace
