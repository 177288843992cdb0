#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/HttpCookie.hpp"
#include "Platform/Foundation/HttpHeaders.hpp"
#include "Platform/Foundation/Url.hpp"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

/// What a data task hands back, exactly once: the body and response, or an error
/// of the URL-loading domain (then neither body nor response).
using HttpCompletion =
    std::function<void(std::optional<Data> data, std::optional<HttpResponse> response, std::optional<Error> error)>;

namespace URLError {
/// A download's body is longer than its task allows.
inline constexpr long dataLengthExceedsMaximum = -1103;
/// A download's file cannot be made, or written to.
inline constexpr long cannotCreateFile = -3000;
inline constexpr long cannotWriteToFile = -3003;
} // namespace URLError

/// Where a download task writes the body, and how much of it it takes.
struct HttpDownloadDestination {
    /// The folder of the task's file (a hidden name of its own in it). Best the
    /// folder the file is meant for, so that putting it in place is a rename.
    std::filesystem::path directory;
    /// A longer body (by Content-Length or as it arrives) ends the task with
    /// URLError::dataLengthExceedsMaximum.
    std::uint64_t maximumBytes = 0;
};

/// What a download task hands back, exactly once: the file that holds the
/// whole body and the response, or an error (then neither, and no file is
/// left behind). The file is the caller's to move or remove.
using HttpDownloadCompletion = std::function<void(std::optional<std::filesystem::path> file,
                                                  std::optional<HttpResponse> response, std::optional<Error> error)>;

class HttpSession;
class HttpEngine;

/// One request on a session. Created suspended; resume() starts it. Its
/// completion runs once on the session's delegate queue, whatever happens:
/// an answer, an error, a time-out, going offline or cancel().
///
/// Any HTTP status is an answer, not an error. Errors (URLError codes): no URL,
/// or a scheme other than http/https: unsupportedURL; no host or a malformed
/// method: badURL; offline: notConnectedToInternet; idle too long: timedOut;
/// cancel(): cancelled; connection refused: cannotConnectToHost; unknown host:
/// cannotFindHost; certificate not trusted or not for the host:
/// serverCertificateUntrusted; other TLS failures: secureConnectionFailed;
/// connection dropped: networkConnectionLost; garbled answer: badServerResponse;
/// redirect loop: httpTooManyRedirects.
class PLATFORM_EXPORT HttpDataTask : public std::enable_shared_from_this<HttpDataTask> {
public:
    enum class State { running, suspended, canceling, completed };

    ~HttpDataTask();
    HttpDataTask(const HttpDataTask&) = delete;
    HttpDataTask& operator=(const HttpDataTask&) = delete;

    /// Starts the transfer (once; later calls do nothing).
    void resume();
    /// Ends the task with URLError::cancelled unless it has already completed.
    void cancel();

    State state() const;
    std::uint64_t taskIdentifier() const { return identifier_; }
    const HttpRequest& originalRequest() const { return originalRequest_; }
    /// The request being sent: after a redirect, the one that follows it.
    HttpRequest currentRequest() const;
    /// The final response, once the task has completed with one.
    std::optional<HttpResponse> response() const;
    /// The error the task completed with.
    std::optional<Error> error() const;

private:
    friend class HttpSession;
    friend class HttpEngine;
    struct Transfer;

    HttpDataTask(std::shared_ptr<HttpSession> session, HttpRequest request, HttpCompletion completion,
                 std::uint64_t identifier, bool madeInvalidated);
    HttpDataTask(std::shared_ptr<HttpSession> session, HttpRequest request, HttpDownloadDestination destination,
                 HttpDownloadCompletion completion, std::uint64_t identifier, bool madeInvalidated);

    const std::shared_ptr<HttpSession> session_; // kept alive while the task lives
    const HttpRequest originalRequest_;
    const std::uint64_t identifier_;
    const bool madeInvalidated_; // made after its session was invalidated
    const std::optional<HttpDownloadDestination> destination_; // a download task's

    mutable std::mutex mutex_; // guards the fields below
    State state_ = State::suspended;
    HttpRequest currentRequest_;
    HttpCompletion completion_;
    HttpDownloadCompletion downloadCompletion_;
    std::optional<HttpResponse> response_;
    std::optional<Error> error_;
    std::shared_ptr<BackgroundActivity::Scope> activity_; // from resume() until the completion has run

    std::unique_ptr<Transfer> transfer_; // touched on the network thread only
};

/// The delegate of a session. Its methods run on the session's delegate queue.
class PLATFORM_EXPORT HttpSessionDelegate {
public:
    virtual ~HttpSessionDelegate() = default;

    /// A server answered with a redirect. `response` is the 3xx answer (with its
    /// Location), `newRequest` the request that would follow it (Location resolved
    /// against the current URL; 303, and 301/302 after a POST, turned into GET;
    /// Authorization, Proxy-Authorization and Cookie dropped when the redirect
    /// changes scheme, host or port).
    /// Answer with a request to follow (it may be changed) or none to stop: the
    /// task then completes with the 3xx response and its body, without an error.
    /// The transfer waits for the answer; a handler dropped unanswered counts as none.
    /// The default follows the redirect as proposed.
    virtual void willPerformHTTPRedirection(HttpSession& session, HttpDataTask& task, const HttpResponse& response,
                                            HttpRequest newRequest,
                                            std::function<void(std::optional<HttpRequest>)> completionHandler);
};

