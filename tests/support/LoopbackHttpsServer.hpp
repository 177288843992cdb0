#pragma once

// An HTTPS server on 127.0.0.1 for tests, with a certificate made for the test
// names ("community.example.test", "*.example.test", "localhost", 127.0.0.1).
// It is the loopback community server run bare (no community routes), so it
// shares that server's certificate, threads, limits and request log; handlers
// are cpp-httplib's own. routeHost() makes the platform's URL sessions reach it
// under a real host name with full certificate verification:
//
//   testsupport::LoopbackHttpsServer server;
//   server.server().Get("/s/", [](const httplib::Request&, httplib::Response& res) {
//       res.set_content("hello", "text/plain");
//   });
//   server.routeHost("community.example.test");
//   // https://community.example.test/s/ now answers "hello".

#include "tests/support/TestCertificate.hpp"
#include "tools/community-server/CommunityServer.hpp"

#include "Platform/Foundation/Url.hpp"

#include <httplib.h>

#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

class LoopbackHttpsServer {
public:
    static constexpr std::string_view kDefaultHost = "community.example.test";

    /// A request as it reached the server (before its handler ran).
    struct RecordedRequest {
        std::string method;
        std::string path;
        httplib::Headers headers;
    };

    /// Starts listening on a free port of 127.0.0.1; the certificate covers the
    /// DNS names given and 127.0.0.1. Throws std::runtime_error when it cannot start.
    explicit LoopbackHttpsServer(std::vector<std::string> dnsNames = {std::string(kDefaultHost), "*.example.test",
                                                                     "localhost"});
    /// Releases handlers waiting in waitForRelease(), stops the server, joins its
    /// thread and removes the routes and trust it installed.
    ~LoopbackHttpsServer();

    LoopbackHttpsServer(const LoopbackHttpsServer&) = delete;
    LoopbackHttpsServer& operator=(const LoopbackHttpsServer&) = delete;

    /// The server, to add handlers (handlers may be added while it runs). The
    /// pre-routing handler is taken: it records requests.
    httplib::SSLServer& server() { return community_.httpServer(); }
    int port() const { return community_.port(); }
    /// "https://<host>:<port>".
    std::string baseUrl(std::string_view host = kDefaultHost) const;
    /// The URL of a path ("/s/?a=b") on this server under a host name.
    platform::Url url(std::string_view pathAndQuery, std::string_view host = kDefaultHost) const;

    /// Sends the URL sessions' requests for the host (on port 443 and on this
    /// server's port) to this server; with trustCertificate, makes its CA the one
    /// the sessions trust. Undone when the server goes.
    void routeHost(std::string_view host = kDefaultHost, bool trustCertificate = true);

    const TestCertificate& certificate() const { return certificate_; }

    /// Blocks the calling handler until releaseWaiters() (or the server stops),
    /// at most maxSeconds. For handlers that must answer late or never.
    void waitForRelease(double maxSeconds = 30.0);
    void releaseWaiters();

    /// Requests received so far (the latest thousand), in order of arrival.
    /// Each arrival wakes a test waiting in testsupport::waitUntil.
    std::vector<RecordedRequest> requests() const;
    /// How many requests arrived, all of them counted.
    std::size_t requestCount() const;

    /// The community server underneath, for what it offers besides
    /// (failNextRequests(), addRoute(), recorded query parameters).
    communityserver::CommunityServer& community() { return community_; }

private:
    communityserver::CommunityServer community_;
    TestCertificate certificate_;

    mutable std::mutex mutex_; // guards the fields below
    std::condition_variable released_;
    bool isReleased_ = false;
    std::vector<std::string> mappedHosts_;
    bool installedTrust_ = false;
    std::optional<std::filesystem::path> previousCAFile_;
};

} // namespace testsupport
