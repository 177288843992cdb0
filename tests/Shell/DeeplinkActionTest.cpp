#include "VellicorApp/Shell/DeeplinkAction.hpp"

#include "VellicorApp/Push/PushNotificationManager.hpp"

#include "tests/Interface/InterfaceTestSupport.hpp"
#include "tests/Shell/FlowTestSupport.hpp"

#include "Platform/UI/NavigationController.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace vellicor;
using flowtest::FakeCommunityScreen;
using platform::Json;

namespace {

class DeeplinkActionTest : public apptest::AppTest {
protected:
    void SetUp() override {
        context = apptest::installContext(apptest::sampleResources());
        context->userAccountManager->setLoginHost("community.example.test");
        Logger::configureLogLevel();
    }

    /// The error lines logged since `before` lines.
    static std::vector<std::string> errorsSince(std::size_t before) {
        const auto errors = apptest::appLogTexts("ERROR");
        return {errors.begin() + static_cast<long>(before), errors.end()};
    }

    std::shared_ptr<Context> context;
};

TEST_F(DeeplinkActionTest, ReadsItsTargetFromTheNotificationPayload) {
    const auto navigation = platform::ui::NavigationController::create(FakeCommunityScreen::make());
    const auto full = DeeplinkAction::create(
        Json{{"sid", "s/detail/a01"}, {"targetPageRef", "{\"type\":\"standard__recordPage\"}"}, {"nid", "0ML1"}},
        navigation);
    ASSERT_TRUE(full->url());
    EXPECT_EQ(full->url()->absoluteString(), "https://community.example.test/s/detail/a01");
    EXPECT_EQ(full->pageRef(), "{\"type\":\"standard__recordPage\"}");
    EXPECT_EQ(full->notificationID(), "0ML1");
    EXPECT_EQ(full->navigationController(), navigation);
    EXPECT_TRUE(full->requiresWebAppBootstrap());

    const auto empty = DeeplinkAction::create(Json::object(), navigation);
    EXPECT_FALSE(empty->url());
    EXPECT_FALSE(empty->pageRef());
    EXPECT_FALSE(empty->notificationID());
}

TEST_F(DeeplinkActionTest, OpensTheRecordElseTheURLAndCompletesOnce) {
    struct Case {
        const char* name;
        Json payload;
        bool communityOnTop;
        std::vector<std::string> calls;
        std::vector<std::string> errors; // beyond the parser's own lines
    };
    const Case cases[] = {
        {"record and URL: the record only",
         {{"sid", "s/a"}, {"targetPageRef", "a01"}, {"nid", "n1"}},
         true,
         {"openRecord a01"},
         {}},
        {"URL only", {{"sid", "s/a"}, {"nid", "n1"}}, true, {"openURL https://community.example.test/s/a"}, {}},
        {"record only", {{"targetPageRef", "a01"}}, true, {"openRecord a01"}, {}},
        {"neither", {{"nid", "n1"}}, true, {}, {"URLLinkAction: Failed to handle link-action flow!"}},
        {"no community screen on top",
         {{"sid", "s/a"}, {"targetPageRef", "a01"}},
         false,
         {},
         {"DeeplinkAction: Top view controller is not a CommunityViewControllable. Failed to perform deeplink "
          "action."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto community = FakeCommunityScreen::make(State::pageLoaded);
        const auto navigation = platform::ui::NavigationController::create(
            c.communityOnTop ? std::shared_ptr<platform::ui::ViewController>(community)
                             : platform::ui::makeController<interfacetest::Screen>());
        const auto action = DeeplinkAction::create(c.payload, navigation);
        const auto before = apptest::appLogTexts("ERROR").size();

        int completions = 0;
        action->execute([&](bool) { ++completions; });

        EXPECT_EQ(completions, 1);
        // Nobody is signed in, so there is no push manager: no read mark is
        // sent and the screen's notifications are left alone.
        EXPECT_EQ(community->calls, c.calls);
        EXPECT_EQ(errorsSince(before), c.errors);
    }
}

TEST_F(DeeplinkActionTest, WithAPushManagerTheScreenIsRefreshedWhateverTheReadMarkGives) {
    // Signed out, marking read fails at once (-1013); without "nid" it fails
    // as an invalid ID: either way the screen refreshes its notifications.
    context->setPushNotificationManager(PushNotificationManager::create(nullptr));
    for (const auto& payload : {Json{{"targetPageRef", "a01"}, {"nid", "n1"}}, Json{{"targetPageRef", "a01"}}}) {
        SCOPED_TRACE(payload.dump());
        const auto community = FakeCommunityScreen::make(State::pageLoaded);
        const auto navigation = platform::ui::NavigationController::create(community);
        const auto action = DeeplinkAction::create(payload, navigation);
        int completions = 0;
        action->execute([&](bool) { ++completions; });
        testsupport::pump();
        EXPECT_EQ(completions, 1);
        EXPECT_EQ(community->calls, (std::vector<std::string>{"openRecord a01", "refreshNotifications"}));
    }
    context->setPushNotificationManager(nullptr);
    testsupport::pump();
}

} // namespace
