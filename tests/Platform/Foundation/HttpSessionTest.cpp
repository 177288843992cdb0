#include "Platform/Foundation/HttpSession.hpp"

#include "Platform/Foundation/Reachability.hpp"
#include "tests/support/LoopbackHttpsServer.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

using platform::Data;
using platform::Error;
using platform::HttpDataTask;
using platform::HttpRequest;
using platform::HttpResponse;
using platform::HttpSession;
using platform::HttpSessionConfiguration;
using platform::HttpSessionDelegate;
using platform::Url;
namespace URLError = platform::URLError;

namespace {

Url makeUrl(std::string_view text) {
    auto url = Url::parse(text);
    if (!url) {
        throw std::invalid_argument("bad test URL");
    }
    return *url;
}

std::string text(const std::optional<Data>& data) { return data ? std::string(data->begin(), data->end()) : "<none>"; }

/// What a completion received, and where it ran.
struct Outcome {
    std::mutex mutex;
    int calls = 0;
    std::optional<Data> data;
    std::optional<HttpResponse> response;
    std::optional<Error> error;
    bool onMainThread = false;
    bool onDelegateQueue = false;

    int callCount() {
        std::lock_guard lock(mutex);
        return calls;
    }
};

/// A completion that records into an Outcome.
platform::HttpCompletion recordInto(const std::shared_ptr<Outcome>& outcome,
                                    std::shared_ptr<platform::DispatchQueue> delegateQueue) {
    return [outcome, delegateQueue](std::optional<Data> data, std::optional<HttpResponse> response,
                                    std::optional<Error> error) {
        std::lock_guard lock(outcome->mutex);
        ++outcome->calls;
        outcome->data = std::move(data);
        outcome->response = std::move(response);
        outcome->error = std::move(error);
        outcome->onMainThread = platform::MainQueue::isMainThread();
        outcome->onDelegateQueue = delegateQueue->isCurrent();
    };
}

/// Decides redirects with a function and records each one it was asked about.
class RecordingDelegate : public HttpSessionDelegate {
public:
    struct Hop {
        int status = 0;
        std::string from;
        std::optional<std::string> location;
        std::string proposed;
        std::string proposedMethod;
        bool onDelegateQueue = false;
        bool onMainThread = false;
    };

    std::function<std::optional<HttpRequest>(const HttpResponse&, HttpRequest)> decide =
        [](const HttpResponse&, HttpRequest request) { return std::optional<HttpRequest>(std::move(request)); };

    void willPerformHTTPRedirection(HttpSession& session, HttpDataTask&, const HttpResponse& response,
                                    HttpRequest newRequest,
                                    std::function<void(std::optional<HttpRequest>)> completionHandler) override {
        {
            std::lock_guard lock(mutex_);
            hops_.push_back({response.statusCode(), response.url().absoluteString(), response.value("location"),
                             newRequest.url ? newRequest.url->absoluteString() : "", newRequest.httpMethod,
                             session.delegateQueue()->isCurrent(), platform::MainQueue::isMainThread()});
        }
        completionHandler(decide(response, std::move(newRequest)));
    }

