#include "VellicorApp/Community/ConfigFileCache.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace vellicor;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Operation = platform::FileManager::Operation;

namespace {

class ConfigFileCacheTest : public apptest::AppTest {
protected:
    void SetUp() override { apptest::installContext(apptest::sampleResources()); }

    platform::FileManager& files = platform::FileManager::defaultManager();
};

TEST_F(ConfigFileCacheTest, TheFolderIsApplicationSupportOrASubFolderMadeOnFirstUse) {
    const auto support = platform::Sandbox::applicationSupportDirectory();
    const ConfigFileCache root(files);
    const ConfigFileCache sub(files, "NativeNavigation");
    EXPECT_FALSE(files.fileExists(support / "NativeNavigation"));

    EXPECT_EQ(root.directory().filePath(), support);
    EXPECT_EQ(sub.directory().filePath(), support / "NativeNavigation");
    EXPECT_TRUE(files.isDirectory(support / "NativeNavigation"));
    EXPECT_EQ(sub.dataPath("tabs").filePath(), support / "NativeNavigation" / "tabs.json");
    EXPECT_EQ(root.dataPath("normalConfigModel").filePath(), support / "normalConfigModel.json");
}

TEST_F(ConfigFileCacheTest, TheFolderIsMadeOnlyOnce) {
    const ConfigFileCache cache(files, "URLManagement");
    (void)cache.directory();
    std::filesystem::remove_all(platform::Sandbox::applicationSupportDirectory() / "URLManagement");
    (void)cache.dataPath("rules");
    EXPECT_FALSE(files.fileExists(platform::Sandbox::applicationSupportDirectory() / "URLManagement"));
    // The next cache object makes it again.
    EXPECT_EQ(ConfigFileCache(files, "URLManagement").load("rules").error().code, platform::CocoaError::fileReadNoSuchFile);
    EXPECT_TRUE(files.isDirectory(platform::Sandbox::applicationSupportDirectory() / "URLManagement"));
}

TEST_F(ConfigFileCacheTest, SavesAndLoadsWholeFiles) {
    const ConfigFileCache cache(files, "Store");
    EXPECT_FALSE(cache.load("entry").has_value());
    EXPECT_EQ(cache.save("entry", platform::dataFromString("first version, longer")), std::nullopt);
    EXPECT_EQ(cache.save("entry", platform::dataFromString("second")), std::nullopt);
    EXPECT_EQ(ConfigFileCache(files, "Store").load("entry"), platform::dataFromString("second"));
}

TEST_F(ConfigFileCacheTest, AFailedSaveKeepsTheEarlierFileWhole) {
    const ConfigFileCache cache(files, "Store");
    ASSERT_EQ(cache.save("entry", platform::dataFromString("kept")), std::nullopt);
    const platform::Error full(std::string(platform::kCocoaErrorDomain), platform::CocoaError::fileWriteOutOfSpace);
    files.setFailureInjector([&full](Operation op, const std::filesystem::path&) -> std::optional<platform::Error> {
        if (op == Operation::write) return full;
        return std::nullopt;
    });
    EXPECT_EQ(cache.save("entry", platform::dataFromString("replacement")), full);
    files.setFailureInjector(nullptr);
    EXPECT_EQ(cache.load("entry"), platform::dataFromString("kept"));
    EXPECT_THAT(files.contentsOfDirectory(cache.directory().filePath()).value(), ElementsAre("entry.json"));
}

TEST_F(ConfigFileCacheTest, ClearEmptiesTheFolderAndKeepsIt) {
    const ConfigFileCache cache(files, "NativeNavigation");
    ASSERT_EQ(cache.save("a", platform::dataFromString("1")), std::nullopt);
    ASSERT_EQ(cache.save("b", platform::dataFromString("2")), std::nullopt);
    ASSERT_TRUE(files.createDirectory(cache.directory().filePath() / "nested" / "deeper"));
    cache.clear();
    EXPECT_TRUE(files.isDirectory(cache.directory().filePath()));
    EXPECT_THAT(files.contentsOfDirectory(cache.directory().filePath()).value(), IsEmpty());
    cache.clear();
    EXPECT_THAT(apptest::appLogLines(), IsEmpty());
}

TEST_F(ConfigFileCacheTest, ClearStopsAtTheFirstFailureAndLogsIt) {
    const ConfigFileCache cache(files, "NativeNavigation");
    for (const char* name : {"a", "b", "c"}) ASSERT_EQ(cache.save(name, platform::dataFromString(name)), std::nullopt);
    const platform::Error denied(std::string(platform::kCocoaErrorDomain), platform::CocoaError::fileWriteNoPermission,
                                 {{"NSLocalizedDescription", "You don't have permission."}});
    files.setFailureInjector([&denied](Operation op, const std::filesystem::path& path) -> std::optional<platform::Error> {
        if (op == Operation::remove && path.filename() == "b.json") return denied;
        return std::nullopt;
    });
    cache.clear();
    files.setFailureInjector(nullptr);
    EXPECT_THAT(files.contentsOfDirectory(cache.directory().filePath()).value(), ElementsAre("b.json", "c.json"));
    const auto lines = apptest::appLogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, "ERROR");
    EXPECT_EQ(lines[0].text, "ConfigFileCache: You don't have permission.");
}

TEST_F(ConfigFileCacheTest, ClearLogsAFolderThatCannotBeListed) {
    const ConfigFileCache cache(files, "NativeNavigation");
    (void)cache.directory();
    files.setFailureInjector([](Operation op, const std::filesystem::path&) -> std::optional<platform::Error> {
        if (op == Operation::list) {
            return platform::Error(std::string(platform::kCocoaErrorDomain), platform::CocoaError::fileReadUnknown,
                                   {{"NSLocalizedDescription", "The folder can't be read."}});
        }
        return std::nullopt;
    });
    cache.clear();
    files.setFailureInjector(nullptr);
    EXPECT_THAT(apptest::appLogTexts("ERROR"), ElementsAre("ConfigFileCache: The folder can't be read."));
}

} // namespace
