#include "VellicorApp/Shell/Assembly/AppUpdateNetworkService.hpp"

namespace vellicor {

void AppUpdateNetworkService::getAppUpdateDetails(const std::optional<platform::Url>& url,
                                                  AppUpdateLookupCompletion completion) {
    if (!url) {
        completion(std::unexpected(AppUpdate::NetworkError::invalidUrl));
        return;
    }
    httpClient_.send(*url, "GET", 60.0,
                     [completion = std::move(completion)](std::optional<platform::Data> data,
                                                          std::optional<platform::HttpResponse>,
                                                          std::optional<platform::Error> error) {
                         if (error) return completion(std::unexpected(AppUpdate::NetworkError::general));
                         if (!data) return completion(std::unexpected(AppUpdate::NetworkError::noData));
                         decodeITunes(*data, completion);
                     });
}

} // namespace vellicor
