#include "Platform/SDKs/Veltrane/VQSDKWebViewStateManager.hpp"

#include "Platform/Web/WebsiteDataStore.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

using namespace platform;
using namespace platform::veltrane;

namespace {

HttpCookie cookie(const std::string& name, const std::string& domain) {
    HttpCookieProperties properties;
    properties.name = name;
    properties.value = "v-" + name;
    properties.domain = domain;
    properties.path = "/";
    properties.secure = true;
    return *HttpCookie::create(properties);
}

std::vector<std::string> cookieNames() {
    std::vector<std::string> names;
    bool done = false;
    web::WebsiteDataStore::defaultDataStore()->httpCookieStore()->getAllCookies([&](std::vector<HttpCookie> cookies) {
        for (const auto& item : cookies) names.push_back(item.name() + "@" + item.domain());
        done = true;
    });
    EXPECT_TRUE(testsupport::waitUntil([&] { return done; }));
    std::sort(names.begin(), names.end());
    return names;
}

TEST(VQSDKWebViewStateManagerTest, ResetSessionCookieRemovesOnlyTheWebSession) {
    auto store = web::WebsiteDataStore::defaultDataStore()->httpCookieStore();
    store->setCookie(cookie("sid", "community.example.test"));
    store->setCookie(cookie("sid", "other.example.test"));
    store->setCookie(cookie("tracking", "community.example.test"));
    testsupport::pump();
    ASSERT_EQ(cookieNames().size(), 3u);

    bool completed = false;
    VQSDKWebViewStateManager::resetSessionCookie([&] { completed = true; });
    ASSERT_TRUE(testsupport::waitUntil([&] { return completed; }));
    EXPECT_EQ(cookieNames(), std::vector<std::string>{"tracking@community.example.test"});

    // Nothing to remove: the completion still runs.
    completed = false;
    VQSDKWebViewStateManager::resetSessionCookie([&] { completed = true; });
    ASSERT_TRUE(testsupport::waitUntil([&] { return completed; }));

    completed = false;
    VQSDKWebViewStateManager::removeSession([&] { completed = true; });
    ASSERT_TRUE(testsupport::waitUntil([&] { return completed; }));
    EXPECT_TRUE(cookieNames().empty());
}

} // namespace
