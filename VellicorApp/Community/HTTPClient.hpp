#pragma once

#include "VellicorApp/Instrumentation/LogUploading.hpp"

#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/SDKs/Veltrane/VQNetwork.hpp"

#include <memory>
#include <string>

namespace vellicor {

/// A session that sends URL requests: it starts the data task and calls the
/// block once with the transfer's result.
class NetworkProtocol {
public:
    virtual ~NetworkProtocol() = default;
    virtual std::shared_ptr<platform::HttpDataTask> send(platform::HttpRequest request,
                                                         platform::HttpCompletion dataResponseBlock) = 0;
};

/// The SDK's network session as a NetworkProtocol.
class VQNetworkAdapter : public NetworkProtocol {
public:
    explicit VQNetworkAdapter(std::shared_ptr<platform::veltrane::VQNetwork> network) : network_(std::move(network)) {}
    std::shared_ptr<platform::HttpDataTask> send(platform::HttpRequest request,
                                                 platform::HttpCompletion dataResponseBlock) override {
        return network_->sendRequest(std::move(request), std::move(dataResponseBlock));
    }

private:
    std::shared_ptr<platform::veltrane::VQNetwork> network_;
};

/// Plain HTTP requests; the completion gets the raw transfer result.
class HTTPClient : public LogUploading {
public:
    explicit HTTPClient(std::shared_ptr<NetworkProtocol> network);
    /// Over the SDK's shared ephemeral session.
    HTTPClient();

    /// A request of the method with the given time-out in seconds.
    void send(const platform::Url& url, const std::string& httpMethod, double timeoutInterval,
              platform::HttpCompletion completion) const;
    /// A JSON POST of the body with the headers "install-id" and "app-secret"
    /// (the app's App Center secret), with a 60-second time-out.
    void upload(const platform::Url& url, const std::string& uuid, const std::optional<platform::Data>& body,
                platform::HttpCompletion completion) const override;

private:
    std::shared_ptr<NetworkProtocol> network_;
};

} // namespace vellicor