    std::vector<Hop> hops() {
        std::lock_guard lock(mutex_);
        return hops_;
    }

private:
    std::mutex mutex_;
    std::vector<Hop> hops_;
};

constexpr std::string_view kHost = "https://community.example.test";

class HttpSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto& http = server.server();
        http.Get("/ok", [](const httplib::Request&, httplib::Response& res) { res.set_content("ok", "text/plain"); });
        http.Get("/echo", [](const httplib::Request& req, httplib::Response& res) {
            res.set_header("X-Reply", "yes");
            res.set_header("X-Echo", req.get_header_value("X-Token"));
            res.set_content("hello", "Text/Plain; Charset=\"UTF-8\"");
        });
        http.Get("/file", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("0123456789", "application/octet-stream");
        });
        auto echoBody = [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.method + " " + req.get_header_value("Content-Type") + " " + req.body, "text/plain");
        };
        http.Post("/upload", echoBody);
        http.Put("/upload", echoBody);
        http.Patch("/upload", echoBody);
        http.Delete("/upload", echoBody);
        http.Post("/final", echoBody);
        http.Get("/final", echoBody);
        http.Get("/slow", [this](const httplib::Request&, httplib::Response& res) {
            server.waitForRelease();
            res.set_content("late", "text/plain");
        });
        auto redirect = [](const httplib::Request& req, httplib::Response& res) {
            // /redirect/<status>: answers <status> with Location /final and a small body.
            res.status = std::stoi(req.matches[1]);
            res.set_header("Location", "/final");
            res.set_content("moved", "text/plain");
        };
        http.Get(R"(/redirect/(\d+))", redirect);
        http.Post(R"(/redirect/(\d+))", redirect);
        http.Get(R"(/hop/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
            int hop = std::stoi(req.matches[1]);
            res.status = 302;
            res.set_header("Location", hop < 3 ? "/hop/" + std::to_string(hop + 1) : "/final?from=hops");
        });
        http.Get("/loop", [](const httplib::Request&, httplib::Response& res) {
            res.status = 302;
            res.set_header("Location", "/loop");
        });
        http.Get("/set-cookie", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Set-Cookie", "visit=1; Path=/; Secure");
            res.set_content("set", "text/plain");
        });
        http.Get("/cookie", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.get_header_value("Cookie"), "text/plain");
        });
        server.routeHost("community.example.test");
        HttpSession::removeAllCookies();
    }

    void TearDown() override {
        server.releaseWaiters();
        platform::Reachability::setOffline(false);
        HttpSession::removeAllCookies();
    }

    /// Sends the request on the session and waits for its completion.
    std::shared_ptr<Outcome> perform(const std::shared_ptr<HttpSession>& session, HttpRequest request) {
        auto outcome = std::make_shared<Outcome>();
        session->send(std::move(request), recordInto(outcome, session->delegateQueue()));
        EXPECT_TRUE(testsupport::waitUntil([&] { return outcome->callCount() > 0; }));
        return outcome;
    }

    std::shared_ptr<Outcome> perform(const std::shared_ptr<HttpSession>& session, std::string_view path) {
        return perform(session, HttpRequest(makeUrl(std::string(kHost) + std::string(path))));
    }

    /// Runs one more request through the session, so that anything the network
    /// thread or the delegate queue still had for earlier tasks has been delivered.
    void settle(const std::shared_ptr<HttpSession>& session) {
        auto outcome = perform(session, "/ok");
        ASSERT_EQ(outcome->callCount(), 1);
        ASSERT_FALSE(outcome->error) << outcome->error->localizedDescription();
    }

    /// The completion ran once, off the main thread, on the session's delegate queue.
    void expectDeliveredOnce(const std::shared_ptr<HttpSession>& session, const std::shared_ptr<Outcome>& outcome) {
        settle(session);
        std::lock_guard lock(outcome->mutex);
        EXPECT_EQ(outcome->calls, 1);
        EXPECT_FALSE(outcome->onMainThread);
        EXPECT_TRUE(outcome->onDelegateQueue);
    }

    testsupport::LoopbackHttpsServer server;
};

TEST_F(HttpSessionTest, GetDeliversStatusHeadersAndBody) {
    auto session = HttpSession::create(HttpSessionConfiguration::defaultConfiguration());
    HttpRequest request(makeUrl("https://community.example.test/echo?q=1"));
    request.setValue("abc", "x-token");

    auto outcome = perform(session, request);

    ASSERT_FALSE(outcome->error) << outcome->error->localizedDescription();
    ASSERT_TRUE(outcome->response);
    const auto& response = *outcome->response;
    EXPECT_EQ(response.statusCode(), 200);
    EXPECT_EQ(text(outcome->data), "hello");
    EXPECT_EQ(response.url().absoluteString(), "https://community.example.test/echo?q=1");
    EXPECT_EQ(response.value("x-reply"), "yes");
    EXPECT_EQ(response.value("X-ECHO"), "abc");
    EXPECT_EQ(response.mimeType(), "text/plain");
    EXPECT_EQ(response.textEncodingName(), "utf-8");
    EXPECT_EQ(response.expectedContentLength(), 5);
    expectDeliveredOnce(session, outcome);
}

TEST_F(HttpSessionTest, HeadReadsNoBody) {
    auto session = HttpSession::ephemeral();
    HttpRequest request(makeUrl("https://community.example.test/file"), 3.0);
    request.httpMethod = "HEAD";

    auto outcome = perform(session, request);

    ASSERT_FALSE(outcome->error) << outcome->error->localizedDescription();
    EXPECT_EQ(outcome->response->statusCode(), 200);
    ASSERT_TRUE(outcome->data);
    EXPECT_TRUE(outcome->data->empty());
    EXPECT_EQ(outcome->response->expectedContentLength(), 10);
    ASSERT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(server.requests()[0].method, "HEAD");
}

