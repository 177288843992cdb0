#include "VellicorApp/Core/UrlWithoutQuery.hpp"

#include <gtest/gtest.h>

using vellicor::absoluteStringWithoutQueryParam;

namespace {

struct Case {
    const char* name;
    const char* url;
    const char* base; // nullptr: an absolute URL
    std::optional<std::string> expected;
};

TEST(UrlWithoutQueryTest, DropsOnlyTheQuery) {
    const Case cases[] = {
        {"query", "https://c.example.test/s/topic?id=1&x=2", nullptr, "https://c.example.test/s/topic"},
        {"noQuery", "https://c.example.test/s/", nullptr, "https://c.example.test/s/"},
        {"emptyQuery", "https://c.example.test/s/?", nullptr, "https://c.example.test/s/"},
        {"fragmentKept", "https://c.example.test/s/a?x=1#top", nullptr, "https://c.example.test/s/a#top"},
        {"questionMarkInFragment", "https://c.example.test/s/a#x?y", nullptr, "https://c.example.test/s/a#x?y"},
        {"encodedPathKept", "https://c.example.test/s/a%20b?q", nullptr, "https://c.example.test/s/a%20b"},
        {"portAndUserKept", "https://u@c.example.test:8443/p?q=1", nullptr, "https://u@c.example.test:8443/p"},
        {"relativeNotResolved", "topic/1?x=1", "https://c.example.test/s/", "topic/1"},
        {"otherScheme", "mailto:someone@example.test?subject=hi", nullptr, "mailto:someone@example.test"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto base = c.base ? platform::Url::parse(c.base) : std::nullopt;
        const auto url = base ? platform::Url::parse(c.url, *base) : platform::Url::parse(c.url);
        ASSERT_TRUE(url.has_value());
        EXPECT_EQ(absoluteStringWithoutQueryParam(*url), c.expected);
    }
}

} // namespace
