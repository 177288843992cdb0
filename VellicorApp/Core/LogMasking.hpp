#pragma once

#include "Platform/Foundation/Url.hpp"

#include <string>
#include <string_view>

namespace vellicor {

/// The log line with every token value replaced by kMaskedValue, the rest of
/// the text unchanged. Log files leave the device (crash attachments,
/// feedback mails), and the front door carries the access token, so every
/// line the app writes goes through this first. Masked:
///   - the values of the query items and cookies "sid", "access_token",
///     "refresh_token", "csrf_token", "token" and "code", also inside a URL
///     that is itself percent-encoded into another URL ("sid%3D...",
///     "sid%253D...") and after a cookie prefix ("__Host-sid=");
///   - the string values of the same names as JSON keys (but "code") and of
///     "accessToken", "refreshToken" and "csrfToken", in plain JSON, in JSON
///     escaped into another string (\"sid\":\"...\") and in
///     percent-encoded JSON (%22sid%22%3A%22...%22);
///   - a bearer authorisation value ("Bearer <token>", "Bearer%20<token>");
///   - the whole query of a front-door URL (".../entry.vx?..."), plain or
///     percent-encoded.
/// Names are matched without regard to case, and only as whole names
/// ("tsid=" is left alone). One pass over the text, no backtracking.
std::string maskingTokens(std::string_view line);

/// An address as a log line may show it: scheme, host and port, and the
/// path, then of the query and the fragment only the names of their items
/// ("https://u:p@c.test/s/?sid=x&a=1#k=v" gives "https://c.test/s/?sid&a#k").
/// An address without a host keeps its text up to the query.
std::string loggableAddress(const platform::Url& url);

inline constexpr std::string_view kMaskedValue = "***";

} // namespace vellicor
