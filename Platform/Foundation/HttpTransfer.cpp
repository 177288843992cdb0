#include "Platform/Foundation/HttpEngine.hpp"

#include "Platform/Foundation/HttpText.hpp"
#include "Platform/Foundation/Reachability.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace platform {

using namespace httpengine;
using namespace httptext;

namespace {

constexpr std::string_view kDefaultUserAgent = "Vellicor";

long urlErrorCode(CURLcode code) {
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL: return URLError::unsupportedURL;
    case CURLE_URL_MALFORMAT: return URLError::badURL;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return URLError::cannotFindHost;
    case CURLE_COULDNT_CONNECT: return URLError::cannotConnectToHost;
    case CURLE_OPERATION_TIMEDOUT: return URLError::timedOut;
    case CURLE_PEER_FAILED_VERIFICATION: return URLError::serverCertificateUntrusted;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CLIENTCERT:
    case CURLE_USE_SSL_FAILED: return URLError::secureConnectionFailed;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_HTTP3: return URLError::badServerResponse;
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE: return URLError::networkConnectionLost;
    case CURLE_BAD_CONTENT_ENCODING: return URLError::cannotDecodeContentData;
    case CURLE_TOO_MANY_REDIRECTS: return URLError::httpTooManyRedirects;
    default: return URLError::unknown;
    }
}

bool isRedirectStatus(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

/// A URL error with a description of its own (for the download codes).
Error downloadError(long code, const HttpRequest& request) {
    auto error = transferError(code, request);
    auto& description = error.userInfo[std::string(kLocalizedDescriptionKey)];
    switch (code) {
    case URLError::dataLengthExceedsMaximum: description = "resource exceeds maximum size"; break;
    case URLError::cannotCreateFile: description = "cannot create file"; break;
    case URLError::cannotWriteToFile: description = "cannot write file"; break;
    default: break;
    }
    return error;
}

} // namespace

bool HttpDataTask::Transfer::openFile(const HttpDownloadDestination& destination) {
    discardFile();
    auto pattern = (destination.directory / ".download-XXXXXX").string();
    const int descriptor = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    file = ::fdopen(descriptor, "wb");
    if (file == nullptr) {
        ::close(descriptor);
        std::error_code ignored;
        std::filesystem::remove(pattern, ignored);
        return false;
    }
    filePath = pattern;
    maximumBytes = destination.maximumBytes;
    fileBytes = 0;
    fileFailure.reset();
    return true;
}

std::optional<std::filesystem::path> HttpDataTask::Transfer::takeFile() {
    if (file == nullptr) {
        return std::nullopt;
    }
    const bool written = std::fclose(file) == 0;
    file = nullptr;
    if (!written) {
        discardFile();
        return std::nullopt;
    }
    return std::exchange(filePath, {});
}

void HttpDataTask::Transfer::discardFile() {
    if (file != nullptr) {
        std::fclose(file);
        file = nullptr;
    }
    if (!filePath.empty()) {
        std::error_code ignored;
        std::filesystem::remove(filePath, ignored);
        filePath.clear();
    }
}

void HttpEngine::startHop(const std::shared_ptr<HttpDataTask>& task) {
    auto request = task->currentRequest();
    auto fail = [&](long code) { deliver(task, std::nullopt, std::nullopt, transferError(code, request)); };
    if (Reachability::isOffline()) {
        return fail(URLError::notConnectedToInternet);
    }
    if (!request.url) {
        return fail(URLError::unsupportedURL);
    }
    auto url = request.url->absoluteURL();
    auto scheme = lowercased(url.scheme().value_or(""));
    if (scheme != "http" && scheme != "https") {
        return fail(URLError::unsupportedURL);
    }
    if (url.host().value_or("").empty() || !isToken(request.httpMethod)) {
        return fail(URLError::badURL);
    }

    auto& transfer = *task->transfer_;
    transfer.releaseHandle(multi_);
    transfer.easy = curl_easy_init();
    if (transfer.easy == nullptr) {
        return fail(URLError::unknown);
    }
    transfer.hopUrl = url;
    transfer.body.clear();
    transfer.responseFields.clear();
    transfer.lastActivity = SteadyClock::now();
    transfer.timeout = (request.timeoutInterval > 0 && std::isfinite(request.timeoutInterval))
                           ? request.timeoutInterval
                           : kDefaultTimeout;
    transfer.lastDownloaded = 0;
    transfer.lastUploaded = 0;
    transfer.errorText.fill('\0');
    if (task->destination_ && !transfer.openFile(*task->destination_)) {
        transfer.releaseHandle(multi_);
        deliver(task, std::nullopt, std::nullopt, downloadError(URLError::cannotCreateFile, request));
        return;
    }
    configure(*task, transfer, request, url);
    active_.emplace(transfer.easy, task);
    curl_multi_add_handle(multi_, transfer.easy);
}

