#include "Platform/SDKs/Veltrane/DictionaryAdditions.hpp"

#include <gtest/gtest.h>

#include <limits>

using namespace platform;
using namespace platform::veltrane;

namespace {

TEST(JsonStringFromDictionary, WritesCompactJsonWithEscapedSlashes) {
    const Json dict = {{"url", "https://a.example/b"}, {"n", 1}, {"nested", {{"p", "x/y"}}}};
    const auto text = jsonStringFromDictionary(dict);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, R"({"n":1,"nested":{"p":"x\/y"},"url":"https:\/\/a.example\/b"})");
    EXPECT_EQ(parseJson(*text), dict) << "the escapes are valid JSON";
    EXPECT_EQ(jsonStringFromDictionary(Json::array({"a/b"})), R"(["a\/b"])");
    EXPECT_NE(jsonStringFromDictionary(dict, true)->find('\n'), std::string::npos);
}

TEST(JsonStringFromDictionary, RefusesWhatIsNotADictionaryOrNotFinite) {
    EXPECT_EQ(jsonStringFromDictionary(Json("text")), std::nullopt);
    EXPECT_EQ(jsonStringFromDictionary(Json(3)), std::nullopt);
    EXPECT_EQ(jsonStringFromDictionary(Json()), std::nullopt);
    EXPECT_EQ(jsonStringFromDictionary(Json{{"x", {{"y", std::numeric_limits<double>::quiet_NaN()}}}}), std::nullopt);
    EXPECT_EQ(jsonStringFromDictionary(Json{{"x", std::numeric_limits<double>::infinity()}}), std::nullopt);
}

} // namespace
