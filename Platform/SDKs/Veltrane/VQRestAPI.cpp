#include "Platform/SDKs/Veltrane/VQRestAPI.hpp"

#include "Platform/Foundation/Url.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthClient.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"
#include "Platform/SDKs/Veltrane/VeltraneSDKManager.hpp"

#include <algorithm>
#include <fstream>
#include <map>

namespace platform::veltrane {

namespace {

struct Registry {
    std::mutex mutex;
    std::shared_ptr<VQRestAPI> global;
    std::map<VQUserAccountIdentity, std::shared_ptr<VQRestAPI>> users;
};

Registry& registry() {
    static auto* r = new Registry;
    return *r;
}

Error restError(long code, std::string description) {
    return Error(std::string(kVQRestAPIErrorDomain), code, {{std::string(kLocalizedDescriptionKey), std::move(description)}});
}

/// The error of an HTTP error answer: code = status, "error" = the body's JSON.
Error httpError(int status, const std::optional<Data>& data) {
    Error error = restError(status, "The server answered with HTTP status " + std::to_string(status) + ".");
    error.userInfo["statusCode"] = status;
    if (auto body = data ? parseJson(*data) : std::nullopt) {
        if (const Json* list = asArray(*body); list && !list->empty()) {
            if (auto message = jsonString((*list)[0], "message")) {
                error.userInfo[std::string(kLocalizedDescriptionKey)] = *message;
            }
        }
        error.userInfo["error"] = std::move(*body);
    }
    return error;
}

std::string withoutTrailingSlash(std::string text) {
    while (!text.empty() && text.back() == '/') text.pop_back();
    return text;
}

std::string withLeadingSlash(const std::string& path) {
    if (path.empty() || path.front() == '/') return path;
    return "/" + path;
}

/// Whether the user's token may go to the URL: one of the origins of the
/// credentials' community, instance and API URLs.
bool isUsersOwnOrigin(const VQOAuthCredentials& credentials, const Url& url) {
    for (const auto& own : {credentials.communityUrl, credentials.instanceUrl, credentials.apiInstanceUrl}) {
        if (own && isSameOrigin(*own, url)) return true;
    }
    return false;
}

/// The error answers of downloads are read this far; the rest is no error message.
constexpr std::size_t kErrorBodyBytes = 64 * 1024;

/// The first kErrorBodyBytes of a file.
Data fileHead(const std::filesystem::path& file) {
    Data head(kErrorBodyBytes);
    std::ifstream stream(file, std::ios::binary);
    stream.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(std::max<std::streamsize>(stream.gcount(), 0)));
    return head;
}

bool isRedirectStatus(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::string queryText(const Json& params) {
    std::string query;
    if (!params.is_object()) return query;
    for (const auto& [name, value] : params.items()) {
        if (!query.empty()) query += '&';
        const std::string text = value.is_string() ? value.get<std::string>() : serializeJson(value);
        query += addingPercentEncoding(name, UrlCharacterSet::alphanumerics) + "=" +
                 addingPercentEncoding(text, UrlCharacterSet::alphanumerics);
    }
    return query;
}

} // namespace

// RestResponse / RestClientError ---------------------------------------------

std::expected<Json, Error> RestResponse::asJson() const {
    if (auto json = parseJson(data)) return *json;
    return std::unexpected(Error(std::string(kCocoaErrorDomain), CocoaError::propertyListReadCorrupt,
                                 {{std::string(kLocalizedDescriptionKey), "The data isn't valid JSON."}}));
}

std::optional<std::string> RestResponse::asString() const { return utf8String(data); }

std::optional<Error> RestClientError::underlyingError() const {
    return std::visit(
        [](const auto& item) -> std::optional<Error> {
            if constexpr (requires { item.underlyingError; }) {
                return item.underlyingError;
            } else {
                return std::nullopt;
            }
        },
        value);
}

std::optional<HttpResponse> RestClientError::urlResponse() const {
    if (auto* failed = std::get_if<RequestFailed>(&value)) return failed->urlResponse;
    return std::nullopt;
}

std::string RestClientError::localizedDescription() const {
    if (std::holds_alternative<ApiResponseIsEmpty>(value)) return "The server's answer was empty.";
    return underlyingError()->localizedDescription();
}

// VQRestAPI ----------------------------------------------------------------------

struct VQRestAPI::Attempt : VQRestTask {
    VQRestRequest request;
    RestCompletion completion;                           // a request sent by send()
    RestDownloadCompletion downloadCompletion;           // or one sent by download()
    std::optional<HttpDownloadDestination> destination;  // download() only
    std::shared_ptr<VQUserAccount> account;
    bool retried = false;