TEST_F(HttpSessionTest, MethodsSendTheirBody) {
    auto session = HttpSession::ephemeral();
    for (std::string method : {"POST", "PUT", "PATCH", "DELETE"}) {
        SCOPED_TRACE(method);
        HttpRequest request(makeUrl("https://community.example.test/upload"));
        request.httpMethod = method;
        request.httpBody = platform::dataFromString(R"({"a":1})");
        request.setValue("application/json", "Content-Type");

        auto outcome = perform(session, request);

        ASSERT_FALSE(outcome->error) << outcome->error->localizedDescription();
        EXPECT_EQ(text(outcome->data), method + R"( application/json {"a":1})");
    }
}

TEST_F(HttpSessionTest, RedirectsAreFollowedByDefault) {
    struct Case {
        const char* name;
        std::string method;
        int status;
        std::string expectedAtFinal; // what /final saw: method, content type and body
    };
    const Case cases[] = {
        {"302 after GET", "GET", 302, "GET  "},
        {"301 after POST turns into GET", "POST", 301, "GET  "},
        {"302 after POST turns into GET", "POST", 302, "GET  "},
        {"303 after POST turns into GET", "POST", 303, "GET  "},
        {"307 after POST stays POST", "POST", 307, "POST text/plain data"},
        {"308 after POST stays POST", "POST", 308, "POST text/plain data"},
    };
    auto session = HttpSession::shared();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HttpRequest request(makeUrl("https://community.example.test/redirect/" + std::to_string(c.status)));
        request.httpMethod = c.method;
        if (c.method == "POST") {
            request.httpBody = platform::dataFromString("data");
            request.setValue("text/plain", "Content-Type");
        }

        auto outcome = perform(session, request);

        ASSERT_FALSE(outcome->error) << outcome->error->localizedDescription();
        EXPECT_EQ(outcome->response->statusCode(), 200);
        EXPECT_EQ(outcome->response->url().absoluteString(), "https://community.example.test/final");
        EXPECT_EQ(text(outcome->data), c.expectedAtFinal);
    }
}

TEST_F(HttpSessionTest, DelegateThatRefusesGetsTheRedirectResponse) {
    auto delegate = std::make_shared<RecordingDelegate>();
    delegate->decide = [](const HttpResponse&, HttpRequest) { return std::nullopt; };
    auto session = HttpSession::create(HttpSessionConfiguration::ephemeralConfiguration(), delegate);
    HttpRequest request(makeUrl("https://community.example.test/redirect/301"), 3.0);
    request.httpMethod = "HEAD";

    auto outcome = perform(session, request);

    EXPECT_FALSE(outcome->error);
    ASSERT_TRUE(outcome->response);
    EXPECT_EQ(outcome->response->statusCode(), 301);
    EXPECT_EQ(outcome->response->value("Location"), "/final");
    EXPECT_EQ(outcome->response->url().absoluteString(), "https://community.example.test/redirect/301");
    auto hops = delegate->hops();
    ASSERT_EQ(hops.size(), 1u);
    EXPECT_EQ(hops[0].status, 301);
    EXPECT_EQ(hops[0].proposed, "https://community.example.test/final");
    EXPECT_EQ(hops[0].proposedMethod, "HEAD");
    EXPECT_TRUE(hops[0].onDelegateQueue);
    EXPECT_FALSE(hops[0].onMainThread);
    EXPECT_EQ(server.requestCount(), 1u); // /final never asked for
    expectDeliveredOnce(session, outcome);
}

TEST_F(HttpSessionTest, RefusedRedirectHandsOverItsBody) {
    auto delegate = std::make_shared<RecordingDelegate>();
    delegate->decide = [](const HttpResponse&, HttpRequest) { return std::nullopt; };
    auto session = HttpSession::create(HttpSessionConfiguration::ephemeralConfiguration(), delegate);

    auto outcome = perform(session, "/redirect/302");

    EXPECT_FALSE(outcome->error);
    EXPECT_EQ(outcome->response->statusCode(), 302);
    EXPECT_EQ(text(outcome->data), "moved");
}

