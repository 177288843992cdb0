#include "Platform/Web/WebView.hpp"

#include "Platform/Foundation/Console.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/Reachability.hpp"
#include "Platform/UI/EventDriver.hpp"
#include "Platform/UI/ViewDump.hpp"
#include "tests/Platform/Web/WebTestSupport.hpp"
#include "tests/support/LoopbackHttpsServer.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

using namespace platform::web;
using platform::Error;
using platform::HttpRequest;
using platform::Json;
using platform::Url;
using webtest::RecordingNavigationDelegate;
using webtest::url;

namespace {

const std::string kBase = "https://community.example.test";

std::string page(int number) {
    return "<html><head><title>Page " + std::to_string(number) + "</title></head><body>page " +
           std::to_string(number) + "</body></html>";
}

/// A loopback community site and a web view with a recording delegate.
class WebViewTest : public ::testing::Test {
protected:
    testsupport::LoopbackHttpsServer server;
    std::shared_ptr<WebView> webView = WebView::create();
    std::shared_ptr<RecordingNavigationDelegate> delegate = std::make_shared<RecordingNavigationDelegate>();

    WebViewTest() {
        auto& http = server.server();
        http.Get(R"(/page/(\d+))", [](const httplib::Request& request, httplib::Response& response) {
            response.set_content(page(std::stoi(request.matches[1])), "text/html; charset=utf-8");
        });
        http.Get("/forbidden", [](const httplib::Request&, httplib::Response& response) {
            response.status = 403;
            response.set_content("<html><title>Forbidden</title></html>", "text/html");
        });
        http.Get("/server-error", [](const httplib::Request&, httplib::Response& response) {
            response.status = 500;
            response.set_content("<html><body>Internal Server Error 1234-5678 (42)</body></html>", "text/html");
        });
        http.Get("/redirect/a", [](const httplib::Request&, httplib::Response& response) {
            response.set_redirect("/redirect/b", 302);
        });
        http.Get("/redirect/b", [](const httplib::Request&, httplib::Response& response) {
            response.set_redirect(kBase + "/page/3", 301);
        });
        http.Get("/set-cookie", [](const httplib::Request&, httplib::Response& response) {
            response.set_header("Set-Cookie", "session=abc; Path=/; Secure; HttpOnly");
            response.set_content(page(10), "text/html");
        });
        http.Get("/login", [](const httplib::Request&, httplib::Response& response) {
            response.set_header("Set-Cookie", "sid=xyz; Path=/");
            response.set_redirect("/echo-cookie", 302);
        });
        http.Get("/echo-cookie", [](const httplib::Request& request, httplib::Response& response) {
            response.set_content("<title>" + request.get_header_value("Cookie") + "</title>", "text/html");
        });
        http.Get("/download", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("binary", "application/octet-stream");
        });
        http.Get("/slow", [this](const httplib::Request&, httplib::Response& response) {
            server.waitForRelease();
            response.set_content(page(99), "text/html");
        });
        server.routeHost();
        webView->setNavigationDelegate(delegate);
    }

    ~WebViewTest() override { server.releaseWaiters(); }

    void loadAndWait(const std::string& path) {
        delegate->events.clear();
        webView->load(HttpRequest(url(kBase + path)));
        ASSERT_TRUE(webtest::waitForLoad(*delegate)) << path;
    }

    /// Lets every load settle when no end event is expected.
    static void settle() { platform::ui::EventDriver::settle(); }

    std::vector<std::string> paths() const {
        std::vector<std::string> result;
        for (const auto& request : server.requests()) {
            result.push_back(request.path);
        }
        return result;
    }
};

