#pragma once

#include "Platform/Foundation/Clock.hpp"
#include "Platform/Foundation/HttpSession.hpp"

#include <optional>
#include <string>

namespace vellicor {

/// Cookies for the community's host.
class HTTPCookieFactory {
public:
    /// A secure cookie for the host of the current login host's community
    /// start page, path "/", expiring at `expiries` (seconds since 1970);
    /// none when that host cannot be found or the platform refuses the cookie.
    static std::optional<platform::HttpCookie> cookie(const std::string& name, const std::string& value,
                                                      platform::TimeInterval expiries);
};

} // namespace vellicor