TEST_F(HttpSessionTest, DelegateSeesEachHopAndMayChangeTheRequest) {
    auto delegate = std::make_shared<RecordingDelegate>();
    delegate->decide = [](const HttpResponse&, HttpRequest request) {
        request.setValue("from-delegate", "X-Token");
        return std::optional<HttpRequest>(std::move(request));
    };
    auto session = HttpSession::create(HttpSessionConfiguration::defaultConfiguration(), delegate);

    auto outcome = perform(session, "/hop/1");

    ASSERT_FALSE(outcome->error) << outcome->error->localizedDescription();
    EXPECT_EQ(outcome->response->url().absoluteString(), "https://community.example.test/final?from=hops");
    auto hops = delegate->hops();
    ASSERT_EQ(hops.size(), 3u);
    const char* expected[][2] = {
        {"https://community.example.test/hop/1", "https://community.example.test/hop/2"},
        {"https://community.example.test/hop/2", "https://community.example.test/hop/3"},
        {"https://community.example.test/hop/3", "https://community.example.test/final?from=hops"},
    };
    for (std::size_t i = 0; i < hops.size(); ++i) {
        EXPECT_EQ(hops[i].status, 302);
        EXPECT_EQ(hops[i].from, expected[i][0]);
        EXPECT_EQ(hops[i].proposed, expected[i][1]);
        EXPECT_TRUE(hops[i].onDelegateQueue);
    }
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests.back().path, "/final");
    auto token = requests.back().headers.find("x-token");
    ASSERT_NE(token, requests.back().headers.end());
    EXPECT_EQ(token->second, "from-delegate");
}

/// A plain-HTTP server on loopback that records the headers of each request to /landing.
class PlainHttpServer {
public:
    PlainHttpServer() {
        server_.Get("/landing", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex_);
            received_.push_back(req.headers);
            res.set_content("plain", "text/plain");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        // The socket listens from here on; stop() needs the accept loop running, so wait for it (bounded).
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        testsupport::waitUntil([this] { return server_.is_running(); });
    }
    ~PlainHttpServer() {
        server_.stop();
        thread_.join();
    }
    PlainHttpServer(const PlainHttpServer&) = delete;
    PlainHttpServer& operator=(const PlainHttpServer&) = delete;

    int port() const { return port_; }
    std::vector<httplib::Headers> received() {
        std::lock_guard lock(mutex_);
        return received_;
    }

private:
    httplib::Server server_;
    int port_ = -1;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<httplib::Headers> received_;
};

/// Every value a header arrived with, joined with "; ".
std::string headerValues(const httplib::Headers& headers, const std::string& name) {
    std::string joined;
    auto [first, last] = headers.equal_range(name);
    for (auto it = first; it != last; ++it) {
        joined += (joined.empty() ? "" : "; ") + it->second;
    }
    return joined;
}

TEST_F(HttpSessionTest, CredentialsStayWithTheirOriginAcrossRedirects) {
    PlainHttpServer plain;
    const std::string plainTarget = "127.0.0.1:" + std::to_string(plain.port());
    HttpSession::setHostMapping("community.example.test:80", plainTarget);
    struct Unmap {
        ~Unmap() { HttpSession::removeHostMapping("community.example.test:80"); }
    } unmap;
    server.routeHost("other.example.test");
    server.server().Get("/bounce", [](const httplib::Request& req, httplib::Response& res) {
        res.status = 302;
        res.set_header("Location", req.get_param_value("to"));
    });
    server.server().Get("/landing", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("landed", "text/plain");
    });
    // The jar's own cookie for the other host, which the jar still sends there.
    platform::HttpCookieProperties jarCookie;
    jarCookie.name = "jar";
    jarCookie.value = "other";
    jarCookie.domain = "other.example.test";
    jarCookie.path = "/";
    platform::HttpCookieStorage::shared()->setCookie(*platform::HttpCookie::create(jarCookie));

    const std::string port = std::to_string(server.port());
    struct Case {
        const char* name;
        std::string location;
        bool keepsCredentials;
        std::string cookieAtLanding; // every Cookie value that arrived
    };
    const Case cases[] = {
        {"same origin, relative", "/landing", true, "manual=1"},
        {"same origin, written differently", "HTTPS://Community.Example.TEST:443/landing", true, "manual=1"},
        {"other host", "https://other.example.test/landing", false, "jar=other"},
        {"other port", "https://community.example.test:" + port + "/landing", false, ""},
        {"https to http", "http://community.example.test/landing", false, ""},
    };
    for (bool withDelegate : {false, true}) {
        auto delegate = std::make_shared<RecordingDelegate>();
        auto session = HttpSession::create(HttpSessionConfiguration::defaultConfiguration(),
                                           withDelegate ? delegate : nullptr);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (withDelegate ? ", with a delegate" : ", without a delegate"));
            const bool toPlain = c.location.starts_with("http:");
            const auto before = toPlain ? plain.received().size() : server.requestCount();
            HttpRequest request(makeUrl("https://community.example.test/bounce?to=" +
                                        platform::addingPercentEncoding(c.location, platform::UrlCharacterSet::alphanumerics)));
            request.setValue("Bearer secret-token", "Authorization");
            request.setValue("Basic cHJveHk6c2VjcmV0", "Proxy-Authorization");
            request.setValue("manual=1", "Cookie");
            request.setValue("kept", "X-Other");

            auto outcome = perform(session, request);

            ASSERT_FALSE(outcome->error) << outcome->error->localizedDescription();
            ASSERT_EQ(outcome->response->statusCode(), 200);
            httplib::Headers landed;
            if (toPlain) {
                auto received = plain.received();
                ASSERT_EQ(received.size(), before + 1);
                landed = received.back();
            } else {
                auto requests = server.requests();
                ASSERT_EQ(requests.size(), before + 2);
                ASSERT_EQ(requests.back().path, "/landing");
                landed = requests.back().headers;
            }
            EXPECT_EQ(headerValues(landed, "X-Other"), "kept");
            EXPECT_EQ(headerValues(landed, "Authorization"), c.keepsCredentials ? "Bearer secret-token" : "");
            EXPECT_EQ(headerValues(landed, "Proxy-Authorization"), c.keepsCredentials ? "Basic cHJveHk6c2VjcmV0" : "");
            EXPECT_EQ(headerValues(landed, "Cookie"), c.cookieAtLanding);
        }
        EXPECT_EQ(delegate->hops().size(), withDelegate ? std::size(cases) : 0u);
    }
}