TEST_F(WebViewTest, LoadAsksInOrderCommitsUrlAndTitleAndFinishes) {
    std::vector<std::string> observed;
    auto observations = {
        webView->observe(WebViewProperty::url, [&](WebView& view) { observed.push_back("url " + view.url()->absoluteString()); }),
        webView->observe(WebViewProperty::title, [&](WebView& view) { observed.push_back("title " + view.title()); }),
        webView->observe(WebViewProperty::isLoading,
                         [&](WebView& view) { observed.push_back(view.isLoading() ? "loading" : "loaded"); }),
    };

    auto navigation = webView->load(HttpRequest(url(kBase + "/page/1")));
    ASSERT_NE(navigation, nullptr);
    EXPECT_TRUE(delegate->events.empty()) << "the delegate hears of a load after the caller's turn";
    ASSERT_TRUE(webtest::waitForLoad(*delegate));

    EXPECT_EQ(delegate->events, (std::vector<std::string>{"action other " + kBase + "/page/1", "start",
                                                          "response 200 " + kBase + "/page/1", "commit", "finish"}));
    EXPECT_FALSE(delegate->everOffMainThread);
    EXPECT_EQ(webView->url()->absoluteString(), kBase + "/page/1");
    EXPECT_EQ(webView->title(), "Page 1");
    EXPECT_FALSE(webView->isLoading());
    EXPECT_EQ(webView->estimatedProgress(), 1.0);
    EXPECT_EQ(observed, (std::vector<std::string>{"loading", "url " + kBase + "/page/1", "title Page 1", "loaded"}));
    ASSERT_EQ(delegate->responses.size(), 1u);
    EXPECT_EQ(delegate->responses[0].mimeType, "text/html");
    EXPECT_TRUE(delegate->actions[0].targetFrame && delegate->actions[0].targetFrame->isMainFrame);
    EXPECT_EQ(platform::ui::dumpLine(*webView), "WebView url=" + kBase + "/page/1 title=\"Page 1\"");
}

TEST_F(WebViewTest, RequestsCarryTheUserAgentWithTheApplicationName) {
    auto configuration = WebViewConfiguration::create();
    configuration->applicationNameForUserAgent = "VellicorApp/1.0";
    webView = WebView::create({}, configuration);
    webView->setNavigationDelegate(delegate);
    loadAndWait("/page/1");
    webView->customUserAgent = "Custom/2.0";
    loadAndWait("/page/2");

    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    auto agent = requests[0].headers.find("User-Agent")->second;
    EXPECT_TRUE(agent.starts_with("Mozilla/5.0 (Phone;")) << agent;
    EXPECT_TRUE(agent.ends_with(" VellicorApp/1.0")) << agent;
    EXPECT_EQ(requests[1].headers.find("User-Agent")->second, "Custom/2.0");
}

TEST_F(WebViewTest, LinkCancelledByTheActionPolicyIsNoErrorAndIsNeverFetched) {
    loadAndWait("/page/1");
    delegate->events.clear();
    delegate->decideAction = [](const NavigationAction& action) {
        return action.request.url->path() == "/page/2" ? NavigationActionPolicy::cancel : NavigationActionPolicy::allow;
    };

    webView->followLink(url(kBase + "/page/2"));
    settle();

    EXPECT_EQ(delegate->events, (std::vector<std::string>{"action linkActivated " + kBase + "/page/2"}));
    EXPECT_EQ(paths(), (std::vector<std::string>{"/page/1"}));
    EXPECT_EQ(webView->url()->absoluteString(), kBase + "/page/1");
    EXPECT_FALSE(webView->isLoading());
}

TEST_F(WebViewTest, ResponseCancelledByPolicyFailsWithFrameLoadInterrupted) {
    delegate->decideResponse = [](const NavigationResponse& response) {
        return response.httpResponse->statusCode() == 403 ? NavigationResponsePolicy::cancel
                                                          : NavigationResponsePolicy::allow;
    };
    loadAndWait("/forbidden");

    EXPECT_EQ(delegate->events, (std::vector<std::string>{"action other " + kBase + "/forbidden", "start",
                                                          "response 403 " + kBase + "/forbidden",
                                                          "failProvisional WebKitErrorDomain 102"}));
    EXPECT_EQ(delegate->errors[0].localizedDescription(), "Frame load interrupted");
    EXPECT_FALSE(webView->url());
    EXPECT_FALSE(webView->isLoading());
}

