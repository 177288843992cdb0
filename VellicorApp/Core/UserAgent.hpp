#pragma once

#include <string>

namespace vellicor {

/// Tokens the app adds to the user agents of its web views.
struct UserAgent {
    UserAgent() = delete;

    /// "Safari/" and the web library's version modulo 1000 (a version of 8615
    /// gives "Safari/615"); empty when the library's short version string is
    /// missing or is not a whole decimal integer (a dotted version included).
    static std::string safariWebKitVersion();
};

} // namespace vellicor