TEST_F(HttpSessionTest, SessionCredentialsGoOnlyToTheTasksOrigin) {
    server.routeHost("other.example.test");
    server.server().Get("/away", [](const httplib::Request&, httplib::Response& res) {
        res.status = 302;
        res.set_header("Location", "https://other.example.test/final");
    });
    auto configuration = HttpSessionConfiguration::ephemeralConfiguration();
    configuration.httpAdditionalHeaders.setValue("Bearer session-token", "Authorization");
    configuration.httpAdditionalHeaders.setValue("yes", "X-Session");
    auto session = HttpSession::create(configuration);

    auto outcome = perform(session, "/away");

    ASSERT_FALSE(outcome->error) << outcome->error->localizedDescription();
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(headerValues(requests[0].headers, "Authorization"), "Bearer session-token");
    EXPECT_EQ(headerValues(requests[1].headers, "Authorization"), "");
    EXPECT_EQ(headerValues(requests[1].headers, "X-Session"), "yes");
}

TEST_F(HttpSessionTest, RedirectLoopFailsWithTooManyRedirects) {
    auto session = HttpSession::ephemeral();

    auto outcome = perform(session, "/loop");

    ASSERT_TRUE(outcome->error);
    EXPECT_EQ(outcome->error->domain, platform::kURLErrorDomain);
    EXPECT_EQ(outcome->error->code, URLError::httpTooManyRedirects);
    EXPECT_FALSE(outcome->response);
    EXPECT_FALSE(outcome->data);
    EXPECT_EQ(server.requestCount(), 17u); // the first request and 16 redirects followed
}

TEST_F(HttpSessionTest, IdleServerTimesOut) {
    auto session = HttpSession::ephemeral();
    HttpRequest request(makeUrl("https://community.example.test/slow"), 0.3);

    auto outcome = perform(session, request);

    ASSERT_TRUE(outcome->error);
    EXPECT_EQ(outcome->error->code, URLError::timedOut);
    EXPECT_EQ(outcome->error->userInfo.value(std::string(platform::kErrorFailingURLStringKey), ""),
              "https://community.example.test/slow");
    expectDeliveredOnce(session, outcome);
}

TEST_F(HttpSessionTest, OfflineFailsAtOnceWithoutTouchingTheNetwork) {
    auto session = HttpSession::shared();
    platform::Reachability::setOffline(true);

    auto outcome = perform(session, "/ok");

    ASSERT_TRUE(outcome->error);
    EXPECT_EQ(outcome->error->code, URLError::notConnectedToInternet);
    EXPECT_EQ(server.requestCount(), 0u);
    platform::Reachability::setOffline(false);
    expectDeliveredOnce(session, outcome);
}

