// The HTTPS server and the route table: every request is recorded, may be
// failed on request, and goes to the first route whose pattern matches its
// path. A bare server records requests as they arrive and leaves them to
// cpp-httplib's own routing.

#include "tools/community-server/ServerImpl.hpp"

#include <sys/socket.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace communityserver {

bool CommunityServer::Impl::receive(const httplib::Request& req, httplib::Response& res) {
    RecordedRequest record{req.method, req.path, params(req),
                           std::vector<std::pair<std::string, std::string>>(req.headers.begin(), req.headers.end()),
                           req.body};
    std::function<void(const RecordedRequest&)> observerCopy;
    std::optional<Failure> failure;
    {
        std::lock_guard lock(mutex);
        pruneExpired();
        ++receivedCount;
        recorded.push_back(record);
        while (recorded.size() > options.requestLogCapacity) recorded.pop_front();
        observerCopy = observer;
        for (auto& plan : failures) {
            if (plan.remaining > 0 && req.path.starts_with(plan.pathPrefix)) {
                --plan.remaining;
                failure = plan;
                break;
            }
        }
        std::erase_if(failures, [](const Failure& plan) { return plan.remaining <= 0; });
    }
    if (observerCopy) observerCopy(record);
    if (!failure) return false;
    sendErrors(res, failure->status, failure->errorCode, failure->message);
    return true;
}

void CommunityServer::Impl::dispatch(const httplib::Request& req, httplib::Response& res) {
    if (receive(req, res)) return;
    std::vector<std::shared_ptr<const Route>> routes;
    {
        std::lock_guard lock(mutex);
        routes = customRoutes;
    }
    const std::string method = req.method == "HEAD" ? "GET" : req.method;
    bool pathKnown = false;
    auto tryRoute = [&](const Route& route) {
        std::smatch match;
        if (!std::regex_match(req.path, match, route.pattern)) return false;
        if (route.method != method) {
            pathKnown = true;
            return false;
        }
        route.handler(req, res, match);
        return true;
    };
    for (const auto& route : routes) {
        if (tryRoute(*route)) return;
    }
    for (const auto& route : builtinRoutes) {
        if (tryRoute(route)) return;
    }
    if (pathKnown) {
        sendErrors(res, 405, "METHOD_NOT_ALLOWED", "HTTP method '" + req.method + "' is not allowed here.");
    } else {
        sendErrors(res, 404, "NOT_FOUND", "The requested resource does not exist.");
    }
}

void CommunityServer::Impl::add(const char* method, const char* pattern,
                                void (Impl::*handler)(const httplib::Request&, httplib::Response&,
                                                      const std::smatch&)) {
    builtinRoutes.push_back({method, std::regex(pattern),
                             [this, handler](const httplib::Request& req, httplib::Response& res,
                                             const std::smatch& match) { (this->*handler)(req, res, match); },
                             pattern});
}

void CommunityServer::Impl::installOnHttpServer(const std::shared_ptr<const Route>& route) {
    auto handler = [route](const httplib::Request& req, httplib::Response& res) {
        route->handler(req, res, req.matches);
    };
    const auto& pattern = route->source;
    if (route->method == "GET") server->Get(pattern, handler);
    else if (route->method == "POST") server->Post(pattern, handler);
    else if (route->method == "PUT") server->Put(pattern, handler);
    else if (route->method == "PATCH") server->Patch(pattern, handler);
    else if (route->method == "DELETE") server->Delete(pattern, handler);
    else if (route->method == "OPTIONS") server->Options(pattern, handler);
}

void CommunityServer::Impl::installBuiltinRoutes() {
    add("GET", R"((.*)/vapi/oauth2/authorize/login)", &Impl::handleLogin);
    add("POST", R"((.*)/vapi/oauth2/authorize/login)", &Impl::handleLogin);
    add("GET", R"((.*)/vapi/oauth2/authorize/cancel)", &Impl::handleCancel);
    add("GET", R"((.*)/vapi/oauth2/authorize)", &Impl::handleAuthorize);
    add("POST", R"((.*)/vapi/oauth2/authorize)", &Impl::handleAuthorize);
    add("POST", R"((.*)/vapi/oauth2/token)", &Impl::handleToken);
    add("POST", R"((.*)/vapi/oauth2/revoke)", &Impl::handleRevoke);
    add("GET", R"((.*)/vapi/oauth2/userinfo)", &Impl::handleUserInfo);
    add("GET", R"((.*)/vapi/identity/auth-configuration)", &Impl::handleAuthConfiguration);
    add("GET", R"((.*)/vapi/identity/([^/]+)/([^/]+))", &Impl::handleIdentity);
    add("GET", R"((.*)/gate/entry\.vx)", &Impl::handleFrontDoor);
    add("GET", R"((.*)/gate/logout\.vx)", &Impl::handleLogout);
    add("GET", R"((.*)/sso/saml)", &Impl::handleSingleSignOn);
    for (const char* method : {"GET", "POST", "PUT", "PATCH", "DELETE"}) {
        add(method, R"((.*?)/vapi/data(/.*)?)", &Impl::handleRest);
    }
    add("GET", R"(/)", &Impl::handleRoot);
    add("GET", R"(/s(/.*)?)", &Impl::handlePage);
    add("GET", R"(/lookup)", &Impl::handleStoreLookup);
    add("POST", R"(/logs)", &Impl::handleIngestion);
    add("POST", R"(/device/v1/registration)", &Impl::handleMarketingRegistration);
}

