#include "Platform/SDKs/Veltrane/StringAdditions.hpp"

#include "Platform/Foundation/Url.hpp"

#include <gtest/gtest.h>

using namespace platform::veltrane;

namespace {

TEST(EntityId18, AppendsTheCaseChecksumToFifteenCharacterIds) {
    struct Case {
        const char* id;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"Xy7Qz0000Lm3NpR", "Xy7Qz0000Lm3NpRJQU"},
        {"000000000000000", "000000000000000AAA"},
        {"AAAAAAAAAAAAAAA", "AAAAAAAAAAAAAAA555"},
        {"a0B0c0D0e0F0g0H", "a0B0c0D0e0F0g0HECR"},
        {"Xy7Qz0000Lm3NpRJQU", "Xy7Qz0000Lm3NpRJQU"}, // 18 stays as it is
        {"Xy7Qz0000Lm3NpRxyz", "Xy7Qz0000Lm3NpRxyz"},
        {"", std::nullopt},
        {"Xy7Qz0000Lm3Np", std::nullopt},      // 14
        {"Xy7Qz0000Lm3NpRJ", std::nullopt},    // 16
        {"Xy7Qz0000Lm3NpRJQU0", std::nullopt}, // 19
        {"Xy7Qz0000-m3NpR", std::nullopt},     // not alphanumeric
        {"Xy7Qz0000Lm3 pR", std::nullopt},
        {"Xy7Qz0000Lm3NpRJQ\xC3", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(entityId18(c.id), c.expected) << c.id;
}

TEST(StringByURLEncoding, EncodesEverythingButLettersAndDigits) {
    EXPECT_EQ(stringByURLEncoding("abcXYZ019"), "abcXYZ019");
    EXPECT_EQ(stringByURLEncoding("tok!AQ4A.x/y+z=w&v"), "tok%21AQ4A%2Ex%2Fy%2Bz%3Dw%26v");
    EXPECT_EQ(stringByURLEncoding("a b~é"), "a%20b%7E%C3%A9");
    EXPECT_EQ(stringByURLEncoding(""), "");
    const std::string token = "abc!XYZ.3h/gF+k=Q%";
    EXPECT_EQ(platform::removingPercentEncoding(stringByURLEncoding(token)), token);
}

} // namespace