TEST_F(WebViewTest, ServerRedirectsAreAskedAsActionsHopByHop) {
    loadAndWait("/redirect/a");

    EXPECT_EQ(delegate->events,
              (std::vector<std::string>{"action other " + kBase + "/redirect/a", "start",
                                        "action other " + kBase + "/redirect/b", "redirect",
                                        "action other " + kBase + "/page/3", "redirect",
                                        "response 200 " + kBase + "/page/3", "commit", "finish"}));
    EXPECT_EQ(paths(), (std::vector<std::string>{"/redirect/a", "/redirect/b", "/page/3"}));
    EXPECT_EQ(webView->url()->absoluteString(), kBase + "/page/3");
    EXPECT_EQ(webView->backForwardList().currentItem()->initialURL().absoluteString(), kBase + "/redirect/a");
}

TEST_F(WebViewTest, RedirectCancelledByPolicyInterruptsTheLoad) {
    delegate->decideAction = [](const NavigationAction& action) {
        return action.request.url->path() == "/redirect/b" ? NavigationActionPolicy::cancel
                                                           : NavigationActionPolicy::allow;
    };
    loadAndWait("/redirect/a");

    EXPECT_EQ(delegate->events.back(), "failProvisional WebKitErrorDomain 102");
    EXPECT_EQ(std::count(delegate->events.begin(), delegate->events.end(), "redirect"), 0);
    settle();
    EXPECT_EQ(paths(), (std::vector<std::string>{"/redirect/a"}));
    EXPECT_FALSE(webView->url());
}

TEST_F(WebViewTest, CookiesSetByOneResponseAreSentWithTheNextAndAcrossRedirects) {
    loadAndWait("/set-cookie");
    loadAndWait("/echo-cookie");
    EXPECT_EQ(webView->title(), "session=abc");

    loadAndWait("/login");
    // The redirect's own Set-Cookie is sent with the request that follows it.
    EXPECT_NE(webView->title().find("sid=xyz"), std::string::npos) << webView->title();
    EXPECT_NE(webView->title().find("session=abc"), std::string::npos) << webView->title();

    std::vector<platform::HttpCookie> cookies;
    webView->configuration()->websiteDataStore->httpCookieStore()->getAllCookies(
        [&](std::vector<platform::HttpCookie> all) { cookies = std::move(all); });
    testsupport::pump();
    ASSERT_EQ(cookies.size(), 2u);
    EXPECT_EQ(cookies[0].name(), "session");
    EXPECT_TRUE(cookies[0].isSecure());
    EXPECT_TRUE(cookies[0].isHTTPOnly());
    EXPECT_EQ(cookies[0].domain(), "community.example.test");
}

TEST_F(WebViewTest, ViewsOfOtherDataStoresDoNotShareCookies) {
    loadAndWait("/set-cookie");
    auto configuration = WebViewConfiguration::create();
    configuration->websiteDataStore = WebsiteDataStore::nonPersistent();
    auto other = WebView::create({}, configuration);
    auto otherDelegate = std::make_shared<RecordingNavigationDelegate>();
    other->setNavigationDelegate(otherDelegate);
    other->load(HttpRequest(url(kBase + "/echo-cookie")));
    ASSERT_TRUE(webtest::waitForLoad(*otherDelegate));
    EXPECT_EQ(other->title(), "");
}

TEST_F(WebViewTest, OfflineLoadFailsWithNotConnectedToTheInternet) {
    platform::Reachability::setOffline(true);
    loadAndWait("/page/1");

    EXPECT_EQ(delegate->events.back(), "failProvisional NSURLErrorDomain -1009");
    EXPECT_EQ(delegate->errors[0].userInfo.value(std::string(platform::kErrorFailingURLStringKey), ""),
              kBase + "/page/1");
    EXPECT_TRUE(paths().empty());
}

