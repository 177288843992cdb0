#include "VellicorApp/Hybrid/InvokeNativeEventMessageHandler.hpp"

#include "tests/Hybrid/HybridTestSupport.hpp"

#include "Platform/Web/UserContentController.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using hybridtest::Replies;
using platform::Json;

namespace {

constexpr const char* kUnknownAction = R"({"message":"This action isn't supported.","type":"OTHER"})";
constexpr const char* kNothingDone = R"({"message":"UNKNOWN","type":"OTHER"})";

/// Answers every event with the result it is given, or keeps the completion.
class FakeDelegate : public InvokeNativeEventMessageHandlerDelegate {
public:
    std::optional<NativeEventResult> result;
    bool dropsCompletion = false;
    std::vector<NativeEvent> events;
    std::vector<NativeEventCompletion> kept;

    void shouldHandleNativeEvent(InvokeNativeEventMessageHandler&, const NativeEvent& event,
                                 NativeEventCompletion completion) override {
        events.push_back(event);
        if (dropsCompletion) return;
        if (result) {
            completion(*result);
        } else {
            kept.push_back(std::move(completion));
        }
    }
};

class InvokeNativeEventMessageHandlerTest : public hybridtest::HybridTest {
protected:
    void SetUp() override {
        HybridTest::SetUp();
        handler->setDelegate(delegate);
    }

    Replies post(const platform::web::ScriptMessage& message) {
        Replies replies;
        handler->didReceiveScriptMessage(*controller, message, replies.handler());
        return replies;
    }
    Replies postBody(Json body) {
        return post(hybridtest::message(InvokeNativeEventMessageHandler::kMessageName, std::move(body)));
    }

    std::vector<std::string> handlerLogLines(const std::string& level) const {
        std::vector<std::string> lines;
        for (const auto& text : apptest::appLogTexts(level)) {
            if (text.starts_with("InvokeNativeEventMessageHandler: ")) lines.push_back(text);
        }
        return lines;
    }