void HttpEngine::configure(HttpDataTask& task, HttpDataTask::Transfer& transfer, const HttpRequest& request, const Url& url) {
    CURL* easy = transfer.easy;
    auto urlText = url.absoluteString();
    curl_easy_setopt(easy, CURLOPT_URL, urlText.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer.errorText.data());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &HttpEngine::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, static_cast<void*>(&transfer));
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &HttpEngine::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, static_cast<void*>(&transfer));
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &HttpEngine::onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, static_cast<void*>(&transfer));
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    if (task.destination_) {
        // Refused at once when the server announces a longer body.
        curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(transfer.maximumBytes));
    }

    const auto& method = request.httpMethod;
    bool sendsBody = false;
    if (method == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else if (method == "GET") {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else {
        if (request.httpBody || method == "POST") {
            static const Data empty;
            const Data& body = request.httpBody ? *request.httpBody : empty;
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
            curl_easy_setopt(easy, CURLOPT_COPYPOSTFIELDS, body.empty() ? "" : reinterpret_cast<const char*>(body.data()));
            sendsBody = true;
        }
        if (method != "POST" || !sendsBody) {
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method.c_str());
        }
    }

    auto headers = request.allHTTPHeaderFields;
    // The session's own credentials go only to the origin the task was made for.
    const auto& original = task.originalRequest().url;
    const bool atOriginalOrigin = original && isSameOrigin(original->absoluteURL(), url);
    for (const auto& [name, value] : task.session_->configuration().httpAdditionalHeaders.fields()) {
        bool isCredential = std::any_of(kCredentialHeaders.begin(), kCredentialHeaders.end(),
                                        [&](std::string_view field) { return equalsIgnoringCase(field, name); });
        if (!request.allHTTPHeaderFields.contains(name) && (atOriginalOrigin || !isCredential)) {
            headers.addValue(value, name);
        }
    }
    if (!headers.contains("User-Agent")) {
        headers.addValue(std::string(kDefaultUserAgent), "User-Agent");
    }
    if (!headers.contains("Expect")) {
        headers.addValue("", "Expect"); // no "100-continue" round trip before a body
    }
    for (const auto& [name, value] : headers.fields()) {
        if (!isToken(name) || !isSafeHeaderValue(value)) {
            continue;
        }
        auto line = value.empty() ? (equalsIgnoringCase(name, "Expect") ? name + ":" : name + ";")
                                  : name + ": " + value;
        transfer.requestHeaders = curl_slist_append(transfer.requestHeaders, line.c_str());
    }
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer.requestHeaders);

    const auto& configuration = task.session_->configuration();
    if (configuration.httpShouldSetCookies && request.httpShouldHandleCookies) {
        // The session's configuration keeps its jar alive while the transfer runs.
        const auto& storage =
            configuration.httpCookieStorage ? configuration.httpCookieStorage : HttpCookieStorage::shared();
        curl_easy_setopt(easy, CURLOPT_SHARE, cookieShare(*storage));
        curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
    }

    auto& settings = networkSettings();
    std::lock_guard lock(settings.mutex);
    for (const auto& [from, to] : settings.hostMappings) {
        transfer.connectTo = curl_slist_append(transfer.connectTo, (from + ":" + to).c_str());
    }
    if (transfer.connectTo != nullptr) {
        curl_easy_setopt(easy, CURLOPT_CONNECT_TO, transfer.connectTo);
    }
    if (settings.caFile) {
        curl_easy_setopt(easy, CURLOPT_CAINFO, settings.caFile->c_str());
    }
}