TEST_F(WebViewTest, AllowedLinksToSchemesTheViewCannotLoadFailAsUnsupported) {
    for (const std::string link : {"mailto:someone@example.test", "tel:+15551234", "tnx://plugin/call", "myapp://open"}) {
        SCOPED_TRACE(link);
        delegate->events.clear();
        webView->followLink(url(link));
        ASSERT_TRUE(webtest::waitForLoad(*delegate));
        EXPECT_EQ(delegate->events, (std::vector<std::string>{"action linkActivated " + link, "start",
                                                              "failProvisional NSURLErrorDomain -1002"}));
    }
    EXPECT_FALSE(webView->url());
}

TEST_F(WebViewTest, ContentTheViewCannotShowFailsAfterItIsAllowed) {
    loadAndWait("/download");
    EXPECT_EQ(delegate->events.back(), "failProvisional WebKitErrorDomain 100");
    EXPECT_FALSE(delegate->responses[0].canShowMIMEType);
}

TEST_F(WebViewTest, BackForwardListKeepsPagesOldestFirstAndGoesBackWithoutTheServer) {
    std::vector<std::string> history;
    auto backObservation = webView->observe(WebViewProperty::canGoBack, [&](WebView& view) {
        history.push_back(view.canGoBack() ? "canGoBack" : "cannotGoBack");
    });
    auto forwardObservation = webView->observe(WebViewProperty::canGoForward, [&](WebView& view) {
        history.push_back(view.canGoForward() ? "canGoForward" : "cannotGoForward");
    });
    for (int number : {1, 2, 3}) {
        loadAndWait("/page/" + std::to_string(number));
    }
    const auto& list = webView->backForwardList();
    auto titles = [](const std::vector<std::shared_ptr<BackForwardListItem>>& items) {
        std::vector<std::string> result;
        for (const auto& item : items) result.push_back(item->title());
        return result;
    };
    EXPECT_EQ(titles(list.backList()), (std::vector<std::string>{"Page 1", "Page 2"}));
    EXPECT_EQ(list.item(-2)->title(), "Page 1");
    EXPECT_FALSE(webView->canGoForward());

    delegate->events.clear();
    ASSERT_NE(webView->goBack(), nullptr);
    ASSERT_TRUE(webtest::waitForLoad(*delegate));
    EXPECT_EQ(delegate->events, (std::vector<std::string>{"action backForward " + kBase + "/page/2", "start",
                                                          "commit", "finish"}));
    EXPECT_EQ(webView->title(), "Page 2");
    EXPECT_EQ(titles(list.forwardList()), (std::vector<std::string>{"Page 3"}));
    EXPECT_EQ(list.item(1)->title(), "Page 3");
    EXPECT_EQ(server.requestCount(), 3u) << "the page cache brings the page back";

    delegate->events.clear();
    webView->go(list.item(-1));
    ASSERT_TRUE(webtest::waitForLoad(*delegate));
    EXPECT_EQ(webView->url()->absoluteString(), kBase + "/page/1");
    EXPECT_FALSE(webView->canGoBack());
    EXPECT_EQ(titles(list.forwardList()), (std::vector<std::string>{"Page 2", "Page 3"}));

    loadAndWait("/page/4");
    EXPECT_EQ(titles(list.backList()), (std::vector<std::string>{"Page 1"}));
    EXPECT_TRUE(list.forwardList().empty());
    EXPECT_EQ(webView->goForward(), nullptr);
    EXPECT_EQ(history, (std::vector<std::string>{"canGoBack", "canGoForward", "cannotGoBack", "canGoBack",
                                                 "cannotGoForward"}));
}

