#include "Platform/Foundation/PropertyList.hpp"

#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using nlohmann::json;
using platform::PropertyList;
using platform::PropertyListFormat;

std::string xmlDocument(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + body + "\n</plist>\n";
}

/// Equal values with equal JSON types all the way down (60, 60.0 and 60u
/// compare equal in nlohmann::json; here they do not).
::testing::AssertionResult sameTyped(const json& expected, const json& actual) {
    if (expected.type() != actual.type()) {
        return ::testing::AssertionFailure() << "type of " << actual.dump() << " is " << actual.type_name()
                                             << ", expected " << expected.type_name();
    }
    if (expected != actual) {
        return ::testing::AssertionFailure() << actual.dump() << " != " << expected.dump();
    }
    if (expected.is_array()) {
        for (std::size_t k = 0; k < expected.size(); ++k) {
            if (auto r = sameTyped(expected[k], actual[k]); !r) return r;
        }
    }
    if (expected.is_object()) {
        for (const auto& [key, value] : expected.items()) {
            if (auto r = sameTyped(value, actual.at(key)); !r) return r << " (key " << key << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(PropertyListTest, ReadsEveryXmlTypeWithItsOwnJsonType) {
    struct Case {
        const char* name;
        std::string body;
        json expected;
    };
    const std::vector<Case> cases = {
        {"string of digits stays a string", "<string>60</string>", json("60")},
        {"integer stays an integer", "<integer>60</integer>", json(60)},
        {"real stays a real", "<real>60</real>", json(60.0)},
        {"true is a Boolean, not 1", "<true/>", json(true)},
        {"false is a Boolean, not 0", "<false/>", json(false)},
        {"negative integer", "<integer>-5</integer>", json(std::int64_t{-5})},
        {"largest signed integer", "<integer>9223372036854775807</integer>", json(INT64_MAX)},
        {"unsigned above the signed range", "<integer>18446744073709551615</integer>", json(UINT64_MAX)},
        {"date as seconds since 1970", "<date>2020-01-01T00:00:00Z</date>", json(1577836800.0)},
        {"data as binary", "<data>AAEC/w==</data>", json::binary({0x00, 0x01, 0x02, 0xFF})},
        {"non-ASCII string", "<string>Grüße 😀</string>", json("Grüße 😀")},
        {"escaped markup", "<string>a &lt;b&gt; &amp; c</string>", json("a <b> & c")},
        {"empty dictionary", "<dict/>", json::object()},
        {"empty array", "<array/>", json::array()},
        {"nested containers",
         "<dict><key>list</key><array><integer>1</integer><string>1</string><true/></array>"
         "<key>inner</key><dict><key>x</key><real>0.5</real></dict></dict>",
         json{{"list", json::array({1, "1", true})}, {"inner", {{"x", 0.5}}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto value = PropertyList::parse(xmlDocument(c.body));
        ASSERT_TRUE(value.has_value());
        EXPECT_TRUE(sameTyped(c.expected, *value));
    }
}

TEST(PropertyListTest, RoundTripsThroughBothFormatsKeepingTypes) {
    const json value = {
        {"timeoutString", "60"},
        {"timeoutNumber", 60},
        {"flag", true},
        {"off", false},
        {"ratio", 0.1},
        {"third", 1.0 / 3.0},
        {"negative", -42},
        {"huge", UINT64_MAX},
        {"blob", json::binary({0, 1, 2, 254, 255})},
        {"empty blob", json::binary({})},
        {"text", "line\nbreak \"quoted\" <tag> & ünïcødé"},
        {"empty", ""},
        {"list", json::array({1, "two", 3.5, json::array(), json::object()})},
        {"nested", {{"deeper", {{"deepest", "yes"}}}}},
    };
    for (auto format : {PropertyListFormat::xml, PropertyListFormat::binary}) {
        SCOPED_TRACE(format == PropertyListFormat::xml ? "xml" : "binary");
        const auto bytes = PropertyList::serialize(value, format);
        ASSERT_TRUE(bytes.has_value()) << bytes.error().localizedDescription();
        const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
        EXPECT_EQ(PropertyList::detectFormat(text), format);
        const auto back = PropertyList::parse(*bytes);
        ASSERT_TRUE(back.has_value());
        EXPECT_TRUE(sameTyped(value, *back));
    }
}

TEST(PropertyListTest, ScalarRootsRoundTrip) {
    for (const json& value : {json("only a string"), json(7), json(true), json(2.5)}) {
        for (auto format : {PropertyListFormat::xml, PropertyListFormat::binary}) {
            const auto bytes = PropertyList::serialize(value, format);
            ASSERT_TRUE(bytes.has_value());
            const auto back = PropertyList::parse(*bytes);
            ASSERT_TRUE(back.has_value()) << value.dump();
            EXPECT_TRUE(sameTyped(value, *back));
        }
    }
}

// A binary property list of the given objects (each already encoded, with
// one-byte references) whose top object is the last one.
std::string binaryPlist(const std::vector<std::string>& objects) {
    std::string bytes = "bplist00";
    std::vector<std::size_t> offsets;
    for (const auto& object : objects) {
        offsets.push_back(bytes.size());
        bytes += object;
    }
    const std::size_t table = bytes.size();
    for (auto offset : offsets) {
        bytes.push_back(static_cast<char>(offset >> 8));
        bytes.push_back(static_cast<char>(offset & 0xFF));
    }
    std::string trailer(32, '\0');
    trailer[6] = 2; // offset size
    trailer[7] = 1; // reference size
    trailer[15] = static_cast<char>(objects.size());
    trailer[23] = static_cast<char>(objects.size() - 1);
    trailer[30] = static_cast<char>(table >> 8);
    trailer[31] = static_cast<char>(table & 0xFF);
    return bytes + trailer;
}

std::string nestedXml(int depth) {
    std::string body;
    for (int k = 0; k < depth; ++k) body += "<array>";
    for (int k = 0; k < depth; ++k) body += "</array>";
    return xmlDocument(body);
}

TEST(PropertyListTest, MalformedInputGivesNone) {
    // 40 levels, each an array holding the level below twice: 2^40 values unfolded.
    std::vector<std::string> laughs{std::string(1, '\xA0')};
    for (int k = 1; k < 41; ++k) {
        laughs.push_back(std::string{'\xA2', static_cast<char>(k - 1), static_cast<char>(k - 1)});
    }
    struct Case {
        const char* name;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"empty", ""},
        {"plain text", "garbage"},
        {"JSON", R"({"a": 1})"},
        {"binary magic only", "bplist00"},
        {"binary magic and junk", "bplist00" + std::string(40, '\x7F')},
        {"unclosed dictionary", xmlDocument("<dict><key>a</key><string>b</string>")},
        {"unknown element", xmlDocument("<thing>1</thing>")},
        {"string that is not UTF-8", xmlDocument("<string>\xFF\xFE</string>")},
        {"nesting deeper than the limit", nestedXml(PropertyList::kMaxDepth + 1)},
        {"very deep nesting", nestedXml(200000)},
        {"binary array that contains itself", binaryPlist({std::string{'\xA1', '\x00'}})},
        {"binary reference out of range", binaryPlist({std::string{'\xA1', '\x05'}})},
        {"binary shared objects unfolding into billions", binaryPlist(laughs)},
        // libplist itself aborts on this one.
        {"binary UTF-16 key holding NUL", binaryPlist({std::string("\x62\x00" "a\x00\x00", 5),
                                                       std::string{'\x10', '\x01'},
                                                       std::string{'\xD1', '\x00', '\x01'}})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(PropertyList::parse(c.bytes).has_value());
    }
}

TEST(PropertyListTest, NestingUpToTheLimitIsRead) {
    const auto value = PropertyList::parse(nestedXml(PropertyList::kMaxDepth));
    ASSERT_TRUE(value.has_value());
    const auto binary = PropertyList::serialize(*value, PropertyListFormat::binary);
    ASSERT_TRUE(binary.has_value());
    EXPECT_TRUE(PropertyList::parse(*binary).has_value());
}

TEST(PropertyListTest, DamagedFilesNeverCrash) {
    const json value = {{"a", json::array({1, 2.5, "three", true, UINT64_MAX})},
                        {"b", {{"c", json::binary({9, 8})}, {"d", json::array({json::object(), "ü"})}}}};
    std::mt19937 random(2024);
    for (auto format : {PropertyListFormat::xml, PropertyListFormat::binary}) {
        const auto bytes = PropertyList::serialize(value, format);
        ASSERT_TRUE(bytes.has_value());
        for (std::size_t length = 0; length < bytes->size(); ++length) {
            const std::string_view part(reinterpret_cast<const char*>(bytes->data()), length);
            const auto parsed = PropertyList::parse(part);
            if (parsed && format == PropertyListFormat::binary) {
                ADD_FAILURE() << "a binary list cut to " << length << " bytes was read";
            }
        }
        for (int round = 0; round < 3000; ++round) {
            auto damaged = *bytes;
            for (unsigned k = 0, n = 1 + random() % 4; k < n; ++k) {
                damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
            }
            (void)PropertyList::parse(damaged);
        }
    }
}

TEST(PropertyListTest, ValuesAPropertyListCannotHoldAreErrors) {
    struct Case {
        const char* name;
        json value;
    };
    json deep = json::array();
    for (int k = 0; k < PropertyList::kMaxDepth; ++k) deep = json::array({deep});
    const std::vector<Case> cases = {
        {"null", json(nullptr)},
        {"null inside an array", json::array({1, nullptr})},
        {"null inside a dictionary", json{{"a", nullptr}}},
        {"string with NUL", json(std::string("a\0b", 3))},
        {"string that is not UTF-8", json(std::string("\xC3\x28"))},
        {"key that is not UTF-8", json{{std::string("\xFF"), 1}}},
        {"nesting deeper than the limit", deep},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (auto format : {PropertyListFormat::xml, PropertyListFormat::binary}) {
            const auto bytes = PropertyList::serialize(c.value, format);
            ASSERT_FALSE(bytes.has_value());
            EXPECT_EQ(bytes.error().domain, platform::kCocoaErrorDomain);
            EXPECT_EQ(bytes.error().code, 3851);
        }
    }
}

TEST(PropertyListTest, WritesAndReadsFiles) {
    const auto file = testsupport::sandboxRoot() / "settings.plist";
    EXPECT_FALSE(PropertyList::read(file).has_value());
    const json value = {{"name", "x"}, {"count", 3}};
    ASSERT_TRUE(PropertyList::write(file, value, PropertyListFormat::binary).has_value());
    const auto back = PropertyList::read(file);
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(sameTyped(value, *back));
    EXPECT_FALSE(PropertyList::write(file, json{{"bad", nullptr}}).has_value());
    EXPECT_TRUE(sameTyped(value, *PropertyList::read(file))) << "a failed write leaves the file alone";
}

} // namespace
