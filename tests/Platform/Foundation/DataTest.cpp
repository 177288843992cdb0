#include "Platform/Foundation/Data.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

using namespace platform;

namespace {

TEST(Utf8Validation, AcceptsWellFormedAndRejectsIllFormedSequences) {
    using namespace std::string_view_literals;
    struct Case {
        const char* name;
        std::string_view bytes;
        bool valid;
    };
    const Case cases[] = {
        {"empty", ""sv, true},
        {"ascii", "community"sv, true},
        {"embedded NUL", "a\0b"sv, true},
        {"two-byte e acute", "caf\xC3\xA9"sv, true},
        {"three-byte euro sign", "\xE2\x82\xAC"sv, true},
        {"four-byte clef", "\xF0\x9D\x84\x9E"sv, true},
        {"last scalar U+10FFFF", "\xF4\x8F\xBF\xBF"sv, true},
        {"noncharacter U+FFFF is still a scalar", "\xEF\xBF\xBF"sv, true},
        {"last scalar before surrogates U+D7FF", "\xED\x9F\xBF"sv, true},
        {"overlong slash, two bytes", "\xC0\xAF"sv, false},
        {"overlong NUL, two bytes", "\xC0\x80"sv, false},
        {"overlong slash, three bytes", "\xE0\x80\xAF"sv, false},
        {"overlong slash, four bytes", "\xF0\x80\x80\xAF"sv, false},
        {"high surrogate U+D800", "\xED\xA0\x80"sv, false},
        {"low surrogate U+DFFF", "\xED\xBF\xBF"sv, false},
        {"above U+10FFFF", "\xF4\x90\x80\x80"sv, false},
        {"lead byte F5", "\xF5\x80\x80\x80"sv, false},
        {"five-byte form", "\xF8\x88\x80\x80\x80"sv, false},
        {"byte FF", "\xFF"sv, false},
        {"lone continuation byte", "a\x80z"sv, false},
        {"truncated three-byte sequence", "\xE2\x82"sv, false},
        {"truncated at end after text", "abc\xC3"sv, false},
        {"lead byte followed by ascii", "\xC3("sv, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isValidUtf8(c.bytes), c.valid) << c.name;
        const auto decoded = utf8String(Data(c.bytes.begin(), c.bytes.end()));
        EXPECT_EQ(decoded.has_value(), c.valid) << c.name;
        if (decoded) {
            EXPECT_EQ(*decoded, c.bytes) << c.name;
        }
    }
}

TEST(DataFromString, KeepsEveryByte) {
    using namespace std::string_view_literals;
    const auto text = "a\0\xFF\xC3\xA9"sv;
    EXPECT_EQ(dataFromString(text), (Data{'a', 0x00, 0xFF, 0xC3, 0xA9}));
    EXPECT_TRUE(dataFromString("").empty());
}

TEST(Base64, EncodesAndDecodesTheRfc4648Vectors) {
    const std::pair<std::string, std::string> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [plain, encoded] : vectors) {
        EXPECT_EQ(base64Encode(dataFromString(plain)), encoded) << plain;
        const auto decoded = base64Decode(encoded);
        ASSERT_TRUE(decoded.has_value()) << encoded;
        EXPECT_EQ(*decoded, dataFromString(plain)) << encoded;
    }
}

TEST(Base64, UsesTheStandardAlphabetForHighValues) {
    const Data bytes{0xFB, 0xFF, 0xBF};
    EXPECT_EQ(base64Encode(bytes), "+/+/");
    EXPECT_EQ(base64Decode("+/+/"), bytes);
    EXPECT_EQ(base64Decode("+/8="), (Data{0xFB, 0xFF}));
}

TEST(Base64, RoundTripsEveryByteValueAndLongBuffers) {
    Data all(256);
    for (int i = 0; i < 256; ++i) {
        all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    }
    EXPECT_EQ(base64Decode(base64Encode(all)), all);

    // Longer than one internal slice, with a length that needs padding.
    Data large(3 * (1u << 20) + 4);
    for (std::size_t i = 0; i < large.size(); ++i) {
        large[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    }
    const std::string encoded = base64Encode(large);
    EXPECT_EQ(encoded.size(), (large.size() + 2) / 3 * 4);
    EXPECT_EQ(encoded.substr(encoded.size() - 2), "==");
    EXPECT_EQ(base64Decode(encoded), large);
}

TEST(Base64, RejectsMalformedText) {
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"missing padding", "Zg"},
        {"one pad short", "Zg="},
        {"length not a multiple of four", "Zm9vY"},
        {"three pad characters", "Z==="},
        {"only padding", "===="},
        {"padding in the middle", "Zg==Zm8="},
        {"pad before data in a group", "Zm=v"},
        {"pad at start", "=Zm9"},
        {"url-safe minus", "Zm-v"},
        {"url-safe underscore", "Zm_v"},
        {"trailing newline", "Zm9v\n"},
        {"leading space", " Zm9v"},
        {"trailing space", "Zm9v "},
        {"inner line break", "Zm9v\nYmFy"},
        {"inner space keeping length", "Zm 9vYmE="},
        {"non-ascii byte", "Zm9\xC3\xA9vYg=="},
        {"NUL byte", std::string("Zm9\0", 4)},
        {"padding followed by text", "Zg==\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(base64Decode(c.text), std::nullopt) << c.name;
    }
}

} // namespace