TEST_F(WebViewTest, ReloadFetchesTheCurrentPageAgainInPlace) {
    loadAndWait("/page/1");
    loadAndWait("/page/2");
    delegate->events.clear();
    ASSERT_NE(webView->reload(), nullptr);
    ASSERT_TRUE(webtest::waitForLoad(*delegate));
    EXPECT_EQ(delegate->events.front(), "action reload " + kBase + "/page/2");
    EXPECT_EQ(paths(), (std::vector<std::string>{"/page/1", "/page/2", "/page/2"}));
    EXPECT_EQ(webView->backForwardList().backList().size(), 1u);
}

TEST_F(WebViewTest, StopLoadingAndANewLoadCancelTheLoadInFlight) {
    webView->load(HttpRequest(url(kBase + "/slow")));
    ASSERT_TRUE(testsupport::waitUntil([&] { return server.requestCount() == 1; }));
    EXPECT_TRUE(webView->isLoading());
    webView->stopLoading();
    ASSERT_TRUE(webtest::waitForLoad(*delegate));
    EXPECT_EQ(delegate->events.back(), "failProvisional NSURLErrorDomain -999");
    EXPECT_FALSE(webView->isLoading());

    delegate->events.clear();
    webView->load(HttpRequest(url(kBase + "/slow")));
    ASSERT_TRUE(testsupport::waitUntil([&] { return server.requestCount() == 2; }));
    webView->load(HttpRequest(url(kBase + "/page/1")));
    ASSERT_TRUE(testsupport::waitUntil([&] {
        return std::count(delegate->events.begin(), delegate->events.end(), "finish") == 1;
    }));
    EXPECT_NE(std::find(delegate->events.begin(), delegate->events.end(), "failProvisional NSURLErrorDomain -999"),
              delegate->events.end());
    EXPECT_EQ(webView->title(), "Page 1");
    server.releaseWaiters();
}

