#include "VellicorApp/Community/CommunityConfigModel.hpp"

#include "VellicorApp/Community/ZentariProvisionSelectionStore.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unordered_set>

using namespace vellicor;
using platform::Json;
using platform::Url;

namespace {

class CommunityConfigModelTest : public apptest::AppTest {
protected:
    void SetUp() override { apptest::installContext(apptest::sampleResources()); }

    static std::shared_ptr<CommunityConfigModel> make(const std::string& startPage, bool slashS,
                                                      std::optional<std::string> loginHost = std::nullopt,
                                                      std::optional<std::string> label = std::nullopt, bool plexa = false) {
        const auto start = Url::parse(startPage);
        if (!start) return nullptr;
        return CommunityConfigModel::create(loginHost ? Url::parse(*loginHost) : std::nullopt, *start, std::move(label),
                                            slashS, plexa);
    }
};

TEST_F(CommunityConfigModelTest, CreatingFromUserInput) {
    struct Case {
        const char* name;
        std::string startPage;
        bool slashS;
        std::optional<std::string> loginHost;
        std::optional<std::string> expectedLoginHost; // none: no model
    };
    const Case cases[] = {
        {"slash-s site derives its host", "https://community.example.test/s/", true, {}, "community.example.test"},
        {"slash-s page on a site that is not", "https://community.example.test/s/", false, {}, std::nullopt},
        {"site root keeps its trailing slash", "https://community.example.test/", false, {}, "community.example.test/"},
        {"/s without the final slash is no slash-s site", "https://community.example.test/s", true, {}, std::nullopt},
        {"/s without the final slash on a plain site", "https://community.example.test/s", false, {},
         "community.example.test/s"},
        {"every /s/ is removed", "https://h.example.test/s/x/s/", true, {}, "h.example.testx"},
        {"plain http", "http://community.example.test/s/", true, {}, std::nullopt},
        {"scheme in capitals", "HTTPS://community.example.test/s/", true, {}, std::nullopt},
        {"no scheme", "community.example.test/s/", true, {}, std::nullopt},
        {"given login host", "https://community.example.test/s/", true, "login.example.test", "login.example.test"},
        {"given full login URL", "https://community.example.test/s/", true, "https://login.example.test/path",
         "https://login.example.test/path"},
        {"empty login host is derived", "https://community.example.test/s/", true, "", "community.example.test"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto model = make(c.startPage, c.slashS, c.loginHost, "Label", true);
        if (!c.expectedLoginHost) {
            EXPECT_EQ(model, nullptr);
            continue;
        }
        ASSERT_NE(model, nullptr);
        EXPECT_EQ(model->loginHost.get().absoluteString(), *c.expectedLoginHost);
        EXPECT_EQ(model->unauthenticatedStartPage.get().absoluteString(), c.startPage);
        EXPECT_EQ(model->label.get(), "Label");
        EXPECT_EQ(model->isSlashSCommunity.get(), c.slashS);
        EXPECT_TRUE(model->isPlexaCommunity.get());
    }
    EXPECT_TRUE(apptest::appLogLines().empty());
}

TEST_F(CommunityConfigModelTest, JSONRoundTrip) {
    const auto model = make("https://community.example.test/s/", true, std::nullopt, "Main", true);
    ASSERT_NE(model, nullptr);
    const auto json = model->encode();
    EXPECT_EQ(json, (Json{{"loginHost", "community.example.test"},
                          {"unauthenticatedStartPage", "https://community.example.test/s/"},
                          {"label", "Main"},
                          {"isSlashSCommunity", true},
                          {"isPlexaCommunity", true}}));
    const auto decoded = CommunityConfigModel::decode(json);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(**decoded, *model);
    EXPECT_EQ((*decoded)->label.get(), "Main");

    const auto unlabelled = make("https://community.example.test/", false);
    ASSERT_NE(unlabelled, nullptr);
    EXPECT_FALSE(unlabelled->encode().contains("label"));
}

TEST_F(CommunityConfigModelTest, DecodingDefaultsAndFailures) {
    const auto minimal = CommunityConfigModel::decode(
        Json{{"loginHost", "h.example.test"}, {"unauthenticatedStartPage", "https://h.example.test/"}});
    ASSERT_TRUE(minimal);
    EXPECT_TRUE((*minimal)->isSlashSCommunity.get());
    EXPECT_FALSE((*minimal)->isPlexaCommunity.get());
    EXPECT_EQ((*minimal)->label.get(), std::nullopt);

    const Json good{{"loginHost", "h"}, {"unauthenticatedStartPage", "https://h/"}};
    struct Case {
        const char* name;
        std::function<void(Json&)> spoil;
    };
    const Case failures[] = {
        {"no login host", [](Json& j) { j.erase("loginHost"); }},
        {"no start page", [](Json& j) { j.erase("unauthenticatedStartPage"); }},
        {"login host that is no URL", [](Json& j) { j["loginHost"] = "has space"; }},
        {"start page that is no URL", [](Json& j) { j["unauthenticatedStartPage"] = "https://h/%zz"; }},
        {"login host that is no string", [](Json& j) { j["loginHost"] = 1; }},
        {"flag that is no Boolean", [](Json& j) { j["isSlashSCommunity"] = "true"; }},
        {"label that is no string", [](Json& j) { j["label"] = 3; }},
        {"not an object", [](Json& j) { j = Json::array(); }},
    };
    for (const auto& c : failures) {
        SCOPED_TRACE(c.name);
        auto json = good;
        c.spoil(json);
        const auto decoded = CommunityConfigModel::decode(json);
        ASSERT_FALSE(decoded);
        EXPECT_EQ(decoded.error().domain, platform::kCocoaErrorDomain);
    }
}

TEST_F(CommunityConfigModelTest, IdentityIgnoresTheLabel) {
    const auto a = make("https://community.example.test/s/", true, std::nullopt, "One");
    const auto b = make("https://community.example.test/s/", true, std::nullopt, "Two");
    const auto otherFlag = make("https://community.example.test/s/", true, std::nullopt, "One", true);
    const auto otherHost = make("https://community.example.test/s/", true, "login.example.test", "One");
    EXPECT_EQ(*a, *b);
    EXPECT_EQ(a->hashValue(), b->hashValue());
    EXPECT_FALSE(*a == *otherFlag);
    EXPECT_FALSE(*a == *otherHost);
    // No normalisation: a trailing slash makes another site.
    EXPECT_FALSE(*make("https://community.example.test/", false, "h") == *make("https://community.example.test/", false, "h/"));
}

TEST_F(CommunityConfigModelTest, UpdateTakesTheSiteButKeepsItsFlags) {
    const auto model = make("https://community.example.test/s/", true, std::nullopt, "Old", false);
    const auto other = make("https://other.example.test/", false, std::nullopt, std::nullopt, true);
    int changes = 0;
    model->objectWillChange().subscribe([&changes] { ++changes; });

    model->update(*other);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(model->loginHost.get(), other->loginHost.get());
    EXPECT_EQ(model->unauthenticatedStartPage.get(), other->unauthenticatedStartPage.get());
    EXPECT_EQ(model->label.get(), std::nullopt);
    EXPECT_TRUE(model->isSlashSCommunity.get());
    EXPECT_FALSE(model->isPlexaCommunity.get());
    EXPECT_FALSE(*model == *other);
}

TEST_F(CommunityConfigModelTest, UpdateWithALabelSelectsThePushProvisioningEntryOfThatName) {
    const auto model = make("https://community.example.test/s/", true);
    const auto sandbox = make("https://sandbox.example.test/s/", true, std::nullopt, "sandbox community");
    ASSERT_EQ(ZentariProvisionSelectionStore().selection()->name, "production");
    model->update(*sandbox);
    EXPECT_EQ(ZentariProvisionSelectionStore().selection()->name, "Sandbox Community");

    // Without a label the selection stays.
    model->update(*make("https://third.example.test/s/", true));
    EXPECT_EQ(ZentariProvisionSelectionStore().selection()->name, "Sandbox Community");
}

TEST_F(CommunityConfigModelTest, WritesAnnounceThemselvesBeforeTheChange) {
    const auto model = make("https://community.example.test/s/", true);
    std::vector<std::string> seen;
    model->objectWillChange().subscribe([&] { seen.push_back(model->label.get().value_or("<none>")); });
    model->label = "New";
    model->isPlexaCommunity = true;
    EXPECT_THAT(seen, ::testing::ElementsAre("<none>", "New"));
}

} // namespace