    std::shared_ptr<InvokeNativeEventMessageHandler> handler = InvokeNativeEventMessageHandler::create();
    std::shared_ptr<FakeDelegate> delegate = std::make_shared<FakeDelegate>();
    std::shared_ptr<platform::web::UserContentController> controller = platform::web::UserContentController::create();
};

TEST(NativeEventParse, OnlyAKnownActionWithADataObjectIsAnEvent) {
    struct Case {
        const char* name;
        Json body;
        std::optional<NativeEventType> type; // none: unknownNativeAction
    };
    const Case cases[] = {
        {"download", {{"action", "downloadFile"}, {"data", {{"recordId", "091000000000001AAA"}}}},
         NativeEventType::downloadFile},
        {"external URL with empty data", {{"action", "navigateToExternalURL"}, {"data", Json::object()}},
         NativeEventType::navigateToExternalURL},
        {"extra keys", {{"action", "downloadFile"}, {"data", Json::object()}, {"id", 7}}, NativeEventType::downloadFile},
        {"unknown action", {{"action", "deleteFile"}, {"data", Json::object()}}, std::nullopt},
        {"action in another case", {{"action", "DownloadFile"}, {"data", Json::object()}}, std::nullopt},
        {"action with a blank", {{"action", "downloadFile "}, {"data", Json::object()}}, std::nullopt},
        {"action not text", {{"action", 1}, {"data", Json::object()}}, std::nullopt},
        {"no action", {{"data", Json::object()}}, std::nullopt},
        {"no data", {{"action", "downloadFile"}}, std::nullopt},
        {"data null", {{"action", "downloadFile"}, {"data", nullptr}}, std::nullopt},
        {"data an array", {{"action", "downloadFile"}, {"data", Json::array({1})}}, std::nullopt},
        {"data a text", {{"action", "downloadFile"}, {"data", "{\"recordId\":\"x\"}"}}, std::nullopt},
        {"body an array", Json::array({"downloadFile"}), std::nullopt},
        {"body a text", "downloadFile", std::nullopt},
        {"body null", nullptr, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto event = NativeEvent::parseObject(c.body);
        ASSERT_EQ(event.has_value(), c.type.has_value());
        if (event) {
            EXPECT_EQ(event->type, *c.type);
            EXPECT_EQ(event->attributes, c.body.at("data"));
        } else {
            EXPECT_EQ(event.error(), ParseableError::unknownNativeAction());
        }
    }
}

TEST_F(InvokeNativeEventMessageHandlerTest, AnErrorReplyCarriesATypeThePageKnowsElseOther) {
    struct Case {
        const char* name;
        NetworkError error;
        const char* reply;
    };
    const Case cases[] = {
        {"missing record id", NetworkError::missionRecordID(),
         R"({"message":"The record ID is missing from the request.","type":"INVALID_RECORD_ID"})"},
        {"missing login request", NetworkError::missingLoginRequest(),
         R"({"message":"Log in to download this file.","type":"OTHER"})"},
        // "N/A" is no type a page knows.
        {"transport without payload", NetworkError::transport(), kNothingDone},
        {"unknown content type", NetworkError::transport(ParseableError::unknownContentType()),
         R"({"message":"This type of content isn't supported.","type":"INVALID_RECORD_ID"})"},
        {"missing attributes", NetworkError::transport(ParseableError::missingRequiredAttributes()),
         R"({"message":"Some required information is missing.","type":"OTHER"})"},
        {"server error domain", NetworkError::transport(ParseableError::legacy(platform::Error("VQRestAPIErrorDomain", 500))),
         R"j({"message":"The operation couldn’t be completed. (VQRestAPIErrorDomain error 500.)","type":"OTHER"})j"},
        {"domain that is a page type",
         NetworkError::transport(ParseableError::legacy(platform::Error("FILE_NOT_FOUND", 404,
                                                                        {{"error", Json::array({{{"errorCode", "NOT_FOUND"}, {"message", "Gone \"x\""}}})}}))),
         R"({"message":"Gone \"x\"","type":"FILE_NOT_FOUND"})"},
        {"domain in another case", NetworkError::transport(ParseableError::legacy(platform::Error("unauthorized", 1))),
         R"j({"message":"The operation couldn’t be completed. (unauthorized error 1.)","type":"OTHER"})j"},
        {"legacy without error", NetworkError::transport(ParseableError::legacy()), kNothingDone},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto reply = nativeEventErrorReply(c.error);
        EXPECT_EQ(reply, c.reply);
        EXPECT_TRUE(platform::parseJson(reply)) << reply;
    }
    std::vector<std::string> raw;
    for (const auto type : kAllErrorTypes) raw.emplace_back(rawValue(type));
    EXPECT_EQ(raw, (std::vector<std::string>{"UNAUTHORIZED", "LAST_NAME_MISSING", "INVALID_RECORD_ID", "FILE_NOT_FOUND",
                                             "OTHER"}));
}

TEST_F(InvokeNativeEventMessageHandlerTest, AnEventReachesTheDelegateAndItsResultIsTheReply) {
    delegate->result = Json::object();
    const auto replies = postBody({{"action", "navigateToExternalURL"}, {"data", {{"url", "https://example.org/"}}}});
    ASSERT_EQ(delegate->events.size(), 1u);
    EXPECT_EQ(delegate->events[0].type, NativeEventType::navigateToExternalURL);
    EXPECT_EQ(delegate->events[0].attributes, (Json{{"url", "https://example.org/"}}));
    const auto& reply = replies.only();
    EXPECT_EQ(reply.value, Json::object());
    EXPECT_FALSE(reply.error);
    EXPECT_TRUE(reply.onMainThread);
    EXPECT_TRUE(handlerLogLines("ERROR").empty());
}

TEST_F(InvokeNativeEventMessageHandlerTest, AFailureIsRejectedWithItsJSONAndLogged) {
    delegate->result = std::unexpected(NetworkError::transport(ParseableError::missingRequiredAttributes()));
    const auto replies = postBody({{"action", "navigateToExternalURL"}, {"data", Json::object()}});
    const auto& reply = replies.only();
    EXPECT_FALSE(reply.value);
    EXPECT_EQ(reply.error, R"({"message":"Some required information is missing.","type":"OTHER"})");
    EXPECT_EQ(handlerLogLines("ERROR"),
              std::vector<std::string>{
                  "InvokeNativeEventMessageHandler: Failed with response JSON error: Some required information is missing."});
}

TEST_F(InvokeNativeEventMessageHandlerTest, ALaterResultIsTheReplyWhenItComes) {
    const auto replies = postBody({{"action", "downloadFile"}, {"data", {{"recordId", "091000000000001AAA"}}}});
    EXPECT_EQ(replies.count(), 0u);
    ASSERT_EQ(delegate->kept.size(), 1u);
    delegate->kept[0](Json{{"message", "Success"}});
    EXPECT_EQ(replies.only().value, (Json{{"message", "Success"}}));
}

TEST_F(InvokeNativeEventMessageHandlerTest, EveryMessageIsAnsweredOnce) {
    struct Case {
        const char* name;
        platform::web::ScriptMessage message;
        bool withDelegate;
        bool dropsCompletion;
        const char* reply;
        bool parseFailureLogged;
        bool reachesDelegate;
    };
    const Json download = {{"action", "downloadFile"}, {"data", {{"recordId", "091000000000001AAA"}}}};
    const auto name = InvokeNativeEventMessageHandler::kMessageName;
    const Case cases[] = {
        {"unknown action", hybridtest::message(name, {{"action", "shareFile"}, {"data", Json::object()}}), true, false,
         kUnknownAction, true, false},
        {"no data", hybridtest::message(name, {{"action", "downloadFile"}}), true, false, kUnknownAction, true, false},
        {"body not a dictionary", hybridtest::message(name, "downloadFile"), true, false, kUnknownAction, true, false},
        {"no delegate", hybridtest::message(name, download), false, false, kNothingDone, false, false},
        {"delegate drops the completion", hybridtest::message(name, download), true, true, kNothingDone, false, true},
        {"another name", hybridtest::message("invokeNativeEvents", download), true, false, kNothingDone, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        delegate->events.clear();
        delegate->dropsCompletion = c.dropsCompletion;
        handler->setDelegate(c.withDelegate ? delegate : nullptr);
        const auto before = handlerLogLines("ERROR").size();
        const auto replies = post(c.message);
        const auto& reply = replies.only();
        EXPECT_FALSE(reply.value);
        EXPECT_EQ(reply.error, c.reply);
        EXPECT_EQ(delegate->events.size(), c.reachesDelegate ? 1u : 0u);
        const auto errors = handlerLogLines("ERROR");
        ASSERT_EQ(errors.size(), before + (c.parseFailureLogged ? 1 : 0));
        if (c.parseFailureLogged) {
            EXPECT_EQ(errors.back(),
                      "InvokeNativeEventMessageHandler: Failed to parse native action with error: This action isn't "
                      "supported.");
        }
    }
}

} // namespace
