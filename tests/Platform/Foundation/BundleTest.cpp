#include "Platform/Foundation/Bundle.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/PropertyList.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using nlohmann::json;
using platform::Bundle;
using platform::PropertyList;
using platform::PropertyListFormat;

void writeText(const fs::path& file, std::string_view text) {
    fs::create_directories(file.parent_path());
    ASSERT_TRUE(platform::writeFileAtomically(file, platform::dataFromString(text)).has_value());
}

class BundleTest : public ::testing::Test {
protected:
    fs::path makeBundle(const std::string& name, const json& info,
                        PropertyListFormat format = PropertyListFormat::xml) {
        const fs::path folder = testsupport::sandboxRoot() / name;
        fs::create_directories(folder);
        EXPECT_TRUE(PropertyList::write(folder / "Info.plist", info, format).has_value());
        return folder;
    }
};

TEST_F(BundleTest, InfoDictionaryValuesKeepTheirTypesInBothFormats) {
    const json info = {
        {"CFBundleIdentifier", "com.example.app"},
        {"CFBundleShortVersionString", "4.2.0"},
        {"CFBundleVersion", "421"},
        {"NativeWebAppBootstrapTimeout", "60"},
        {"NumericTimeout", 60},
        {"DelayPushPermissionDialog", true},
        {"Ratio", 0.75},
    };
    for (auto format : {PropertyListFormat::xml, PropertyListFormat::binary}) {
        const bool xml = format == PropertyListFormat::xml;
        SCOPED_TRACE(xml ? "XML Info.plist" : "binary Info.plist");
        const auto bundle = Bundle::atPath(makeBundle(xml ? "Xml.app" : "Binary.app", info, format));
        ASSERT_TRUE(bundle);

        struct Case {
            const char* key;
            json expected;
        };
        for (const Case& c : std::vector<Case>{{"NativeWebAppBootstrapTimeout", json("60")},
                                               {"NumericTimeout", json(60)},
                                               {"DelayPushPermissionDialog", json(true)},
                                               {"Ratio", json(0.75)}}) {
            SCOPED_TRACE(c.key);
            const auto value = bundle->objectForInfoDictionaryKey(c.key);
            ASSERT_TRUE(value.has_value());
            EXPECT_EQ(value->type(), c.expected.type());
            EXPECT_EQ(*value, c.expected);
        }
        EXPECT_FALSE(bundle->objectForInfoDictionaryKey("Missing").has_value());
        EXPECT_EQ(bundle->bundleIdentifier(), "com.example.app");
        EXPECT_EQ(bundle->shortVersion(), "4.2.0");
        EXPECT_EQ(bundle->buildVersion(), "421");
        EXPECT_EQ(bundle->infoDictionary(), info);
    }
}

TEST_F(BundleTest, VersionsThatAreNotStringsAreAbsent) {
    const auto bundle = Bundle::atPath(
        makeBundle("Numeric.bundle", {{"CFBundleShortVersionString", 4.2}, {"CFBundleVersion", 421}}));
    ASSERT_TRUE(bundle);
    EXPECT_FALSE(bundle->shortVersion().has_value());
    EXPECT_FALSE(bundle->buildVersion().has_value());
    EXPECT_FALSE(bundle->bundleIdentifier().has_value());
}

TEST_F(BundleTest, MissingOrBrokenInfoPlistGivesAnEmptyDictionary) {
    const fs::path bare = testsupport::sandboxRoot() / "Bare.app";
    fs::create_directories(bare);
    const fs::path broken = testsupport::sandboxRoot() / "Broken.app";
    writeText(broken / "Info.plist", "<plist><dict><key>a</key>");
    const fs::path notADictionary = testsupport::sandboxRoot() / "Array.app";
    writeText(notADictionary / "Info.plist", "<plist><array><string>a</string></array></plist>");

    for (const auto& folder : {bare, broken, notADictionary}) {
        SCOPED_TRACE(folder.filename().string());
        const auto bundle = Bundle::atPath(folder);
        ASSERT_TRUE(bundle);
        EXPECT_EQ(bundle->infoDictionary(), json::object());
        EXPECT_FALSE(bundle->bundleIdentifier().has_value());
        EXPECT_FALSE(bundle->objectForInfoDictionaryKey("a").has_value());
    }
}

