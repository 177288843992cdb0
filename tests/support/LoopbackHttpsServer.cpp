#include "tests/support/LoopbackHttpsServer.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/HttpSession.hpp"

#include <chrono>
#include <stdexcept>

namespace testsupport {
namespace {

/// A bare community server whose certificate names the DNS names given (the
/// first as its host name) and 127.0.0.1.
communityserver::ServerOptions bareOptions(const std::vector<std::string>& dnsNames) {
    communityserver::ServerOptions options;
    options.community = false;
    options.extraDnsNames.clear();
    if (!dnsNames.empty()) {
        options.hostName = dnsNames.front();
        options.extraDnsNames.assign(dnsNames.begin() + 1, dnsNames.end());
    }
    return options;
}

/// Starts the server; its certificate, as the tests know it.
TestCertificate startServer(communityserver::CommunityServer& server) {
    // Each arrival wakes a test waiting on the main queue for it.
    server.setRequestObserver([](const communityserver::RecordedRequest&) { platform::MainQueue::async([] {}); });
    server.start();
    return TestCertificate::from(server.certificate());
}

} // namespace

LoopbackHttpsServer::LoopbackHttpsServer(std::vector<std::string> dnsNames)
    : community_(bareOptions(dnsNames)), certificate_(startServer(community_)) {}

LoopbackHttpsServer::~LoopbackHttpsServer() {
    releaseWaiters();
    community_.stop();
    std::lock_guard lock(mutex_);
    for (const auto& host : mappedHosts_) {
        platform::HttpSession::removeHostMapping(host);
    }
    if (installedTrust_) {
        platform::HttpSession::setCAFile(previousCAFile_);
    }
}

std::string LoopbackHttpsServer::baseUrl(std::string_view host) const {
    return "https://" + std::string(host) + ":" + std::to_string(port());
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
    auto target = "127.0.0.1:" + std::to_string(port());
    std::lock_guard lock(mutex_);
    for (const auto& from : {std::string(host) + ":443", std::string(host) + ":" + std::to_string(port())}) {
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
    std::vector<RecordedRequest> result;
    for (const auto& request : community_.requests()) {
        result.push_back({request.method, request.path, {request.headers.begin(), request.headers.end()}});
    }
    return result;
}

std::size_t LoopbackHttpsServer::requestCount() const { return community_.requestCount(); }

} // namespace testsupport