    std::mutex mutex; // guards task and cancelled
    std::shared_ptr<HttpDataTask> task;
    bool cancelled = false;

    void fail(RestClientError error) const {
        if (downloadCompletion) {
            downloadCompletion(std::unexpected(std::move(error)));
        } else {
            completion(std::unexpected(std::move(error)));
        }
    }

    void cancel() override {
        std::shared_ptr<HttpDataTask> running;
        {
            std::lock_guard lock(mutex);
            cancelled = true;
            running = task;
        }
        if (running) running->cancel();
    }

    /// Starts the attempt's next task, or fails it as cancelled when cancel() came first.
    void run(const std::shared_ptr<HttpDataTask>& next) {
        bool proceed = false;
        {
            std::lock_guard lock(mutex);
            proceed = !cancelled;
            if (proceed) task = next;
        }
        if (proceed) {
            next->resume();
        } else {
            next->cancel(); // completes it as cancelled
        }
    }
};

/// What perform() sends, and what it carries.
struct VQRestAPI::Prepared {
    HttpRequest http;
    bool sendsToken = false;
    bool carriesCredentials = false;
};

/// Follows redirects within the origin; a request that carries credentials is
/// stopped at a redirect to another origin (the task then completes with the
/// redirect, which send() reports as a failure).
class VQRestAPI::RedirectGuard : public HttpSessionDelegate {
public:
    void willPerformHTTPRedirection(HttpSession&, HttpDataTask& task, const HttpResponse& response,
                                    HttpRequest newRequest,
                                    std::function<void(std::optional<HttpRequest>)> completionHandler) override {
        const bool carriesCredentials = task.currentRequest().value("Authorization").has_value();
        if (carriesCredentials && !(newRequest.url && isSameOrigin(response.url(), *newRequest.url))) {
            completionHandler(std::nullopt);
            return;
        }
        completionHandler(std::move(newRequest));
    }
};

VQRestAPI::VQRestAPI(std::shared_ptr<VQUserAccount> user)
    : user_(std::move(user)), redirectGuard_(std::make_shared<RedirectGuard>()),
      session_(HttpSession::create(HttpSessionConfiguration::ephemeralConfiguration(), redirectGuard_)) {}

std::shared_ptr<VQRestAPI> VQRestAPI::sharedGlobalInstance() {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    if (!r.global) r.global = std::shared_ptr<VQRestAPI>(new VQRestAPI(nullptr));
    return r.global;
}

std::shared_ptr<VQRestAPI> VQRestAPI::sharedInstance() {
    return sharedInstanceWithUser(VQUserAccountManager::sharedInstance()->currentUser());
}

std::shared_ptr<VQRestAPI> VQRestAPI::sharedInstanceWithUser(const std::shared_ptr<VQUserAccount>& user) {
    if (!user) return sharedGlobalInstance();
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto& client = r.users[user->accountIdentity()];
    if (!client || client->user_ != user) client = std::shared_ptr<VQRestAPI>(new VQRestAPI(user));
    return client;
}

void VQRestAPI::removeSharedInstanceWithUser(const VQUserAccountIdentity& identity) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.users.erase(identity);
}

std::string VQRestAPI::apiVersion() const {
    std::lock_guard lock(mutex_);
    return apiVersion_;
}

void VQRestAPI::setApiVersion(std::string version) {
    std::lock_guard lock(mutex_);
    apiVersion_ = std::move(version);
}

VQRestRequest VQRestAPI::requestForNotification(const std::string& notificationId,
                                                const std::string& apiVersion) const {
    return VQRestRequest::requestWithMethod(
        VQRestMethod::GET, "/" + apiVersion + "/connect/notifications/" +
                               addingPercentEncoding(notificationId, UrlCharacterSet::alphanumerics));
}

VQRestRequest VQRestAPI::requestForNotificationsStatus(const std::string& apiVersion) const {
    return VQRestRequest::requestWithMethod(VQRestMethod::GET, "/" + apiVersion + "/connect/notifications/status");
}

