#include "VellicorApp/Community/BundleManagedURLs.hpp"
#include "VellicorApp/Community/ManagedURLsPersistentStore.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include "Platform/Foundation/FileManager.hpp"

#include <gtest/gtest.h>

using namespace vellicor;

namespace {

class BundleManagedURLsTest : public apptest::AppTest {};

using Strings = std::vector<std::string>;

TEST_F(BundleManagedURLsTest, DecodingTakesWhatIsWellFormed) {
    struct Case {
        const char* name;
        platform::Json value;
        Strings external;
        Strings within;
        std::string defaultBehavior;
    };
    const Case cases[] = {
        {"only WithinApp", {{"WithinApp", {"/a", "/a"}}}, {}, {"/a", "/a"}, "InAppBrowser"},
        {"empty dictionary", platform::Json::object(), {}, {}, "InAppBrowser"},
        {"number among strings", {{"ExternalBrowser", {"https://a.example", 3}}, {"WithinApp", {"/b"}}}, {}, {"/b"},
         "InAppBrowser"},
        {"behaviour in other case", {{"DefaultBehavior", "externalbrowser"}}, {}, {}, "InAppBrowser"},
        {"behaviour kept", {{"DefaultBehavior", "ExternalBrowser"}}, {}, {}, "ExternalBrowser"},
        {"behaviour not a string", {{"DefaultBehavior", 1}}, {}, {}, "InAppBrowser"},
        {"not a dictionary", platform::Json::array({1, 2}), {}, {}, "InAppBrowser"},
    };
    for (const auto& c : cases) {
        const auto rules = BundleManagedURLs::decode(c.value);
        EXPECT_EQ(rules->externalBrowser(), c.external) << c.name;
        EXPECT_EQ(rules->withinApp(), c.within) << c.name;
        EXPECT_TRUE(rules->inAppBrowser().empty()) << c.name;
        EXPECT_EQ(rules->defaultBehavior(), c.defaultBehavior) << c.name;
    }
}

TEST_F(BundleManagedURLsTest, EncodingRoundTrips) {
    const BundleManagedURLs rules({"https://e.example"}, {"https://b.example"}, {"https://c.example"}, {"/w"},
                                  "WithinApp");
    const auto again = BundleManagedURLs::decode(rules.encode());
    EXPECT_EQ(again->encode(), rules.encode());
    EXPECT_EQ(again->totalCount(), 4u);
}

TEST_F(BundleManagedURLsTest, NormalEditionReadsTheInfoDictionary) {
    apptest::installContext(apptest::sampleResources());
    ASSERT_TRUE(BundleManagedURLs::managedURLs());
    EXPECT_EQ(BundleManagedURLs::managedURLs()->withinApp(), Strings{"/topic"});

    apptest::installContext([](platform::Json& info) {
        info["URLManagement"] = {{"ExternalBrowser", {"https://shop.example.net/"}}, {"DefaultBehavior", "WithinApp"}};
    });
    const auto rules = BundleManagedURLs::managedURLs();
    ASSERT_TRUE(rules);
    EXPECT_EQ(rules->externalBrowser(), Strings{"https://shop.example.net/"});
    EXPECT_EQ(rules->defaultBehavior(), "WithinApp");

    apptest::installContext([](platform::Json& info) { info["URLManagement"] = "not a dictionary"; });
    EXPECT_FALSE(BundleManagedURLs::managedURLs());
    EXPECT_EQ(apptest::appLogTexts("ERROR").back(), "Context: Managed URLs are either configured incorrect or unavailable.");
}

TEST_F(BundleManagedURLsTest, EditingRespectsTheLimitOfTheRunningRules) {
    const auto context = apptest::installContext(apptest::sampleResources());
    const auto rules = RuntimeManagedURLs::empty();
    context->setManagedURLs(rules);
    int changes = 0;
    rules->setWillChangeListener([&] { ++changes; });

    for (int i = 0; i < 19; ++i) ASSERT_FALSE(rules->add("/p" + std::to_string(i), ManagedURLType::internalWebApp));
    EXPECT_FALSE(rules->add("/p19", ManagedURLType::internalWebApp)); // the 20th
    EXPECT_TRUE(hasReachedLimit(ManagedURLType::internalWebApp));
    EXPECT_EQ(rules->add("/p20", ManagedURLType::internalWebApp), ManagedURLInputError::reachedLimit);
    EXPECT_EQ(rules->add("/x", ManagedURLType::unknown), ManagedURLInputError::invalidType);
    EXPECT_EQ(changes, 20);

    // A move into a full list keeps the pattern where it was.
    ASSERT_FALSE(rules->add("/moving", ManagedURLType::externalBrowser));
    EXPECT_EQ(rules->replace("/moving", ManagedURLType::externalBrowser, ManagedURLType::internalWebApp),
              ManagedURLInputError::reachedLimit);
    EXPECT_EQ(rules->externalBrowser(), Strings{"/moving"});
    EXPECT_FALSE(rules->replace("/moving", ManagedURLType::externalBrowser, ManagedURLType::internalBrowser));
    EXPECT_TRUE(rules->externalBrowser().empty());
    EXPECT_TRUE(isExisting(ManagedURLType::internalBrowser, "/moving"));

    // Duplicates: remove takes the first only.
    ASSERT_FALSE(rules->add("/moving", ManagedURLType::internalBrowser));
    rules->remove("/moving", ManagedURLType::internalBrowser);
    EXPECT_EQ(rules->inAppBrowser(), Strings{"/moving"});

    rules->updateDefaultBehavior(ManagedURLType::unknown);
    EXPECT_EQ(rules->defaultBehavior(), "InAppBrowser");
    rules->updateDefaultBehavior(ManagedURLType::externalBrowser);
    EXPECT_EQ(rules->defaultBehavior(), "ExternalBrowser");
    EXPECT_FALSE(rules->urls(ManagedURLType::unknown));

    auto copy = RuntimeManagedURLs::decode(rules->encode());
    copy->updateDefaultBehavior(ManagedURLType::internalWebApp);
    EXPECT_TRUE(*copy == *rules); // the default behaviour is not compared
}

TEST_F(BundleManagedURLsTest, StoredCopyRoundTripsAndRejectsForeignFiles) {
    apptest::installContext([](platform::Json& info) { info["YarrowinAppType"] = "preSale"; });
    // No stored copy: empty rules.
    auto rules = std::dynamic_pointer_cast<RuntimeManagedURLs>(BundleManagedURLs::managedURLs());
    ASSERT_TRUE(rules);
    EXPECT_EQ(rules->totalCount(), 0u);
    EXPECT_EQ(rules->defaultBehavior(), "InAppBrowser");

    const RuntimeManagedURLs edited({"https://e.example"}, {}, {}, {"/topic"}, "WithinApp");
    ManagedURLsPersistentStore().updateManagedURLs(edited);
    const auto stored = ManagedURLsPersistentStore().managedURLs();
    ASSERT_TRUE(stored);
    EXPECT_TRUE(*stored == edited);
    EXPECT_EQ(stored->defaultBehavior(), "WithinApp");

    // A plain (unencrypted) file reads as no stored copy.
    const auto file = platform::Sandbox::applicationSupportDirectory() / "URLManagement" / "ManagedURLsConfigModel.json";
    ASSERT_TRUE(platform::writeFileAtomically(file, platform::dataFromString(edited.encode().dump())));
    EXPECT_FALSE(ManagedURLsPersistentStore().managedURLs());
}

TEST_F(BundleManagedURLsTest, AFailedWriteIsLoggedAndKeepsTheStoredCopy) {
    using Operation = platform::FileManager::Operation;
    const RuntimeManagedURLs first({"https://e.example"}, {}, {}, {"/topic"}, "WithinApp");
    const RuntimeManagedURLs second({}, {"https://i.example"}, {}, {}, "InAppBrowser");
    for (const auto operation : {Operation::write, Operation::writeMidway}) {
        SCOPED_TRACE(operation == Operation::write ? "write refused" : "write failing midway");
        testsupport::freshSandbox();
        apptest::installContext([](platform::Json& info) { info["YarrowinAppType"] = "preSale"; });
        ManagedURLsPersistentStore().updateManagedURLs(first);
        {
            apptest::FailingFileOperation failing(operation);
            ManagedURLsPersistentStore().updateManagedURLs(second);
        }
        const auto stored = ManagedURLsPersistentStore().managedURLs();
        ASSERT_TRUE(stored);
        EXPECT_TRUE(*stored == first);
        EXPECT_EQ(apptest::appLogTexts("ERROR"),
                  std::vector<std::string>{"ManagedURLsPersistentStore: Failed to write Managed URLs configuration."});
    }
}

TEST_F(BundleManagedURLsTest, TypeStrings) {
    EXPECT_EQ(description(ManagedURLType::unknown), "InAppBrowser");
    EXPECT_EQ(description(ManagedURLType::internalCookieBrowser), "InAppSharedCookieBrowser");
    EXPECT_EQ(localizedTitle(ManagedURLType::unknown), "UNKNOWN");
    apptest::installContext(apptest::sampleResources());
    EXPECT_EQ(localizedTitle(ManagedURLType::internalWebApp), "Open in App");
    EXPECT_EQ(localizedReason(ManagedURLInputError::reachedLimit), "This list can't hold more URLs.");
    EXPECT_FALSE(managedURLTypeFromRawValue(5));
    EXPECT_EQ(managedURLTypeFromRawValue(4), ManagedURLType::externalBrowser);
    EXPECT_LT(ManagedURLType::internalWebApp, ManagedURLType::internalBrowser);
}

} // namespace
