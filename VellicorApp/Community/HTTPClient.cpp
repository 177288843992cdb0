#include "VellicorApp/Community/HTTPClient.hpp"

#include "VellicorApp/Core/AppContext.hpp"

namespace vellicor {

HTTPClient::HTTPClient(std::shared_ptr<NetworkProtocol> network) : network_(std::move(network)) {}

HTTPClient::HTTPClient()
    : HTTPClient(std::make_shared<VQNetworkAdapter>(platform::veltrane::VQNetwork::sharedEphemeralInstance())) {}

void HTTPClient::send(const platform::Url& url, const std::string& httpMethod, double timeoutInterval,
                      platform::HttpCompletion completion) const {
    platform::HttpRequest request(url, 60.0);
    request.httpMethod = httpMethod;
    request.timeoutInterval = timeoutInterval;
    network_->send(std::move(request), std::move(completion));
}

void HTTPClient::upload(const platform::Url& url, const std::string& uuid, const std::optional<platform::Data>& body,
                        platform::HttpCompletion completion) const {
    platform::HttpRequest request(url, 60.0);
    request.httpMethod = "POST";
    request.httpBody = body;
    request.addValue("application/json", "Content-Type");
    request.addValue(uuid, "install-id");
    request.addValue(AppContext::current()->appCenterID(), "app-secret");
    network_->send(std::move(request), std::move(completion));
}

} // namespace vellicor
