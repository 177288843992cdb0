#include "Platform/Web/PageContent.hpp"

#include "Platform/Foundation/Text.hpp"

#include <algorithm>
#include <cctype>
#include <utility>

namespace platform::web {

namespace {

std::string asciiLowercased(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

/// The character references a title commonly holds.
std::string decodeEntities(std::string_view text) {
    static constexpr std::pair<std::string_view, std::string_view> entities[] = {
        {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&apos;", "'"}, {"&nbsp;", " "}};
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == '&') {
            for (const auto& [entity, value] : entities) {
                if (text.substr(i).starts_with(entity)) {
                    out += value;
                    i += entity.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) {
            out += text[i++];
        }
    }
    return out;
}

} // namespace

Url blankURL() { return *Url::parse("about:blank"); }

bool isHTML(std::string_view mimeType) { return mimeType == "text/html" || mimeType == "application/xhtml+xml"; }

bool canShow(std::string_view mimeType) {
    return mimeType.starts_with("text/") || mimeType.starts_with("image/") || mimeType.starts_with("video/") ||
           mimeType.starts_with("audio/") || mimeType == "application/xhtml+xml" || mimeType == "application/xml" ||
           mimeType == "application/json" || mimeType == "application/javascript" || mimeType == "application/pdf";
}

std::string mimeTypeForExtension(std::string_view extension) {
    auto ext = platform::lowercased(extension);
    if (ext == "html" || ext == "htm") return "text/html";
    if (ext == "xhtml") return "application/xhtml+xml";
    if (ext == "txt") return "text/plain";
    if (ext == "css") return "text/css";
    if (ext == "js") return "text/javascript";
    if (ext == "json") return "application/json";
    if (ext == "xml") return "application/xml";
    if (ext == "png") return "image/png";
    if (ext == "jpg" || ext == "jpeg") return "image/jpeg";
    if (ext == "gif") return "image/gif";
    if (ext == "svg") return "image/svg+xml";
    if (ext == "pdf") return "application/pdf";
    return "application/octet-stream";
}

std::string extractTitle(std::string_view document) {
    // Lowered byte for byte, so that positions in it are positions in the document.
    auto lower = asciiLowercased(document);
    std::size_t open = 0;
    while ((open = lower.find("<title", open)) != std::string::npos) {
        auto next = open + 6;
        if (next < lower.size() && (lower[next] == '>' || std::isspace(static_cast<unsigned char>(lower[next])))) {
            break;
        }
        open = next;
    }
    if (open == std::string::npos) {
        return {};
    }
    auto start = lower.find('>', open);
    if (start == std::string::npos) {
        return {};
    }
    ++start;
    auto end = lower.find("</title", start);
    if (end == std::string::npos) {
        return {};
    }
    std::string collapsed;
    bool space = false;
    for (char c : decodeEntities(document.substr(start, end - start))) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            space = true;
            continue;
        }
        if (space && !collapsed.empty()) {
            collapsed += ' ';
        }
        space = false;
        collapsed += c;
    }
    return collapsed;
}

} // namespace platform::web
