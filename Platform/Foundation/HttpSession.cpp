#include "Platform/Foundation/HttpSession.hpp"

#include "Platform/Foundation/Reachability.hpp"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <ctime>
#include <map>
#include <tuple>
#include <thread>
#include <unordered_map>

namespace platform {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::string_view kDefaultUserAgent = "Vellicor";
constexpr double kDefaultTimeout = 60.0;
constexpr long kMaxPollMilliseconds = 1000;
/// Header fields that carry credentials: never sent to an origin other than the request's own.
constexpr std::array<std::string_view, 3> kCredentialHeaders = {"Authorization", "Proxy-Authorization", "Cookie"};

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowercased(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), asciiLower);
    return result;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return asciiLower(x) == asciiLower(y);
           });
}

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view space = " \t\r\n";
    auto first = text.find_first_not_of(space);
    if (first == std::string_view::npos) {
        return {};
    }
    auto last = text.find_last_not_of(space);
    return text.substr(first, last - first + 1);
}

std::string_view unquoted(std::string_view text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

// An HTTP token (method or header name): visible ASCII without separators.
bool isToken(std::string_view text) {
    constexpr std::string_view separators = "()<>@,;:\\\"/[]?={} \t";
    return !text.empty() && std::all_of(text.begin(), text.end(), [&](char c) {
        auto u = static_cast<unsigned char>(c);
        return u > 32 && u < 127 && separators.find(c) == std::string_view::npos;
    });
}

bool isSafeHeaderValue(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// Settings every transfer reads when it starts.
struct NetworkSettings {
    std::mutex mutex;
    std::map<std::string, std::string> hostMappings; // "host:port" -> "host:port"
    std::optional<std::filesystem::path> caFile;
};

NetworkSettings& networkSettings() {
    static NetworkSettings settings;
    return settings;
}

void ensureCurlInitialized() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

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

std::string failingURLText(const HttpRequest& request) {
    return request.url ? request.url->absoluteString() : std::string();
}

Error transferError(long code, const HttpRequest& request, std::string_view detail = {}) {
    auto error = makeURLError(code, failingURLText(request));
    if (!detail.empty()) {
        error.userInfo["NSDebugDescription"] = std::string(detail);
    }
    return error;
}

bool isRedirectStatus(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

// ---------------------------------------------------------------------------
// HttpHeaders

HttpHeaders::HttpHeaders(std::initializer_list<Field> fields) {
    for (const auto& [name, value] : fields) {
        addValue(value, name);
    }
}

std::optional<std::string> HttpHeaders::value(std::string_view name) const {
    std::optional<std::string> result;
    for (const auto& [fieldName, fieldValue] : fields_) {
        if (equalsIgnoringCase(fieldName, name)) {
            if (result) {
                *result += ", ";
                *result += fieldValue;
            } else {
                result = fieldValue;
            }
        }
    }
    return result;
}

void HttpHeaders::setValue(std::optional<std::string> value, std::string_view name) {
    if (!value) {
        remove(name);
        return;
    }
    auto first = std::find_if(fields_.begin(), fields_.end(),
                              [&](const Field& field) { return equalsIgnoringCase(field.first, name); });
    if (first == fields_.end()) {
        fields_.emplace_back(std::string(name), std::move(*value));
        return;
    }
    first->second = std::move(*value);
    auto later = std::remove_if(std::next(first), fields_.end(),
                                [&](const Field& field) { return equalsIgnoringCase(field.first, name); });
    fields_.erase(later, fields_.end());
}

void HttpHeaders::addValue(std::string value, std::string_view name) {
    fields_.emplace_back(std::string(name), std::move(value));
}

void HttpHeaders::remove(std::string_view name) {
    std::erase_if(fields_, [&](const Field& field) { return equalsIgnoringCase(field.first, name); });
}

bool HttpHeaders::contains(std::string_view name) const {
    return std::any_of(fields_.begin(), fields_.end(),
                       [&](const Field& field) { return equalsIgnoringCase(field.first, name); });
}

// ---------------------------------------------------------------------------
// HttpRequest, HttpResponse

HttpRequest::HttpRequest(Url url, double timeoutInterval) : url(std::move(url)), timeoutInterval(timeoutInterval) {}

HttpResponse::HttpResponse(Url url, int statusCode, HttpHeaders headers)
    : url_(std::move(url)), statusCode_(statusCode), headers_(std::move(headers)) {
    if (auto contentType = headers_.value("Content-Type")) {
        std::string_view rest = *contentType;
        auto semicolon = rest.find(';');
        auto type = trimmed(rest.substr(0, semicolon));
        if (!type.empty()) {
            mimeType_ = lowercased(type);
        }
        while (semicolon != std::string_view::npos) {
            rest = rest.substr(semicolon + 1);
            semicolon = rest.find(';');
            auto parameter = rest.substr(0, semicolon);
            auto equals = parameter.find('=');
            if (equals == std::string_view::npos) {
                continue;
            }
            if (equalsIgnoringCase(trimmed(parameter.substr(0, equals)), "charset")) {
                auto charset = unquoted(trimmed(parameter.substr(equals + 1)));
                if (!charset.empty()) {
                    textEncodingName_ = lowercased(charset);
                }
            }
        }
    }
    if (auto length = headers_.value("Content-Length")) {
        auto text = trimmed(*length);
        long long parsed = -1;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
        if (ec == std::errc() && end == text.data() + text.size() && parsed >= 0) {
            expectedContentLength_ = parsed;
        }
    }
}

std::string HttpResponse::suggestedFilename() const {
    if (auto disposition = headers_.value("Content-Disposition")) {
        std::string_view rest = *disposition;
        while (!rest.empty()) {
            auto semicolon = rest.find(';');
            auto parameter = trimmed(rest.substr(0, semicolon));
            rest = semicolon == std::string_view::npos ? std::string_view{} : rest.substr(semicolon + 1);
            auto equals = parameter.find('=');
            if (equals == std::string_view::npos || !equalsIgnoringCase(trimmed(parameter.substr(0, equals)), "filename")) {
                continue;
            }
            std::string name(unquoted(trimmed(parameter.substr(equals + 1))));
            if (auto slash = name.find_last_of("/\\"); slash != std::string::npos) {
                name = name.substr(slash + 1);
            }
            if (!name.empty() && name != "." && name != ".." && isSafeHeaderValue(name)) {
                return name;
            }
        }
    }
    auto last = url_.lastPathComponent();
    if (last.empty() || last == "/") {
        return "Unknown";
    }
    return last;
}

// ---------------------------------------------------------------------------
// HttpCookie, HttpCookieStorage

namespace {

bool hasControlCharacters(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7f;
    });
}

bool containsAny(std::string_view text, std::string_view characters) {
    return text.find_first_of(characters) != std::string_view::npos;
}

std::int64_t realTimeNow() { return static_cast<std::int64_t>(std::time(nullptr)); }

std::vector<std::string_view> splitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    while (true) {
        auto tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) {
            return fields;
        }
        line = line.substr(tab + 1);
    }
}