TEST_F(HttpSessionTest, GoingOfflineEndsTransfersUnderWay) {
    auto session = HttpSession::shared();
    auto outcome = std::make_shared<Outcome>();
    session->send(HttpRequest(makeUrl("https://community.example.test/slow")),
                  recordInto(outcome, session->delegateQueue()));
    ASSERT_TRUE(testsupport::waitUntil([&] { return server.requestCount() == 1; }));

    platform::Reachability::setOffline(true);

    ASSERT_TRUE(testsupport::waitUntil([&] { return outcome->callCount() > 0; }));
    EXPECT_EQ(outcome->error->code, URLError::notConnectedToInternet);
    platform::Reachability::setOffline(false);
    expectDeliveredOnce(session, outcome);
}

TEST_F(HttpSessionTest, RequestsThatCannotBeSentFailWithTheirUrlError) {
    struct Case {
        const char* name;
        std::optional<std::string> url;
        std::string method;
        long code;
    };
    const Case cases[] = {
        {"ftp scheme", "ftp://community.example.test/file", "GET", URLError::unsupportedURL},
        {"file scheme", "file:///etc/hostname", "GET", URLError::unsupportedURL},
        {"mail link", "mailto:someone@example.test", "GET", URLError::unsupportedURL},
        {"relative URL", "/relative/path", "GET", URLError::unsupportedURL},
        {"no URL", std::nullopt, "GET", URLError::unsupportedURL},
        {"no host", "https:///path", "GET", URLError::badURL},
        {"method with a space", "https://community.example.test/ok", "GE T", URLError::badURL},
    };
    auto session = HttpSession::ephemeral();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HttpRequest request;
        if (c.url) {
            request.url = makeUrl(*c.url);
        }
        request.httpMethod = c.method;

        auto outcome = perform(session, request);

        ASSERT_TRUE(outcome->error);
        EXPECT_EQ(outcome->error->code, c.code);
        EXPECT_FALSE(outcome->onMainThread);
    }
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(HttpSessionTest, CertificateProblemsFailWithTlsErrors) {
    testsupport::LoopbackHttpsServer stranger; // its own CA, which nobody trusts
    stranger.server().Get("/ok", [](const httplib::Request&, httplib::Response& res) { res.set_content("?", "text/plain"); });
    stranger.routeHost("stranger.example.test", /*trustCertificate=*/false);
    HttpSession::setHostMapping("other-name.test:443", "127.0.0.1:" + std::to_string(server.port()));

    struct Case {
        const char* name;
        std::string url;
        bool systemTrustOnly;
    };
    const Case cases[] = {
        {"certificate from an untrusted CA", "https://stranger.example.test/ok", false},
        {"no test CA installed", "https://community.example.test/ok", true},
        {"name not in the certificate", "https://other-name.test/ok", false},
    };
    auto testCA = HttpSession::caFile();
    auto session = HttpSession::ephemeral();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.systemTrustOnly) {
            HttpSession::setCAFile(std::nullopt);
        }

        auto outcome = perform(session, HttpRequest(makeUrl(c.url)));
        HttpSession::setCAFile(testCA);

        ASSERT_TRUE(outcome->error);
        EXPECT_EQ(outcome->error->code, URLError::serverCertificateUntrusted);
        EXPECT_FALSE(outcome->response);
    }
    HttpSession::removeHostMapping("other-name.test:443");
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(HttpSessionTest, NothingListeningFailsWithCannotConnect) {
    int closedPort = 0;
    {
        testsupport::LoopbackHttpsServer gone;
        closedPort = gone.port();
    }
    HttpSession::setHostMapping("closed.example.test:443", "127.0.0.1:" + std::to_string(closedPort));

    auto outcome = perform(HttpSession::ephemeral(), HttpRequest(makeUrl("https://closed.example.test/")));
    HttpSession::removeHostMapping("closed.example.test:443");

    ASSERT_TRUE(outcome->error);
    EXPECT_EQ(outcome->error->code, URLError::cannotConnectToHost);
}

TEST_F(HttpSessionTest, CancelUnderWayCompletesOnceWithCancelled) {
    auto session = HttpSession::shared();
    auto outcome = std::make_shared<Outcome>();
    auto task = session->dataTask(HttpRequest(makeUrl("https://community.example.test/slow")),
                                  recordInto(outcome, session->delegateQueue()));
    EXPECT_EQ(task->state(), HttpDataTask::State::suspended);
    task->resume();
    ASSERT_TRUE(testsupport::waitUntil([&] { return server.requestCount() == 1; }));

    task->cancel();
    task->cancel();
    server.releaseWaiters(); // the server answers now; the answer must not reach the completion

    ASSERT_TRUE(testsupport::waitUntil([&] { return outcome->callCount() > 0; }));
    EXPECT_EQ(outcome->error->code, URLError::cancelled);
    EXPECT_FALSE(outcome->response);
    EXPECT_EQ(task->state(), HttpDataTask::State::completed);
    expectDeliveredOnce(session, outcome);
}