TEST_F(BundleTest, AtPathNeedsAnExistingFolder) {
    const fs::path folder = makeBundle("Here.app", json::object());
    EXPECT_FALSE(Bundle::atPath(testsupport::sandboxRoot() / "Nowhere.app"));
    EXPECT_FALSE(Bundle::atPath(folder / "Info.plist")) << "a file is not a bundle";
    EXPECT_FALSE(Bundle::atPath(""));
    EXPECT_FALSE(Bundle::atURL(*platform::Url::parse("https://example.com/Here.app")));

    const auto bundle = Bundle::atPath(folder);
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle, Bundle::atPath(folder.string() + "/")) << "one object per folder";
    EXPECT_EQ(bundle, Bundle::atURL(platform::Url::fileURL(folder, true)));
    EXPECT_EQ(bundle->bundlePath(), folder);
    EXPECT_EQ(bundle->bundleURL(), platform::Url::fileURL(folder, true));
    EXPECT_EQ(bundle->resourceURL(), platform::Url::fileURL(folder, true));
}

class BundleResourcesTest : public BundleTest {
protected:
    void SetUp() override {
        folder = makeBundle("App.app", {{"CFBundleIdentifier", "com.example.app"}});
        writeText(folder / "EULA.html", "<p>terms</p>");
        writeText(folder / "isoCountryCodes.json", "{}");
        writeText(folder / "www" / "bridge-interface.js", "//");
        writeText(folder / "www" / "tarnix-interface.js", "//");
        writeText(folder / "en.lproj" / "Only.txt", "localised");
        fs::create_directories(folder / "MyVellicorLocalization.bundle");
        bundle = Bundle::atPath(folder);
        ASSERT_TRUE(bundle);
    }

    fs::path folder;
    std::shared_ptr<Bundle> bundle;
};

