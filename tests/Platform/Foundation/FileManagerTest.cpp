#include "Platform/Foundation/FileManager.hpp"

#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using platform::Data;
using platform::FileManager;
using platform::Sandbox;

namespace {
Data bytes(std::string_view text) { return Data(text.begin(), text.end()); }
} // namespace

TEST(SandboxTest, FoldersLieUnderTheDataRootAndExist) {
    const auto root = testsupport::sandboxRoot();
    const std::vector<std::pair<fs::path, fs::path>> cases{
        {Sandbox::applicationSupportDirectory(), root / "Library/Application Support"},
        {Sandbox::cachesDirectory(), root / "Library/Caches"},
        {Sandbox::preferencesDirectory(), root / "Library/Preferences"},
        {Sandbox::documentsDirectory(), root / "Documents"},
        {Sandbox::temporaryDirectory(), root / "tmp"},
    };
    for (const auto& [actual, expected] : cases) {
        EXPECT_EQ(actual, expected);
        EXPECT_TRUE(fs::is_directory(actual)) << actual;
    }
    auto urls = FileManager::defaultManager().urls(platform::SearchPathDirectory::applicationSupport);
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0].filePath(), root / "Library/Application Support");
    EXPECT_TRUE(urls[0].hasDirectoryPath());
}

TEST(SandboxTest, NewRootChangesTheGeneration) {
    const auto before = Sandbox::generation();
    testsupport::freshSandbox();
    EXPECT_GT(Sandbox::generation(), before);
}

TEST(FileManagerTest, ReadErrorsCarryThePlatformCodes) {
    auto& fm = FileManager::defaultManager();
    const auto dir = Sandbox::documentsDirectory();
    auto missing = fm.contents(dir / "missing.json");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().domain, "NSCocoaErrorDomain");
    EXPECT_EQ(missing.error().code, 260);
    EXPECT_FALSE(platform::readFile(dir / "missing.json"));

    auto removal = fm.removeItem(dir / "missing.json");
    ASSERT_FALSE(removal);
    EXPECT_EQ(removal.error().code, 4);

    auto intoMissingFolder = fm.write(dir / "no/such/folder/x", bytes("x"));
    ASSERT_FALSE(intoMissingFolder);
    EXPECT_EQ(intoMissingFolder.error().code, 4);
}

TEST(FileManagerTest, WritesReadBackWhole) {
    auto& fm = FileManager::defaultManager();
    const auto file = Sandbox::documentsDirectory() / "a.bin";
    Data big(200'000);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 31);
    ASSERT_TRUE(fm.write(file, bytes("old contents that are longer")));
    ASSERT_TRUE(fm.write(file, big));
    EXPECT_EQ(platform::readFile(file), big);
    ASSERT_TRUE(fm.writeAtomically(file, bytes("short")));
    EXPECT_EQ(platform::readFile(file), bytes("short"));
}

TEST(FileManagerTest, AtomicWriteLeavesNoTemporaryFilesAndReadersSeeWholeFiles) {
    auto& fm = FileManager::defaultManager();
    const auto folder = Sandbox::applicationSupportDirectory();
    const auto file = folder / "store.json";
    const Data first(50'000, 'a');
    const Data second(70'000, 'b');
    ASSERT_TRUE(fm.writeAtomically(file, first));

    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!stop) {
            auto data = platform::readFile(file);
            if (!data || !(*data == first || *data == second)) ++torn;
        }
    });
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(fm.writeAtomically(file, i % 2 ? first : second));
    }
    stop = true;
    reader.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(*fm.contentsOfDirectory(folder), std::vector<std::string>{"store.json"});
}