/// One line of a Netscape cookie file, the format libcurl reads and lists
/// cookies in: domain, subdomains TRUE/FALSE, path, secure TRUE/FALSE, expiry
/// (real seconds since 1970, 0 for a session cookie), name, value; an
/// HTTP-only cookie's domain carries the prefix "#HttpOnly_".
struct CookieLine {
    std::string domain; // with a leading "." when subdomains match
    std::string path;
    bool secure = false;
    bool httpOnly = false;
    std::int64_t expires = 0;
    std::string name;
    std::string value;

    static std::optional<CookieLine> parse(std::string_view text) {
        constexpr std::string_view httpOnlyPrefix = "#HttpOnly_";
        CookieLine line;
        if (text.starts_with(httpOnlyPrefix)) {
            line.httpOnly = true;
            text.remove_prefix(httpOnlyPrefix.size());
        } else if (text.starts_with("#")) {
            return std::nullopt;
        }
        auto fields = splitTabs(text);
        if (fields.size() != 7 || fields[0].empty() || fields[5].empty()) {
            return std::nullopt;
        }
        bool subdomains = fields[1] == "TRUE";
        line.domain = std::string(fields[0]);
        if (subdomains && !line.domain.starts_with('.')) {
            line.domain.insert(line.domain.begin(), '.');
        } else if (!subdomains && line.domain.starts_with('.')) {
            line.domain.erase(line.domain.begin());
        }
        line.path = std::string(fields[2]);
        line.secure = fields[3] == "TRUE";
        auto [end, ec] = std::from_chars(fields[4].data(), fields[4].data() + fields[4].size(), line.expires);
        if (ec != std::errc() || end != fields[4].data() + fields[4].size() || line.expires < 0) {
            return std::nullopt;
        }
        line.name = std::string(fields[5]);
        line.value = std::string(fields[6]);
        if (hasControlCharacters(line.domain) || hasControlCharacters(line.path) || hasControlCharacters(line.name) ||
            hasControlCharacters(line.value) || line.domain == ".") {
            return std::nullopt;
        }
        return line;
    }

    std::string text() const {
        bool subdomains = domain.starts_with('.');
        return std::string(httpOnly ? "#HttpOnly_" : "") + domain + "\t" + (subdomains ? "TRUE" : "FALSE") + "\t" +
               path + "\t" + (secure ? "TRUE" : "FALSE") + "\t" + std::to_string(expires) + "\t" + name + "\t" +
               value;
    }

    bool isExpired(std::int64_t realNow) const { return expires != 0 && expires <= realNow; }