TEST_F(BundleResourcesTest, FindsResourcesByNameAndExtension) {
    using Name = std::optional<std::string>;
    struct Case {
        const char* name;
        Name resource;
        Name type;
        std::optional<std::string> subdirectory;
        std::optional<fs::path> expected; // relative to the bundle
    };
    const std::vector<Case> cases = {
        {"name and extension", "EULA", "html", {}, "EULA.html"},
        {"extension with its dot", "EULA", ".html", {}, "EULA.html"},
        {"extension already in the name", "EULA.html", std::nullopt, {}, "EULA.html"},
        {"extension in the name, empty type", "EULA.html", "", {}, "EULA.html"},
        {"name without its extension", "EULA", std::nullopt, {}, std::nullopt},
        {"no name: first file of the type", std::nullopt, "json", {}, "isoCountryCodes.json"},
        {"neither name nor type", std::nullopt, std::nullopt, {}, std::nullopt},
        {"wrong extension", "EULA", "txt", {}, std::nullopt},
        {"missing resource", "Missing", "html", {}, std::nullopt},
        {"folder in the name", "www/bridge-interface", "js", {}, "www/bridge-interface.js"},
        {"subfolder argument", "bridge-interface", "js", "www/", "www/bridge-interface.js"},
        {"subfolder without slash", "tarnix-interface", "js", "www", "www/tarnix-interface.js"},
        {"subfolder, no name", std::nullopt, "js", "www", "www/bridge-interface.js"},
        {"not in the root without the subfolder", "bridge-interface", "js", {}, std::nullopt},
        {"not in the subfolder", "EULA", "html", "www", std::nullopt},
        {"localised resource", "Only", "txt", {}, "en.lproj/Only.txt"},
        {"nested bundle folder", "MyVellicorLocalization", "bundle", {}, "MyVellicorLocalization.bundle"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = c.subdirectory ? bundle->pathForResource(c.resource, c.type, *c.subdirectory)
                                         : bundle->pathForResource(c.resource, c.type);
        if (!c.expected) {
            EXPECT_FALSE(path.has_value()) << *path;
            continue;
        }
        ASSERT_TRUE(path.has_value());
        EXPECT_EQ(*path, folder / *c.expected);
        const auto url = c.subdirectory ? bundle->urlForResource(c.resource, c.type, *c.subdirectory)
                                        : bundle->urlForResource(c.resource, c.type);
        ASSERT_TRUE(url.has_value());
        EXPECT_TRUE(url->isFileURL());
        EXPECT_EQ(url->filePath(), folder / *c.expected);
    }
}

TEST_F(BundleResourcesTest, ListsResourcesOfAType) {
    EXPECT_EQ(bundle->pathsForResources("js", "www"),
              (std::vector<fs::path>{folder / "www/bridge-interface.js", folder / "www/tarnix-interface.js"}));
    EXPECT_EQ(bundle->pathsForResources("bundle"), (std::vector<fs::path>{folder / "MyVellicorLocalization.bundle"}));
    EXPECT_TRUE(bundle->pathsForResources("png").empty());
}

TEST_F(BundleResourcesTest, OpensNestedBundlesThroughTheResourceUrl) {
    writeText(folder / "MyVellicorLocalization.bundle" / "en.lproj" / "Localizable.strings", "\"OK\" = \"Okay\";");
    const auto url = bundle->resourceURL()->appendingPathComponent("MyVellicorLocalization.bundle");
    const auto nested = Bundle::atURL(url);
    ASSERT_TRUE(nested);
    EXPECT_EQ(nested->localizedString("OK"), "Okay");
    EXPECT_FALSE(Bundle::atURL(bundle->resourceURL()->appendingPathComponent("Missing.bundle")));
}

// Resource names come from configuration and pages too: none of them may hand
// out a file outside the package, whether by ".." or by a symbolic link.
class BundleContainmentTest : public BundleResourcesTest {
protected:
    void SetUp() override {
        BundleResourcesTest::SetUp();
        outside = testsupport::sandboxRoot() / "Outside";
        writeText(outside / "secret.txt", "secret");
        writeText(outside / "secret.html", "secret");
        fs::create_symlink("../Outside/secret.txt", folder / "escape.txt");
        fs::create_directory_symlink(outside, folder / "Out");
        fs::create_symlink("EULA.html", folder / "alias.html");
        fs::create_directory_symlink(folder / "www", folder / "scripts");
    }

    fs::path outside;
};

TEST_F(BundleContainmentTest, RefusesNamesThatLeaveThePackage) {
    using Name = std::optional<std::string>;
    struct Case {
        const char* name;
        Name resource;
        Name type;
        std::string subdirectory;
        std::optional<fs::path> expected; // relative to the bundle
    };
    const std::vector<Case> cases = {
        {"parent folder in the name", "../Outside/secret", "txt", {}, std::nullopt},
        {"parent folder in the subfolder", "secret", "txt", "../Outside", std::nullopt},
        {"deep parent folders", "www/../../../../../../../etc/passwd", std::nullopt, {}, std::nullopt},
        {"absolute name stays in the package", (outside / "secret").string(), "txt", {}, std::nullopt},
        {"absolute subfolder stays in the package", "secret", "txt", outside.string(), std::nullopt},
        {"file link leading out", "escape", "txt", {}, std::nullopt},
        {"folder link leading out", "Out/secret", "html", {}, std::nullopt},
        {"subfolder link leading out", "secret", "html", "Out", std::nullopt},
        {"no name skips a link leading out", std::nullopt, "txt", {}, "en.lproj/Only.txt"},
        {"file link staying inside", "alias", "html", {}, "alias.html"},
        {"folder link staying inside", "scripts/bridge-interface", "js", {}, "scripts/bridge-interface.js"},
        {"parent folder that stays inside", "www/../EULA", "html", {}, "EULA.html"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = bundle->pathForResource(c.resource, c.type, c.subdirectory);
        const auto url = bundle->urlForResource(c.resource, c.type, c.subdirectory);
        if (!c.expected) {
            EXPECT_FALSE(path.has_value()) << *path;
            EXPECT_FALSE(url.has_value()) << url->absoluteString();
            continue;
        }
        ASSERT_TRUE(path.has_value());
        EXPECT_EQ(*path, folder / *c.expected);
        ASSERT_TRUE(url.has_value());
        EXPECT_EQ(url->filePath(), folder / *c.expected);
    }
}

TEST_F(BundleContainmentTest, ListingsLeaveOutWhatLiesOutside) {
    EXPECT_TRUE(bundle->pathsForResources("txt").empty());
    EXPECT_TRUE(bundle->pathsForResources("txt", "../Outside").empty());
    EXPECT_TRUE(bundle->pathsForResources("", "Out").empty());
    EXPECT_EQ(bundle->pathsForResources("js", "scripts"),
              (std::vector<fs::path>{folder / "scripts/bridge-interface.js", folder / "scripts/tarnix-interface.js"}));
}

TEST_F(BundleContainmentTest, StringsTablesAreReadFromInsideOnly) {
    writeText(outside / "Leak.strings", "\"KEY\" = \"leaked\";");
    fs::create_directory_symlink(outside, folder / "xx.lproj");
    EXPECT_EQ(bundle->localizedString("KEY", {}, "Leak"), "KEY");
}

TEST_F(BundleTest, StoreReceiptUrl) {
    struct Case {
        const char* name;
        json info;
        std::vector<std::string> receiptFiles;
        std::string expectedFile;
    };
    const std::vector<Case> cases = {
        {"no StoreKit folder", json::object(), {}, "receipt"},
        {"one file in StoreKit", json::object(), {"sandboxReceipt"}, "sandboxReceipt"},
        {"two files in StoreKit", json::object(), {"a", "b"}, "receipt"},
        {"name from Info.plist", {{"VellicorStoreReceiptName", "sandboxReceipt"}}, {}, "sandboxReceipt"},
        {"Info.plist name wins over the folder", {{"VellicorStoreReceiptName", "named"}}, {"other"}, "named"},
        {"a path is not a name", {{"VellicorStoreReceiptName", "../escape"}}, {}, "receipt"},
        {"a number is not a name", {{"VellicorStoreReceiptName", 5}}, {}, "receipt"},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path folder = makeBundle("Receipt" + std::to_string(index++) + ".app", c.info);
        for (const auto& file : c.receiptFiles) writeText(folder / "StoreKit" / file, "receipt");
        const auto url = Bundle::atPath(folder)->appStoreReceiptURL();
        ASSERT_TRUE(url.has_value());
        EXPECT_EQ(url->filePath(), folder / "StoreKit" / c.expectedFile);
        EXPECT_EQ(url->lastPathComponent(), c.expectedFile);
    }
}

TEST_F(BundleTest, MainBundleIsTheFolderSetAtStart) {
    const fs::path folder = makeBundle("Main.app", {{"CFBundleIdentifier", "com.example.main"}});
    Bundle::setMainBundlePath(folder);
    EXPECT_EQ(Bundle::main()->bundlePath(), folder);
    EXPECT_EQ(Bundle::main()->bundleIdentifier(), "com.example.main");
    EXPECT_EQ(Bundle::main(), Bundle::atPath(folder));

    Bundle::setMainBundlePath(testsupport::sandboxRoot() / "Gone.app");
    ASSERT_TRUE(Bundle::main()) << "the main bundle exists even without its folder";
    EXPECT_EQ(Bundle::main()->infoDictionary(), json::object());
}

TEST_F(BundleTest, LibrariesFindTheirBundleByName) {
    const fs::path plugin = makeBundle("TarnixPlugin.bundle", {{"CFBundleShortVersionString", "2.5.1"}});
    EXPECT_FALSE(Bundle::forName("TarnixPlugin"));
    Bundle::registerBundle("TarnixPlugin", plugin);
    const auto bundle = Bundle::forName("TarnixPlugin");
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->shortVersion(), "2.5.1");
    EXPECT_FALSE(Bundle::forName("OtherPlugin"));

    Bundle::registerBundle("Vanished", testsupport::sandboxRoot() / "Vanished.bundle");
    EXPECT_FALSE(Bundle::forName("Vanished"));

    Bundle::unregisterBundle("TarnixPlugin");
    EXPECT_FALSE(Bundle::forName("TarnixPlugin"));
}

class BundleLocalizationTest : public BundleTest {
protected:
    std::shared_ptr<Bundle> bundleWith(const std::string& name,
                                       const std::vector<std::pair<std::string, std::string>>& files) {
        const fs::path folder = makeBundle(name, json::object());
        for (const auto& [path, text] : files) writeText(folder / path, text);
        return Bundle::atPath(folder);
    }
};

TEST_F(BundleLocalizationTest, LooksUpKeysWithThePlatformsFallbacks) {
    const auto bundle = bundleWith("Strings.bundle", {
        {"en.lproj/Localizable.strings", "\"hello\" = \"Hello\";\n\"empty\" = \"\";"},
        {"Base.lproj/Localizable.strings", "\"hello\" = \"Base hello\";\n\"baseOnly\" = \"B\";"},
        {"Base.lproj/Errors.strings", "\"oops\" = \"Something went wrong\";"},
        {"de.lproj/Localizable.strings", "\"hello\" = \"Hallo\";"},
        {"Root.strings", "\"root\" = \"from the root\";"},
    });
    ASSERT_TRUE(bundle);
    struct Case {
        const char* name;
        std::string key;
        std::string value;
        std::string table;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"English first", "hello", "", "", "Hello"},
        {"default table by name", "hello", "", "Localizable", "Hello"},
        {"empty translation is a translation", "empty", "fallback", "", ""},
        {"missing key gives the value", "nope", "Fallback", "", "Fallback"},
        {"missing key without value gives the key", "nope", "", "", "nope"},
        {"the chosen table is not merged with others", "baseOnly", "", "", "baseOnly"},
        {"table only in Base", "oops", "", "Errors", "Something went wrong"},
        {"table in the package root", "root", "", "Root", "from the root"},
        {"missing table", "hello", "", "Nowhere", "hello"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(bundle->localizedString(c.key, c.value, c.table), c.expected);
    }
    EXPECT_EQ(bundle->localizations(), (std::vector<std::string>{"en", "Base", "de"}));
}

TEST_F(BundleLocalizationTest, WithoutEnglishOrBaseTheFirstLocalisationServes) {
    const auto bundle = bundleWith("Foreign.bundle", {
        {"fr.lproj/Localizable.strings", "\"hello\" = \"Bonjour\";"},
        {"de.lproj/Localizable.strings", "\"hello\" = \"Hallo\";"},
    });
    EXPECT_EQ(bundle->localizedString("hello"), "Hallo");
}

TEST_F(BundleLocalizationTest, BrokenStringsFileGivesKeys) {
    const auto bundle = bundleWith("Broken.bundle", {
        {"en.lproj/Localizable.strings", "\"hello\" = \"Hello\"\n\"x\" = "},
        {"en.lproj/Binary.strings", std::string("\xFF\xFE\x00\xD8", 4)},
    });
    EXPECT_EQ(bundle->localizedString("hello"), "hello");
    EXPECT_EQ(bundle->localizedString("hello", "Hi"), "Hi");
    EXPECT_EQ(bundle->localizedString("hello", "", "Binary"), "hello");
}

TEST_F(BundleLocalizationTest, SafeFromManyThreads) {
    const fs::path folder = makeBundle("Shared.bundle", {{"CFBundleShortVersionString", "1.0"}});
    writeText(folder / "en.lproj/Localizable.strings", "\"hello\" = \"Hello\";");
    Bundle::registerBundle("Shared", folder);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            for (int k = 0; k < 50; ++k) {
                const auto bundle = k % 2 == 0 ? Bundle::atPath(folder) : Bundle::forName("Shared");
                if (!bundle || bundle->localizedString("hello") != "Hello" || bundle->shortVersion() != "1.0") {
                    ++failures;
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    Bundle::unregisterBundle("Shared");
    EXPECT_EQ(failures.load(), 0);
}

} // namespace
