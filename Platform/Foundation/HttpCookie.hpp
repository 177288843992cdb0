#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Clock.hpp"
#include "Platform/Foundation/Url.hpp"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class HttpEngine;

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

} // namespace platform