    bool sameCookie(const CookieLine& other) const {
        return name == other.name && path == other.path && equalsIgnoringCase(domain, other.domain);
    }
};

} // namespace

std::optional<HttpCookie> HttpCookie::create(const HttpCookieProperties& properties) {
    if (properties.name.empty() || hasControlCharacters(properties.name) ||
        containsAny(properties.name, std::string_view("=; \t", 4)) || hasControlCharacters(properties.value) ||
        containsAny(properties.value, ";")) {
        return std::nullopt;
    }
    if (!properties.path || properties.path->empty() || hasControlCharacters(*properties.path) ||
        containsAny(*properties.path, "; ")) {
        return std::nullopt;
    }
    std::string domain;
    if (properties.domain) {
        domain = *properties.domain;
    } else if (properties.originURL) {
        domain = properties.originURL->host().value_or("");
    }
    std::string_view bare = domain;
    if (bare.starts_with('.')) {
        bare.remove_prefix(1);
    }
    if (bare.empty() || hasControlCharacters(domain) || containsAny(domain, "; /\\")) {
        return std::nullopt;
    }

    HttpCookie cookie;
    cookie.name_ = properties.name;
    cookie.value_ = properties.value;
    cookie.domain_ = lowercased(domain);
    cookie.path_ = *properties.path;
    cookie.secure_ = properties.secure;
    cookie.httpOnly_ = properties.httpOnly;
    cookie.sameSite_ = properties.sameSitePolicy;
    if (!properties.discard) {
        std::optional<TimeInterval> expires;
        if (properties.maximumAge && std::isfinite(*properties.maximumAge)) {
            expires = now() + *properties.maximumAge;
        } else if (properties.expires && std::isfinite(*properties.expires)) {
            expires = *properties.expires;
        }
        // The jar keeps whole seconds.
        if (expires) {
            cookie.expires_ = std::floor(*expires);
        }
    }
    return cookie;
}

struct HttpCookieStorage::Impl {
    CURLSH* share = nullptr;
    // Recursive, so that one operation may hold the jar across several calls
    // into libcurl (which take the same lock themselves).
    std::array<std::recursive_mutex, CURL_LOCK_DATA_LAST> locks;
    // Real seconds minus clock seconds, fixed when the jar is made.
    std::int64_t clockOffset = 0;

    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
        static_cast<Impl*>(user)->locks.at(static_cast<std::size_t>(data)).lock();
    }

    static void unlock(CURL*, curl_lock_data data, void* user) {
        static_cast<Impl*>(user)->locks.at(static_cast<std::size_t>(data)).unlock();
    }

    std::recursive_mutex& cookieLock() { return locks.at(CURL_LOCK_DATA_COOKIE); }

    /// An easy handle attached to the jar, for one operation.
    class Handle {
    public:
        explicit Handle(CURLSH* share) : easy_(curl_easy_init()) {
            if (easy_ != nullptr) {
                curl_easy_setopt(easy_, CURLOPT_SHARE, share);
            }
        }
        ~Handle() {
            if (easy_ != nullptr) {
                curl_easy_cleanup(easy_);
            }
        }
        Handle(const Handle&) = delete;
        Handle& operator=(const Handle&) = delete;

        void command(const std::string& text) {
            if (easy_ != nullptr) {
                curl_easy_setopt(easy_, CURLOPT_COOKIELIST, text.c_str());
            }
        }

        std::vector<CookieLine> lines() {
            std::vector<CookieLine> result;
            curl_slist* list = nullptr;
            if (easy_ == nullptr || curl_easy_getinfo(easy_, CURLINFO_COOKIELIST, &list) != CURLE_OK) {
                return result;
            }
            auto realNow = realTimeNow();
            for (auto* item = list; item != nullptr; item = item->next) {
                if (auto line = CookieLine::parse(item->data); line && !line->isExpired(realNow)) {
                    result.push_back(std::move(*line));
                }
            }
            curl_slist_free_all(list);
            return result;
        }

    private:
        CURL* easy_;
    };

    CookieLine lineFor(const HttpCookie& cookie) const {
        CookieLine line;
        line.domain = cookie.domain();
        line.path = cookie.path();
        line.secure = cookie.isSecure();
        line.httpOnly = cookie.isHTTPOnly();
        line.name = cookie.name();
        line.value = cookie.value();
        if (auto expires = cookie.expiresDate()) {
            // An expiry at or before 1970 in real time would read as a session cookie.
            line.expires = std::max<std::int64_t>(1, static_cast<std::int64_t>(*expires) + clockOffset);
        }
        return line;
    }

    HttpCookie cookieFor(const CookieLine& line) const {
        HttpCookie cookie;
        cookie.name_ = line.name;
        cookie.value_ = line.value;
        cookie.domain_ = lowercased(line.domain);
        cookie.path_ = line.path;
        cookie.secure_ = line.secure;
        cookie.httpOnly_ = line.httpOnly;
        if (line.expires != 0) {
            cookie.expires_ = static_cast<TimeInterval>(line.expires - clockOffset);
        }
        return cookie;
    }
};

