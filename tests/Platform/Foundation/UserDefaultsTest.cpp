#include "Platform/Foundation/UserDefaults.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/PropertyList.hpp"
#include "Platform/UI/Application.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using nlohmann::json;
using platform::PropertyList;
using platform::Sandbox;
using platform::UserDefaults;

class UserDefaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A main bundle without an identifier: the defaults file is "vellicor.plist".
        const fs::path app = testsupport::sandboxRoot() / "App.app";
        fs::create_directories(app);
        platform::Bundle::setMainBundlePath(app);
        defaults = UserDefaults::standard();
    }

    void TearDown() override { platform::FileManager::defaultManager().setFailureInjector(nullptr); }

    /// Starts the app again on the same sandbox.
    static void relaunch() { Sandbox::setRoot(testsupport::sandboxRoot()); }

    static fs::path standardFile() { return Sandbox::preferencesDirectory() / "vellicor.plist"; }

    std::shared_ptr<UserDefaults> defaults;
};

TEST_F(UserDefaultsTest, TypedGettersConvertAsThePlatformDoes) {
    struct Case {
        const char* name;
        json stored;
        std::optional<std::string> string;
        bool boolean;
        std::int64_t integer;
        double number;
    };
    const std::vector<Case> cases = {
        {"string of digits", "60", "60", true, 60, 60.0},
        {"integer", 60, "60", true, 60, 60.0},
        {"negative integer", -7, "-7", true, -7, -7.0},
        {"real", 2.5, "2.5", true, 2, 2.5},
        {"whole real", 30.0, "30", true, 30, 30.0},
        {"zero", 0, "0", false, 0, 0.0},
        {"true", true, "1", true, 1, 1.0},
        {"false", false, "0", false, 0, 0.0},
        {"YES", "YES", "YES", true, 0, 0.0},
        {"true as text", "true", "true", true, 0, 0.0},
        {"no", "no", "no", false, 0, 0.0},
        {"zero as text", "0", "0", false, 0, 0.0},
        {"padded number text", "  +0012.9xyz", "  +0012.9xyz", true, 12, 12.9},
        {"decimal text", "3.7", "3.7", true, 3, 3.7},
        {"letters", "abc", "abc", false, 0, 0.0},
        {"empty text", "", "", false, 0, 0.0},
        {"array", json::array({1}), std::nullopt, false, 0, 0.0},
        {"dictionary", json{{"a", 1}}, std::nullopt, false, 0, 0.0},
        {"data", json::binary({1}), std::nullopt, false, 0, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        defaults->set("key", c.stored);
        EXPECT_EQ(defaults->stringForKey("key"), c.string);
        EXPECT_EQ(defaults->boolForKey("key"), c.boolean);
        EXPECT_EQ(defaults->integerForKey("key"), c.integer);
        EXPECT_DOUBLE_EQ(defaults->doubleForKey("key"), c.number);
    }
    defaults->removeObject("key");
    EXPECT_FALSE(defaults->stringForKey("key").has_value());
    EXPECT_FALSE(defaults->boolForKey("key"));
    EXPECT_EQ(defaults->integerForKey("key"), 0);
    EXPECT_EQ(defaults->doubleForKey("key"), 0.0);
    EXPECT_FALSE(defaults->objectForKey("key").has_value());
}

TEST_F(UserDefaultsTest, ValuesSurviveARelaunchWithTheirTypes) {
    defaults->set("UserAcceptedEULA", true);
    defaults->set("count", 60);
    defaults->set("countText", "60");
    defaults->set("interval", 1700000000.25);
    defaults->set("bytes", json::binary({0, 255}));
    defaults->set("nested", json{{"list", json::array({1, "1", true})}});
    defaults->set("big", std::uint64_t{UINT64_MAX});
    ASSERT_TRUE(defaults->synchronize());

    relaunch();
    const json expected = {
        {"UserAcceptedEULA", true},    {"count", 60},
        {"countText", "60"},           {"interval", 1700000000.25},
        {"bytes", json::binary({0, 255})}, {"nested", {{"list", json::array({1, "1", true})}}},
        {"big", UINT64_MAX},
    };
    EXPECT_EQ(defaults->dictionaryRepresentation(), expected);
    EXPECT_TRUE(defaults->objectForKey("UserAcceptedEULA")->is_boolean());
    EXPECT_TRUE(defaults->objectForKey("count")->is_number_integer());
    EXPECT_TRUE(defaults->objectForKey("countText")->is_string());
    EXPECT_TRUE(defaults->objectForKey("interval")->is_number_float());
    EXPECT_TRUE(defaults->objectForKey("bytes")->is_binary());
    EXPECT_TRUE(defaults->objectForKey("big")->is_number_unsigned());

    const auto onDisk = PropertyList::read(standardFile());
    ASSERT_TRUE(onDisk.has_value());
    EXPECT_EQ(*onDisk, expected);
}

TEST_F(UserDefaultsTest, AFreshSandboxHasNoDefaults) {
    defaults->set("shouldSwitchCommunity", true);
    testsupport::freshSandbox();
    EXPECT_FALSE(defaults->objectForKey("shouldSwitchCommunity").has_value());
    EXPECT_EQ(defaults->dictionaryRepresentation(), json::object());
}

TEST_F(UserDefaultsTest, RemovalIsPersisted) {
    struct Case {
        const char* name;
        void (*remove)(UserDefaults&);
    };
    const std::vector<Case> cases = {
        {"removeObject", [](UserDefaults& d) { d.removeObject("k"); }},
        {"set none", [](UserDefaults& d) { d.set("k", std::nullopt); }},
        {"set an empty optional", [](UserDefaults& d) { d.set("k", std::optional<json>()); }},
        {"set JSON null", [](UserDefaults& d) { d.set("k", json(nullptr)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        defaults->set("k", "value");
        defaults->set("other", 1);
        c.remove(*defaults);
        EXPECT_FALSE(defaults->objectForKey("k").has_value());
        relaunch();
        EXPECT_FALSE(defaults->objectForKey("k").has_value());
        EXPECT_EQ(defaults->integerForKey("other"), 1);
    }
}

TEST_F(UserDefaultsTest, ValuesAPropertyListCannotHoldAreNotStored) {
    defaults->set("k", "kept");
    defaults->set("k", json::array({1, nullptr}));
    defaults->set("k", json{{"a", nullptr}});
    defaults->set("k", json(std::string("a\0b", 3)));
    EXPECT_EQ(defaults->stringForKey("k"), "kept");
    relaunch();
    EXPECT_EQ(defaults->stringForKey("k"), "kept");
}

TEST_F(UserDefaultsTest, ACorruptFileReadsAsEmptyAndIsReplaced) {
    for (std::string_view garbage : {std::string_view("not a property list"), std::string_view("bplist00\x01\x02"),
                                     std::string_view("<plist><array/></plist>")}) {
        SCOPED_TRACE(std::string(garbage));
        ASSERT_TRUE(platform::writeFileAtomically(standardFile(), platform::dataFromString(garbage)).has_value());
        relaunch();
        EXPECT_EQ(defaults->dictionaryRepresentation(), json::object());
        defaults->set("fresh", 1);
        ASSERT_TRUE(defaults->synchronize());
        const auto onDisk = PropertyList::read(standardFile());
        ASSERT_TRUE(onDisk.has_value());
        EXPECT_EQ(*onDisk, (json{{"fresh", 1}}));
    }
}

// A file may hold a string with a NUL byte (libplist reads one inside an XML
// string): kept, it would fail every later write of the whole set, losing
// each change.
TEST_F(UserDefaultsTest, AStoredStringWithANulIsLeftOutAndLaterChangesAreWritten) {
    const std::string file = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>") +
                             "<key>kept</key><integer>-7</integer><key>bad</key><string>a" + std::string(1, '\0') +
                             "b</string></dict></plist>";
    ASSERT_TRUE(platform::writeFileAtomically(standardFile(), platform::dataFromString(file)).has_value());
    const auto read = PropertyList::read(standardFile());
    ASSERT_TRUE(read.has_value());
    ASSERT_NE(read->value("bad", "").find('\0'), std::string::npos) << "the file reads with the NUL";
    relaunch();
    EXPECT_EQ(defaults->dictionaryRepresentation(), (json{{"kept", -7}}));
    defaults->set("later", "written");
    ASSERT_TRUE(defaults->synchronize());
    EXPECT_EQ(PropertyList::read(standardFile()), (json{{"kept", -7}, {"later", "written"}}));
}

TEST_F(UserDefaultsTest, TheFileIsNamedAfterTheMainBundle) {
    const fs::path app = testsupport::sandboxRoot() / "Named.app";
    fs::create_directories(app);
    ASSERT_TRUE(PropertyList::write(app / "Info.plist", {{"CFBundleIdentifier", "com.example.named"}}).has_value());
    platform::Bundle::setMainBundlePath(app);
    relaunch();
    defaults->set("a", 1);
    ASSERT_TRUE(defaults->synchronize());
    EXPECT_EQ(defaults->filePath(), Sandbox::preferencesDirectory() / "com.example.named.plist");
    EXPECT_TRUE(fs::exists(Sandbox::preferencesDirectory() / "com.example.named.plist"));
}

TEST_F(UserDefaultsTest, AFailedWriteKeepsTheValueAndIsRetried) {
    platform::FileManager::defaultManager().setFailureInjector(
        [](platform::FileManager::Operation op, const fs::path&) -> std::optional<platform::Error> {
            if (op != platform::FileManager::Operation::write) return std::nullopt;
            return platform::Error(std::string(platform::kCocoaErrorDomain), platform::CocoaError::fileWriteOutOfSpace);
        });
    defaults->set("guestUser", true);
    EXPECT_TRUE(defaults->boolForKey("guestUser"));
    EXPECT_FALSE(defaults->synchronize());

    platform::FileManager::defaultManager().setFailureInjector(nullptr);
    EXPECT_TRUE(defaults->synchronize());
    relaunch();
    EXPECT_TRUE(defaults->boolForKey("guestUser"));
}

TEST_F(UserDefaultsTest, ConcurrentWritersLoseNothing) {
    constexpr int kThreads = 8;
    constexpr int kKeysEach = 40;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t] {
            for (int k = 0; k < kKeysEach; ++k) {
                const std::string key = "t" + std::to_string(t) + "k" + std::to_string(k);
                defaults->set(key, k);
                (void)defaults->integerForKey(key);
                if (k % 5 == 0) defaults->set("shared", t);
            }
        });
    }
    for (auto& thread : threads) thread.join();

    relaunch();
    const json values = defaults->dictionaryRepresentation();
    EXPECT_EQ(values.size(), std::size_t{kThreads * kKeysEach + 1});
    for (int t = 0; t < kThreads; ++t) {
        for (int k = 0; k < kKeysEach; ++k) {
            EXPECT_EQ(defaults->integerForKey("t" + std::to_string(t) + "k" + std::to_string(k)), k);
        }
    }
}

TEST_F(UserDefaultsTest, ABurstOfSetsStaysOffTheCallersThreadAndCoalesces) {
    // Background writes wait at a gate; a write on the caller's thread is counted.
    std::mutex mutex;
    std::condition_variable gateChanged;
    bool open = false;
    std::atomic<int> callerWrites{0};
    std::atomic<int> backgroundWrites{0};
    platform::FileManager::defaultManager().setFailureInjector(
        [&](platform::FileManager::Operation op, const fs::path&) -> std::optional<platform::Error> {
            if (op != platform::FileManager::Operation::write) return std::nullopt;
            if (platform::MainQueue::isMainThread()) {
                ++callerWrites;
                return std::nullopt;
            }
            ++backgroundWrites;
            std::unique_lock lock(mutex);
            gateChanged.wait_for(lock, std::chrono::seconds(10), [&] { return open; });
            return std::nullopt;
        });

    constexpr int kSets = 500;
    for (int i = 0; i < kSets; ++i) defaults->set("key" + std::to_string(i), i);
    EXPECT_EQ(callerWrites, 0) << "a set wrote the file on the caller's thread";
    EXPECT_EQ(defaults->integerForKey("key" + std::to_string(kSets - 1)), kSets - 1) << "readers see a set at once";

    {
        std::lock_guard lock(mutex);
        open = true;
    }
    gateChanged.notify_all();
    ASSERT_TRUE(defaults->synchronize());
    // The write under way at the burst's start, and one for the rest.
    EXPECT_LE(backgroundWrites, 2);

    platform::FileManager::defaultManager().setFailureInjector(nullptr);
    const auto onDisk = PropertyList::read(standardFile());
    ASSERT_TRUE(onDisk.has_value());
    EXPECT_EQ(onDisk->size(), std::size_t{kSets});
    EXPECT_EQ((*onDisk)["key0"], 0);
}

TEST_F(UserDefaultsTest, TheAppsTerminationWritesWhatIsPending) {
    // Background writes fail, so only the termination can bring the value to the file.
    std::atomic<int> backgroundWrites{0};
    platform::FileManager::defaultManager().setFailureInjector(
        [&](platform::FileManager::Operation op, const fs::path&) -> std::optional<platform::Error> {
            if (op != platform::FileManager::Operation::write || platform::MainQueue::isMainThread()) return std::nullopt;
            ++backgroundWrites;
            return platform::Error(std::string(platform::kCocoaErrorDomain), platform::CocoaError::fileWriteOutOfSpace);
        });
    defaults->set("UserAcceptedEULA", true);
    ASSERT_TRUE(testsupport::waitUntil([&] { return backgroundWrites > 0; }));
    EXPECT_FALSE(fs::exists(standardFile()));

    auto& app = platform::ui::Application::shared();
    app.launch();
    app.terminate();
    const auto onDisk = PropertyList::read(standardFile());
    ASSERT_TRUE(onDisk.has_value());
    EXPECT_EQ(*onDisk, (json{{"UserAcceptedEULA", true}}));
}

TEST_F(UserDefaultsTest, SuitesKeepTheirOwnFile) {
    const fs::path file = testsupport::sandboxRoot() / "suites" / "one.plist";
    auto suite = UserDefaults::create(file);
    suite->set("only", "here");
    ASSERT_TRUE(suite->synchronize());
    EXPECT_FALSE(defaults->objectForKey("only").has_value());
    EXPECT_EQ(UserDefaults::create(file)->stringForKey("only"), "here");
    EXPECT_EQ(suite->filePath(), file);
}

TEST_F(UserDefaultsTest, AnUnwritableFileKeepsValuesInMemory) {
    // The suite's folder cannot be created: a file stands in its way.
    const fs::path blocker = testsupport::sandboxRoot() / "blocker";
    ASSERT_TRUE(platform::writeFileAtomically(blocker, platform::dataFromString("x")).has_value());
    auto suite = UserDefaults::create(blocker / "inside.plist");
    suite->set("a", 1);
    EXPECT_EQ(suite->integerForKey("a"), 1);
    EXPECT_FALSE(suite->synchronize());
}

} // namespace