void CommunityServer::installCommunityHandlers(httplib::SSLServer& server) {
    auto handler = [this](const httplib::Request& req, httplib::Response& res) { impl_->dispatch(req, res); };
    server.Get(".*", handler);
    server.Post(".*", handler);
    server.Put(".*", handler);
    server.Patch(".*", handler);
    server.Delete(".*", handler);
    server.Options(".*", handler);
    server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        sendErrors(res, 500, "UNKNOWN_EXCEPTION", "An unexpected error occurred.");
    });
    // Answers the server gives before any handler runs get an error list too.
    server.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        if (res.status == 413) {
            sendErrors(res, 413, "REQUEST_TOO_LARGE", "The request body is larger than the server accepts.");
        } else {
            sendErrors(res, res.status, "BAD_REQUEST", "The server could not read the request.");
        }
        return httplib::Server::HandlerResponse::Handled;
    }));
}

void CommunityServer::start() {
    if (impl_->server) return;
    auto& impl = *impl_;
    std::filesystem::path folder = impl.options.dataFolder;
    if (folder.empty()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "vellicor-community-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a folder for the server certificate");
        }
        impl.temporaryFolder = pattern;
        folder = pattern;
    }
    std::vector<std::string> names = {impl.options.hostName};
    names.insert(names.end(), impl.options.extraDnsNames.begin(), impl.options.extraDnsNames.end());
    impl.certificate = ServerCertificate::make(folder, names);

    auto server = std::make_unique<httplib::SSLServer>(impl.certificate->certificateFile().c_str(),
                                                       impl.certificate->privateKeyFile().c_str());
    if (!server->is_valid()) throw std::runtime_error("the community server rejected its certificate");
    // One request per connection: an idle kept-alive connection would hold a
    // server thread and delay stop() by the keep-alive time-out.
    server->set_keep_alive_max_count(1);
    // A connection holds a pool thread from its TLS handshake to its answer,
    // at most the read time-out when the client says nothing. Enough threads
    // that a few dozen silent sockets leave others answered at once.
    const auto threads = std::max<std::size_t>(impl.options.connectionThreads, 1);
    server->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    // Longer bodies are refused with 413 before they are read into memory.
    server->set_payload_max_length(impl.options.maxRequestBodyBytes);
    if (impl.options.community) {
        installCommunityHandlers(*server);
    } else {
        // Recorded as they arrive, before the body is read; the handlers added
        // to httpServer() answer.
        server->set_pre_routing_handler([&impl](const httplib::Request& req, httplib::Response& res) {
            return impl.receive(req, res) ? httplib::Server::HandlerResponse::Handled
                                          : httplib::Server::HandlerResponse::Unhandled;
        });
    }
    // cpp-httplib listens with a backlog of five: a burst of connections past
    // it would wait a second for the clients' retry. Deepen it once bound.
    auto listenSocket = std::make_shared<socket_t>(INVALID_SOCKET);
    server->set_socket_options([listenSocket](socket_t sock) {
        httplib::default_socket_options(sock);
        *listenSocket = sock;
    });
    int port = impl.options.port == 0 ? server->bind_to_any_port(impl.options.bindAddress)
                                      : (server->bind_to_port(impl.options.bindAddress, impl.options.port)
                                             ? impl.options.port
                                             : -1);
    if (port <= 0) throw std::runtime_error("the community server cannot listen on " + impl.options.bindAddress);
    if (*listenSocket != INVALID_SOCKET) ::listen(*listenSocket, SOMAXCONN);
    impl.port = port;
    {
        std::lock_guard lock(impl.mutex);
        impl.server = std::move(server);
        if (!impl.options.community) {
            for (const auto& route : impl.customRoutes) impl.installOnHttpServer(route);
        }
    }
    impl.thread = std::thread([&impl] { impl.server->listen_after_bind(); });
    // stop() only works once the accept loop runs.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!impl.server->is_running() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    if (!impl.server->is_running()) {
        stop();
        throw std::runtime_error("the community server did not start");
    }
}

void CommunityServer::stop() {
    auto& impl = *impl_;
    if (impl.server) {
        impl.server->stop();
        if (impl.thread.joinable()) impl.thread.join();
        std::lock_guard lock(impl.mutex);
        impl.server.reset();
    }
    if (!impl.temporaryFolder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(impl.temporaryFolder, ignored);
        impl.temporaryFolder.clear();
        impl.certificate.reset();
    }
}

} // namespace communityserver
