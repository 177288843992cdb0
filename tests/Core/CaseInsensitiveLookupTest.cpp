#include "VellicorApp/Core/CaseInsensitiveLookup.hpp"

#include <gtest/gtest.h>

using namespace vellicor;

namespace {

TEST(CaseInsensitiveLookup, FindsKeysWhateverTheirCase) {
    const platform::Json dictionary = {{"Production", 1}, {"sandbox", 2}, {"Straße", 3}};
    struct Case {
        const char* key;
        std::optional<int> expected;
    };
    const Case cases[] = {
        {"production", 1}, {"PRODUCTION", 1}, {"Production", 1}, {"SandBox", 2},
        {"STRASSE", 3},    {"prod", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const auto* value = valueForCaseInsensitiveKey(dictionary, c.key);
        if (c.expected) {
            ASSERT_NE(value, nullptr);
            EXPECT_EQ(*value, *c.expected);
        } else {
            EXPECT_EQ(value, nullptr);
        }
    }
}

TEST(CaseInsensitiveLookup, TheFirstKeyInTheDictionarysOrderWinsOverAnExactMatch) {
    // The dictionary orders its keys by their bytes: "PROD" comes before "Prod".
    const platform::Json dictionary = {{"Prod", "second"}, {"PROD", "first"}};
    ASSERT_EQ(dictionary.begin().key(), "PROD");
    const auto* value = valueForCaseInsensitiveKey(dictionary, "Prod");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(*value, "first");
}

TEST(CaseInsensitiveLookup, ValuesOtherThanDictionariesHaveNoKeys) {
    const auto array = platform::Json::array({"a"});
    const platform::Json text("a");
    EXPECT_EQ(valueForCaseInsensitiveKey(array, "a"), nullptr);
    EXPECT_EQ(valueForCaseInsensitiveKey(text, "a"), nullptr);
}

} // namespace