TEST(FileManagerTest, FailedAtomicWriteKeepsTheOldFile) {
    auto& fm = FileManager::defaultManager();
    const auto file = Sandbox::applicationSupportDirectory() / "kept.json";
    ASSERT_TRUE(fm.writeAtomically(file, bytes("old")));
    // A folder in the way of the rename makes the final step fail.
    const auto blocked = Sandbox::applicationSupportDirectory() / "blocked";
    ASSERT_TRUE(fm.createDirectory(blocked / "child"));
    auto result = fm.writeAtomically(blocked, bytes("new"));
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().domain, "NSCocoaErrorDomain");
    EXPECT_EQ(*fm.contentsOfDirectory(Sandbox::applicationSupportDirectory()),
              (std::vector<std::string>{"blocked", "kept.json"}));
    EXPECT_EQ(platform::readFile(file), bytes("old"));
}

TEST(FileManagerTest, AtomicWriteSetsItsPermissionsWhateverTheUmaskAndMayKeepAnExistingFile) {
    auto& fm = FileManager::defaultManager();
    const auto file = Sandbox::documentsDirectory() / "secret";
    const auto ownerOnly = fs::perms::owner_read | fs::perms::owner_write;
    for (mode_t mask : {mode_t{0}, mode_t{0277}}) {
        SCOPED_TRACE("umask " + std::to_string(mask));
        (void)fm.removeItem(file);
        const mode_t previous = ::umask(mask);
        auto made = fm.writeAtomically(file, bytes("first"), {.permissions = ownerOnly, .replacing = false});
        auto again = fm.writeAtomically(file, bytes("second"), {.permissions = ownerOnly, .replacing = false});
        ::umask(previous);
        ASSERT_TRUE(made);
        ASSERT_FALSE(again);
        EXPECT_EQ(again.error().code, platform::CocoaError::fileWriteFileExists);
        EXPECT_EQ(platform::readFile(file), bytes("first"));
        EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, ownerOnly);
        EXPECT_EQ(fm.contentsOfDirectory(Sandbox::documentsDirectory()).value(), std::vector<std::string>{"secret"});
    }
    ASSERT_TRUE(fm.writeAtomically(file, bytes("third")));
    EXPECT_EQ(platform::readFile(file), bytes("third"));
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              ownerOnly | fs::perms::group_read | fs::perms::others_read);
}

TEST(FileManagerTest, InjectedFailuresReachTheCaller) {
    auto& fm = FileManager::defaultManager();
    const auto dir = Sandbox::documentsDirectory();
    fm.setFailureInjector([](FileManager::Operation op, const fs::path& path) -> std::optional<platform::Error> {
        if (op == FileManager::Operation::write && path.filename() == "denied") {
            return platform::Error("NSCocoaErrorDomain", 513);
        }
        return std::nullopt;
    });
    EXPECT_EQ(fm.write(dir / "denied", bytes("x")).error().code, 513);
    EXPECT_EQ(fm.writeAtomically(dir / "denied", bytes("x")).error().code, 513);
    EXPECT_TRUE(fm.write(dir / "allowed", bytes("x")));
    fm.setFailureInjector(nullptr);
    EXPECT_FALSE(fm.fileExists(dir / "denied"));
}

TEST(FileManagerTest, ListingIsSortedAndRemovalIsRecursive) {
    auto& fm = FileManager::defaultManager();
    const auto dir = Sandbox::cachesDirectory() / "Folder";
    ASSERT_TRUE(fm.createDirectory(dir / "sub"));
    ASSERT_TRUE(fm.write(dir / "b", bytes("1")));
    ASSERT_TRUE(fm.write(dir / "a", bytes("2")));
    ASSERT_TRUE(fm.write(dir / "sub" / "c", bytes("3")));
    EXPECT_EQ(*fm.contentsOfDirectory(dir), (std::vector<std::string>{"a", "b", "sub"}));
    ASSERT_TRUE(fm.removeItem(dir / "sub"));
    EXPECT_EQ(*fm.contentsOfDirectory(dir), (std::vector<std::string>{"a", "b"}));
    EXPECT_FALSE(fm.contentsOfDirectory(dir / "gone"));
}
