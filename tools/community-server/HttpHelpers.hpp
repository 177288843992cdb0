#pragma once

// Small HTTP and text helpers the community server's handlers share.

#include "tools/community-server/CommunityServer.hpp"

#include <httplib.h>

#include <nlohmann/json.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace communityserver {

using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

inline constexpr const char* kJsonType = "application/json;charset=UTF-8";
inline constexpr const char* kHtmlType = "text/html;charset=UTF-8";

/// ASCII letters compared without case.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

std::string lowercased(std::string text);

/// base64url without padding.
std::string base64Url(const unsigned char* bytes, std::size_t count);
/// `byteCount` random bytes, base64url without padding.
std::string randomToken(std::size_t byteCount);

std::string htmlEscaped(std::string_view text);

/// Every byte but the unreserved ones as %XX.
std::string percentEncoded(std::string_view text);

/// Decodes a form field ("+" is a space); a malformed escape is kept as written.
std::string formDecoded(std::string_view text);
/// Decodes percent escapes only ("+" stays); a malformed escape is kept as written.
std::string percentDecoded(std::string_view text);

/// The fields of an application/x-www-form-urlencoded body, decoded.
std::vector<std::pair<std::string, std::string>> parseForm(std::string_view body);

/// The platform's error list: [{"errorCode", "message"}].
void sendErrors(httplib::Response& res, int status, const std::string& code, const std::string& message);

void sendJson(httplib::Response& res, const Json& body, int status = 200);

void sendRedirect(httplib::Response& res, const std::string& location);

/// A small HTML page with the title and the body given.
void sendHtml(httplib::Response& res, int status, const std::string& title, const std::string& body);

/// The value of a cookie the request carries.
std::optional<std::string> cookieValue(const httplib::Request& req, std::string_view name);

/// The token of an "Authorization: Bearer" (or "OAuth") header; empty for a header
/// that carries no usable token, none without the header.
std::optional<std::string> bearerToken(const httplib::Request& req);

/// Whether `host` (a Host header, "name" or "name:port") names this server.
bool hostMatches(const std::string& host, const ServerOptions& options);

/// A page path with one leading and no trailing slash ("/s/" and "/s" are one page).
std::string normalizedPagePath(std::string path);

} // namespace communityserver