TEST_F(WebViewTest, HtmlStringsAndFilesCommitAtTheirUrls) {
    delegate->events.clear();
    webView->loadHTMLString("<title> Licence &amp;\n Terms </title><p>text</p>", url("https://app.example.test/"));
    ASSERT_TRUE(webtest::waitForLoad(*delegate));
    EXPECT_EQ(delegate->events, (std::vector<std::string>{"action other https://app.example.test/", "start",
                                                          "response - https://app.example.test/", "commit", "finish"}));
    EXPECT_EQ(webView->title(), "Licence & Terms");

    // The read-access folder is checked on what the paths resolve to, so that
    // a symbolic link in the app's folder cannot show a page from elsewhere.
    namespace fs = std::filesystem;
    const auto root = testsupport::sandboxRoot();
    const auto folder = root / "Package" / "licences";
    const auto outside = root / "Outside";
    ASSERT_TRUE(platform::FileManager::defaultManager().createDirectory(folder));
    ASSERT_TRUE(platform::FileManager::defaultManager().createDirectory(outside));
    ASSERT_TRUE(platform::writeFileAtomically(folder / "eula.html", platform::dataFromString("<title>EULA</title>")));
    ASSERT_TRUE(platform::writeFileAtomically(outside / "secret.html", platform::dataFromString("<title>Secret</title>")));
    fs::create_symlink("../../Outside/secret.html", folder / "escape.html");
    fs::create_directory_symlink(outside, folder / "out");
    fs::create_symlink("eula.html", folder / "alias.html");
    fs::create_directory_symlink(folder, root / "licences-link");
    const std::string refused = "failProvisional NSURLErrorDomain -1102";
    struct Case {
        std::string name;
        Url file;
        Url access;
        std::string outcome;
    } cases[] = {
        {"inside the folder", Url::fileURL(folder / "eula.html"), Url::fileURL(folder, true), "finish"},
        {"the file itself", Url::fileURL(folder / "eula.html"), Url::fileURL(folder / "eula.html"), "finish"},
        {"outside the folder", Url::fileURL(folder / "eula.html"), Url::fileURL(folder / "other", true), refused},
        {"missing", Url::fileURL(folder / "none.html"), Url::fileURL(folder, true),
         "failProvisional NSURLErrorDomain -1100"},
        {"parent folder leading out", Url::fileURL(folder / ".." / ".." / "Outside" / "secret.html"),
         Url::fileURL(folder, true), refused},
        {"absolute path elsewhere", Url::fileURL(outside / "secret.html"), Url::fileURL(folder, true), refused},
        {"file link leading out", Url::fileURL(folder / "escape.html"), Url::fileURL(folder, true), refused},
        {"folder link leading out", Url::fileURL(folder / "out" / "secret.html"), Url::fileURL(folder, true), refused},
        {"file link staying inside", Url::fileURL(folder / "alias.html"), Url::fileURL(folder, true), "finish"},
        {"access folder reached through a link", Url::fileURL(folder / "eula.html"),
         Url::fileURL(root / "licences-link", true), "finish"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        delegate->events.clear();
        webView->loadFileURL(c.file, c.access);
        ASSERT_TRUE(webtest::waitForLoad(*delegate));
        EXPECT_EQ(delegate->events.back(), c.outcome);
        EXPECT_NE(webView->title(), "Secret");
    }
    EXPECT_EQ(webView->title(), "EULA");
}

TEST_F(WebViewTest, OuterHtmlAnswersThePageShownAndOtherScriptsAnswerNothing) {
    std::optional<Json> before;
    webView->evaluateJavaScript("document.documentElement.outerHTML",
                                [&](std::optional<Json> result, std::optional<Error>) { before = result; });
    loadAndWait("/page/1");
    std::optional<Json> html;
    std::optional<Json> other = Json("unset");
    std::optional<Error> otherError;
    webView->evaluateJavaScript("document.documentElement.outerHTML;",
                                [&](std::optional<Json> result, std::optional<Error>) { html = result; });
    webView->evaluateJavaScript("myvellicor.nativejsapi.refreshNotifications();",
                                [&](std::optional<Json> result, std::optional<Error> error) {
                                    other = result;
                                    otherError = error;
                                });
    EXPECT_FALSE(html) << "answered on a later turn of the main queue";
    testsupport::pump();

    EXPECT_EQ(before, Json("<html><head></head><body></body></html>"));
    EXPECT_EQ(html, Json(page(1)));
    EXPECT_FALSE(other);
    EXPECT_FALSE(otherError);
    ASSERT_EQ(webView->javaScriptJournal().size(), 3u);
    EXPECT_EQ(webView->javaScriptJournal()[2].script, "myvellicor.nativejsapi.refreshNotifications();");
}

TEST_F(WebViewTest, OuterHtmlAskedDuringAResponseDecisionAnswersThePageThatDecisionBrings) {
    struct Case {
        std::string name;
        NavigationResponsePolicy policy;
        bool seesErrorPage;
    } cases[] = {
        {"allowed: the error page", NavigationResponsePolicy::allow, true},
        {"cancelled: the page still shown", NavigationResponsePolicy::cancel, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        loadAndWait("/page/1");
        std::optional<Json> html;
        delegate->duringResponseDecision = [&](WebView& view) {
            view.evaluateJavaScript("document.documentElement.outerHTML",
                                    [&](std::optional<Json> result, std::optional<Error>) { html = result; });
        };
        delegate->decideResponse = [&](const NavigationResponse&) { return c.policy; };
        loadAndWait("/server-error");
        ASSERT_TRUE(testsupport::waitUntil([&] { return html.has_value(); }));
        auto text = html->get<std::string>();
        EXPECT_EQ(text.find("Internal Server Error") != std::string::npos, c.seesErrorPage) << text;
        delegate->duringResponseDecision = nullptr;
        delegate->decideResponse = nullptr;
    }
}

TEST_F(WebViewTest, CallAsyncJavaScriptRecordsItsArgumentsAndAnswersFromTheResponder) {
    webView->setJavaScriptResponder([](const JavaScriptCall& call) -> std::optional<JavaScriptReply> {
        if (call.script.find("sendKORVAData") != std::string::npos) {
            return JavaScriptReply{call.arguments["txnId"], std::nullopt};
        }
        if (call.script.find("fails") != std::string::npos) {
            return JavaScriptReply{std::nullopt, Error(std::string(kWKErrorDomain), 401)};
        }
        return std::nullopt;
    });
    std::vector<std::expected<Json, Error>> results;
    auto record = [&](std::expected<Json, Error> result) { results.push_back(std::move(result)); };
    Json arguments = {{"payload", {{"events", Json::array({1, 2})}}}, {"txnId", "txn-1"}};
    webView->callAsyncJavaScript("return myvellicor.nativejsapi.sendKORVAData(payload, txnId);", arguments,
                                 std::nullopt, ContentWorld::page(), record);
    webView->callAsyncJavaScript("return fails();", Json::object(), std::nullopt, ContentWorld::defaultClient(), record);
    webView->callAsyncJavaScript("return other();", nullptr, std::nullopt, ContentWorld::page(), record);
    testsupport::pump();

    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0], Json("txn-1"));
    ASSERT_FALSE(results[1]);
    EXPECT_EQ(results[1].error().code, 401);
    EXPECT_EQ(results[2], Json()) << "no result answers null";

    const auto& journal = webView->javaScriptJournal();
    ASSERT_EQ(journal.size(), 3u);
    EXPECT_EQ(journal[0].kind, JavaScriptCall::Kind::callAsync);
    EXPECT_EQ(journal[0].arguments, arguments);
    EXPECT_EQ(journal[0].world, "page");
    EXPECT_EQ(journal[1].world, "defaultClient");
    EXPECT_EQ(journal[2].arguments, Json::object());
}

