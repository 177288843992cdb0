#include "tests/support/LoopbackHttpsServer.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/HttpSession.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace testsupport {
namespace {

std::filesystem::path makeTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vellicor-https-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a folder for the test certificate");
    }
    return pattern;
}

} // namespace

LoopbackHttpsServer::LoopbackHttpsServer(std::vector<std::string> dnsNames)
    : folder_(makeTempFolder()), certificate_(TestCertificate::make(folder_, dnsNames)) {
    server_ = std::make_unique<httplib::SSLServer>(certificate_.certificateFile().c_str(),
                                                   certificate_.privateKeyFile().c_str());
    if (!server_->is_valid()) {
        throw std::runtime_error("the loopback HTTPS server rejected its certificate");
    }
    // One request per connection: an idle kept-alive connection would hold a
    // server thread and delay stop() by the keep-alive time-out.
    server_->set_keep_alive_max_count(1);
    server_->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
        {
            std::lock_guard lock(mutex_);
            requests_.push_back({request.method, request.path, request.headers});
        }
        // Wakes a test waiting on the main queue for the request to arrive.
        platform::MainQueue::async([] {});
        return httplib::Server::HandlerResponse::Unhandled;
    });
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
        throw std::runtime_error("the loopback HTTPS server found no free port");
    }
    // The socket listens from here on; connections wait in its backlog until the
    // accept loop runs.
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // stop() only works once the accept loop is running, so wait for it (bounded).
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!server_->is_running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    if (!server_->is_running()) {
        std::fprintf(stderr, "the loopback HTTPS server did not start\n");
        std::abort();
    }
}

LoopbackHttpsServer::~LoopbackHttpsServer() {
    releaseWaiters();
    server_->stop();
    if (thread_.joinable()) {
        thread_.join();
    }
    std::lock_guard lock(mutex_);
    for (const auto& host : mappedHosts_) {
        platform::HttpSession::removeHostMapping(host);
    }
    if (installedTrust_) {
        platform::HttpSession::setCAFile(previousCAFile_);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string LoopbackHttpsServer::baseUrl(std::string_view host) const {
    return "https://" + std::string(host) + ":" + std::to_string(port_);
}

platform::Url LoopbackHttpsServer::url(std::string_view pathAndQuery, std::string_view host) const {
    auto text = baseUrl(host) + std::string(pathAndQuery);
    auto parsed = platform::Url::parse(text);
    if (!parsed) {
        throw std::invalid_argument("not a URL: " + text);
    }
    return *parsed;
}

void LoopbackHttpsServer::routeHost(std::string_view host, bool trustCertificate) {
    auto target = "127.0.0.1:" + std::to_string(port_);
    std::lock_guard lock(mutex_);
    for (const auto& from : {std::string(host) + ":443", std::string(host) + ":" + std::to_string(port_)}) {
        platform::HttpSession::setHostMapping(from, target);
        mappedHosts_.push_back(from);
    }
    if (trustCertificate && !installedTrust_) {
        previousCAFile_ = platform::HttpSession::caFile();
        platform::HttpSession::setCAFile(certificate_.caFile());
        installedTrust_ = true;
    }
}

void LoopbackHttpsServer::waitForRelease(double maxSeconds) {
    std::unique_lock lock(mutex_);
    released_.wait_for(lock, std::chrono::duration<double>(maxSeconds), [this] { return isReleased_; });
}

void LoopbackHttpsServer::releaseWaiters() {
    {
        std::lock_guard lock(mutex_);
        isReleased_ = true;
    }
    released_.notify_all();
}

std::vector<LoopbackHttpsServer::RecordedRequest> LoopbackHttpsServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t LoopbackHttpsServer::requestCount() const {
    std::lock_guard lock(mutex_);
    return requests_.size();
}

} // namespace testsupport
