#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Json.hpp"

#include <map>
#include <optional>
#include <string>

namespace platform::veltrane {

/// The REST API version the SDK speaks unless a request says otherwise.
inline constexpr const char* kVQRestDefaultAPIVersion = "v60.0";

/// Request methods by the SDK's codes.
enum class VQRestMethod : int { GET = 0, POST = 1, PUT = 2, DELETE = 3, HEAD = 4, PATCH = 5 };

/// "GET", "POST", ...
PLATFORM_EXPORT std::string methodName(VQRestMethod method);

/// A request to the platform's REST API, sent with VQRestAPI::send.
///
/// Where it goes:
/// - a path that is a whole "https://" (or "http://") URL: to that URL as
///   written (query parameters added), without the user's token;
/// - with a base URL: to the base URL followed by the path;
/// - otherwise: to the signed-in user's API URL, the endpoint and the path
///   ("https://community.example.test" + "/vapi/data" + "/v60.0/records").
/// Requests that need authentication carry the user's access token as a
/// bearer token.
struct PLATFORM_EXPORT VQRestRequest {
    static constexpr const char* kDefaultEndpoint = "/vapi/data";

    /// A request for a path relative to the REST endpoint.
    static VQRestRequest requestWithMethod(VQRestMethod method, std::string path,
                                           std::optional<Json> queryParams = std::nullopt);
    /// A request for a path under another base URL ("https://host").
    static VQRestRequest requestWithMethod(VQRestMethod method, std::string baseURL, std::string path,
                                           std::optional<Json> queryParams);

    VQRestMethod method = VQRestMethod::GET;
    /// The path after the endpoint ("/v60.0/records/..."), or a whole URL.
    std::string path;
    /// The query's names and values (a JSON object; values that are not
    /// strings are written as JSON).
    Json queryParams = Json::object();
    std::string endpoint = kDefaultEndpoint;
    std::optional<std::string> baseURL;
    bool requiresAuthentication = true;
    /// Header fields added to the request.
    std::map<std::string, std::string> customHeaders;

    /// A JSON body (serialized when the request is sent) with its content type.
    void setCustomRequestBodyDictionary(Json dictionary, std::string contentType = "application/json");
    void setCustomRequestBodyString(const std::string& text, std::string contentType = "text/plain; charset=utf-8");
    void setCustomRequestBodyData(Data data, std::string contentType);

    const std::optional<Json>& bodyDictionary() const { return bodyDictionary_; }
    const std::optional<Data>& bodyData() const { return bodyData_; }
    const std::optional<std::string>& contentType() const { return contentType_; }

    /// Whether the path is a whole URL.
    bool isFullURL() const;
    /// "GET /v60.0/records".
    std::string description() const;

private:
    std::optional<Json> bodyDictionary_;
    std::optional<Data> bodyData_;
    std::optional<std::string> contentType_;
};

} // namespace platform::veltrane
