#include "VellicorApp/Push/NotificationParser.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace vellicor;
using platform::Json;

namespace {

class NotificationParserTest : public apptest::AppTest {
protected:
    void SetUp() override {
        context = apptest::installContext(apptest::sampleResources());
        Logger::configureLogLevel();
        context->userAccountManager->setLoginHost("community.example.test");
    }

    static std::vector<std::string> errors() { return apptest::appLogTexts("ERROR"); }

    std::shared_ptr<Context> context;
};

constexpr const char* kNoURL = "NotificationParser: Failed to parse payload for deeplink URL.";
constexpr const char* kNoPageRef = "NotificationParser: Deeplink page-ref not available.";
constexpr const char* kNoID = "NotificationParser: Failed to retrive notification ID from payload.";

TEST_F(NotificationParserTest, DeeplinkURLJoinsTheLoginHostAndThePathAsGiven) {
    struct Case {
        const char* name;
        Json payload;
        std::optional<std::string> url;
    };
    const Case cases[] = {
        {"a path", {{"sid", "s/detail/a01"}}, "https://community.example.test/s/detail/a01"},
        {"a leading slash doubles", {{"sid", "/s/detail/a01"}}, "https://community.example.test//s/detail/a01"},
        {"an empty path", {{"sid", ""}}, "https://community.example.test/"},
        {"a query is kept", {{"sid", "s/?x=1&y=2"}}, "https://community.example.test/s/?x=1&y=2"},
        {"a number", {{"sid", 42}}, std::nullopt},
        {"an object", {{"sid", {{"path", "s/"}}}}, std::nullopt},
        {"null", {{"sid", nullptr}}, std::nullopt},
        {"missing", {{"targetPageRef", "a01"}}, std::nullopt},
        {"no object at all", Json::array({"sid"}), std::nullopt},
        {"text that is no URL", {{"sid", "s/a b<>"}}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = errors().size();
        const auto url = NotificationParser::deeplinkURL(c.payload);
        EXPECT_EQ(url ? std::optional(url->absoluteString()) : std::nullopt, c.url);
        const auto after = errors();
        ASSERT_EQ(after.size(), before + (c.url ? 0 : 1));
        if (!c.url) {
            EXPECT_EQ(after.back(), kNoURL);
        }
    }
}

TEST_F(NotificationParserTest, PageRefAndNotificationIDAreStringsOrLoggedAsMissing) {
    struct Case {
        const char* name;
        Json payload;
        std::optional<std::string> pageRef;
        std::optional<std::string> id;
        std::vector<std::string> logged;
    };
    const Case cases[] = {
        {"both", {{"targetPageRef", "a01"}, {"nid", "0ML1"}}, "a01", "0ML1", {}},
        {"empty strings count", {{"targetPageRef", ""}, {"nid", ""}}, "", "", {}},
        {"neither", {{"sid", "s/"}}, std::nullopt, std::nullopt, {kNoPageRef, kNoID}},
        {"numbers", {{"targetPageRef", 7}, {"nid", 8}}, std::nullopt, std::nullopt, {kNoPageRef, kNoID}},
        {"a Boolean id", {{"targetPageRef", "a01"}, {"nid", true}}, "a01", std::nullopt, {kNoID}},
        {"no object", Json("nid"), std::nullopt, std::nullopt, {kNoPageRef, kNoID}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = errors().size();
        EXPECT_EQ(NotificationParser::deeplinkPageRef(c.payload), c.pageRef);
        EXPECT_EQ(NotificationParser::notificationID(c.payload), c.id);
        const auto after = errors();
        EXPECT_EQ(std::vector<std::string>(after.begin() + static_cast<long>(before), after.end()), c.logged);
    }
}

} // namespace