void VQRestAPI::send(const VQRestRequest& request, RestCompletion completion) {
    auto attempt = std::make_shared<Attempt>();
    attempt->request = request;
    attempt->completion = [completion = std::move(completion)](RestResult result) {
        if (completion) completion(std::move(result));
    };
    if (!request.isFullURL() && request.requiresAuthentication) {
        attempt->account = user_ ? user_ : VQUserAccountManager::sharedInstance()->currentUser();
    }
    perform(attempt);
}

std::shared_ptr<VQRestTask> VQRestAPI::download(const VQRestRequest& request, HttpDownloadDestination destination,
                                                RestDownloadCompletion completion) {
    auto attempt = std::make_shared<Attempt>();
    attempt->request = request;
    attempt->destination = std::move(destination);
    attempt->downloadCompletion = [completion = std::move(completion)](RestDownloadResult result) {
        if (completion) completion(std::move(result));
    };
    if (!request.isFullURL() && request.requiresAuthentication) {
        attempt->account = user_ ? user_ : VQUserAccountManager::sharedInstance()->currentUser();
    }
    perform(attempt);
    return attempt;
}

std::expected<VQRestAPI::Prepared, RestClientError> VQRestAPI::prepare(const Attempt& attempt) const {
    const auto& request = attempt.request;
    const bool fullURL = request.isFullURL();
    std::shared_ptr<VQOAuthCredentials> credentials = attempt.account ? attempt.account->credentials() : nullptr;
    const bool authenticate = !fullURL && request.requiresAuthentication;
    if (authenticate && (!credentials || !credentials->accessToken)) {
        return std::unexpected(
            RestClientError{RestClientError::RequestFailed{restError(401, "The request needs a signed-in user."), std::nullopt}});
    }

    std::string text;
    if (fullURL) {
        text = request.path;
    } else if (request.baseURL) {
        text = withoutTrailingSlash(*request.baseURL) + withLeadingSlash(request.path);
    } else {
        std::string base;
        if (credentials && credentials->apiUrl()) {
            base = credentials->apiUrl()->absoluteString();
        } else {
            base = VQOAuthClient::baseUrl(VQUserAccountManager::sharedInstance()->loginHost());
        }
        text = withoutTrailingSlash(base) + withLeadingSlash(request.endpoint) + withLeadingSlash(request.path);
    }
    if (auto query = queryText(request.queryParams); !query.empty()) {
        text += (text.find('?') == std::string::npos ? '?' : '&') + query;
    }
    auto url = Url::parse(text);
    if (!url) {
        return std::unexpected(RestClientError{RestClientError::RequestFailed{makeURLError(URLError::badURL, text), std::nullopt}});
    }

    Prepared prepared{HttpRequest(*url)};
    auto& http = prepared.http;
    http.httpMethod = methodName(request.method);
    http.setValue("application/json", "Accept");
    if (auto manager = VeltraneSDKManager::sharedManagerIfAny()) http.setValue(manager->userAgent(), "User-Agent");
    for (const auto& [name, value] : request.customHeaders) http.setValue(value, name);
    // The token goes to the user's own origins only; elsewhere the request goes without it.
    prepared.sendsToken = authenticate && isUsersOwnOrigin(*credentials, *url);
    if (prepared.sendsToken) http.setValue("Bearer " + *credentials->accessToken, "Authorization");
    prepared.carriesCredentials = http.value("Authorization").has_value();
    if (request.bodyDictionary()) {
        try {
            http.httpBody = dataFromString(request.bodyDictionary()->dump(-1, ' ', false, Json::error_handler_t::strict));
        } catch (const Json::exception& e) {
            return std::unexpected(RestClientError{RestClientError::JsonSerializationFailed{
                Error(std::string(kCocoaErrorDomain), 3851,
                      {{std::string(kLocalizedDescriptionKey), std::string("The body cannot be written as JSON: ") + e.what()}})}});
        }
    } else if (request.bodyData()) {
        http.httpBody = *request.bodyData();
    }
    if (request.contentType() && http.httpBody) http.setValue(*request.contentType(), "Content-Type");
    return prepared;
}

