#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Url.hpp"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

/// HTTP header fields: names compared without regard to case, kept in the order
/// they were first set. A name given several times (add) is one field whose
/// value is the values joined with ", ".
class PLATFORM_EXPORT HttpHeaders {
public:
    using Field = std::pair<std::string, std::string>;

    HttpHeaders() = default;
    HttpHeaders(std::initializer_list<Field> fields);

    /// The value of a field (values of a repeated name joined with ", "); none when absent.
    std::optional<std::string> value(std::string_view name) const;
    /// Sets a field, replacing every earlier value of the name; none removes it.
    void setValue(std::optional<std::string> value, std::string_view name);
    /// Adds a value to a field, keeping the values it had.
    void addValue(std::string value, std::string_view name);
    void remove(std::string_view name);
    bool contains(std::string_view name) const;

    /// Every value as received or set, in order; a repeated name appears once per value.
    const std::vector<Field>& fields() const { return fields_; }
    bool empty() const { return fields_.empty(); }

    bool operator==(const HttpHeaders&) const = default;

private:
    std::vector<Field> fields_;
};

/// A URL request: what to send and how long to wait.
struct PLATFORM_EXPORT HttpRequest {
    HttpRequest() = default;
    explicit HttpRequest(Url url, double timeoutInterval = 60.0);

    std::optional<Url> url;
    /// "GET" unless set; "HEAD" reads no body.
    std::string httpMethod = "GET";
    HttpHeaders allHTTPHeaderFields;
    std::optional<Data> httpBody;
    /// Seconds the transfer may stay idle (no byte sent or received) before it
    /// fails with URLError::timedOut; 60 unless set.
    double timeoutInterval = 60.0;
    /// Whether the session's cookies are sent with this request and cookies of the answer kept.
    bool httpShouldHandleCookies = true;

    std::optional<std::string> value(std::string_view headerField) const { return allHTTPHeaderFields.value(headerField); }
    void setValue(std::optional<std::string> value, std::string_view headerField) {
        allHTTPHeaderFields.setValue(std::move(value), headerField);
    }
    void addValue(std::string value, std::string_view headerField) {
        allHTTPHeaderFields.addValue(std::move(value), headerField);
    }
};

/// The answer of an HTTP server: status, header fields and the URL it came from.
class PLATFORM_EXPORT HttpResponse {
public:
    HttpResponse(Url url, int statusCode, HttpHeaders headers);

    /// The URL that answered: the last one when redirects were followed.
    const Url& url() const { return url_; }
    int statusCode() const { return statusCode_; }
    const HttpHeaders& allHeaderFields() const { return headers_; }
    std::optional<std::string> value(std::string_view headerField) const { return headers_.value(headerField); }
    /// The media type of Content-Type, lowercased, without parameters.
    const std::optional<std::string>& mimeType() const { return mimeType_; }
    /// The charset parameter of Content-Type, lowercased.
    const std::optional<std::string>& textEncodingName() const { return textEncodingName_; }
    /// Content-Length, or -1 when the server did not say.
    long long expectedContentLength() const { return expectedContentLength_; }
    /// The file name the server suggests (Content-Disposition), else the URL's last path component.
    std::string suggestedFilename() const;

private:
    Url url_;
    int statusCode_;
    HttpHeaders headers_;
    std::optional<std::string> mimeType_;
    std::optional<std::string> textEncodingName_;
    long long expectedContentLength_ = -1;
};

} // namespace platform
