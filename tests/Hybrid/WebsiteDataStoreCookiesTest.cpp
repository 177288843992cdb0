#include "VellicorApp/Hybrid/WebsiteDataStoreCookies.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Web/WebsiteDataStore.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

using namespace vellicor;
using platform::HttpCookie;
using platform::HttpCookieProperties;
using platform::web::WebsiteDataStore;

namespace {

const std::string kClearedLine = "WKWebsiteDataStore: Cleared web cookies for all domains.";

HttpCookie makeCookie(std::string name, std::string domain, std::optional<double> lifetime) {
    HttpCookieProperties properties;
    properties.name = std::move(name);
    properties.value = "secret-" + properties.name;
    properties.domain = std::move(domain);
    properties.path = "/";
    if (lifetime) properties.expires = platform::now() + *lifetime;
    return *HttpCookie::create(properties);
}

std::size_t cookieCount(const WebsiteDataStore& store) {
    std::size_t count = 0;
    store.httpCookieStore()->getAllCookies([&](std::vector<HttpCookie> all) { count = all.size(); });
    testsupport::pump();
    return count;
}

std::string cookieFileText() {
    const auto data = platform::readFile(WebsiteDataStore::cookieFilePath());
    return data ? std::string(data->begin(), data->end()) : std::string();
}

std::size_t clearedLines() {
    const auto texts = apptest::appLogTexts("INFO");
    return static_cast<std::size_t>(std::count(texts.begin(), texts.end(), kClearedLine));
}

TEST(WebsiteDataStoreCookies, AWipeLeavesNoCookieOnDiskOrInMemoryAndLogsOnce) {
    const auto store = WebsiteDataStore::defaultDataStore();
    const auto& cookies = store->httpCookieStore();
    cookies->setCookie(makeCookie("sid", "community.example.test", std::nullopt));
    cookies->setCookie(makeCookie("remember", ".example.test", 86400));
    cookies->setCookie(makeCookie("tracking", "other.example.org", 3600));
    testsupport::pump();
    ASSERT_EQ(cookieCount(*store), 3u);
    // The session cookie (the front door's kind) never reaches the disk.
    const auto before = cookieFileText();
    EXPECT_NE(before.find("secret-remember"), std::string::npos) << before;
    EXPECT_NE(before.find("secret-tracking"), std::string::npos) << before;
    EXPECT_EQ(before.find("secret-sid"), std::string::npos) << before;

    clearCookies(store);
    EXPECT_EQ(clearedLines(), 0u) << "the wipe finishes on the main queue";
    testsupport::pump();

    EXPECT_EQ(cookieCount(*store), 0u);
    EXPECT_EQ(cookieFileText().find("secret-"), std::string::npos);
    EXPECT_EQ(clearedLines(), 1u);
    // A relaunch finds no cookie either.
    platform::Sandbox::setRoot(testsupport::sandboxRoot());
    EXPECT_EQ(cookieCount(*WebsiteDataStore::defaultDataStore()), 0u);
}

TEST(WebsiteDataStoreCookies, AWipeThatFindsNothingStillLogsOnce) {
    const auto store = WebsiteDataStore::nonPersistent();
    clearCookies(store);
    testsupport::pump();
    EXPECT_EQ(clearedLines(), 1u);
    clearCookies(store);
    testsupport::pump();
    EXPECT_EQ(clearedLines(), 2u);
}

TEST(WebsiteDataStoreCookies, AWipeAskedForOffTheMainThreadRunsOnIt) {
    const auto store = WebsiteDataStore::nonPersistent();
    store->httpCookieStore()->setCookie(makeCookie("sid", "community.example.test", std::nullopt));
    testsupport::pump();
    std::thread worker([&] { clearCookies(store); });
    worker.join();
    testsupport::pump();
    EXPECT_EQ(cookieCount(*store), 0u);
    EXPECT_EQ(clearedLines(), 1u);
}

TEST(WebsiteDataStoreCookies, AStoreGoneBeforeTheRemovalIsLeftAlone) {
    auto store = WebsiteDataStore::nonPersistent();
    const auto cookieStore = store->httpCookieStore();
    cookieStore->setCookie(makeCookie("sid", "community.example.test", std::nullopt));
    testsupport::pump();
    clearCookies(store);
    store.reset();
    testsupport::pump();
    EXPECT_EQ(clearedLines(), 0u);
    clearCookies(nullptr);
    testsupport::pump();
    EXPECT_EQ(clearedLines(), 0u);
}

} // namespace