std::size_t HttpEngine::onBody(char* bytes, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<HttpDataTask::Transfer*>(user);
    auto length = size * count;
    transfer.lastActivity = SteadyClock::now();
    if (transfer.file != nullptr) {
        // Anything but `length` makes libcurl end the transfer.
        if (length > transfer.maximumBytes - transfer.fileBytes) {
            transfer.fileFailure = URLError::dataLengthExceedsMaximum;
            return 0;
        }
        if (std::fwrite(bytes, 1, length, transfer.file) != length) {
            transfer.fileFailure = URLError::cannotWriteToFile;
            return 0;
        }
        transfer.fileBytes += length;
        return length;
    }
    transfer.body.insert(transfer.body.end(), reinterpret_cast<std::uint8_t*>(bytes),
                         reinterpret_cast<std::uint8_t*>(bytes) + length);
    transfer.lastActivity = SteadyClock::now();
    return length;
}

std::size_t HttpEngine::onHeader(char* bytes, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<HttpDataTask::Transfer*>(user);
    auto length = size * count;
    transfer.lastActivity = SteadyClock::now();
    std::string_view line(bytes, length);
    if (line.starts_with("HTTP/")) {
        transfer.responseFields.clear(); // a new response (after 100 Continue, say)
        return length;
    }
    auto& fields = transfer.responseFields;
    if (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
        // A folded continuation of the previous field.
        auto continuation = trimmed(line);
        if (!continuation.empty() && !fields.empty()) {
            fields.back().second += " ";
            fields.back().second += continuation;
        }
        return length;
    }
    auto colon = line.find(':');
    if (colon == std::string_view::npos) {
        return length;
    }
    auto name = trimmed(line.substr(0, colon));
    if (!name.empty()) {
        fields.emplace_back(std::string(name), std::string(trimmed(line.substr(colon + 1))));
    }
    return length;
}

int HttpEngine::onProgress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded) {
    auto& transfer = *static_cast<HttpDataTask::Transfer*>(user);
    if (downloaded != transfer.lastDownloaded || uploaded != transfer.lastUploaded) {
        transfer.lastDownloaded = downloaded;
        transfer.lastUploaded = uploaded;
        transfer.lastActivity = SteadyClock::now();
    }
    return 0;
}

void HttpEngine::hopFinished(CURL* easy, CURLcode result) {
    auto found = active_.find(easy);
    if (found == active_.end()) {
        curl_multi_remove_handle(multi_, easy);
        return;
    }
    auto task = std::move(found->second);
    active_.erase(found);
    auto& transfer = *task->transfer_;
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    std::string detail(transfer.errorText.data());
    transfer.releaseHandle(multi_);

    auto request = task->currentRequest();
    if (result != CURLE_OK || status < 100 || status > 999 || !transfer.hopUrl) {
        transfer.discardFile();
    }
    if (transfer.fileFailure || result == CURLE_FILESIZE_EXCEEDED) {
        deliver(task, std::nullopt, std::nullopt,
                downloadError(transfer.fileFailure.value_or(URLError::dataLengthExceedsMaximum), request));
        return;
    }
    if (result != CURLE_OK) {
        deliver(task, std::nullopt, std::nullopt,
                transferError(urlErrorCode(result), request, detail.empty() ? curl_easy_strerror(result) : detail));
        return;
    }
    if (status < 100 || status > 999 || !transfer.hopUrl) {
        deliver(task, std::nullopt, std::nullopt, transferError(URLError::badServerResponse, request));
        return;
    }
    HttpHeaders headers;
    for (auto& [name, value] : transfer.responseFields) {
        headers.addValue(std::move(value), name);
    }
    transfer.responseFields.clear();
    HttpResponse response(*transfer.hopUrl, static_cast<int>(status), std::move(headers));
    if (isRedirectStatus(status)) {
        if (auto location = response.value("Location")) {
            if (auto target = Url::parse(trimmed(*location), *transfer.hopUrl)) {
                redirect(task, std::move(response),
                         redirectedRequest(request, *transfer.hopUrl, target->absoluteURL(), status));
                return;
            }
        }
    }
    deliverBody(task, std::move(response));
}

} // namespace platform
