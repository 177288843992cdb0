#include "Platform/Foundation/Json.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

using namespace platform;

namespace {

// One object holding each kind of value that the readers must keep apart.
const Json& sample() {
    static const Json value = *parseJson(R"({
        "true": true,
        "false": false,
        "one": 1,
        "zero": 0,
        "trueText": "true",
        "sixtyText": "60",
        "sixty": 60,
        "sixtyFloat": 60.0,
        "sixtyAndHalf": 60.5,
        "negative": -7,
        "huge": 18446744073709551615,
        "beyondInt64": 9223372036854775808,
        "bigFloat": 1e300,
        "null": null,
        "object": {"inner": "x"},
        "array": ["a", "b"],
        "mixedArray": ["a", 1]
    })");
    return value;
}

TEST(JsonReaders, KeepBooleansNumbersAndStringsApart) {
    const Json& o = sample();
    struct Case {
        const char* key;
        std::optional<bool> asBoolean;
        std::optional<std::string> asText;
        std::optional<double> asNumber;
        std::optional<std::int64_t> asInteger;
    };
    const Case cases[] = {
        {"true", true, std::nullopt, std::nullopt, std::nullopt},
        {"false", false, std::nullopt, std::nullopt, std::nullopt},
        {"one", std::nullopt, std::nullopt, 1.0, 1},
        {"zero", std::nullopt, std::nullopt, 0.0, 0},
        {"trueText", std::nullopt, "true", std::nullopt, std::nullopt},
        {"sixtyText", std::nullopt, "60", std::nullopt, std::nullopt},
        {"sixty", std::nullopt, std::nullopt, 60.0, 60},
        {"sixtyFloat", std::nullopt, std::nullopt, 60.0, 60},
        {"sixtyAndHalf", std::nullopt, std::nullopt, 60.5, std::nullopt},
        {"negative", std::nullopt, std::nullopt, -7.0, -7},
        {"huge", std::nullopt, std::nullopt, 18446744073709551615.0, std::nullopt},
        {"beyondInt64", std::nullopt, std::nullopt, 9223372036854775808.0, std::nullopt},
        {"bigFloat", std::nullopt, std::nullopt, 1e300, std::nullopt},
        {"null", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {"object", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {"array", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {"missing", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(jsonBool(o, c.key), c.asBoolean) << c.key;
        EXPECT_EQ(jsonString(o, c.key), c.asText) << c.key;
        EXPECT_EQ(jsonDouble(o, c.key), c.asNumber) << c.key;
        EXPECT_EQ(jsonInt(o, c.key), c.asInteger) << c.key;
        // The value forms agree with the keyed forms.
        if (const Json* value = jsonValue(o, c.key)) {
            EXPECT_EQ(asBool(*value), c.asBoolean) << c.key;
            EXPECT_EQ(asString(*value), c.asText) << c.key;
            EXPECT_EQ(asDouble(*value), c.asNumber) << c.key;
            EXPECT_EQ(asInt(*value), c.asInteger) << c.key;
        }
    }
}

TEST(JsonReaders, IntegerReaderHonoursTheInt64Range) {
    EXPECT_EQ(asInt(Json(std::numeric_limits<std::int64_t>::min())), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(asInt(Json(std::numeric_limits<std::int64_t>::max())), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(asInt(Json(static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))),
              std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(asInt(Json(-9223372036854775808.0)), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(asInt(Json(9223372036854775808.0)), std::nullopt);
    EXPECT_EQ(asInt(Json(-0.0)), 0);
    EXPECT_EQ(asInt(Json(std::numeric_limits<double>::quiet_NaN())), std::nullopt);
    EXPECT_EQ(asInt(Json(std::numeric_limits<double>::infinity())), std::nullopt);
}

TEST(JsonReaders, ContainersComeBackByPointerOnlyWithTheRightType) {
    const Json& o = sample();
    const Json* object = jsonObject(o, "object");
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(jsonString(*object, "inner"), "x");
    EXPECT_EQ(jsonObject(o, "array"), nullptr);
    EXPECT_EQ(jsonArray(o, "object"), nullptr);
    EXPECT_EQ(jsonObject(o, "missing"), nullptr);

    const Json* array = jsonArray(o, "array");
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->size(), 2u);
    EXPECT_EQ(jsonStringArray(o, "array"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(jsonStringArray(o, "mixedArray"), std::nullopt);
    EXPECT_EQ(jsonStringArray(o, "object"), std::nullopt);

    EXPECT_EQ(asObject(o), &o);
    EXPECT_EQ(asArray(o), nullptr);
}

TEST(JsonReaders, AReceiverThatIsNotAnObjectGivesNothing) {
    const Json receivers[] = {Json::array({"key"}), Json("key"), Json(1), Json(true), Json(nullptr)};
    for (const auto& receiver : receivers) {
        EXPECT_EQ(jsonValue(receiver, "key"), nullptr) << receiver.dump();
        EXPECT_EQ(jsonString(receiver, "key"), std::nullopt) << receiver.dump();
        EXPECT_EQ(jsonBool(receiver, "key"), std::nullopt) << receiver.dump();
        EXPECT_EQ(jsonInt(receiver, "key"), std::nullopt) << receiver.dump();
        EXPECT_EQ(jsonDouble(receiver, "key"), std::nullopt) << receiver.dump();
        EXPECT_EQ(jsonObject(receiver, "key"), nullptr) << receiver.dump();
        EXPECT_EQ(jsonArray(receiver, "key"), nullptr) << receiver.dump();
        EXPECT_EQ(jsonStringArray(receiver, "key"), std::nullopt) << receiver.dump();
    }
}

TEST(ParseJson, RejectsMalformedInputWithoutThrowing) {
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"empty", ""},
        {"only white space", "  \n"},
        {"truncated object", R"({"a": 1)"},
        {"trailing comma", R"({"a": 1,})"},
        {"trailing garbage", R"({"a": 1} x)"},
        {"two values", "{} {}"},
        {"single quotes", "{'a': 1}"},
        {"comment", "{/* c */}"},
        {"bare word", "undefined"},
        {"NaN literal", "[NaN]"},
        {"invalid UTF-8 in a string", "[\"\xC0\xAF\"]"},
        {"unpaired surrogate escape", R"(["\uD800"])"},
        {"control character in a string", "[\"a\nb\"]"},
        {"too deeply nested", std::string(kJsonMaximumDepth + 1, '[') + std::string(kJsonMaximumDepth + 1, ']')},
        {"very deeply nested", std::string(200000, '[')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseJson(c.text), std::nullopt) << c.name;
        EXPECT_EQ(parseJson(dataFromString(c.text)), std::nullopt) << c.name;
    }
}

TEST(ParseJson, AcceptsValidDocuments) {
    const auto nested = std::string(kJsonMaximumDepth, '[') + std::string(kJsonMaximumDepth, ']');
    EXPECT_TRUE(parseJson(nested).has_value());
    // Brackets inside strings do not count towards nesting.
    const auto bracketsInString = "[\"" + std::string(2000, '[') + "\\\"\"]";
    EXPECT_TRUE(parseJson(bracketsInString).has_value());

    EXPECT_EQ(parseJson("\"text\""), Json("text"));
    EXPECT_EQ(parseJson("42"), Json(42));
    EXPECT_EQ(parseJson("\xEF\xBB\xBF{\"a\":1}"), (Json{{"a", 1}}));
    EXPECT_EQ(parseJson(R"({"a": "\u00e9\ud83d\ude00"})"), (Json{{"a", "\xC3\xA9\xF0\x9F\x98\x80"}}));
}

TEST(SerializeJson, WritesCompactAndPrettyTextThatParsesBack) {
    const Json value = {{"b", {1, 2.5, true, nullptr}}, {"a", "x/y\u00e9"}};
    EXPECT_EQ(serializeJson(value), "{\"a\":\"x/y\xC3\xA9\",\"b\":[1,2.5,true,null]}");
    const std::string pretty = serializeJson(value, true);
    EXPECT_NE(pretty.find("\n  \"a\": "), std::string::npos) << pretty;
    EXPECT_EQ(parseJson(pretty), value);
}

TEST(SerializeJson, NeverThrowsOnInvalidUtf8) {
    const Json value = {{"bad", std::string("a\xFFz")}};
    std::string text;
    EXPECT_NO_THROW(text = serializeJson(value));
    EXPECT_EQ(text, "{\"bad\":\"a\xEF\xBF\xBDz\"}");
}

} // namespace
