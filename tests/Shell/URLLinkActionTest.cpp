#include "VellicorApp/Shell/URLLinkAction.hpp"

#include "tests/Interface/InterfaceTestSupport.hpp"
#include "tests/Shell/FlowTestSupport.hpp"

#include "Platform/UI/NavigationController.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace vellicor;
using flowtest::FakeCommunityScreen;

namespace {

constexpr const char* kNoScreen =
    "URLLinkAction: Top view controller is not a CommunityViewControllable. Failed to perform deeplink action.";
constexpr const char* kNoURL = "URLLinkAction: Failed to handle link-action flow!";

class URLLinkActionTest : public apptest::AppTest {
protected:
    void SetUp() override {
        apptest::installContext(apptest::sampleResources());
        Logger::configureLogLevel();
    }
};

TEST_F(URLLinkActionTest, OpensItsURLInTheCommunityScreenOfTheStack) {
    enum class Top { community, browserOverCommunity, otherScreen, emptyStack, navigationGone };
    struct Case {
        const char* name;
        Top top;
        std::optional<std::string> url;
        std::vector<std::string> opened;
        std::vector<std::string> errors;
        /// Whether the action reports it took effect (else it stays queued).
        bool tookEffect = true;
    };
    const Case cases[] = {
        {"community screen on top",
         Top::community,
         "https://community.example.test/s/a",
         {"openURL https://community.example.test/s/a"},
         {}},
        {"an external link is the screen's to route",
         Top::community,
         "https://elsewhere.test/",
         {"openURL https://elsewhere.test/"},
         {}},
        {"a browser pushed over the community screen does not hide it",
         Top::browserOverCommunity,
         "https://community.example.test/s/a",
         {"openURL https://community.example.test/s/a"},
         {}},
        {"no URL: it never can run", Top::community, std::nullopt, {}, {kNoURL}},
        {"no community screen", Top::otherScreen, "https://community.example.test/s/a", {}, {kNoScreen}, false},
        {"no community screen, no URL", Top::otherScreen, std::nullopt, {}, {kNoScreen}, false},
        {"nothing on the stack", Top::emptyStack, "https://community.example.test/s/a", {}, {kNoScreen}, false},
        {"navigation controller gone", Top::navigationGone, "https://community.example.test/s/a", {}, {kNoScreen},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto community = FakeCommunityScreen::make(State::pageLoaded);
        const auto root = platform::ui::makeController<interfacetest::Screen>();
        auto navigation = platform::ui::NavigationController::create(c.top == Top::emptyStack ? nullptr : root);
        if (c.top == Top::community || c.top == Top::browserOverCommunity) navigation->push(community, false);
        if (c.top == Top::browserOverCommunity) {
            navigation->push(platform::ui::makeController<interfacetest::Screen>(), false);
        }
        const auto action = URLLinkAction::create(c.url ? platform::Url::parse(*c.url) : std::nullopt, navigation);
        EXPECT_TRUE(action->requiresWebAppBootstrap());
        if (c.top == Top::navigationGone) navigation.reset();

        const auto errorsBefore = apptest::appLogTexts("ERROR").size();
        std::vector<bool> completions;
        action->execute([&](bool tookEffect) { completions.push_back(tookEffect); });

        EXPECT_EQ(completions, std::vector<bool>{c.tookEffect});
        EXPECT_EQ(community->calls, c.opened);
        const auto errors = apptest::appLogTexts("ERROR");
        EXPECT_EQ(std::vector<std::string>(errors.begin() + static_cast<long>(errorsBefore), errors.end()), c.errors);
    }
}

TEST_F(URLLinkActionTest, KeepsNoScreenAlive) {
    std::weak_ptr<platform::ui::NavigationController> weakNavigation;
    std::shared_ptr<URLLinkAction> action;
    {
        const auto navigation = platform::ui::NavigationController::create(FakeCommunityScreen::make());
        weakNavigation = navigation;
        action = URLLinkAction::create(platform::Url::parse("https://community.example.test/"), navigation);
    }
    EXPECT_TRUE(weakNavigation.expired());
    EXPECT_EQ(action->navigationController(), nullptr);
    action->execute(nullptr); // no completion is fine
}

} // namespace
