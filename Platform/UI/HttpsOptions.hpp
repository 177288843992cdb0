#pragma once

#include "Platform/Export.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace CLI {
class App;
}

namespace platform::ui {

/// Adds the options that point a program's HTTPS at a server of the test
/// bench (give it to ApplicationMainOptions::addOptions, alone or beside the
/// program's own options):
///
///   --map-host FROM=TO   connect to TO whenever a request goes to FROM, both
///                        "host:port", keeping FROM's host name for TLS and the
///                        Host header (HttpSession::setHostMapping); repeatable
///   --ca-file FILE       trust the certificate authorities of this PEM file for
///                        HTTPS instead of the system's (HttpSession::setCAFile);
///                        given twice, the last one counts
///
/// They take effect as the command line is read, before the launch. A mapping
/// that is not two "host:port" texts, or a CA file that does not exist, is a
/// bad option (the application main returns 2).
PLATFORM_EXPORT void addHttpsOptions(CLI::App& cli);

/// "FROM=TO" as the two "host:port" texts, or none when it is not that.
PLATFORM_EXPORT std::optional<std::pair<std::string, std::string>> parseHostMapping(std::string_view text);

} // namespace platform::ui
