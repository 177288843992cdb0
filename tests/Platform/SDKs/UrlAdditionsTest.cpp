#include "Platform/SDKs/Veltrane/UrlAdditions.hpp"

#include <gtest/gtest.h>

using namespace platform;
using namespace platform::veltrane;

namespace {

TEST(ValueForParameterName, GivesTheFirstDecodedValue) {
    struct Case {
        const char* url;
        const char* name;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"https://c.example.com/s/login?ec=302&startURL=%2Fs%2Fhome", "ec", "302"},
        {"https://c.example.com/s/login?ec=302&startURL=%2Fs%2Fhome", "startURL", "/s/home"},
        {"https://c.example.com/?a=1&a=2", "a", "1"},
        {"https://c.example.com/?a=x+y", "a", "x+y"},
        {"https://c.example.com/?a=%20b", "a", " b"},
        {"https://c.example.com/?a=", "a", ""},
        {"https://c.example.com/?a", "a", std::nullopt},
        {"https://c.example.com/?A=1", "a", std::nullopt},
        {"https://c.example.com/path", "ec", std::nullopt},
        {"https://c.example.com/?ec=301#frag", "ec", "301"},
        {"https://c.example.com/#?ec=301", "ec", std::nullopt},
    };
    for (const auto& c : cases) {
        auto url = Url::parse(c.url);
        ASSERT_TRUE(url) << c.url;
        EXPECT_EQ(valueForParameterName(*url, c.name), c.expected) << c.url << " " << c.name;
    }
}

} // namespace
