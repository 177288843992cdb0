#pragma once

#include "VellicorApp/Community/HTTPClient.hpp"
#include "VellicorApp/Shell/AppUpdateLookup.hpp"

namespace vellicor {

/// The store lookup over a plain HTTP client: one GET with a 60-second
/// time-out, whatever the status code; a body that decodes as a lookup
/// answer counts. Keeps no state.
class AppUpdateNetworkService : public AppUpdateNetworking {
public:
    explicit AppUpdateNetworkService(HTTPClient httpClient) : httpClient_(std::move(httpClient)) {}

    void getAppUpdateDetails(const std::optional<platform::Url>& url, AppUpdateLookupCompletion completion) override;

private:
    HTTPClient httpClient_;
};

} // namespace vellicor
