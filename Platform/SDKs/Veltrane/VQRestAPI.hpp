#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/SDKs/Veltrane/VQRestRequest.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccount.hpp"

#include <expected>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace platform::veltrane {

/// The domain of the REST client's own errors. An HTTP error answer gives an
/// error of this domain whose code is the HTTP status and whose user info
/// "error" holds the answer's JSON (the platform's error list,
/// [{"errorCode": ..., "message": ...}]), with the first message as description.
inline constexpr std::string_view kVQRestAPIErrorDomain = "VQRestAPIErrorDomain";

/// A successful answer: the body and the HTTP response.
struct PLATFORM_EXPORT RestResponse {
    Data data;
    HttpResponse urlResponse;

    /// The body as JSON (any JSON value); a Cocoa error 3840 when it is not JSON.
    std::expected<Json, Error> asJson() const;
    /// The body as UTF-8 text; none when it is not UTF-8.
    std::optional<std::string> asString() const;
};

/// Why a REST request failed.
struct PLATFORM_EXPORT RestClientError {
    /// The request could not be made or the server answered with an error
    /// status (then `urlResponse` is the answer and the error's code its status).
    struct RequestFailed {
        Error underlyingError;
        std::optional<HttpResponse> urlResponse;
    };
    /// The server said it sent JSON but the body is not JSON.
    struct DecodingFailed {
        Error underlyingError;
    };
    /// The request's JSON body could not be written (text that is not UTF-8).
    struct JsonSerializationFailed {
        Error underlyingError;
    };
    /// A GET that succeeded brought no body at all.
    struct ApiResponseIsEmpty {};

    std::variant<RequestFailed, DecodingFailed, JsonSerializationFailed, ApiResponseIsEmpty> value;

    /// The underlying error, none for an empty answer.
    std::optional<Error> underlyingError() const;
    /// The HTTP response of a failed request, when there was one.
    std::optional<HttpResponse> urlResponse() const;
    std::string localizedDescription() const;
};

using RestResult = std::expected<RestResponse, RestClientError>;
using RestCompletion = std::function<void(RestResult)>;

/// A successful download: the file that holds the body (the caller's to move
/// or remove) and the HTTP response.
struct PLATFORM_EXPORT RestDownload {
    std::filesystem::path file;
    HttpResponse urlResponse;
};
using RestDownloadResult = std::expected<RestDownload, RestClientError>;
using RestDownloadCompletion = std::function<void(RestDownloadResult)>;

/// A download under way. cancel() ends it with a RequestFailed error of
/// URLError::cancelled, and nothing of it is kept, unless it has already
/// completed. Thread-safe.
class PLATFORM_EXPORT VQRestTask {
public:
    virtual ~VQRestTask() = default;
    virtual void cancel() = 0;
};

/// The REST client of the platform API. The global client is for requests of
/// nobody in particular: those that need authentication use the current
/// user at the time they are sent. A user's client always uses that user.
///
/// The user's bearer token goes only to the user's own origins: those of the
/// community, instance and API URLs of the credentials. A request for any other
/// origin is sent without it. A request that carries credentials never follows
/// a redirect to another origin: it fails (RequestFailed, the error's code the
/// redirect's status, `urlResponse` the redirect).
///
/// send() calls its completion exactly once, on a worker thread. An answer of
/// 401 to a request that carried the user's token makes the client refresh
/// the token once (VQUserAccountManager::refresh) and send the request again;
/// a second 401, or a failed refresh, reports the 401.
class PLATFORM_EXPORT VQRestAPI : public std::enable_shared_from_this<VQRestAPI> {
public:
    static std::shared_ptr<VQRestAPI> sharedGlobalInstance();
    /// The current user's client; the global client when nobody is signed in.
    static std::shared_ptr<VQRestAPI> sharedInstance();
    /// The client of a user: the same object for the same user until removed.
    static std::shared_ptr<VQRestAPI> sharedInstanceWithUser(const std::shared_ptr<VQUserAccount>& user);
    /// Forgets a user's client (at logout).
    static void removeSharedInstanceWithUser(const VQUserAccountIdentity& identity);

    /// The user of a user's client; null for the global client.
    std::shared_ptr<VQUserAccount> user() const { return user_; }
    /// The API version the request builders use (kVQRestDefaultAPIVersion unless set).
    std::string apiVersion() const;
    void setApiVersion(std::string version);

    /// Sends the request; the completion gets the answer or one of the four error kinds.
    void send(const VQRestRequest& request, RestCompletion completion);
    /// Sends the request like send(), but the body of a success goes to a new
    /// file of the destination's folder as it arrives, at most its maximum
    /// (HttpSession::downloadTask). An error answer's body is read for the
    /// error (its first 64 KiB), a GET's empty body is ApiResponseIsEmpty, and
    /// in both cases the file is removed. A body is not checked for being JSON.
    std::shared_ptr<VQRestTask> download(const VQRestRequest& request, HttpDownloadDestination destination,
                                         RestDownloadCompletion completion);

    /// GET "/<version>/connect/notifications/<id>" (a caller may change its
    /// method and body, e.g. PATCH {"read": "true"}).
    VQRestRequest requestForNotification(const std::string& notificationId, const std::string& apiVersion) const;
    /// GET "/<version>/connect/notifications/status".
    VQRestRequest requestForNotificationsStatus(const std::string& apiVersion) const;

private:
    explicit VQRestAPI(std::shared_ptr<VQUserAccount> user);
    struct Attempt;
    struct Prepared;
    class RedirectGuard;
    void perform(const std::shared_ptr<Attempt>& attempt);
    std::expected<Prepared, RestClientError> prepare(const Attempt& attempt) const;
    /// The failure an answer stands for, none for a success; true when the
    /// answer instead started a token refresh that sends the attempt again.
    std::expected<bool, RestClientError> judge(const std::shared_ptr<Attempt>& attempt, const Prepared& prepared,
                                               const HttpResponse& response, std::function<Data()> errorBody);

    const std::shared_ptr<VQUserAccount> user_;
    // The session's delegate; the session does not keep it alive, the client
    // does (and a request in flight keeps its client).
    std::shared_ptr<RedirectGuard> redirectGuard_;
    std::shared_ptr<HttpSession> session_;
    mutable std::mutex mutex_;
    std::string apiVersion_ = kVQRestDefaultAPIVersion;
};

} // namespace platform::veltrane