std::expected<bool, RestClientError> VQRestAPI::judge(const std::shared_ptr<Attempt>& attempt, const Prepared& prepared,
                                                      const HttpResponse& response, std::function<Data()> errorBody) {
    const int status = response.statusCode();
    if (prepared.carriesCredentials && isRedirectStatus(status) && response.value("Location")) {
        // The redirect guard stopped it: credentials do not leave their origin.
        return std::unexpected(RestClientError{RestClientError::RequestFailed{
            restError(status, "The server redirected the request to another origin; it was not followed."), response}});
    }
    if (status == 401 && prepared.sendsToken && !attempt->retried && attempt->account) {
        // An expired token: refresh it once and send the request again.
        attempt->retried = true;
        VQUserAccountManager::sharedInstance()->refresh(
            attempt->account->credentials(),
            [self = shared_from_this(), attempt, data = errorBody(), response](const VQAuthResult& result) {
                if (!result) {
                    attempt->fail(RestClientError{RestClientError::RequestFailed{httpError(401, data), response}});
                    return;
                }
                attempt->account = result.value().userAccount;
                self->perform(attempt);
            });
        return true;
    }
    if (status >= 400) {
        return std::unexpected(RestClientError{RestClientError::RequestFailed{httpError(status, errorBody()), response}});
    }
    return false;
}

void VQRestAPI::perform(const std::shared_ptr<Attempt>& attempt) {
    auto prepared = prepare(*attempt);
    if (!prepared) {
        session_->delegateQueue()->async([attempt, error = std::move(prepared.error())] { attempt->fail(error); });
        return;
    }
    auto self = shared_from_this();
    auto transportFailure = [](const std::optional<Error>& error) {
        return RestClientError{
            RestClientError::RequestFailed{error.value_or(makeURLError(URLError::badServerResponse)), std::nullopt}};
    };
    const bool isGet = attempt->request.method == VQRestMethod::GET;

    if (attempt->destination) {
        auto http = prepared->http;
        attempt->run(session_->downloadTask(
            std::move(http), *attempt->destination,
            [self, attempt, prepared = *prepared, transportFailure, isGet](
                std::optional<std::filesystem::path> file, std::optional<HttpResponse> response,
                std::optional<Error> error) {
                if (error || !response || !file) {
                    attempt->fail(transportFailure(error));
                    return;
                }
                std::error_code sizeError;
                const auto size = std::filesystem::file_size(*file, sizeError);
                const auto verdict = self->judge(attempt, prepared, *response, [&] { return fileHead(*file); });
                if (verdict && !*verdict && !(isGet && !sizeError && size == 0)) {
                    attempt->downloadCompletion(RestDownload{std::move(*file), std::move(*response)});
                    return;
                }
                std::error_code ignored;
                std::filesystem::remove(*file, ignored);
                if (!verdict) {
                    attempt->fail(verdict.error());
                } else if (!*verdict) {
                    attempt->fail(RestClientError{RestClientError::ApiResponseIsEmpty{}});
                }
            }));
        return;
    }

    auto http = prepared->http;
    attempt->run(session_->dataTask(
        std::move(http), [self, attempt, prepared = *prepared, transportFailure, isGet](
                             std::optional<Data> data, std::optional<HttpResponse> response, std::optional<Error> error) {
            if (error || !response) {
                attempt->fail(transportFailure(error));
                return;
            }
            const auto verdict = self->judge(attempt, prepared, *response, [&] { return data.value_or(Data{}); });
            if (!verdict) {
                attempt->fail(verdict.error());
                return;
            }
            if (*verdict) return;
            Data body = data.value_or(Data{});
            if (isGet && body.empty()) {
                attempt->fail(RestClientError{RestClientError::ApiResponseIsEmpty{}});
                return;
            }
            const auto mime = response->mimeType().value_or("");
            if (!body.empty() && mime.find("json") != std::string::npos && !parseJson(body)) {
                attempt->fail(RestClientError{RestClientError::DecodingFailed{
                    Error(std::string(kCocoaErrorDomain), CocoaError::propertyListReadCorrupt,
                          {{std::string(kLocalizedDescriptionKey), "The data couldn't be read because it isn't in the correct format."}})}});
                return;
            }
            attempt->completion(RestResponse{std::move(body), *response});
        }));
}

} // namespace platform::veltrane
