#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/HttpSession.hpp"

#include <memory>

namespace platform::veltrane {

/// Plain HTTP requests through a URL session: one request, one answer of
/// data, response and error, on the session's queue (a worker thread).
class PLATFORM_EXPORT VQNetwork {
public:
    /// Over the process's ephemeral session (no cookies).
    static std::shared_ptr<VQNetwork> sharedEphemeralInstance();
    /// Over the process's shared session (the shared cookie jar).
    static std::shared_ptr<VQNetwork> sharedInstance();

    /// Makes a data task for the request, starts it and returns it; the block
    /// (when given) is called once with the outcome.
    std::shared_ptr<HttpDataTask> sendRequest(HttpRequest request, HttpCompletion dataResponseBlock = {});
    const std::shared_ptr<HttpSession>& activeSession() const { return session_; }

private:
    explicit VQNetwork(std::shared_ptr<HttpSession> session) : session_(std::move(session)) {}
    std::shared_ptr<HttpSession> session_;
};

} // namespace platform::veltrane
