#pragma once

#include <string>
#include <string_view>

namespace vellicor {

/// The log line with every token value replaced by kMaskedValue, the rest of
/// the text unchanged. Log files leave the device (crash attachments,
/// feedback mails), and the front door carries the access token, so every
/// line the app writes goes through this first. Masked:
///   - the values of the query items "sid", "access_token" and
///     "refresh_token", also inside a URL that is itself percent-encoded into
///     another URL ("sid%3D...", "sid%253D...");
///   - the same names as JSON keys ("access_token": "...") and the
///     credentials' "accessToken" and "refreshToken";
///   - a bearer authorisation value ("Bearer <token>");
///   - the whole query of a front-door URL (".../entry.vx?..."), plain or
///     percent-encoded.
/// Names are matched without regard to case, and only as whole names
/// ("tsid=" is left alone). One pass over the text, no backtracking.
std::string maskingTokens(std::string_view line);

inline constexpr std::string_view kMaskedValue = "***";

} // namespace vellicor