/// Makes the web view for links that open a new window.
class WindowOpener : public UIDelegate {
public:
    std::shared_ptr<WebView> created;
    std::shared_ptr<RecordingNavigationDelegate> createdDelegate = std::make_shared<RecordingNavigationDelegate>();
    bool opens = true;

    std::shared_ptr<WebView> createWebView(WebView&, const std::shared_ptr<WebViewConfiguration>& configuration,
                                           const NavigationAction&) override {
        if (!opens) return nullptr;
        created = WebView::create({}, configuration);
        created->setNavigationDelegate(createdDelegate);
        return created;
    }
};

TEST_F(WebViewTest, LinksToANewWindowOpenOnlyInAViewTheUIDelegateMakes) {
    loadAndWait("/page/1");
    auto opener = std::make_shared<WindowOpener>();
    webView->setUIDelegate(opener);
    delegate->events.clear();

    webView->followLink(url(kBase + "/page/2"), NavigationType::linkActivated, true);
    ASSERT_TRUE(webtest::waitForLoad(*opener->createdDelegate));
    EXPECT_EQ(delegate->events, (std::vector<std::string>{"action linkActivated " + kBase + "/page/2 new-window"}));
    EXPECT_EQ(opener->created->title(), "Page 2");
    EXPECT_EQ(webView->title(), "Page 1");

    opener->opens = false;
    webView->followLink(url(kBase + "/page/3"), NavigationType::linkActivated, true);
    settle();
    EXPECT_EQ(paths(), (std::vector<std::string>{"/page/1", "/page/2"}));
}

TEST_F(WebViewTest, ADecisionHandlerDroppedUncalledCountsAsCancel) {
    class Forgetful : public NavigationDelegate {
    public:
        void decidePolicyForNavigationAction(WebView&, const NavigationAction&,
                                             std::function<void(NavigationActionPolicy)>) override {}
    };
    auto forgetful = std::make_shared<Forgetful>();
    webView->setNavigationDelegate(forgetful);
    webView->load(HttpRequest(url(kBase + "/page/1")));
    settle();
    EXPECT_TRUE(paths().empty());
    EXPECT_FALSE(webView->isLoading());
    EXPECT_TRUE(platform::Console::contains("decidePolicyForNavigationAction was not called"));
}

} // namespace
