#include "Platform/Foundation/HttpSession.hpp"

#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

using platform::HttpCookie;
using platform::HttpCookieProperties;
using platform::HttpCookieStorage;

namespace {

HttpCookieProperties properties(std::string name = "sid", std::string value = "abc") {
    HttpCookieProperties p;
    p.name = std::move(name);
    p.value = std::move(value);
    p.domain = "community.example.test";
    p.path = "/";
    return p;
}

TEST(HttpCookieTest, CookiesThatCannotBeSentAreRefused) {
    struct Case {
        std::string name;
        std::function<void(HttpCookieProperties&)> change;
        bool made;
    } cases[] = {
        {"complete", [](HttpCookieProperties&) {}, true},
        {"empty value", [](HttpCookieProperties& p) { p.value.clear(); }, true},
        {"no name", [](HttpCookieProperties& p) { p.name.clear(); }, false},
        {"no path", [](HttpCookieProperties& p) { p.path.reset(); }, false},
        {"no domain nor origin", [](HttpCookieProperties& p) { p.domain.reset(); }, false},
        {"origin gives the host", [](HttpCookieProperties& p) {
             p.domain.reset();
             p.originURL = platform::Url::parse("https://Community.Example.Test/s/");
         }, true},
        {"'=' in the name", [](HttpCookieProperties& p) { p.name = "a=b"; }, false},
        {"';' in the value", [](HttpCookieProperties& p) { p.value = "a;b"; }, false},
        {"tab in the value", [](HttpCookieProperties& p) { p.value = "a\tb"; }, false},
        {"line break in the name", [](HttpCookieProperties& p) { p.name = "a\nb"; }, false},
        {"space in the domain", [](HttpCookieProperties& p) { p.domain = "a b.test"; }, false},
        {"only a dot as domain", [](HttpCookieProperties& p) { p.domain = "."; }, false},
    };
    for (const auto& c : cases) {
        auto p = properties();
        c.change(p);
        auto cookie = HttpCookie::create(p);
        EXPECT_EQ(cookie.has_value(), c.made) << c.name;
        if (c.name == "origin gives the host") {
            EXPECT_EQ(cookie->domain(), "community.example.test");
        }
    }
}

TEST(HttpCookieTest, ExpiryComesFromTheDateOrTheMaximumAge) {
    auto session = *HttpCookie::create(properties());
    EXPECT_TRUE(session.isSessionOnly());

    auto p = properties();
    p.expires = platform::now() + 100.75;
    EXPECT_EQ(HttpCookie::create(p)->expiresDate(), platform::now() + 100) << "whole seconds";
    p.maximumAge = 60;
    EXPECT_EQ(HttpCookie::create(p)->expiresDate(), platform::now() + 60);
    p.discard = true;
    EXPECT_TRUE(HttpCookie::create(p)->isSessionOnly());
}

TEST(HttpCookieStorageTest, CookiesAreStoredReplacedAndDeletedByNameDomainAndPath) {
    auto jar = HttpCookieStorage::create();
    auto lasting = properties("remember", "1");
    lasting.domain = ".example.test";
    lasting.expires = platform::now() + 3600;
    lasting.httpOnly = true;
    auto otherPath = properties("sid", "path");
    otherPath.path = "/s";

    jar->setCookie(*HttpCookie::create(properties("sid", "first")));
    jar->setCookie(*HttpCookie::create(properties("sid", "second")));
    jar->setCookie(*HttpCookie::create(otherPath));
    jar->setCookie(*HttpCookie::create(lasting));
    auto cookies = jar->cookies();
    ASSERT_EQ(cookies.size(), 3u);
    EXPECT_EQ(cookies[0], *HttpCookie::create(lasting)) << "expiry and flags read back as set";
    EXPECT_EQ(cookies[1].value(), "second");
    EXPECT_EQ(cookies[2].path(), "/s");

    jar->deleteCookie(*HttpCookie::create(properties("sid", "any value")));
    auto left = jar->cookies();
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].name(), "remember");
    EXPECT_EQ(left[1].path(), "/s");

    auto expired = properties("remember", "gone");
    expired.domain = ".example.test";
    expired.expires = platform::now() - 10;
    jar->setCookie(*HttpCookie::create(expired));
    EXPECT_EQ(jar->cookies().size(), 1u) << "an expired cookie removes its namesake";
}

TEST(HttpCookieStorageTest, OnlyLastingCookiesAreWrittenAndReadBack) {
    auto jar = HttpCookieStorage::create();
    auto lasting = properties("remember", "1");
    lasting.expires = platform::now() + 3600;
    jar->setCookie(*HttpCookie::create(properties()));
    jar->setCookie(*HttpCookie::create(lasting));
    auto text = jar->persistentCookiesText();
    EXPECT_TRUE(text.starts_with("# Netscape HTTP Cookie File\n")) << text;
    EXPECT_EQ(text.find("sid"), std::string::npos);

    // The app's clock may run anywhere; a jar made later on it reads the same expiry.
    testsupport::advance(600);
    auto reloaded = HttpCookieStorage::create();
    reloaded->loadCookiesText(text);
    auto cookies = reloaded->cookies();
    ASSERT_EQ(cookies.size(), 1u);
    EXPECT_EQ(cookies[0].name(), "remember");
    EXPECT_NEAR(*cookies[0].expiresDate(), *HttpCookie::create(lasting)->expiresDate(), 601);

    EXPECT_TRUE(HttpCookieStorage::create()->persistentCookiesText().empty());
}

// Damaged lines of a stored cookie file are skipped, the rest read. A domain
// with an empty label would lose a dot at every read and never settle.
TEST(HttpCookieStorageTest, AStoredFileKeepsItsGoodLinesAndSkipsDamagedOnes) {
    const std::string good = ".community.example.test\tTRUE\t/\tTRUE\t4102444800\tsid\tabc\n";
    auto jar = HttpCookieStorage::create();
    jar->loadCookiesText("# Netscape HTTP Cookie File\n" + good +
                         "..community.example.test\tTRUE\t/\tTRUE\t4102444800\tdots\tx\n"
                         "community..example.test\tFALSE\t/\tTRUE\t4102444800\tinner\tx\n"
                         ".\tTRUE\t/\tFALSE\t4102444800\tdot\tx\n"
                         "too\tfew\tfields\n");
    const auto cookies = jar->cookies();
    ASSERT_EQ(cookies.size(), 1u);
    EXPECT_EQ(cookies[0].name(), "sid");
    EXPECT_EQ(cookies[0].domain(), ".community.example.test");
    const auto text = jar->persistentCookiesText();
    auto reloaded = HttpCookieStorage::create();
    reloaded->loadCookiesText(text);
    EXPECT_EQ(reloaded->persistentCookiesText(), text);
}

} // namespace
