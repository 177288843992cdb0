#include "Platform/SDKs/Veltrane/VQRestRequest.hpp"

#include <algorithm>
#include <cctype>

namespace platform::veltrane {

std::string methodName(VQRestMethod method) {
    switch (method) {
    case VQRestMethod::GET: return "GET";
    case VQRestMethod::POST: return "POST";
    case VQRestMethod::PUT: return "PUT";
    case VQRestMethod::DELETE: return "DELETE";
    case VQRestMethod::HEAD: return "HEAD";
    case VQRestMethod::PATCH: return "PATCH";
    }
    return "GET";
}

VQRestRequest VQRestRequest::requestWithMethod(VQRestMethod method, std::string path, std::optional<Json> queryParams) {
    VQRestRequest request;
    request.method = method;
    request.path = std::move(path);
    if (queryParams && queryParams->is_object()) request.queryParams = std::move(*queryParams);
    return request;
}

VQRestRequest VQRestRequest::requestWithMethod(VQRestMethod method, std::string baseURL, std::string path,
                                               std::optional<Json> queryParams) {
    auto request = requestWithMethod(method, std::move(path), std::move(queryParams));
    request.baseURL = std::move(baseURL);
    return request;
}

void VQRestRequest::setCustomRequestBodyDictionary(Json dictionary, std::string contentType) {
    bodyDictionary_ = std::move(dictionary);
    bodyData_.reset();
    contentType_ = std::move(contentType);
}

void VQRestRequest::setCustomRequestBodyString(const std::string& text, std::string contentType) {
    setCustomRequestBodyData(dataFromString(text), std::move(contentType));
}

void VQRestRequest::setCustomRequestBodyData(Data data, std::string contentType) {
    bodyData_ = std::move(data);
    bodyDictionary_.reset();
    contentType_ = std::move(contentType);
}

bool VQRestRequest::isFullURL() const {
    std::string head = path.substr(0, 8);
    std::transform(head.begin(), head.end(), head.begin(), [](unsigned char c) { return std::tolower(c); });
    return head.starts_with("https://") || head.starts_with("http://");
}

std::string VQRestRequest::description() const { return methodName(method) + " " + path; }

} // namespace platform::veltrane
