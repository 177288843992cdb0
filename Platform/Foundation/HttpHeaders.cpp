#include "Platform/Foundation/HttpHeaders.hpp"

#include "Platform/Foundation/HttpText.hpp"

#include <algorithm>
#include <charconv>

namespace platform {

using namespace httptext;

HttpHeaders::HttpHeaders(std::initializer_list<Field> fields) {
    for (const auto& [name, value] : fields) {
        addValue(value, name);
    }
}

std::optional<std::string> HttpHeaders::value(std::string_view name) const {
    std::optional<std::string> result;
    for (const auto& [fieldName, fieldValue] : fields_) {
        if (equalsIgnoringCase(fieldName, name)) {
            if (result) {
                *result += ", ";
                *result += fieldValue;
            } else {
                result = fieldValue;
            }
        }
    }
    return result;
}

void HttpHeaders::setValue(std::optional<std::string> value, std::string_view name) {
    if (!value) {
        remove(name);
        return;
    }
    auto first = std::find_if(fields_.begin(), fields_.end(),
                              [&](const Field& field) { return equalsIgnoringCase(field.first, name); });
    if (first == fields_.end()) {
        fields_.emplace_back(std::string(name), std::move(*value));
        return;
    }
    first->second = std::move(*value);
    auto later = std::remove_if(std::next(first), fields_.end(),
                                [&](const Field& field) { return equalsIgnoringCase(field.first, name); });
    fields_.erase(later, fields_.end());
}

void HttpHeaders::addValue(std::string value, std::string_view name) {
    fields_.emplace_back(std::string(name), std::move(value));
}

void HttpHeaders::remove(std::string_view name) {
    std::erase_if(fields_, [&](const Field& field) { return equalsIgnoringCase(field.first, name); });
}

bool HttpHeaders::contains(std::string_view name) const {
    return std::any_of(fields_.begin(), fields_.end(),
                       [&](const Field& field) { return equalsIgnoringCase(field.first, name); });
}

// ---------------------------------------------------------------------------
// HttpRequest, HttpResponse

HttpRequest::HttpRequest(Url url, double timeoutInterval) : url(std::move(url)), timeoutInterval(timeoutInterval) {}

HttpResponse::HttpResponse(Url url, int statusCode, HttpHeaders headers)
    : url_(std::move(url)), statusCode_(statusCode), headers_(std::move(headers)) {
    if (auto contentType = headers_.value("Content-Type")) {
        std::string_view rest = *contentType;
        auto semicolon = rest.find(';');
        auto type = trimmed(rest.substr(0, semicolon));
        if (!type.empty()) {
            mimeType_ = lowercased(type);
        }
        while (semicolon != std::string_view::npos) {
            rest = rest.substr(semicolon + 1);
            semicolon = rest.find(';');
            auto parameter = rest.substr(0, semicolon);
            auto equals = parameter.find('=');
            if (equals == std::string_view::npos) {
                continue;
            }
            if (equalsIgnoringCase(trimmed(parameter.substr(0, equals)), "charset")) {
                auto charset = unquoted(trimmed(parameter.substr(equals + 1)));
                if (!charset.empty()) {
                    textEncodingName_ = lowercased(charset);
                }
            }
        }
    }
    if (auto length = headers_.value("Content-Length")) {
        auto text = trimmed(*length);
        long long parsed = -1;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
        if (ec == std::errc() && end == text.data() + text.size() && parsed >= 0) {
            expectedContentLength_ = parsed;
        }
    }
}

std::string HttpResponse::suggestedFilename() const {
    if (auto disposition = headers_.value("Content-Disposition")) {
        std::string_view rest = *disposition;
        while (!rest.empty()) {
            auto semicolon = rest.find(';');
            auto parameter = trimmed(rest.substr(0, semicolon));
            rest = semicolon == std::string_view::npos ? std::string_view{} : rest.substr(semicolon + 1);
            auto equals = parameter.find('=');
            if (equals == std::string_view::npos || !equalsIgnoringCase(trimmed(parameter.substr(0, equals)), "filename")) {
                continue;
            }
            std::string name(unquoted(trimmed(parameter.substr(equals + 1))));
            if (auto slash = name.find_last_of("/\\"); slash != std::string::npos) {
                name = name.substr(slash + 1);
            }
            if (!name.empty() && name != "." && name != ".." && isSafeHeaderValue(name)) {
                return name;
            }
        }
    }
    auto last = url_.lastPathComponent();
    if (last.empty() || last == "/") {
        return "Unknown";
    }
    return last;
}

} // namespace platform
