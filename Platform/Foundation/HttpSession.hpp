#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Clock.hpp"
#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/Error.hpp"
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

/// HTTP header fields: names compared without regard to case, kept in the order
/// they were first set. A name given several times (add) is one field whose
/// value is the values joined with ", ".
class PLATFORM_EXPORT HttpHeaders {
public:
    using Field = std::pair<std::string, std::string>;

    HttpHeaders() = default;
    HttpHeaders(std::initializer_list<Field> fields);

    /// The value of a field (values of a repeated name joined with ", "); none when absent.
    std::optional<std::string> value(std::string_view name) const;
    /// Sets a field, replacing every earlier value of the name; none removes it.
    void setValue(std::optional<std::string> value, std::string_view name);
    /// Adds a value to a field, keeping the values it had.
    void addValue(std::string value, std::string_view name);
    void remove(std::string_view name);
    bool contains(std::string_view name) const;

    /// Every value as received or set, in order; a repeated name appears once per value.
    const std::vector<Field>& fields() const { return fields_; }
    bool empty() const { return fields_.empty(); }

    bool operator==(const HttpHeaders&) const = default;

private:
    std::vector<Field> fields_;
};

/// A URL request: what to send and how long to wait.
struct PLATFORM_EXPORT HttpRequest {
    HttpRequest() = default;
    explicit HttpRequest(Url url, double timeoutInterval = 60.0);

    std::optional<Url> url;
    /// "GET" unless set; "HEAD" reads no body.
    std::string httpMethod = "GET";
    HttpHeaders allHTTPHeaderFields;
    std::optional<Data> httpBody;
    /// Seconds the transfer may stay idle (no byte sent or received) before it
    /// fails with URLError::timedOut; 60 unless set.
    double timeoutInterval = 60.0;
    /// Whether the session's cookies are sent with this request and cookies of the answer kept.
    bool httpShouldHandleCookies = true;

    std::optional<std::string> value(std::string_view headerField) const { return allHTTPHeaderFields.value(headerField); }
    void setValue(std::optional<std::string> value, std::string_view headerField) {
        allHTTPHeaderFields.setValue(std::move(value), headerField);
    }
    void addValue(std::string value, std::string_view headerField) {
        allHTTPHeaderFields.addValue(std::move(value), headerField);
    }
};

/// The answer of an HTTP server: status, header fields and the URL it came from.
class PLATFORM_EXPORT HttpResponse {
public:
    HttpResponse(Url url, int statusCode, HttpHeaders headers);

    /// The URL that answered: the last one when redirects were followed.
    const Url& url() const { return url_; }
    int statusCode() const { return statusCode_; }
    const HttpHeaders& allHeaderFields() const { return headers_; }
    std::optional<std::string> value(std::string_view headerField) const { return headers_.value(headerField); }
    /// The media type of Content-Type, lowercased, without parameters.
    const std::optional<std::string>& mimeType() const { return mimeType_; }
    /// The charset parameter of Content-Type, lowercased.
    const std::optional<std::string>& textEncodingName() const { return textEncodingName_; }
    /// Content-Length, or -1 when the server did not say.
    long long expectedContentLength() const { return expectedContentLength_; }
    /// The file name the server suggests (Content-Disposition), else the URL's last path component.
    std::string suggestedFilename() const;

private:
    Url url_;
    int statusCode_;
    HttpHeaders headers_;
    std::optional<std::string> mimeType_;
    std::optional<std::string> textEncodingName_;
    long long expectedContentLength_ = -1;
};

/// What a data task hands back, exactly once: the body and response, or an error
/// of the URL-loading domain (then neither body nor response).
using HttpCompletion =
    std::function<void(std::optional<Data> data, std::optional<HttpResponse> response, std::optional<Error> error)>;

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
                 std::uint64_t identifier);

    const std::shared_ptr<HttpSession> session_; // kept alive while the task lives
    const HttpRequest originalRequest_;
    const std::uint64_t identifier_;

    mutable std::mutex mutex_; // guards the fields below
    State state_ = State::suspended;
    HttpRequest currentRequest_;
    HttpCompletion completion_;
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

