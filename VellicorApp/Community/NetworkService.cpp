#include "VellicorApp/Community/NetworkService.hpp"

#include "VellicorApp/Core/ErrorMessages.hpp"
#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Core/Logger.hpp"

namespace vellicor {

namespace {

platform::Error otherError(long code, std::string_view key, std::string_view comment) {
    return platform::Error("OTHER", code, platform::Json{{"NSLocalizedDescription", localized(key, comment)}});
}

// The failure of a REST request as the caller sees it.
std::pair<platform::Error, std::optional<platform::HttpResponse>> failure(const platform::veltrane::RestClientError& error) {
    using platform::veltrane::RestClientError;
    if (const auto* failed = std::get_if<RestClientError::RequestFailed>(&error.value)) {
        return {failed->underlyingError, failed->urlResponse};
    }
    if (const auto* decoding = std::get_if<RestClientError::DecodingFailed>(&error.value)) {
        return {decoding->underlyingError, std::nullopt};
    }
    if (const auto* serialization = std::get_if<RestClientError::JsonSerializationFailed>(&error.value)) {
        return {serialization->underlyingError, std::nullopt};
    }
    return {otherError(400, "UNKNOWN_NETWORK_ISSUE", "Failed with unkown network error"), std::nullopt};
}

} // namespace

std::shared_ptr<NetworkService> NetworkService::create(std::shared_ptr<platform::veltrane::VQRestAPI> restClient) {
    return std::make_shared<NetworkService>(std::move(restClient));
}

NetworkService::NetworkService(std::shared_ptr<platform::veltrane::VQRestAPI> restClient)
    : restClient_(std::move(restClient)) {}

void NetworkService::executeRequest(const platform::veltrane::VQRestRequest& request,
                                    NetworkCompletion<platform::Json> completion) {
    restClient_->send(request, [completion = std::move(completion)](platform::veltrane::RestResult result) {
        if (!result) {
            auto [error, response] = failure(result.error());
            completion(std::unexpected(std::move(error)), std::move(response));
            return;
        }
        auto json = result->asJson();
        if (!json || !json->is_object()) {
            Logger::warning("Network request was successful but response data was either not available or data "
                            "type is different from expectation",
                            "NetworkService");
            completion(std::unexpected(otherError(204, "DATA_UNAVAILABLE", "Data not available")), std::nullopt);
            return;
        }
        completion(std::move(*json), result->urlResponse);
    });
}

void NetworkService::executeDataRequest(const platform::veltrane::VQRestRequest& request,
                                        NetworkCompletion<platform::Data> completion) {
    restClient_->send(request, [completion = std::move(completion)](platform::veltrane::RestResult result) {
        if (!result) {
            auto [error, response] = failure(result.error());
            completion(std::unexpected(std::move(error)), std::move(response));
            return;
        }
        completion(std::move(result->data), result->urlResponse);
    });
}

std::shared_ptr<platform::veltrane::VQRestTask>
NetworkService::executeDownloadRequest(const platform::veltrane::VQRestRequest& request,
                                       platform::HttpDownloadDestination destination,
                                       NetworkCompletion<std::filesystem::path> completion) {
    return restClient_->download(request, std::move(destination),
                                 [completion = std::move(completion)](platform::veltrane::RestDownloadResult result) {
                                     if (!result) {
                                         auto [error, response] = failure(result.error());
                                         completion(std::unexpected(std::move(error)), std::move(response));
                                         return;
                                     }
                                     completion(std::move(result->file), result->urlResponse);
                                 });
}

std::string localizedFileDescription(const platform::Error& error) {
    if (error.code == 401) return localized("LOGIN_REQUIRED_MESSAGE", "Log in to download this file.");
    return messageString(error);
}

bool hybridShouldHandle(const platform::Error& error) {
    const auto& info = error.userInfo;
    const auto found = info.is_object() ? info.find("hybridShouldHandleKey") : info.end();
    return found != info.end() && found->is_boolean() && found->get<bool>();
}

} // namespace vellicor