TEST_F(HttpSessionTest, CancelBeforeResumeOrAfterCompletion) {
    auto session = HttpSession::shared();

    auto never = std::make_shared<Outcome>();
    auto unstarted = session->dataTask(makeUrl("https://community.example.test/ok"),
                                       recordInto(never, session->delegateQueue()));
    unstarted->cancel();
    unstarted->resume();
    ASSERT_TRUE(testsupport::waitUntil([&] { return never->callCount() > 0; }));
    EXPECT_EQ(never->error->code, URLError::cancelled);

    auto done = std::make_shared<Outcome>();
    auto finished = session->send(HttpRequest(makeUrl("https://community.example.test/ok")),
                                  recordInto(done, session->delegateQueue()));
    ASSERT_TRUE(testsupport::waitUntil([&] { return done->callCount() > 0; }));
    finished->cancel();

    expectDeliveredOnce(session, never);
    expectDeliveredOnce(session, done);
    EXPECT_FALSE(done->error);
    EXPECT_EQ(finished->response()->statusCode(), 200);
    EXPECT_EQ(server.requestCount(), 3u); // /ok finished and two /ok from settling; the cancelled one never went out
}

TEST_F(HttpSessionTest, InvalidatedSessionCancelsItsTasks) {
    auto session = HttpSession::create(HttpSessionConfiguration::defaultConfiguration());
    auto running = std::make_shared<Outcome>();
    session->send(HttpRequest(makeUrl("https://community.example.test/slow")),
                  recordInto(running, session->delegateQueue()));
    ASSERT_TRUE(testsupport::waitUntil([&] { return server.requestCount() == 1; }));

    session->invalidateAndCancel();
    auto later = std::make_shared<Outcome>();
    session->send(HttpRequest(makeUrl("https://community.example.test/ok")),
                  recordInto(later, session->delegateQueue()));

    ASSERT_TRUE(testsupport::waitUntil([&] { return running->callCount() > 0 && later->callCount() > 0; }));
    EXPECT_EQ(running->error->code, URLError::cancelled);
    EXPECT_EQ(later->error->code, URLError::cancelled);
}

TEST_F(HttpSessionTest, FinishingSessionLetsItsTasksEndAndRefusesNewOnes) {
    auto session = HttpSession::create(HttpSessionConfiguration::defaultConfiguration());
    auto running = std::make_shared<Outcome>();
    session->send(HttpRequest(makeUrl("https://community.example.test/slow")),
                  recordInto(running, session->delegateQueue()));
    ASSERT_TRUE(testsupport::waitUntil([&] { return server.requestCount() == 1; }));
    auto madeBefore = std::make_shared<Outcome>();
    auto suspended = session->dataTask(HttpRequest(makeUrl("https://community.example.test/ok")),
                                       recordInto(madeBefore, session->delegateQueue()));
    EXPECT_FALSE(session->isInvalidated());

    session->finishTasksAndInvalidate();
    EXPECT_TRUE(session->isInvalidated());
    auto later = std::make_shared<Outcome>();
    session->send(HttpRequest(makeUrl("https://community.example.test/ok")), recordInto(later, session->delegateQueue()));
    suspended->resume(); // made before the invalidation: still runs
    server.releaseWaiters();

    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return running->callCount() > 0 && madeBefore->callCount() > 0 && later->callCount() > 0; }));
    ASSERT_FALSE(running->error) << running->error->localizedDescription();
    EXPECT_EQ(running->response->statusCode(), 200);
    ASSERT_FALSE(madeBefore->error) << madeBefore->error->localizedDescription();
    EXPECT_EQ(madeBefore->response->statusCode(), 200);
    ASSERT_TRUE(later->error);
    EXPECT_EQ(later->error->code, URLError::cancelled);
    EXPECT_EQ(server.requestCount(), 2u);
}