/// What a cookie is made of (the platform's cookie properties). `name`, `value`
/// and `path` are required, and a domain or an origin URL to take the host from.
struct PLATFORM_EXPORT HttpCookieProperties {
    std::string name;
    std::string value;
    /// ".example.com" for a cookie sent to the domain and its subdomains,
    /// "www.example.com" for that host only.
    std::optional<std::string> domain;
    /// Gives the domain (its host, host-only) when `domain` is not set.
    std::optional<Url> originURL;
    std::optional<std::string> path;
    /// Seconds since 1970 on the current clock; none (and no maximum age): a session cookie.
    std::optional<TimeInterval> expires;
    /// Seconds from now; wins over `expires`.
    std::optional<double> maximumAge;
    bool secure = false;
    bool httpOnly = false;
    /// "lax" or "strict"; kept as data (the store does not enforce it).
    std::optional<std::string> sameSitePolicy;
    /// A session cookie even when an expiry is given.
    bool discard = false;
};

/// An HTTP cookie (the platform's HTTPCookie): an immutable value.
class PLATFORM_EXPORT HttpCookie {
public:
    /// None when a required property is missing or a value cannot be sent in a
    /// header (control characters, ";" in the name or value, "=" in the name,
    /// white space in the domain or path), as the platform refuses such cookies.
    static std::optional<HttpCookie> create(const HttpCookieProperties& properties);

    const std::string& name() const { return name_; }
    const std::string& value() const { return value_; }
    /// With a leading "." for a domain cookie; the bare host for a host-only one.
    const std::string& domain() const { return domain_; }
    const std::string& path() const { return path_; }
    /// Seconds since 1970 on the current clock; none for a session cookie.
    std::optional<TimeInterval> expiresDate() const { return expires_; }
    bool isSessionOnly() const { return !expires_.has_value(); }
    bool isSecure() const { return secure_; }
    bool isHTTPOnly() const { return httpOnly_; }
    const std::optional<std::string>& sameSitePolicy() const { return sameSite_; }

    /// Name, value, domain, path, expiry and flags all equal.
    bool operator==(const HttpCookie&) const = default;

private:
    friend class HttpCookieStorage;
    HttpCookie() = default;
    std::string name_;
    std::string value_;
    std::string domain_;
    std::string path_;
    std::optional<TimeInterval> expires_;
    bool secure_ = false;
    bool httpOnly_ = false;
    std::optional<std::string> sameSite_;
};

/// A cookie jar (the platform's HTTPCookieStorage) that sessions send from and
/// store into. Transfers parse and match cookies with libcurl's cookie engine;
/// this class reads and changes the same jar. Thread-safe.
///
/// Expiry times are kept relative to the current clock: a cookie that expires
/// in an hour on the app's (possibly manual) clock is stored to expire in an
/// hour of real time, and read back on the app's clock. The jar itself drops
/// cookies as real time passes.
class PLATFORM_EXPORT HttpCookieStorage {
public:
    /// A new, empty jar.
    static std::shared_ptr<HttpCookieStorage> create();
    /// The process-wide jar of sessions whose configuration names none.
    static std::shared_ptr<HttpCookieStorage> shared();

    ~HttpCookieStorage();
    HttpCookieStorage(const HttpCookieStorage&) = delete;
    HttpCookieStorage& operator=(const HttpCookieStorage&) = delete;

    /// Every cookie not yet expired, sorted by domain, path and name.
    std::vector<HttpCookie> cookies() const;
    /// Stores a cookie, replacing one of the same name, domain and path. A
    /// cookie that has already expired removes that one instead.
    void setCookie(const HttpCookie& cookie);
    /// Removes the cookie of the same name, domain and path.
    void deleteCookie(const HttpCookie& cookie);
    void removeAllCookies();

    /// The cookies that outlive the session (those with an expiry) in the
    /// Netscape cookie-file format, for persisting the jar.
    std::string persistentCookiesText() const;
    /// Adds the cookies of a Netscape cookie-file text; malformed and expired
    /// lines are skipped.
    void loadCookiesText(std::string_view text);

private:
    friend class HttpEngine;
    struct Impl;
    HttpCookieStorage();
    std::unique_ptr<Impl> impl_;
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

    /// Cancels every task of the session; tasks made afterwards complete with URLError::cancelled.
    void invalidateAndCancel();

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

    void forget(const HttpDataTask* task);
    bool isInvalidated();

    const HttpSessionConfiguration configuration_;
    const std::weak_ptr<HttpSessionDelegate> delegate_;
    const std::shared_ptr<DispatchQueue> delegateQueue_;

    std::mutex mutex_; // guards tasks_ and invalidated_
    std::vector<std::weak_ptr<HttpDataTask>> tasks_;
    bool invalidated_ = false;
    std::uint64_t nextTaskIdentifier_ = 1;
};

} // namespace platform
