#include "Platform/UI/HttpsOptions.hpp"

#include "Platform/Foundation/HttpSession.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace platform::ui {

namespace {

// "host:port" with a host of no blanks or slashes and a port of 1 to 65535.
bool isHostAndPort(std::string_view text) {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    const auto host = text.substr(0, colon);
    const auto port = text.substr(colon + 1);
    if (std::any_of(host.begin(), host.end(), [](unsigned char c) { return std::isspace(c) || c == '/' || c == '='; })) {
        return false;
    }
    if (port.empty() || port.size() > 5 || !std::all_of(port.begin(), port.end(), [](unsigned char c) {
            return std::isdigit(c);
        })) {
        return false;
    }
    const int number = std::stoi(std::string(port));
    return number >= 1 && number <= 65535;
}

} // namespace

std::optional<std::pair<std::string, std::string>> parseHostMapping(std::string_view text) {
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const auto from = text.substr(0, equals);
    const auto to = text.substr(equals + 1);
    if (!isHostAndPort(from) || !isHostAndPort(to)) return std::nullopt;
    return std::pair{std::string(from), std::string(to)};
}

void addHttpsOptions(CLI::App& cli) {
    const CLI::Validator mapping(
        [](std::string& text) -> std::string {
            return parseHostMapping(text) ? std::string{} : "expected FROM=TO, each host:port, not '" + text + "'";
        },
        "FROM=TO");
    cli.add_option("--map-host", "connect to TO (host:port) whenever a request goes to FROM (host:port); repeatable")
        ->type_name("FROM=TO")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->check(mapping)
        ->each([](const std::string& text) {
            if (auto pair = parseHostMapping(text)) HttpSession::setHostMapping(pair->first, pair->second);
        });
    cli.add_option("--ca-file", "trust the certificate authorities of this PEM file for HTTPS")
        ->type_name("FILE")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
        ->check(CLI::ExistingFile)
        ->each([](const std::string& path) { HttpSession::setCAFile(std::filesystem::path(path)); });
}

} // namespace platform::ui
