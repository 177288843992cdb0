#include "Platform/Web/WebsiteDataStore.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Web/WebView.hpp"
#include "tests/Platform/Web/WebTestSupport.hpp"
#include "tests/support/LoopbackHttpsServer.hpp"

#include <gtest/gtest.h>

using namespace platform::web;
using platform::HttpCookie;
using platform::HttpCookieProperties;
using webtest::url;

namespace {

const std::string kBase = "https://community.example.test";

HttpCookie makeCookie(std::string name, std::string domain, std::optional<double> lifetime = std::nullopt) {
    HttpCookieProperties properties;
    properties.name = std::move(name);
    properties.value = "v";
    properties.domain = std::move(domain);
    properties.path = "/";
    if (lifetime) {
        properties.expires = platform::now() + *lifetime;
    }
    return *HttpCookie::create(properties);
}

std::string fileText(const std::filesystem::path& path) {
    auto data = platform::readFile(path);
    return data ? std::string(data->begin(), data->end()) : std::string();
}

std::vector<HttpCookie> allCookies(const WebsiteDataStore& store) {
    std::optional<std::vector<HttpCookie>> cookies;
    store.httpCookieStore()->getAllCookies([&](std::vector<HttpCookie> all) { cookies = std::move(all); });
    testsupport::pump();
    return cookies.value_or(std::vector<HttpCookie>{});
}

std::vector<std::string> names(const std::vector<HttpCookie>& cookies) {
    std::vector<std::string> result;
    for (const auto& cookie : cookies) result.push_back(cookie.name());
    return result;
}

/// A loopback site whose pages set a session cookie and a lasting one.
class WebsiteDataStoreTest : public ::testing::Test {
protected:
    testsupport::LoopbackHttpsServer server;

    WebsiteDataStoreTest() {
        server.server().Get("/s/", [](const httplib::Request&, httplib::Response& response) {
            response.set_header("Set-Cookie", "sid=session-value; Path=/; Secure");
            response.headers.emplace("Set-Cookie", "remember=yes; Max-Age=86400; Path=/; Domain=example.test");
            response.set_content("<title>Home</title>", "text/html");
        });
        server.routeHost();
    }

    /// Loads the home page in a web view of the store.
    void visit(const std::shared_ptr<WebsiteDataStore>& store) {
        auto configuration = WebViewConfiguration::create();
        configuration->websiteDataStore = store;
        auto webView = WebView::create({}, configuration);
        webView->load(platform::HttpRequest(url(kBase + "/s/")));
        ASSERT_TRUE(testsupport::waitUntil([&] { return webView->title() == "Home" && !webView->isLoading(); }));
    }
};

TEST_F(WebsiteDataStoreTest, TheDefaultStoreKeepsLastingCookiesOnDiskForTheNextLaunch) {
    auto store = WebsiteDataStore::defaultDataStore();
    EXPECT_TRUE(store->isPersistent());
    EXPECT_EQ(WebsiteDataStore::defaultDataStore(), store);
    visit(store);

    auto file = WebsiteDataStore::cookieFilePath();
    EXPECT_EQ(file, testsupport::sandboxRoot() / "Library" / "Cookies" / "Cookies.txt");
    auto text = fileText(file);
    EXPECT_NE(text.find("remember\tyes"), std::string::npos) << text;
    EXPECT_EQ(text.find("sid"), std::string::npos) << "session cookies stay in memory";

    // A relaunch on the same sandbox reads the lasting cookie back.
    platform::Sandbox::setRoot(testsupport::sandboxRoot());
    auto relaunched = WebsiteDataStore::defaultDataStore();
    ASSERT_NE(relaunched, store);
    auto cookies = allCookies(*relaunched);
    ASSERT_EQ(names(cookies), (std::vector<std::string>{"remember"}));
    EXPECT_EQ(cookies[0].domain(), ".example.test");
    ASSERT_TRUE(cookies[0].expiresDate());
    EXPECT_NEAR(*cookies[0].expiresDate(), platform::now() + 86400, 5);
}

TEST_F(WebsiteDataStoreTest, AWipeOfAllWebsiteDataLeavesNoCookieOnDisk) {
    auto store = WebsiteDataStore::defaultDataStore();
    visit(store);
    store->httpCookieStore()->setCookie(makeCookie("tracking", "community.example.test", 3600));
    testsupport::pump();
    ASSERT_TRUE(platform::FileManager::defaultManager().fileExists(WebsiteDataStore::cookieFilePath()));

    // As the app's logout does: fetch the cookie records, then remove them all.
    bool removed = false;
    store->fetchDataRecords({kWebsiteDataTypeCookies}, [&](std::vector<WebsiteDataRecord> records) {
        EXPECT_EQ(records.size(), 2u);
        store->removeData({kWebsiteDataTypeCookies}, records, [&] { removed = true; });
    });
    ASSERT_TRUE(testsupport::waitUntil([&] { return removed; }));

    EXPECT_TRUE(allCookies(*store).empty());
    EXPECT_FALSE(platform::FileManager::defaultManager().fileExists(WebsiteDataStore::cookieFilePath()));
    platform::Sandbox::setRoot(testsupport::sandboxRoot());
    EXPECT_TRUE(allCookies(*WebsiteDataStore::defaultDataStore()).empty());
}

TEST_F(WebsiteDataStoreTest, RecordsAreFetchedAndRemovedBySiteAndType) {
    auto store = WebsiteDataStore::nonPersistent();
    visit(store);
    store->httpCookieStore()->setCookie(makeCookie("other", ".other.example", 3600));
    testsupport::pump();

    std::vector<WebsiteDataRecord> records;
    store->fetchDataRecords(WebsiteDataStore::allWebsiteDataTypes(),
                            [&](std::vector<WebsiteDataRecord> all) { records = std::move(all); });
    testsupport::pump();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].displayName, "community.example.test");
    EXPECT_EQ(records[1].displayName, "example.test");
    EXPECT_EQ(records[2].displayName, "other.example");
    EXPECT_EQ(records[2].dataTypes, (std::set<std::string>{kWebsiteDataTypeCookies}));

    std::vector<WebsiteDataRecord> none;
    store->fetchDataRecords({kWebsiteDataTypeDiskCache}, [&](std::vector<WebsiteDataRecord> all) { none = all; });
    store->removeData({kWebsiteDataTypeDiskCache}, records);
    store->removeData({kWebsiteDataTypeCookies}, {records[2]});
    testsupport::pump();
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(names(allCookies(*store)), (std::vector<std::string>{"remember", "sid"}));

    store->removeData({kWebsiteDataTypeCookies}, 0.0);
    EXPECT_TRUE(allCookies(*store).empty());
    EXPECT_FALSE(platform::FileManager::defaultManager().fileExists(WebsiteDataStore::cookieFilePath()))
        << "a store in memory writes nothing";
}

