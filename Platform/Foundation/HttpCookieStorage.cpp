#include "Platform/Foundation/HttpCookie.hpp"

#include "Platform/Foundation/HttpEngine.hpp"
#include "Platform/Foundation/HttpText.hpp"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <tuple>

namespace platform {

using namespace httptext;

namespace {

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
            hasControlCharacters(line.value) || line.domain == "." ||
            // An empty label: libcurl drops one leading dot of it at every
            // read, so the stored domain would change at every launch.
            line.domain.find("..") != std::string::npos) {
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
    httpengine::ensureCurlInitialized();
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

CURLSH* HttpEngine::cookieShare(const HttpCookieStorage& storage) { return storage.impl_->share; }

} // namespace platform
