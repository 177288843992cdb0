#include "VellicorApp/Hybrid/ScriptReply.hpp"

#include "tests/Hybrid/HybridTestSupport.hpp"

#include <gtest/gtest.h>

#include <thread>

using namespace vellicor;
using platform::Json;

namespace {

const ScriptReplyAnswer kDefault{std::nullopt, "Not authenticated"};

TEST(ScriptReplyTest, ThePageHearsTheFirstAnswerOnlyOrTheDefaultWhenNoneCame) {
    const struct {
        const char* name;
        std::vector<ScriptReplyAnswer> answers;
        std::optional<Json> value;
        std::optional<std::string> error;
    } cases[] = {
        {"released unanswered", {}, std::nullopt, "Not authenticated"},
        {"one value", {{Json{{"a", 1}}, std::nullopt}}, Json{{"a", 1}}, std::nullopt},
        {"an error, then a value", {{Json::object(), "failed"}, {Json{{"a", 1}}, std::nullopt}}, Json::object(), "failed"},
        {"neither value nor error", {{std::nullopt, std::nullopt}, {std::nullopt, "late"}}, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        hybridtest::Replies replies;
        {
            auto reply = ScriptReply::create(replies.handler(), kDefault);
            auto copy = reply; // every owner shares the one answer
            for (const auto& answer : c.answers) copy->answer(answer);
            EXPECT_EQ(reply->isAnswered(), !c.answers.empty());
        }
        testsupport::pump();
        const auto& received = replies.only();
        EXPECT_EQ(received.value, c.value);
        EXPECT_EQ(received.error, c.error);
        EXPECT_TRUE(received.onMainThread);
    }
}

TEST(ScriptReplyTest, AnAnswerFromAnotherThreadReachesThePageOnTheMainQueue) {
    hybridtest::Replies replies;
    auto reply = ScriptReply::create(replies.handler(), kDefault);
    std::thread worker([reply] { reply->answer(Json("late value"), std::nullopt); });
    worker.join();
    EXPECT_EQ(replies.count(), 0u);
    reply.reset();
    testsupport::pump();
    EXPECT_EQ(replies.only().value, Json("late value"));
    EXPECT_TRUE(replies.only().onMainThread);
}

TEST(ScriptReplyTest, ReleasedOnAnotherThreadTheDefaultStillReachesThePageOnTheMainQueue) {
    hybridtest::Replies replies;
    auto reply = ScriptReply::create(replies.handler(), kDefault);
    std::thread worker([reply = std::move(reply)]() mutable { reply.reset(); });
    worker.join();
    testsupport::pump();
    EXPECT_EQ(replies.only().error, "Not authenticated");
    EXPECT_TRUE(replies.only().onMainThread);
}

} // namespace
