#include "Platform/Foundation/HttpCookie.hpp"

#include "Platform/Foundation/HttpText.hpp"

#include <cmath>

namespace platform {

using namespace httptext;

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

} // namespace platform
