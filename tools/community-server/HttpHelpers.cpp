#include "tools/community-server/HttpHelpers.hpp"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace communityserver {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string htmlPage(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + htmlEscaped(title) +
           "</title></head>\n<body>\n" + body + "\n</body></html>\n";
}

} // namespace

std::string base64Url(const unsigned char* bytes, std::size_t count) {
    std::string out(4 * ((count + 2) / 3) + 1, '\0');
    int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), bytes, static_cast<int>(count));
    out.resize(static_cast<std::size_t>(std::max(written, 0)));
    while (!out.empty() && out.back() == '=') out.pop_back();
    for (auto& c : out) {
        if (c == '+') c = '-';
        else if (c == '/') c = '_';
    }
    return out;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string lowercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string randomToken(std::size_t byteCount) {
    std::vector<unsigned char> bytes(byteCount);
    if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1) {
        throw std::runtime_error("the random generator failed");
    }
    return base64Url(bytes.data(), bytes.size());
}

std::string htmlEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string percentEncoded(std::string_view text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

/// Decodes a form field ("+" is a space); a malformed escape is kept as written.
namespace {

std::string decoded(std::string_view text, bool plusIsSpace) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+' && plusIsSpace) {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

std::string formDecoded(std::string_view text) { return decoded(text, true); }

std::string percentDecoded(std::string_view text) { return decoded(text, false); }

std::vector<std::pair<std::string, std::string>> parseForm(std::string_view body) {
    std::vector<std::pair<std::string, std::string>> fields;
    std::size_t start = 0;
    while (start <= body.size()) {
        auto end = body.find('&', start);
        if (end == std::string_view::npos) end = body.size();
        auto item = body.substr(start, end - start);
        if (!item.empty()) {
            auto eq = item.find('=');
            if (eq == std::string_view::npos) {
                fields.emplace_back(formDecoded(item), "");
            } else {
                fields.emplace_back(formDecoded(item.substr(0, eq)), formDecoded(item.substr(eq + 1)));
            }
        }
        start = end + 1;
    }
    return fields;
}

void sendErrors(httplib::Response& res, int status, const std::string& code, const std::string& message) {
    res.status = status;
    Json body = Json::array({Json{{"errorCode", code}, {"message", message}}});
    res.set_content(body.dump(), kJsonType);
}

void sendJson(httplib::Response& res, const Json& body, int status) {
    res.status = status;
    res.set_content(body.dump(), kJsonType);
}

void sendRedirect(httplib::Response& res, const std::string& location) {
    res.status = 302;
    res.set_header("Location", location);
    res.set_header("Cache-Control", "no-store");
}

void sendHtml(httplib::Response& res, int status, const std::string& title, const std::string& body) {
    res.status = status;
    res.set_content(htmlPage(title, body), kHtmlType);
}

std::optional<std::string> cookieValue(const httplib::Request& req, std::string_view name) {
    for (std::size_t i = 0; i < req.get_header_value_count("Cookie"); ++i) {
        const std::string header = req.get_header_value("Cookie", i);
        std::size_t start = 0;
        while (start < header.size()) {
            auto end = header.find(';', start);
            if (end == std::string::npos) end = header.size();
            auto item = std::string_view(header).substr(start, end - start);
            while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
            auto eq = item.find('=');
            if (eq != std::string_view::npos && item.substr(0, eq) == name) {
                return std::string(item.substr(eq + 1));
            }
            start = end + 1;
        }
    }
    return std::nullopt;
}

std::optional<std::string> bearerToken(const httplib::Request& req) {
    if (!req.has_header("Authorization")) return std::nullopt;
    std::string value = req.get_header_value("Authorization");
    for (std::string_view scheme : {"Bearer ", "OAuth "}) {
        if (value.size() > scheme.size() && equalsIgnoringCase(std::string_view(value).substr(0, scheme.size()), scheme)) {
            return value.substr(scheme.size());
        }
    }
    return std::string{}; // a header that carries no usable token
}

/// Whether `host` (a Host header, "name" or "name:port") names this server.
bool hostMatches(const std::string& host, const ServerOptions& options) {
    auto colon = host.rfind(':');
    std::string name = host;
    if (colon != std::string::npos) {
        auto port = host.substr(colon + 1);
        if (port.empty() || !std::all_of(port.begin(), port.end(), [](unsigned char c) { return std::isdigit(c); })) {
            return false;
        }
        name = host.substr(0, colon);
    }
    name = lowercased(name);
    if (name.empty()) return false;
    if (name == lowercased(options.hostName) || name == "127.0.0.1") return true;
    for (const auto& extra : options.extraDnsNames) {
        auto pattern = lowercased(extra);
        if (pattern.starts_with("*.")) {
            auto suffix = pattern.substr(1);
            if (name.size() > suffix.size() && name.ends_with(suffix) &&
                name.find('.') == name.size() - suffix.size()) {
                return true;
            }
        } else if (name == pattern) {
            return true;
        }
    }
    return false;
}

std::string normalizedPagePath(std::string path) {
    if (path.empty() || path.front() != '/') path.insert(path.begin(), '/');
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

} // namespace communityserver
