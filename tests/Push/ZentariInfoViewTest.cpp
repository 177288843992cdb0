#include "VellicorApp/Push/ZentariInfoView.hpp"

#include "VellicorApp/Push/ZentariPushManager.hpp"

#include "Platform/SDKs/Zentari/VQZTSdk.hpp"
#include "Platform/UI/Application.hpp"
#include "tests/Push/PushTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::Json;

namespace {

Json identity() {
    return Json{{"registrationId", "registration-1"},
                {"platformType", "iOS"},
                {"moduleIdentities",
                 {{"push",
                   {{"profileId", "003contact"},
                    {"applicationId", "app"},
                    {"installationId", "install"},
                    {"customProperties", {{"deviceId", "device"}, {"tags", Json::array({"a"})}}}}}}}};
}

TEST(ZentariInfoViewModelFactory, DecodesTheIdentityOnlyWhenEveryRequiredMemberIsThere) {
    const auto without = [](std::vector<std::string> path) {
        auto json = identity();
        Json* node = &json;
        for (std::size_t i = 0; i + 1 < path.size(); ++i) node = &(*node)[path[i]];
        node->erase(path.back());
        return json.dump();
    };
    auto nullProfile = identity();
    nullProfile["moduleIdentities"]["push"]["profileId"] = nullptr;
    auto numberTag = identity();
    numberTag["moduleIdentities"]["push"]["customProperties"]["tags"] = Json::array({1});
    const struct {
        const char* name;
        std::string text;
        bool decodes;
        std::optional<std::string> profileId;
    } cases[] = {
        {"everything", identity().dump(), true, "003contact"},
        {"no profileId", without({"moduleIdentities", "push", "profileId"}), true, std::nullopt},
        {"a null profileId", nullProfile.dump(), true, std::nullopt},
        {"no registrationId", without({"registrationId"}), false, std::nullopt},
        {"no tags", without({"moduleIdentities", "push", "customProperties", "tags"}), false, std::nullopt},
        {"a tag that is a number", numberTag.dump(), false, std::nullopt},
        {"no installationId", without({"moduleIdentities", "push", "installationId"}), false, std::nullopt},
        {"not JSON", "{registrationId", false, std::nullopt},
        {"not UTF-8", std::string("{\"registrationId\": \"\xff\"}"), false, std::nullopt},
        {"an array", "[]", false, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto model = ZentariInfoViewModelFactory().model(c.text);
        ASSERT_EQ(model.has_value(), c.decodes);
        if (!model) continue;
        EXPECT_EQ(model->moduleIdentities.push.profileId, c.profileId);
        // Encoding gives the same model back, "profileId" left out without one.
        const auto encoded = model->encode();
        EXPECT_EQ(encoded["moduleIdentities"]["push"].contains("profileId"), c.profileId.has_value());
        EXPECT_EQ(ZentariInfoViewModelFactory().model(encoded.dump()), model);
    }
}

class ZentariInfoViewTest : public pushtest::PushTest {};

TEST_F(ZentariInfoViewTest, TheRowsShowWhatTheSDKKnowsOrThatItIsNotSet) {
    EXPECT_EQ(ZentariInfoView::deviceTokenText(), "Not Set On Zentari Yet");
    EXPECT_EQ(ZentariInfoView::deviceIdText(), "Not Set On Zentari Yet");
    EXPECT_EQ(ZentariInfoView::contactKeyText(), "Not Set On Zentari Yet");
    platform::zentari::VQZTSdk::identity()->setProfileId("003contact");
    EXPECT_EQ(ZentariInfoView::contactKeyText(), "003contact");
    platform::ui::Application::shared().registerForRemoteNotifications();
    EXPECT_EQ(ZentariInfoView::deviceTokenText().size(), 64u);

    // The sample package's default entry, with its access token.
    const auto configuration = ZentariInfoView::configurationText();
    EXPECT_NE(configuration.find("\"accesstoken\" : \"production-access-token\""), std::string::npos) << configuration;
    EXPECT_NE(configuration.find("https:\\/\\/marketing.example.test\\/"), std::string::npos) << configuration;

    auto bundle = std::make_shared<apptest::FakeBundle>(apptest::FakeBundle::sample()->info, testsupport::sandboxRoot());
    install(bundle);
    EXPECT_EQ(ZentariInfoView::configurationText(), "Invalid Configuration");
}

TEST_F(ZentariInfoViewTest, TriggerPushPermissionRunsTheInAppRoadOnlyWithAManager) {
    ZentariInfoView::triggerPushPermission();
    testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; });
    EXPECT_FALSE(context->userDefaults->boolForKey(ZentariPushManager::kInAppPushCompletedKey));

    context->setMktPushManager(ZentariPushManager::create(writeProvisioning(pushtest::entryJson("app", true)), sdk));
    ZentariInfoView::triggerPushPermission();
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return context->userDefaults->boolForKey(ZentariPushManager::kInAppPushCompletedKey); }));
    context->setMktPushManager(nullptr);
}

TEST_F(ZentariInfoViewTest, TheScreenListsItsRowsAndButtons) {
    const auto controller = ZentariInfoViewController::create();
    controller->loadViewIfNeeded();
    for (const char* text : {"Dismiss", "Device Token:", "Device ID:", "Configuration:", "Contact Key:",
                             "Trigger Push Permission"}) {
        EXPECT_NE(controller->findNode(text), nullptr) << text;
    }
    EXPECT_EQ(controller->typeName(), "ZentariInfoViewController");
}

} // namespace
