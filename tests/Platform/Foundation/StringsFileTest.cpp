#include "Platform/Foundation/StringsFile.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using platform::StringsFile;
using Table = StringsFile::Table;

TEST(StringsFileTest, ReadsTheGrammar) {
    struct Case {
        const char* name;
        std::string text;
        Table expected;
    };
    const std::vector<Case> cases = {
        {"one pair", R"("hello" = "Hello";)", {{"hello", "Hello"}}},
        {"empty file", "", {}},
        {"only comments and space", "/* a */\n// b\n  \t\r\n", {}},
        {"block and line comments between tokens",
         "/* Title of the screen */\n\"title\" /* k */ = // v\n \"Welcome\" /* end */ ;\n// \"skipped\" = \"x\";\n",
         {{"title", "Welcome"}}},
        {"comment markers inside strings are text", R"("url" = "http://x/*y*/";)", {{"url", "http://x/*y*/"}}},
        {"separators inside strings are text", R"("a=b;" = "c = d; e";)", {{"a=b;", "c = d; e"}}},
        {"escapes", R"("k" = "q\" b\\ n\n t\t r\r";)", {{"k", "q\" b\\ n\n t\t r\r"}}},
        {"upper-case U escape", R"("k" = "caf\U00E9";)", {{"k", "café"}}},
        {"lower-case u escape", R"("k" = "caf\u00e9";)", {{"k", "café"}}},
        {"escaped surrogate pair", R"("k" = "\UD83D\UDE00";)", {{"k", "😀"}}},
        {"octal escape", R"("k" = "\101\102";)", {{"k", "AB"}}},
        {"unknown escape keeps the character", R"("k" = "\q";)", {{"k", "q"}}},
        {"unquoted key and value", "greeting = Hello_World.1;", {{"greeting", "Hello_World.1"}}},
        {"key alone maps to itself", "\"OK\";", {{"OK", "OK"}}},
        {"later entry wins", "\"a\" = \"1\";\n\"a\" = \"2\";", {{"a", "2"}}},
        {"empty value", R"("a" = "";)", {{"a", ""}}},
        {"literal line break in a value", "\"a\" = \"one\ntwo\";", {{"a", "one\ntwo"}}},
        {"UTF-8 text and byte-order mark", "\xEF\xBB\xBF\"Grüße\" = \"😀\";", {{"Grüße", "😀"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto table = StringsFile::parse(std::string_view(c.text));
        ASSERT_TRUE(table.has_value()) << table.error().localizedDescription();
        EXPECT_EQ(*table, c.expected);
    }
}

std::string utf16(std::u16string_view text, bool bigEndian, bool mark) {
    std::string bytes;
    if (mark) bytes += bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

TEST(StringsFileTest, ReadsUtf16InBothByteOrders) {
    const std::u16string text = u"/* c */\n\"caf\u00e9\" = \"\U0001F600 ok\";\n\"b\" = \"2\";\n";
    const Table expected{{"café", "😀 ok"}, {"b", "2"}};
    for (bool bigEndian : {false, true}) {
        for (bool mark : {true, false}) {
            SCOPED_TRACE(std::string(bigEndian ? "big" : "little") + (mark ? " endian with mark" : " endian, no mark"));
            const auto table = StringsFile::parse(std::string_view(utf16(text, bigEndian, mark)));
            ASSERT_TRUE(table.has_value()) << table.error().localizedDescription();
            EXPECT_EQ(*table, expected);
        }
    }
}

TEST(StringsFileTest, ErrorsNameTheLine) {
    struct Case {
        const char* name;
        std::string bytes;
        std::size_t line;
    };
    const std::vector<Case> cases = {
        {"missing semicolon", "\"a\" = \"1\";\n\"b\" = \"2\"\n\"c\" = \"3\";\n", 2},
        {"unterminated string", "\"a\" = \"1\";\n\n\"b\" = \"never closed;\n\n", 3},
        {"unterminated escape at the end", "\"a\" = \"1\\", 1},
        {"unterminated comment", "\"a\" = \"1\";\n/* open\n", 2},
        {"missing equals sign", "\"a\" \"1\";", 1},
        {"file ends after equals sign", "\"a\" = ", 1},
        {"stray character", "\"a\" = \"1\";\n\n  @", 3},
        {"escape without hex digits", "\"a\" = \"\\Uzz\";", 1},
        {"unpaired surrogate escape", "\n\"a\" = \"\\UD83D\";", 2},
        {"bytes that are not UTF-8", "\"a\" = \"1\";\n\"b\" = \"\xC3\x28\";", 2},
        {"UTF-16 cut in the middle of a unit", std::string("\xFF\xFE\x22\x00\x61", 5), 1},
        {"UTF-16 with an unpaired surrogate", utf16(u"\"a\" = \"1\";\n\"b\" = \"", false, true) + "\x3D\xD8", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto table = StringsFile::parse(std::string_view(c.bytes));
        ASSERT_FALSE(table.has_value());
        EXPECT_EQ(table.error().domain, platform::kCocoaErrorDomain);
        EXPECT_EQ(table.error().code, platform::CocoaError::propertyListReadCorrupt);
        EXPECT_EQ(table.error().userInfo.value("line", std::size_t{0}), c.line);
        EXPECT_NE(table.error().localizedDescription().find("line " + std::to_string(c.line)), std::string::npos)
            << table.error().localizedDescription();
    }
}

TEST(StringsFileTest, SurvivesTruncatedAndRandomInput) {
    const std::string sample =
        "/* comment */\n\"k\\U00e9y\" = \"v\\\"al\\n\";\n// line\nunquoted = word;\n\"self\";\n";
    for (std::size_t length = 0; length <= sample.size(); ++length) {
        (void)StringsFile::parse(std::string_view(sample).substr(0, length));
    }
    std::mt19937 random(12345);
    static constexpr char kAlphabet[] = "\"\\=;/*Uu0Dd8F \n\xFF\xFE\xEF\xBB\xBF\0ab";
    const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(random() % 64, '\0');
        for (auto& b : bytes) b = alphabet[random() % alphabet.size()];
        (void)StringsFile::parse(std::string_view(bytes));
    }
    SUCCEED();
}

TEST(StringsFileTest, ReadsFiles) {
    const auto file = testsupport::sandboxRoot() / "Localizable.strings";
    const auto missing = StringsFile::read(file);
    ASSERT_FALSE(missing.has_value());
    EXPECT_EQ(missing.error().code, platform::CocoaError::fileReadNoSuchFile);

    ASSERT_TRUE(platform::writeFileAtomically(file, platform::dataFromString("\"a\" = \"b\";")).has_value());
    const auto table = StringsFile::read(file);
    ASSERT_TRUE(table.has_value());
    EXPECT_EQ(*table, (Table{{"a", "b"}}));
}

} // namespace