/// How a session behaves.
struct PLATFORM_EXPORT HttpSessionConfiguration {
    /// Keeps cookies in the process-wide cookie store and sends them.
    static HttpSessionConfiguration defaultConfiguration();
    /// Neither stores nor sends cookies.
    static HttpSessionConfiguration ephemeralConfiguration();

    bool httpShouldSetCookies = true;
    /// The jar cookies are sent from and stored in; none: the process-wide one
    /// (HttpCookieStorage::shared()).
    std::shared_ptr<HttpCookieStorage> httpCookieStorage;
    /// Header fields added to every request that does not set them itself.
    /// Credentials among them (Authorization, Proxy-Authorization, Cookie) go
    /// only to the origin of the task's original request.
    HttpHeaders httpAdditionalHeaders;
    /// Redirects followed before a task fails with URLError::httpTooManyRedirects.
    int maximumRedirects = 16;
};

/// A URL session over HTTP and HTTPS with the platform's rules: redirects
/// followed unless the delegate decides otherwise (credential headers stay
/// behind when a redirect leaves the origin), URL-loading error codes, a
/// cookie store for non-ephemeral sessions. Transfers run on one network thread
/// of the process; completions and delegate calls run on the session's serial
/// delegate queue, never on the main thread.
class PLATFORM_EXPORT HttpSession : public std::enable_shared_from_this<HttpSession> {
public:
    /// The process's shared session (default configuration, no delegate).
    static std::shared_ptr<HttpSession> shared();
    /// The process's shared ephemeral session (no cookies, no delegate).
    static std::shared_ptr<HttpSession> ephemeral();
    /// A new session. The delegate is not kept alive by the session (it often owns
    /// the session); while it is gone, redirects are followed. Without a delegate
    /// queue the session makes its own serial one.
    static std::shared_ptr<HttpSession> create(HttpSessionConfiguration configuration,
                                               std::shared_ptr<HttpSessionDelegate> delegate = nullptr,
                                               std::shared_ptr<DispatchQueue> delegateQueue = nullptr);

    ~HttpSession();
    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;

    /// A suspended task for the request; resume() starts it.
    std::shared_ptr<HttpDataTask> dataTask(HttpRequest request, HttpCompletion completion);
    std::shared_ptr<HttpDataTask> dataTask(const Url& url, HttpCompletion completion);
    /// A task for the request, already started.
    std::shared_ptr<HttpDataTask> send(HttpRequest request, HttpCompletion completion);
    /// A suspended task that writes the body to a new file of the destination's
    /// folder as it arrives, never holding it in memory, and hands the file over
    /// once the body is complete. Each redirect's body starts the file afresh.
    /// Besides a data task's errors: cannotCreateFile, cannotWriteToFile,
    /// dataLengthExceedsMaximum; on any error, and on cancel(), the file is removed.
    std::shared_ptr<HttpDataTask> downloadTask(HttpRequest request, HttpDownloadDestination destination,
                                               HttpDownloadCompletion completion);

    /// Cancels every task of the session; tasks made afterwards complete with URLError::cancelled.
    void invalidateAndCancel();
    /// Lets the tasks made so far run to their end (resumed now or later);
    /// tasks made afterwards complete with URLError::cancelled.
    void finishTasksAndInvalidate();
    /// Whether invalidateAndCancel() or finishTasksAndInvalidate() was called.
    bool isInvalidated() const;

    const HttpSessionConfiguration& configuration() const { return configuration_; }
    std::shared_ptr<HttpSessionDelegate> delegate() const { return delegate_.lock(); }
    const std::shared_ptr<DispatchQueue>& delegateQueue() const { return delegateQueue_; }

    // Process-wide network settings, read when each request is sent.

    /// Connects to `to` ("host:port") whenever a request goes to `from` ("host:port"),
    /// keeping the URL's host name for TLS and the Host header.
    static void setHostMapping(std::string_view from, std::string_view to);
    static void removeHostMapping(std::string_view from);
    static void removeAllHostMappings();
    /// The certificate authorities trusted for HTTPS (a PEM file); none: the system's.
    static void setCAFile(std::optional<std::filesystem::path> path);
    static std::optional<std::filesystem::path> caFile();
    /// Empties the process-wide cookie store (HttpCookieStorage::shared()).
    static void removeAllCookies();

private:
    friend class HttpDataTask;
    friend class HttpEngine;

    HttpSession(HttpSessionConfiguration configuration, std::weak_ptr<HttpSessionDelegate> delegate,
                std::shared_ptr<DispatchQueue> delegateQueue);

    std::shared_ptr<HttpDataTask> track(std::shared_ptr<HttpDataTask> task);

    void forget(const HttpDataTask* task);

    const HttpSessionConfiguration configuration_;
    const std::weak_ptr<HttpSessionDelegate> delegate_;
    const std::shared_ptr<DispatchQueue> delegateQueue_;

    mutable std::mutex mutex_; // guards tasks_ and invalidated_
    std::vector<std::weak_ptr<HttpDataTask>> tasks_;
    bool invalidated_ = false;
    std::uint64_t nextTaskIdentifier_ = 1;
};

} // namespace platform