TEST_F(WebsiteDataStoreTest, CookieStoreChangesCompleteOnTheMainQueueInOrder) {
    auto cookies = WebsiteDataStore::nonPersistent()->httpCookieStore();
    std::vector<std::string> steps;
    cookies->setCookie(makeCookie("a", "community.example.test"), [&] { steps.push_back("set a"); });
    cookies->setCookie(makeCookie("b", "community.example.test", 60), [&] { steps.push_back("set b"); });
    cookies->deleteCookie(makeCookie("a", "community.example.test"), [&] { steps.push_back("deleted a"); });
    cookies->getAllCookies([&](std::vector<HttpCookie> all) {
        steps.push_back("all " + std::to_string(all.size()) + " " + all.at(0).name());
    });
    cookies->deleteAllCookies([&] { steps.push_back("deleted all"); });
    cookies->getAllCookies([&](std::vector<HttpCookie> all) { steps.push_back("all " + std::to_string(all.size())); });
    EXPECT_TRUE(steps.empty());
    testsupport::pump();
    EXPECT_EQ(steps, (std::vector<std::string>{"set a", "set b", "deleted a", "all 1 b", "deleted all", "all 0"}));
}

TEST_F(WebsiteDataStoreTest, ACookieSetByTheAppIsSentWithTheStoresRequests) {
    server.server().Get("/echo", [](const httplib::Request& request, httplib::Response& response) {
        response.set_content("<title>" + request.get_header_value("Cookie") + "</title>", "text/html");
    });
    auto store = WebsiteDataStore::nonPersistent();
    store->httpCookieStore()->setCookie(makeCookie("ATT", "community.example.test", 3600));
    auto configuration = WebViewConfiguration::create();
    configuration->websiteDataStore = store;
    auto webView = WebView::create({}, configuration);
    webView->load(platform::HttpRequest(url(kBase + "/echo")));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !webView->title().empty(); }));
    EXPECT_EQ(webView->title(), "ATT=v");
}

TEST_F(WebsiteDataStoreTest, AFreshSandboxGetsAFreshDefaultStore) {
    auto store = WebsiteDataStore::defaultDataStore();
    store->httpCookieStore()->setCookie(makeCookie("kept", "community.example.test", 3600));
    testsupport::pump();
    testsupport::freshSandbox();
    auto fresh = WebsiteDataStore::defaultDataStore();
    EXPECT_NE(fresh, store);
    EXPECT_TRUE(allCookies(*fresh).empty());
}

TEST_F(WebsiteDataStoreTest, ABrokenCookieFileIsReadAsFarAsItMakesSense) {
    auto file = WebsiteDataStore::cookieFilePath();
    ASSERT_TRUE(platform::FileManager::defaultManager().createDirectory(file.parent_path()));
    auto future = std::to_string(static_cast<long long>(std::time(nullptr)) + 3600);
    std::string text = "# Netscape HTTP Cookie File\n"
                       "community.example.test\tFALSE\t/\tTRUE\t" + future + "\tgood\tone\r\n"
                       "garbage line without tabs\n"
                       "community.example.test\tFALSE\t/\tTRUE\tnot-a-number\tbad\tx\n"
                       "community.example.test\tFALSE\t/\tTRUE\t1000\texpired\tx\n"
                       "#HttpOnly_.example.test\tTRUE\t/\tFALSE\t" + future + "\thttponly\ttwo\n"
                       "\xff\xfe\x00\x01";
    ASSERT_TRUE(platform::writeFileAtomically(file, platform::Data(text.begin(), text.end())));

    auto cookies = allCookies(*WebsiteDataStore::defaultDataStore());
    ASSERT_EQ(names(cookies), (std::vector<std::string>{"httponly", "good"}));
    EXPECT_TRUE(cookies[0].isHTTPOnly());
    EXPECT_TRUE(cookies[1].isSecure());
    EXPECT_EQ(fileText(file).find("garbage"), std::string::npos) << "the file is rewritten clean";
}

} // namespace
