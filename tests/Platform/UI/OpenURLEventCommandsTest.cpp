#include "Platform/UI/OpenURLEventCommands.hpp"

#include "Platform/UI/Application.hpp"
#include "Platform/UI/EventDriver.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

using platform::Url;
using platform::ui::Application;
using platform::ui::EventDriver;

namespace {

Url url(std::string_view text) { return Url::parse(text).value(); }

const nlohmann::json kUniversalLinksOnly = {{platform::ui::kOpenURLOptionUniversalLinksOnly, true}};

/// What open() answered, after the main queue delivered it.
std::optional<bool> answerOf(const Url& target, const nlohmann::json& options = nlohmann::json::object()) {
    std::optional<bool> answer;
    Application::shared().open(target, options, [&answer](bool opened) { answer = opened; });
    testsupport::pump();
    return answer;
}

} // namespace

TEST(ApplicationOpenTest, AnswersPerSchemeAndForUniversalLinksOnlyWhenClaimed) {
    auto& application = Application::shared();
    application.setOpenAnswer("MAILTO", false);
    application.setOpenAnswer("tnx", true);
    application.addUniversalLinkHost("Partner.Example.com");
    const struct {
        const char* name;
        const char* link;
        bool universalLinksOnly;
        bool opened;
    } cases[] = {
        {"scheme set to not opened, letter case aside", "mailto:a@example.com", false, false},
        {"scheme set to opened", "tnx://record/1", false, true},
        {"no answer set opens", "tel:+15551234", false, true},
        {"web link opens in a browser", "https://elsewhere.example.org/", false, true},
        {"universal links only: an unclaimed host stays closed", "https://elsewhere.example.org/", true, false},
        {"universal links only: a claimed host opens", "https://partner.example.com/app", true, true},
        {"universal links only: a claimed host over http opens", "http://PARTNER.example.com/", true, true},
        {"universal links only: a look-alike host stays closed", "https://partner.example.com.evil.example/", true,
         false},
        {"universal links only: no universal link for another scheme", "tnx://partner.example.com/", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto answer = answerOf(url(c.link), c.universalLinksOnly ? kUniversalLinksOnly : nlohmann::json::object());
        EXPECT_EQ(answer, c.opened);
        ASSERT_FALSE(application.openedURLs().empty());
        EXPECT_EQ(application.openedURLs().back().url, url(c.link));
        EXPECT_EQ(application.openedURLs().back().answer, c.opened);
    }
    EXPECT_FALSE(application.canOpenURL(url("mailto:a@example.com")));

    // A universal link the system's answer for its scheme refuses stays closed,
    // and a forgotten answer opens again.
    application.setOpenAnswer("https", false);
    EXPECT_EQ(answerOf(url("https://partner.example.com/"), kUniversalLinksOnly), false);
    application.setOpenAnswer("https", std::nullopt);
    EXPECT_EQ(answerOf(url("https://partner.example.com/"), kUniversalLinksOnly), true);
    // The option set to false is no restriction.
    EXPECT_EQ(answerOf(url("https://elsewhere.example.org/"), {{platform::ui::kOpenURLOptionUniversalLinksOnly, false}}),
              true);
}

TEST(ApplicationOpenTest, AResponderDecidesBeforeTheSchemeAnswerButNotForUnclaimedUniversalLinks) {
    auto& application = Application::shared();
    application.setOpenAnswer("mailto", false);
    application.setOpenURLResponder([](const Url&) { return true; });
    EXPECT_EQ(answerOf(url("mailto:a@example.com")), true);
    EXPECT_EQ(answerOf(url("https://elsewhere.example.org/"), kUniversalLinksOnly), false);

    application.reset();
    EXPECT_EQ(answerOf(url("mailto:a@example.com")), true);
    EXPECT_EQ(answerOf(url("https://partner.example.com/"), kUniversalLinksOnly), false);
}

TEST(OpenURLEventCommandsTest, SetAnswersClaimHostsAndPrintTheOpenedURLs) {
    EventDriver driver;
    platform::ui::registerOpenURLEventCommands(driver);
    std::istringstream in("open-answer mailto \"not opened\"\n"
                          "open-answer tel not opened\n"
                          "open-answer tnx opened\n"
                          "universal-link-host partner.example.com\n");
    std::ostringstream out, err;
    ASSERT_EQ(driver.run(in, out, err, "script"), 0) << err.str();

    EXPECT_EQ(answerOf(url("mailto:a@example.com")), false);
    EXPECT_EQ(answerOf(url("tel:+15551234")), false);
    EXPECT_EQ(answerOf(url("tnx://x")), true);
    EXPECT_EQ(answerOf(url("https://partner.example.com/a"), kUniversalLinksOnly), true);

    std::istringstream list("opened-urls\n");
    std::ostringstream printed;
    ASSERT_EQ(driver.run(list, printed, err, "script"), 0) << err.str();
    EXPECT_EQ(printed.str(), "opened-url: mailto:a@example.com not opened\n"
                             "opened-url: tel:+15551234 not opened\n"
                             "opened-url: tnx://x opened\n"
                             "opened-url: https://partner.example.com/a opened (universal links only)\n");
}

TEST(OpenURLEventCommandsTest, RefusesAnUnknownAnswer) {
    EventDriver driver;
    platform::ui::registerOpenURLEventCommands(driver);
    const std::vector<std::string> scripts = {"open-answer mailto maybe\n", "open-answer mailto\n",
                                              "universal-link-host\n"};
    for (const auto& script : scripts) {
        SCOPED_TRACE(script);
        std::istringstream in(script);
        std::ostringstream out, err;
        EXPECT_EQ(driver.run(in, out, err, "script"), 1);
        EXPECT_NE(err.str().find("usage: "), std::string::npos) << err.str();
    }
}