TEST_F(HttpSessionTest, TransferOutlivesTheSessionAndTheDelegate) {
    auto outcome = std::make_shared<Outcome>();
    {
        auto delegate = std::make_shared<RecordingDelegate>();
        auto session = HttpSession::create(HttpSessionConfiguration::defaultConfiguration(), delegate);
        HttpRequest request(makeUrl("https://community.example.test/redirect/302"));
        session->send(request, recordInto(outcome, session->delegateQueue()));
        // Session and delegate go away here while the transfer runs; with the
        // delegate gone the redirect is followed.
    }

    ASSERT_TRUE(testsupport::waitUntil([&] { return outcome->callCount() > 0; }));
    ASSERT_FALSE(outcome->error) << outcome->error->localizedDescription();
    EXPECT_EQ(outcome->response->url().absoluteString(), "https://community.example.test/final");
}

TEST_F(HttpSessionTest, SharedSessionKeepsCookiesAndEphemeralOneNeither) {
    auto shared = HttpSession::shared();
    auto ephemeral = HttpSession::ephemeral();

    perform(ephemeral, "/set-cookie");
    EXPECT_EQ(text(perform(shared, "/cookie")->data), "") << "the ephemeral session stored a cookie";

    perform(shared, "/set-cookie");
    EXPECT_EQ(text(perform(shared, "/cookie")->data), "visit=1");
    EXPECT_EQ(text(perform(ephemeral, "/cookie")->data), "") << "the ephemeral session sent a cookie";

    HttpRequest withoutCookies(makeUrl("https://community.example.test/cookie"));
    withoutCookies.httpShouldHandleCookies = false;
    EXPECT_EQ(text(perform(shared, withoutCookies)->data), "");

    HttpSession::removeAllCookies();
    EXPECT_EQ(text(perform(shared, "/cookie")->data), "");
}

TEST(HttpHeadersTest, NamesIgnoreCaseAndKeepOrder) {
    platform::HttpHeaders headers{{"Accept", "a"}, {"X-One", "1"}};
    headers.addValue("b", "accept");
    headers.setValue("2", "x-ONE");
    headers.setValue("z", "Zed");

    EXPECT_EQ(headers.value("ACCEPT"), "a, b");
    EXPECT_EQ(headers.value("X-One"), "2");
    EXPECT_FALSE(headers.value("Missing"));
    ASSERT_EQ(headers.fields().size(), 4u);
    EXPECT_EQ(headers.fields()[3].first, "Zed");

    headers.setValue("only", "Accept");
    EXPECT_EQ(headers.value("accept"), "only");
    EXPECT_EQ(headers.fields()[0].first, "Accept");
    headers.setValue(std::nullopt, "accept");
    EXPECT_FALSE(headers.contains("Accept"));
}

TEST(HttpResponseTest, ContentHeadersAreReadLeniently) {
    struct Case {
        const char* name;
        platform::HttpHeaders headers;
        std::optional<std::string> mimeType;
        std::optional<std::string> encoding;
        long long length;
    };
    const Case cases[] = {
        {"plain", {{"Content-Type", "text/html"}, {"Content-Length", "12"}}, "text/html", std::nullopt, 12},
        {"parameters", {{"content-type", "Application/JSON ; charset=ISO-8859-1"}}, "application/json", "iso-8859-1", -1},
        {"quoted charset", {{"Content-Type", "text/plain; format=flowed; charset=\"UTF-8\""}}, "text/plain", "utf-8", -1},
        {"no type", {{"Content-Length", "abc"}}, std::nullopt, std::nullopt, -1},
        {"negative length", {{"Content-Length", "-5"}}, std::nullopt, std::nullopt, -1},
        {"empty type", {{"Content-Type", "; charset=utf-8"}}, std::nullopt, "utf-8", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HttpResponse response(makeUrl("https://community.example.test/a/b.txt"), 200, c.headers);
        EXPECT_EQ(response.mimeType(), c.mimeType);
        EXPECT_EQ(response.textEncodingName(), c.encoding);
        EXPECT_EQ(response.expectedContentLength(), c.length);
    }
}

TEST(HttpResponseTest, SuggestedFilenameNeverEscapesItsFolder) {
    auto url = makeUrl("https://community.example.test/files/report.pdf");
    EXPECT_EQ(HttpResponse(url, 200, {}).suggestedFilename(), "report.pdf");
    EXPECT_EQ(HttpResponse(url, 200, {{"Content-Disposition", "attachment; filename=\"a b.txt\""}}).suggestedFilename(),
              "a b.txt");
    EXPECT_EQ(HttpResponse(url, 200, {{"Content-Disposition", "attachment; filename=../../etc/passwd"}})
                  .suggestedFilename(),
              "passwd");
    EXPECT_EQ(HttpResponse(makeUrl("https://community.example.test/"), 200, {}).suggestedFilename(), "Unknown");
}

} // namespace
