#include "Platform/SDKs/Veltrane/VQSDKKORVATransform.hpp"

#include <gtest/gtest.h>

using namespace platform;
using namespace platform::veltrane;

namespace {

VQSDKInstrumentationEvent event(VQASchemaType schema) {
    VQSDKInstrumentationEvent e;
    e.eventId = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";
    e.name = "Marker";
    e.schemaType = schema;
    e.startTime = 12250;
    e.endTime = 13500;
    return e;
}

TEST(VQSDKKORVATransform, GivesTheSchemaAndItsPayload) {
    auto transform = VQSDKKORVATransform::create();

    auto interaction = event(VQASchemaType::interaction);
    interaction.eventType = VQAEventType::system;
    interaction.errorType = VQAErrorType::info;
    interaction.sessionId = "S";
    interaction.senderId = "appLogout_user";
    interaction.senderParentId = "authentication";
    interaction.page = Json{{"context", "native"}};
    interaction.attributes = Json{{"a", 1}};
    interaction.userId = "U";
    interaction.orgId = "O";
    EXPECT_EQ(transform->transform(interaction), Json({{"schemaType", "interaction"},
                                                       {"eventId", interaction.eventId},
                                                       {"name", "Marker"},
                                                       {"startTime", 12250},
                                                       {"eventType", "system"},
                                                       {"errorType", "info"},
                                                       {"sessionId", "S"},
                                                       {"senderId", "appLogout_user"},
                                                       {"senderParentId", "authentication"},
                                                       {"userId", "U"},
                                                       {"orgId", "O"},
                                                       {"page", {{"context", "native"}}},
                                                       {"attributes", {{"a", 1}}}}));

    auto performance = event(VQASchemaType::performance);
    auto result = transform->transform(performance);
    ASSERT_TRUE(result);
    EXPECT_EQ((*result)["schemaType"], "performance");
    EXPECT_EQ((*result)["duration"], 1250);
    EXPECT_FALSE(result->contains("eventType"));

    performance.endTime = 0; // started, never ended
    EXPECT_EQ((*transform->transform(performance))["duration"], 0);

    auto error = event(VQASchemaType::error);
    error.errorType = VQAErrorType::warn;
    EXPECT_EQ((*transform->transform(error))["errorType"], "warn");
    EXPECT_FALSE(transform->transform(error)->contains("duration"));
}

TEST(VQSDKKORVATransform, RejectsEventsItsSchemaCannotExpress) {
    auto transform = VQSDKKORVATransform::create();
    struct Case {
        const char* name;
        VQSDKInstrumentationEvent e;
    };
    auto unnamed = event(VQASchemaType::performance);
    unnamed.name.clear();
    const Case cases[] = {
        {"no name", unnamed},
        {"interaction without event type", event(VQASchemaType::interaction)},
        {"error without error type", event(VQASchemaType::error)},
        {"page view without page", event(VQASchemaType::pageView)},
    };
    for (const auto& c : cases) EXPECT_EQ(transform->transform(c.e), std::nullopt) << c.name;
    EXPECT_EQ(transform->transform(std::shared_ptr<const VQSDKInstrumentationEvent>{}), std::nullopt);

    auto pageView = event(VQASchemaType::pageView);
    pageView.page = Json{{"context", "native"}};
    EXPECT_TRUE(transform->transform(pageView).has_value());
}

} // namespace
