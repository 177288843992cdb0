#include "Platform/Foundation/Error.hpp"

#include "Platform/Foundation/BeforeAbortHook.hpp"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace platform {

Error::Error(std::string domain, long code, nlohmann::json userInfo)
    : domain(std::move(domain)), code(code),
      userInfo(userInfo.is_object() ? std::move(userInfo) : nlohmann::json::object()) {}

std::string Error::localizedDescription() const {
    if (auto it = userInfo.find(kLocalizedDescriptionKey); it != userInfo.end() && it->is_string()) {
        return it->get<std::string>();
    }
    return "The operation couldn\u2019t be completed. (" + domain + " error " + std::to_string(code) + ".)";
}

std::string urlErrorDescription(long code) {
    switch (code) {
    case URLError::cancelled: return "cancelled";
    case URLError::badURL: return "unsupported URL";
    case URLError::timedOut: return "The request timed out.";
    case URLError::unsupportedURL: return "unsupported URL";
    case URLError::cannotFindHost: return "A server with the specified hostname could not be found.";
    case URLError::cannotConnectToHost: return "Could not connect to the server.";
    case URLError::networkConnectionLost: return "The network connection was lost.";
    case URLError::httpTooManyRedirects: return "too many HTTP redirects";
    case URLError::notConnectedToInternet: return "The Internet connection appears to be offline.";
    case URLError::badServerResponse: return "The server returned an invalid response.";
    case URLError::cannotParseResponse: return "cannot parse response";
    case URLError::fileDoesNotExist: return "The requested URL was not found on this server.";
    case URLError::secureConnectionFailed:
        return "An SSL error has occurred and a secure connection to the server cannot be made.";
    case URLError::serverCertificateUntrusted: return "The certificate for this server is invalid.";
    default: return "An unknown error occurred.";
    }
}

Error makeURLError(long code, std::string_view failingURL) {
    nlohmann::json info = nlohmann::json::object();
    info[std::string(kLocalizedDescriptionKey)] = urlErrorDescription(code);
    if (!failingURL.empty()) {
        info[std::string(kErrorFailingURLStringKey)] = std::string(failingURL);
    }
    return Error(std::string(kURLErrorDomain), code, std::move(info));
}

namespace {
// A plain function pointer, so that reading it while the process is failing
// takes no lock and runs no destructor.
std::atomic<BeforeAbortHook> beforeAbortHook{nullptr};
} // namespace

void setBeforeAbortHook(BeforeAbortHook hook) { beforeAbortHook.store(hook); }

void fatalError(std::string_view message) {
    std::fprintf(stderr, "Fatal error: %.*s\n", static_cast<int>(message.size()), message.data());
    std::fflush(stderr);
    if (const auto hook = beforeAbortHook.load()) hook(message);
    std::abort();
}

} // namespace platform