HttpCookieStorage::HttpCookieStorage() : impl_(std::make_unique<Impl>()) {
    ensureCurlInitialized();
    impl_->share = curl_share_init();
    if (impl_->share == nullptr) {
        fatalError("cannot set up a cookie store");
    }
    curl_share_setopt(impl_->share, CURLSHOPT_LOCKFUNC, &Impl::lock);
    curl_share_setopt(impl_->share, CURLSHOPT_UNLOCKFUNC, &Impl::unlock);
    curl_share_setopt(impl_->share, CURLSHOPT_USERDATA, static_cast<void*>(impl_.get()));
    curl_share_setopt(impl_->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    impl_->clockOffset = realTimeNow() - static_cast<std::int64_t>(std::floor(now()));
}

HttpCookieStorage::~HttpCookieStorage() {
    // Every transfer that used the jar has released its handle: a session keeps
    // its jar alive until its tasks are gone.
    curl_share_cleanup(impl_->share);
}

std::shared_ptr<HttpCookieStorage> HttpCookieStorage::create() {
    return std::shared_ptr<HttpCookieStorage>(new HttpCookieStorage());
}

std::shared_ptr<HttpCookieStorage> HttpCookieStorage::shared() {
    static const auto storage = create();
    return storage;
}

std::vector<HttpCookie> HttpCookieStorage::cookies() const {
    Impl::Handle handle(impl_->share);
    std::vector<HttpCookie> result;
    for (const auto& line : handle.lines()) {
        result.push_back(impl_->cookieFor(line));
    }
    std::sort(result.begin(), result.end(), [](const HttpCookie& a, const HttpCookie& b) {
        return std::tie(a.domain(), a.path(), a.name()) < std::tie(b.domain(), b.path(), b.name());
    });
    return result;
}

void HttpCookieStorage::setCookie(const HttpCookie& cookie) {
    auto line = impl_->lineFor(cookie);
    if (line.isExpired(realTimeNow())) {
        deleteCookie(cookie);
        return;
    }
    Impl::Handle handle(impl_->share);
    handle.command(line.text());
}

void HttpCookieStorage::deleteCookie(const HttpCookie& cookie) {
    // The jar has no call to drop one cookie: hold it, empty it and put back the others.
    auto doomed = impl_->lineFor(cookie);
    std::lock_guard lock(impl_->cookieLock());
    Impl::Handle handle(impl_->share);
    auto lines = handle.lines();
    auto found = std::find_if(lines.begin(), lines.end(), [&](const CookieLine& line) { return line.sameCookie(doomed); });
    if (found == lines.end()) {
        return;
    }
    handle.command("ALL");
    for (const auto& line : lines) {
        if (!line.sameCookie(doomed)) {
            handle.command(line.text());
        }
    }
}

void HttpCookieStorage::removeAllCookies() {
    Impl::Handle handle(impl_->share);
    handle.command("ALL");
}

std::string HttpCookieStorage::persistentCookiesText() const {
    Impl::Handle handle(impl_->share);
    auto lines = handle.lines();
    std::sort(lines.begin(), lines.end(), [](const CookieLine& a, const CookieLine& b) {
        return std::tie(a.domain, a.path, a.name) < std::tie(b.domain, b.path, b.name);
    });
    std::string text;
    for (const auto& line : lines) {
        if (line.expires != 0) {
            text += line.text();
            text += "\n";
        }
    }
    return text.empty() ? text : "# Netscape HTTP Cookie File\n" + text;
}

void HttpCookieStorage::loadCookiesText(std::string_view text) {
    Impl::Handle handle(impl_->share);
    auto realNow = realTimeNow();
    while (!text.empty()) {
        auto newline = text.find('\n');
        auto raw = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
        if (raw.ends_with('\r')) {
            raw.remove_suffix(1);
        }
        if (auto line = CookieLine::parse(raw); line && !line->isExpired(realNow)) {
            handle.command(line->text());
        }
    }
}

// ---------------------------------------------------------------------------
// The network thread

/// What a task needs while its transfer runs. Touched on the network thread only.
struct HttpDataTask::Transfer {
    CURL* easy = nullptr;
    curl_slist* requestHeaders = nullptr;
    curl_slist* connectTo = nullptr;
    std::optional<Url> hopUrl;
    Data body;
    std::vector<HttpHeaders::Field> responseFields; // of the response being received
    SteadyClock::time_point lastActivity{};
    double timeout = kDefaultTimeout;
    curl_off_t lastDownloaded = 0;
    curl_off_t lastUploaded = 0;
    int redirectsFollowed = 0;
    bool waitingForDelegate = false;
    std::optional<HttpResponse> pendingRedirect; // the 3xx handed to the delegate
    std::array<char, CURL_ERROR_SIZE> errorText{};

    ~Transfer() { releaseHandle(nullptr); }

    void releaseHandle(CURLM* multi) {
        if (easy != nullptr) {
            if (multi != nullptr) {
                curl_multi_remove_handle(multi, easy);
            }
            curl_easy_cleanup(easy);
            easy = nullptr;
        }
        curl_slist_free_all(requestHeaders);
        requestHeaders = nullptr;
        curl_slist_free_all(connectTo);
        connectTo = nullptr;
    }
};

/// One multi handle on one thread for every transfer of the process. Commands
/// from other threads are queued and wake the thread; completions leave it for
/// the sessions' delegate queues.
class HttpEngine {
public:
    static HttpEngine& instance() {
        static HttpEngine engine;
        return engine;
    }

    /// Runs the command on the network thread.
    void post(std::function<void()> command) {
        {
            std::lock_guard lock(commandsMutex_);
            if (stopping_) {
                return;
            }
            commands_.push_back(std::move(command));
        }
        curl_multi_wakeup(multi_);
    }

    /// Hands the task's outcome to its completion on the delegate queue, once.
    /// While a cancel is under way only the cancel itself may complete the task.
    static void deliver(const std::shared_ptr<HttpDataTask>& task, std::optional<Data> data,
                        std::optional<HttpResponse> response, std::optional<Error> error, bool fromCancel = false) {
        HttpCompletion completion;
        std::shared_ptr<BackgroundActivity::Scope> activity;
        {
            std::lock_guard lock(task->mutex_);
            if (task->state_ == HttpDataTask::State::completed ||
                (task->state_ == HttpDataTask::State::canceling && !fromCancel)) {
                return;
            }
            task->state_ = HttpDataTask::State::completed;
            task->response_ = response;
            task->error_ = error;
            completion = std::move(task->completion_);
            task->completion_ = nullptr;
            activity = std::move(task->activity_);
        }
        task->session_->forget(task.get());
        if (completion) {
            if (!activity) {
                activity = std::make_shared<BackgroundActivity::Scope>(); // cancelled before it was resumed
            }
            // The activity ends once the completion has run, which wakes a main thread waiting for it.
            task->session_->delegateQueue()->async(
                [completion = std::move(completion), data = std::move(data), response = std::move(response),
                 error = std::move(error), activity = std::move(activity)]() mutable {
                    completion(std::move(data), std::move(response), std::move(error));
                    activity.reset();
                });
        }
    }

    void start(const std::shared_ptr<HttpDataTask>& task) {
        if (task->state() != HttpDataTask::State::running) {
            return;
        }
        startHop(task);
    }

    void abort(const std::shared_ptr<HttpDataTask>& task) {
        auto& transfer = *task->transfer_;
        if (transfer.easy != nullptr) {
            active_.erase(transfer.easy);
            transfer.releaseHandle(multi_);
        }
    }

    void redirectAnswered(const std::shared_ptr<HttpDataTask>& task, std::optional<HttpRequest> answer) {
        auto& transfer = *task->transfer_;
        if (!transfer.waitingForDelegate) {
            return;
        }
        transfer.waitingForDelegate = false;
        auto redirect = std::move(transfer.pendingRedirect);
        transfer.pendingRedirect.reset();
        if (task->state() != HttpDataTask::State::running) {
            return;
        }
        if (answer) {
            follow(task, std::move(*answer));
        } else if (redirect) {
            deliver(task, std::move(transfer.body), std::move(redirect), std::nullopt);
        }
    }

private:
    HttpEngine() {
        ensureCurlInitialized();
        // Touch the statics the network thread reads so that they outlive it.
        networkSettings();
        HttpCookieStorage::shared();
        reachabilityToken_ = Reachability::addObserver([this](bool) { curl_multi_wakeup(multi_); });
        multi_ = curl_multi_init();
        if (multi_ == nullptr) {
            fatalError("cannot set up the URL-loading engine");
        }
        thread_ = std::thread([this] { run(); });
    }

    ~HttpEngine() {
        Reachability::removeObserver(reachabilityToken_);
        {
            std::lock_guard lock(commandsMutex_);
            stopping_ = true;
        }
        curl_multi_wakeup(multi_);
        thread_.join();
        for (auto& [easy, task] : active_) {
            task->transfer_->releaseHandle(multi_);
        }
        active_.clear();
        commands_.clear();
        curl_multi_cleanup(multi_);
    }

    void run() {
        while (true) {
            std::vector<std::function<void()>> commands;
            {
                std::lock_guard lock(commandsMutex_);
                if (stopping_) {
                    return;
                }
                commands.swap(commands_);
            }
            for (auto& command : commands) {
                command();
            }
            commands.clear();
            if (Reachability::isOffline()) {
                failAll(URLError::notConnectedToInternet);
            }
            failIdleTransfers();

            int running = 0;
            curl_multi_perform(multi_, &running);
            int left = 0;
            while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
                if (message->msg == CURLMSG_DONE) {
                    CURL* easy = message->easy_handle;
                    CURLcode result = message->data.result;
                    hopFinished(easy, result);
                }
            }
            curl_multi_poll(multi_, nullptr, 0, static_cast<int>(waitMilliseconds()), nullptr);
        }
    }

    long waitMilliseconds() const {
        long wait = kMaxPollMilliseconds;
        auto now = SteadyClock::now();
        for (const auto& [easy, task] : active_) {
            const auto& transfer = *task->transfer_;
            auto deadline = transfer.lastActivity + std::chrono::duration_cast<SteadyClock::duration>(
                                                        std::chrono::duration<double>(transfer.timeout));
            auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
            wait = std::clamp<long>(static_cast<long>(remaining), 0, wait);
        }
        return wait;
    }

    void failAll(long code) {
        auto tasks = takeActive([](const HttpDataTask&) { return true; });
        for (auto& task : tasks) {
            deliver(task, std::nullopt, std::nullopt, transferError(code, task->currentRequest()));
        }
    }

    void failIdleTransfers() {
        auto now = SteadyClock::now();
        auto tasks = takeActive([&](const HttpDataTask& task) {
            const auto& transfer = *task.transfer_;
            return std::chrono::duration<double>(now - transfer.lastActivity).count() >= transfer.timeout;
        });
        for (auto& task : tasks) {
            deliver(task, std::nullopt, std::nullopt, transferError(URLError::timedOut, task->currentRequest()));
        }
    }

    /// Removes the transfers the predicate picks and returns their tasks.
    template <typename Predicate>
    std::vector<std::shared_ptr<HttpDataTask>> takeActive(Predicate predicate) {
        std::vector<std::shared_ptr<HttpDataTask>> taken;
        for (auto it = active_.begin(); it != active_.end();) {
            if (predicate(*it->second)) {
                it->second->transfer_->releaseHandle(multi_);
                taken.push_back(std::move(it->second));
                it = active_.erase(it);
            } else {
                ++it;
            }
        }
        return taken;
    }

    void startHop(const std::shared_ptr<HttpDataTask>& task) {
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
        configure(*task, transfer, request, url);
        active_.emplace(transfer.easy, task);
        curl_multi_add_handle(multi_, transfer.easy);
    }

    void configure(HttpDataTask& task, HttpDataTask::Transfer& transfer, const HttpRequest& request, const Url& url) {
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
            curl_easy_setopt(easy, CURLOPT_SHARE, storage->impl_->share);
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

    static std::size_t onBody(char* bytes, std::size_t size, std::size_t count, void* user) {
        auto& transfer = *static_cast<HttpDataTask::Transfer*>(user);
        auto length = size * count;
        transfer.body.insert(transfer.body.end(), reinterpret_cast<std::uint8_t*>(bytes),
                             reinterpret_cast<std::uint8_t*>(bytes) + length);
        transfer.lastActivity = SteadyClock::now();
        return length;
    }

    static std::size_t onHeader(char* bytes, std::size_t size, std::size_t count, void* user) {
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

    static int onProgress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded) {
        auto& transfer = *static_cast<HttpDataTask::Transfer*>(user);
        if (downloaded != transfer.lastDownloaded || uploaded != transfer.lastUploaded) {
            transfer.lastDownloaded = downloaded;
            transfer.lastUploaded = uploaded;
            transfer.lastActivity = SteadyClock::now();
        }
        return 0;
    }

    void hopFinished(CURL* easy, CURLcode result) {
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
        deliver(task, std::move(transfer.body), std::move(response), std::nullopt);
    }

    /// The request that follows a redirect from `from` to `target`. Credentials
    /// set on the request stay with the origin they were meant for: a redirect
    /// that changes scheme, host or port drops them (the cookie jar still adds
    /// the new origin's own cookies).
    static HttpRequest redirectedRequest(const HttpRequest& request, const Url& from, Url target, long status) {
        HttpRequest next = request;
        if (!isSameOrigin(from, target)) {
            for (auto name : kCredentialHeaders) {
                next.allHTTPHeaderFields.remove(name);
            }
        }
        next.url = std::move(target);
        bool becomesGet = (status == 303 && next.httpMethod != "HEAD") ||
                          ((status == 301 || status == 302) && next.httpMethod == "POST");
        if (becomesGet) {
            next.httpMethod = "GET";
            next.httpBody.reset();
            next.allHTTPHeaderFields.remove("Content-Type");
            next.allHTTPHeaderFields.remove("Content-Length");
        }
        return next;
    }

    void redirect(const std::shared_ptr<HttpDataTask>& task, HttpResponse response, HttpRequest next) {
        auto& transfer = *task->transfer_;
        const auto& session = task->session_;
        if (transfer.redirectsFollowed >= session->configuration().maximumRedirects) {
            deliver(task, std::nullopt, std::nullopt,
                    transferError(URLError::httpTooManyRedirects, task->currentRequest()));
            return;
        }
        if (!session->delegate_.lock()) {
            follow(task, std::move(next));
            return;
        }
        transfer.waitingForDelegate = true;
        transfer.pendingRedirect = response;
        auto answer = std::make_shared<RedirectAnswer>(task);
        session->delegateQueue()->async([task, answer, response = std::move(response), next = std::move(next)]() {
            auto delegate = task->session_->delegate_.lock();
            if (!delegate) {
                answer->answer(next);
                return;
            }
            delegate->willPerformHTTPRedirection(
                *task->session_, *task, response, next,
                [answer](std::optional<HttpRequest> request) { answer->answer(std::move(request)); });
        });
    }

    void follow(const std::shared_ptr<HttpDataTask>& task, HttpRequest next) {
        ++task->transfer_->redirectsFollowed;
        {
            std::lock_guard lock(task->mutex_);
            task->currentRequest_ = std::move(next);
        }
        startHop(task);
    }

    /// The delegate's answer to one redirect: given once; a handler dropped
    /// without an answer stops at the redirect.
    class RedirectAnswer {
    public:
        explicit RedirectAnswer(std::shared_ptr<HttpDataTask> task) : task_(std::move(task)) {}
        ~RedirectAnswer() { answer(std::nullopt); }
        RedirectAnswer(const RedirectAnswer&) = delete;
        RedirectAnswer& operator=(const RedirectAnswer&) = delete;

        void answer(std::optional<HttpRequest> request) {
            if (answered_.exchange(true)) {
                return;
            }
            HttpEngine::instance().post([task = task_, request = std::move(request)]() mutable {
                HttpEngine::instance().redirectAnswered(task, std::move(request));
            });
        }

    private:
        std::shared_ptr<HttpDataTask> task_;
        std::atomic<bool> answered_{false};
    };

    CURLM* multi_ = nullptr;
    std::uint64_t reachabilityToken_ = 0;
    std::thread thread_;

    std::mutex commandsMutex_; // guards commands_ and stopping_
    std::vector<std::function<void()>> commands_;
    bool stopping_ = false;

    std::unordered_map<CURL*, std::shared_ptr<HttpDataTask>> active_; // network thread only
};

// ---------------------------------------------------------------------------
// HttpDataTask

HttpDataTask::HttpDataTask(std::shared_ptr<HttpSession> session, HttpRequest request, HttpCompletion completion,
                           std::uint64_t identifier)
    : session_(std::move(session)), originalRequest_(request), identifier_(identifier),
      currentRequest_(std::move(request)), completion_(std::move(completion)),
      transfer_(std::make_unique<Transfer>()) {}

HttpDataTask::~HttpDataTask() = default;

void HttpDataTask::resume() {
    {
        std::lock_guard lock(mutex_);
        if (state_ != State::suspended) {
            return;
        }
        state_ = State::running;
        activity_ = std::make_shared<BackgroundActivity::Scope>();
    }
    auto self = shared_from_this();
    if (session_->isInvalidated()) {
        HttpEngine::deliver(self, std::nullopt, std::nullopt, transferError(URLError::cancelled, originalRequest_));
        return;
    }
    if (Reachability::isOffline()) {
        HttpEngine::deliver(self, std::nullopt, std::nullopt,
                            transferError(URLError::notConnectedToInternet, originalRequest_));
        return;
    }
    auto& engine = HttpEngine::instance();
    engine.post([self] { HttpEngine::instance().start(self); });
}

void HttpDataTask::cancel() {
    {
        std::lock_guard lock(mutex_);
        if (state_ == State::completed || state_ == State::canceling) {
            return;
        }
        state_ = State::canceling;
    }
    auto self = shared_from_this();
    HttpEngine::deliver(self, std::nullopt, std::nullopt, transferError(URLError::cancelled, currentRequest()), true);
    HttpEngine::instance().post([self] { HttpEngine::instance().abort(self); });
}

HttpDataTask::State HttpDataTask::state() const {
    std::lock_guard lock(mutex_);
    return state_;
}

HttpRequest HttpDataTask::currentRequest() const {
    std::lock_guard lock(mutex_);
    return currentRequest_;
}

std::optional<HttpResponse> HttpDataTask::response() const {
    std::lock_guard lock(mutex_);
    return response_;
}

std::optional<Error> HttpDataTask::error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

// ---------------------------------------------------------------------------
// HttpSessionDelegate, HttpSessionConfiguration

void HttpSessionDelegate::willPerformHTTPRedirection(HttpSession&, HttpDataTask&, const HttpResponse&,
                                                     HttpRequest newRequest,
                                                     std::function<void(std::optional<HttpRequest>)> completionHandler) {
    completionHandler(std::move(newRequest));
}

HttpSessionConfiguration HttpSessionConfiguration::defaultConfiguration() { return HttpSessionConfiguration{}; }

HttpSessionConfiguration HttpSessionConfiguration::ephemeralConfiguration() {
    HttpSessionConfiguration configuration;
    configuration.httpShouldSetCookies = false;
    return configuration;
}

// ---------------------------------------------------------------------------
// HttpSession

HttpSession::HttpSession(HttpSessionConfiguration configuration, std::weak_ptr<HttpSessionDelegate> delegate,
                         std::shared_ptr<DispatchQueue> delegateQueue)
    : configuration_(std::move(configuration)), delegate_(std::move(delegate)),
      delegateQueue_(std::move(delegateQueue)) {}

HttpSession::~HttpSession() = default;

std::shared_ptr<HttpSession> HttpSession::shared() {
    static const auto session = create(HttpSessionConfiguration::defaultConfiguration());
    return session;
}

std::shared_ptr<HttpSession> HttpSession::ephemeral() {
    static const auto session = create(HttpSessionConfiguration::ephemeralConfiguration());
    return session;
}

std::shared_ptr<HttpSession> HttpSession::create(HttpSessionConfiguration configuration,
                                                 std::shared_ptr<HttpSessionDelegate> delegate,
                                                 std::shared_ptr<DispatchQueue> delegateQueue) {
    HttpEngine::instance(); // started before the first session, stopped after the last static one
    if (!delegateQueue) {
        delegateQueue = DispatchQueue::makeSerial("HttpSession.delegateQueue");
    }
    return std::shared_ptr<HttpSession>(
        new HttpSession(std::move(configuration), std::move(delegate), std::move(delegateQueue)));
}

std::shared_ptr<HttpDataTask> HttpSession::dataTask(HttpRequest request, HttpCompletion completion) {
    std::lock_guard lock(mutex_);
    auto task = std::shared_ptr<HttpDataTask>(
        new HttpDataTask(shared_from_this(), std::move(request), std::move(completion), nextTaskIdentifier_++));
    std::erase_if(tasks_, [](const std::weak_ptr<HttpDataTask>& entry) { return entry.expired(); });
    tasks_.push_back(task);
    return task;
}

std::shared_ptr<HttpDataTask> HttpSession::dataTask(const Url& url, HttpCompletion completion) {
    return dataTask(HttpRequest(url), std::move(completion));
}

std::shared_ptr<HttpDataTask> HttpSession::send(HttpRequest request, HttpCompletion completion) {
    auto task = dataTask(std::move(request), std::move(completion));
    task->resume();
    return task;
}

void HttpSession::invalidateAndCancel() {
    std::vector<std::weak_ptr<HttpDataTask>> tasks;
    {
        std::lock_guard lock(mutex_);
        invalidated_ = true;
        tasks.swap(tasks_);
    }
    for (const auto& entry : tasks) {
        if (auto task = entry.lock()) {
            task->cancel();
        }
    }
}

bool HttpSession::isInvalidated() {
    std::lock_guard lock(mutex_);
    return invalidated_;
}

void HttpSession::forget(const HttpDataTask* task) {
    std::lock_guard lock(mutex_);
    std::erase_if(tasks_, [task](const std::weak_ptr<HttpDataTask>& entry) {
        auto locked = entry.lock();
        return !locked || locked.get() == task;
    });
}

void HttpSession::setHostMapping(std::string_view from, std::string_view to) {
    auto& settings = networkSettings();
    std::lock_guard lock(settings.mutex);
    settings.hostMappings[std::string(from)] = std::string(to);
}

void HttpSession::removeHostMapping(std::string_view from) {
    auto& settings = networkSettings();
    std::lock_guard lock(settings.mutex);
    settings.hostMappings.erase(std::string(from));
}

void HttpSession::removeAllHostMappings() {
    auto& settings = networkSettings();
    std::lock_guard lock(settings.mutex);
    settings.hostMappings.clear();
}

void HttpSession::setCAFile(std::optional<std::filesystem::path> path) {
    auto& settings = networkSettings();
    std::lock_guard lock(settings.mutex);
    settings.caFile = std::move(path);
}

std::optional<std::filesystem::path> HttpSession::caFile() {
    auto& settings = networkSettings();
    std::lock_guard lock(settings.mutex);
    return settings.caFile;
}

void HttpSession::removeAllCookies() { HttpCookieStorage::shared()->removeAllCookies(); }

} // namespace platform
