#include "VellicorApp/Instrumentation/ObfuscatedString.hpp"

#include <gtest/gtest.h>

#include <string>

using vellicor::obfuscatedString;

namespace {

TEST(ObfuscatedString, MasksUserIds) {
    struct Case {
        const char* name;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"no id", "Signed in as alice", "Signed in as alice"},
        {"empty text", "", ""},
        {"15 characters", "user 005ab0cdef12345 signed in", "user [...12345] signed in"},
        {"18 characters", "user 005ab0cdef12345xyz signed in", "user [...12345] signed in"},
        {"upper case", "id=005AB0CDEF12345XYZ", "id=[...12345]"},
        {"mixed case", "005Ab0CdEf12A45", "[...12A45]"},
        {"inside a word", "prefix005ab0cdef12345suffixes", "prefix[...12345]fixes"},
        {"repeat of the same id", "005ab0cdef12345 and 005ab0cdef12345",
         "[...12345] and [...12345]"},
        {"same id in two cases, each masked", "005ab0cdef12345 005AB0CDEF12345", "[...12345] [...12345]"},
        {"two ids", "005aa0aaaa11111 then 005bb0bbbb22222zzz", "[...11111] then [...22222]"},
        // The shorter id comes first, so it also masks the start of the longer one.
        {"15-character id inside a later 18-character one", "005ab0cdef12345 later 005ab0cdef12345xyz",
         "[...12345] later [...12345]xyz"},
        // The longer one first: the shorter text is a different id found later.
        {"18-character id before its 15-character start", "005ab0cdef12345xyz later 005ab0cdef12345",
         "[...12345] later [...12345]"},
        {"wrong fifth character", "005ab1cdef12345", "005ab1cdef12345"},
        {"too short", "005ab0cdef1234", "005ab0cdef1234"},
        {"16 characters keep the last", "005ab0cdef12345x", "[...12345]x"},
        {"punctuation breaks an id", "005ab0cd-ef12345", "005ab0cd-ef12345"},
        {"two ids back to back", "005aa0aaaa11111xyz005bb0bbbb22222", "[...11111][...22222]"},
        {"non-ASCII around", "é005ab0cdef12345é", "é[...12345]é"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(obfuscatedString(c.text), c.expected);
    }
}

TEST(ObfuscatedString, MasksEveryIdOfALargeLog) {
    std::string log;
    std::string expected;
    for (int i = 0; i < 2000; ++i) {
        const auto kept = std::to_string(10000 + i);
        log += "line " + std::to_string(i) + " user 005ab0cdef" + kept + "\n";
        expected += "line " + std::to_string(i) + " user [..." + kept + "]\n";
    }
    EXPECT_EQ(obfuscatedString(log), expected);
}

} // namespace
