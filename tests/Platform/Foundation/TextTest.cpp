#include "Platform/Foundation/Text.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace platform;

namespace {

Regex compile(std::string_view pattern, RegexOptions options = {}) {
    auto regex = Regex::make(pattern, options);
    if (!regex) {
        ADD_FAILURE() << "pattern does not compile: " << pattern;
        return *Regex::make("(?!)");
    }
    return *regex;
}

TEST(Regex, MatchesWholeOnlyWhenTheEntireTextMatches) {
    struct Case {
        const char* pattern;
        const char* text;
        bool whole;
        bool somewhere;
    };
    const Case cases[] = {
        {"[0-9]+", "123", true, true},
        {"[0-9]+", "123a", false, true},
        {"[0-9]+", "a123", false, true},
        {"[0-9]+", "", false, false},
        {"a|ab", "ab", true, true}, // alternation must be retried to cover the whole text
        {"^/s/.*$", "/s/topic", true, true},
        {"x*", "", true, true},
        // Inside \Q...\E in a set, "$-_" is three literal characters, not the
        // range from '$' to '_' (which would take letters and digits).
        {"[\\Q$-_\\E]+", "$-_", true, true},
        {"[\\Q$-_\\E]+", "A", false, false},
        {"[\\Q$-_\\E]+", "%", false, false},
        {"[\\da-z\\Q$-_.+!*'(),;/?:@=&\\E]+", "a-b_c$d", true, true},
        {"[\\da-z\\Q$-_.+!*'(),;/?:@=&\\E]+", "aBc", false, true},
    };
    for (const auto& c : cases) {
        const Regex regex = compile(c.pattern);
        EXPECT_EQ(regex.matchesWhole(c.text), c.whole) << c.pattern << " on " << c.text;
        EXPECT_EQ(regex.firstMatch(c.text).has_value(), c.somewhere) << c.pattern << " on " << c.text;
    }
}

TEST(Regex, CaseInsensitiveOptionIgnoresCaseOnly) {
    const Regex plain = compile("internal server error");
    const Regex folded = compile("internal server error", {.caseInsensitive = true});
    EXPECT_FALSE(plain.matchesWhole("Internal Server Error"));
    EXPECT_TRUE(folded.matchesWhole("Internal Server Error"));
    EXPECT_TRUE(folded.matchesWhole("INTERNAL SERVER ERROR"));
    EXPECT_FALSE(folded.matchesWhole("INTERNAL SERVER ERRORS"));
    EXPECT_TRUE(compile("\u00E9T\u00C9", {.caseInsensitive = true}).matchesWhole("\u00C9t\u00E9"));
}

TEST(Regex, BadPatternsGiveAnErrorInsteadOfCrashing) {
    const char* patterns[] = {"(", "[a-", "*a", "a{2,1}", "\\", "(?<name", "[z-a]", "\xC3("};
    for (const char* pattern : patterns) {
        const auto regex = Regex::make(pattern);
        ASSERT_FALSE(regex.has_value()) << pattern;
        EXPECT_EQ(regex.error().domain, kCocoaErrorDomain) << pattern;
        EXPECT_EQ(regex.error().code, kInvalidPatternErrorCode) << pattern;
    }
    EXPECT_EQ(Regex::make("(").error().userInfo.value("NSInvalidValue", ""), "(");
}

TEST(Regex, ReportsUtf8ByteOffsetsForMatchesAndGroups) {
    // "é" is 2 bytes, "€" 3 and "😀" 4.
    const auto match = compile("[0-9]+").firstMatch("\u00E9\u20AC\U0001F600" "12x");
    ASSERT_TRUE(match.has_value());
    EXPECT_EQ(match->range(), (TextRange{9, 2}));

    const std::string text = "a\u00E9\u00E95";
    const auto groups = compile("(\u00E9+)(x)?([0-9])").firstMatch(text);
    ASSERT_TRUE(groups.has_value());
    ASSERT_EQ(groups->ranges.size(), 4u);
    EXPECT_EQ(groups->ranges[0], (TextRange{1, 5}));
    EXPECT_EQ(groups->ranges[1], (TextRange{1, 4}));
    EXPECT_EQ(groups->ranges[2], std::nullopt);
    EXPECT_EQ(groups->ranges[3], (TextRange{5, 1}));
    EXPECT_EQ(substring(text, *groups->ranges[1]), "\u00E9\u00E9");
    EXPECT_EQ(compile("(\u00E9+)(x)?([0-9])").numberOfCaptureGroups(), 3u);
}

TEST(Regex, FindsTheFirstOfSeveralMatches) {
    const std::string page = "Error 1234-5678   (42) and 9-9 (1)";
    const auto match = compile("[0-9]+-[0-9]+\\s+\\([0-9]+\\)").firstMatch(page);
    ASSERT_TRUE(match.has_value());
    EXPECT_EQ(substring(page, match->range()), "1234-5678   (42)");
}

TEST(Regex, ListsAllMatchesIncludingEmptyOnes) {
    const auto digits = compile("\\d+").matches("a1b22c333");
    ASSERT_EQ(digits.size(), 3u);
    EXPECT_EQ(digits[0].range(), (TextRange{1, 1}));
    EXPECT_EQ(digits[1].range(), (TextRange{3, 2}));
    EXPECT_EQ(digits[2].range(), (TextRange{6, 3}));
    EXPECT_EQ(compile("\\d+").numberOfMatches("a1b22c333"), 3u);
    // An empty match does not stall the search: before "a", before "b", at the end.
    EXPECT_EQ(compile("x*").numberOfMatches("ab"), 3u);
    EXPECT_TRUE(compile("\\d").matches("none").empty());
}

TEST(Regex, ReplacesMatchesWithATemplate) {
    const Regex mail = compile("(\\w+)@(\\w+)");
    EXPECT_EQ(mail.replacingMatches("ann@host, bob@site", "$2 at $1"), "host at ann, site at bob");
    EXPECT_EQ(mail.replacingMatches("ann@host", "\\$1"), "$1");
    EXPECT_EQ(mail.replacingMatches("nothing here", "x"), "nothing here");
    EXPECT_EQ(compile("\u00E9").replacingMatches("caf\u00E9 \u00E9t\u00E9", "e"), "cafe ete");
    // A group the pattern does not have leaves the text as it was.
    EXPECT_EQ(mail.replacingMatches("ann@host", "$7"), "ann@host");
}

TEST(Regex, ReadsInvalidUtf8AsReplacementCharacters) {
    const auto match = compile("b").firstMatch("a\xFF" "b");
    ASSERT_TRUE(match.has_value());
    EXPECT_EQ(match->range(), (TextRange{2, 1}));
    EXPECT_TRUE(compile("a.b").matchesWhole("a\xFF" "b"));
    EXPECT_FALSE(compile("abc").matchesWhole("ab\xE2\x82"));
}

TEST(Regex, OnePatternServesSeveralThreadsAtOnce) {
    const Regex regex = compile("([a-z]+)-(\\d+)");
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&regex, &failures, t] {
            for (int i = 0; i < 500; ++i) {
                const std::string text = "id " + std::string(static_cast<std::size_t>(t + 1), 'k') + "-" +
                                         std::to_string(i) + " end";
                const auto match = regex.firstMatch(text);
                if (!match || substring(text, *match->ranges[2]) != std::to_string(i) ||
                    match->ranges[1]->length != static_cast<std::size_t>(t + 1)) {
                    ++failures;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures.load(), 0);
}

TEST(CaseInsensitiveCompare, FoldsCaseFullyAndTreatsCanonicalFormsAlike) {
    struct Case {
        const char* a;
        const char* b;
        int expected;
    };
    const Case cases[] = {
        {"Stra\u00DFe", "STRASSE", 0},
        {"Stra\u00DFe", "strasse", 0},
        {"caf\u00E9", "CAFE\u0301", 0},
        {"\uFB01le", "FILE", 0},
        {"Content-Type", "content-type", 0},
        {"", "", 0},
        {"", "a", -1},
        {"abc", "ABD", -1},
        {"b", "A", 1},
        {"abc", "ab", 1},
        {"Stra\u00DFe", "STRASSEN", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(caseInsensitiveCompare(c.a, c.b), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ(caseInsensitiveCompare(c.b, c.a), -c.expected) << c.b << " vs " << c.a;
        EXPECT_EQ(caseInsensitiveEquals(c.a, c.b), c.expected == 0) << c.a << " vs " << c.b;
    }
}

TEST(CaseInsensitiveContains, SearchesTheFoldedText) {
    struct Case {
        const char* haystack;
        const char* needle;
        bool expected;
    };
    const Case cases[] = {
        {"<h1>Internal SERVER Error</h1>", "internal server error", true},
        {"STRASSE", "\u00DF", true},
        {"gro\u00DF", "SS", true},
        {"Caf\u00E9", "E\u0301", true},
        {"abc", "abcd", false},
        {"abc", "", false},
        {"", "a", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(caseInsensitiveContains(c.haystack, c.needle), c.expected) << c.haystack << " / " << c.needle;
    }
}

TEST(CanonicallyEqual, IgnoresCompositionButNotCase) {
    EXPECT_TRUE(canonicallyEqual("caf\u00E9", "cafe\u0301"));
    EXPECT_FALSE(canonicallyEqual("caf\u00E9", "CAF\u00C9"));
    EXPECT_FALSE(canonicallyEqual("a", "b"));
}

TEST(Characters, CountsExtendedGraphemeClusters) {
    struct Case {
        const char* name;
        std::string text;
        std::size_t count;
    };
    const Case cases[] = {
        {"empty", "", 0},
        {"ascii", "abc", 3},
        {"family emoji with joiners", "\U0001F468\u200D\U0001F469\u200D\U0001F467", 1},
        {"e with combining acute", "e\u0301", 1},
        {"two flags", "\U0001F1E9\U0001F1EA\U0001F1EB\U0001F1F7", 2},
        {"CR LF pair", "\r\n", 1},
        {"skin tone modifier", "\U0001F44D\U0001F3FD", 1},
        {"precomposed hangul", "\uD55C\uAD6D\uC5B4", 3},
        {"conjoining jamo", "\u1100\u1161\u11A8", 1},
        {"invalid byte counts as one", "a\xFF" "b", 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(characterCount(c.text), c.count) << c.name;
        EXPECT_EQ(characters(c.text).size(), c.count) << c.name;
    }
    const std::string mixed = "a\U0001F1E9\U0001F1EA\r\n";
    EXPECT_EQ(characters(mixed), (std::vector<std::string_view>{"a", "\U0001F1E9\U0001F1EA", "\r\n"}));
}

TEST(Characters, PrefixKeepsWholeClusters) {
    const std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467";
    EXPECT_EQ(prefixCharacters(family + "abc", 2), family + "a");
    EXPECT_EQ(prefixCharacters("e\u0301x", 1), "e\u0301");
    EXPECT_EQ(prefixCharacters("ab", 5), "ab");
    EXPECT_EQ(prefixCharacters("ab", 0), "");
    EXPECT_EQ(prefixCharacters("", 3), "");
}

TEST(Characters, SuffixKeepsWholeClusters) {
    const std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467";
    struct Case {
        const char* name;
        std::string text;
        std::size_t count;
        std::string expected;
    };
    const Case cases[] = {
        {"a cluster at the cut", "abc" + family + "d", 2, family + "d"},
        {"combining accent", "xe\u0301", 1, "e\u0301"},
        {"CR LF is one", "ab\r\n", 1, "\r\n"},
        {"fewer characters than asked", "ab", 5, "ab"},
        {"more bytes than asked, fewer characters", "\u00e9\u00e9", 3, "\u00e9\u00e9"},
        {"none asked", "ab", 0, ""},
        {"empty text", "", 3, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(suffixCharacters(c.text, c.count), c.expected) << c.name;
    }
}

TEST(TrimmingWhitespace, RemovesUnicodeSpacesAndLineBreaksAtBothEnds) {
    struct Case {
        const char* name;
        std::string text;
        std::string trimmed;
    };
    const Case cases[] = {
        {"ascii space, tab and line breaks", " \t\n abc \r\n", "abc"},
        {"no-break, em and ideographic spaces", "\u00A0\u2003x\u3000", "x"},
        {"line and paragraph separators, NEL", "\u2028\u0085x y\u2029", "x y"},
        {"inner space kept", "a b", "a b"},
        {"only white space", " \n\t ", ""},
        {"empty", "", ""},
        {"zero-width space is not white space", "\u200Bx", "\u200Bx"},
        {"non-ascii content", "  \u00E9t\u00E9\U0001F600 ", "\u00E9t\u00E9\U0001F600"},
        {"invalid byte stops trimming", " \xFF ", "\xFF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(trimmingWhitespace(c.text), c.trimmed) << c.name;
    }
}

TEST(CaseMapping, UsesFullLocaleIndependentMappings) {
    EXPECT_EQ(uppercased("Stra\u00DFe"), "STRASSE");
    EXPECT_EQ(uppercased("\uFB01"), "FI");
    EXPECT_EQ(lowercased("\u00C0\u00C9Z"), "\u00E0\u00E9z");
    EXPECT_EQ(lowercased("I"), "i");
    // Capital I with dot above lower-cases to i plus a combining dot outside Turkish.
    EXPECT_EQ(lowercased("\u0130"), "i\u0307");
    EXPECT_EQ(uppercased("i"), "I");
    EXPECT_EQ(lowercased(""), "");
}

} // namespace
