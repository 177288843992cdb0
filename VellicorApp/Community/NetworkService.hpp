#pragma once

#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/SDKs/Veltrane/VQRestAPI.hpp"
#include "Platform/SDKs/Veltrane/VQRestRequest.hpp"

#include <expected>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace vellicor {

/// What a REST request gives its caller: the value (a JSON object or the raw
/// body) or an error, and the HTTP response when there is one.
template <class T>
using NetworkCompletion = std::function<void(std::expected<T, platform::Error>, std::optional<platform::HttpResponse>)>;

/// The app's view of the platform REST API.
class NetworkServicing {
public:
    virtual ~NetworkServicing() = default;
    /// The answer as a JSON object. Completes exactly once, on the thread the
    /// REST client answers on.
    virtual void executeRequest(const platform::veltrane::VQRestRequest& request,
                                NetworkCompletion<platform::Json> completion) = 0;
    /// The answer's raw body (empty bodies included).
    virtual void executeDataRequest(const platform::veltrane::VQRestRequest& request,
                                    NetworkCompletion<platform::Data> completion) = 0;
    /// The answer's body written to a new file of the destination's folder as
    /// it arrives, never whole in memory, at most the destination's maximum;
    /// the file is the caller's to move or remove. Completes exactly once like
    /// the others; the task returned cancels it (none when it cannot be cancelled).
    virtual std::shared_ptr<platform::veltrane::VQRestTask>
    executeDownloadRequest(const platform::veltrane::VQRestRequest& request,
                           platform::HttpDownloadDestination destination,
                           NetworkCompletion<std::filesystem::path> completion) = 0;
};

/// Requests of the platform REST API through one REST client.
class NetworkService : public NetworkServicing {
public:
    static std::shared_ptr<NetworkService> create(std::shared_ptr<platform::veltrane::VQRestAPI> restClient);
    explicit NetworkService(std::shared_ptr<platform::veltrane::VQRestAPI> restClient);

    void executeRequest(const platform::veltrane::VQRestRequest& request,
                        NetworkCompletion<platform::Json> completion) override;
    void executeDataRequest(const platform::veltrane::VQRestRequest& request,
                            NetworkCompletion<platform::Data> completion) override;
    std::shared_ptr<platform::veltrane::VQRestTask>
    executeDownloadRequest(const platform::veltrane::VQRestRequest& request,
                           platform::HttpDownloadDestination destination,
                           NetworkCompletion<std::filesystem::path> completion) override;

    const std::shared_ptr<platform::veltrane::VQRestAPI>& restClient() const { return restClient_; }

private:
    std::shared_ptr<platform::veltrane::VQRestAPI> restClient_;
};

/// The message for an error that ended a file download: the login text for
/// 401, else messageString().
std::string localizedFileDescription(const platform::Error& error);
/// Whether the web page, not the app, should present the error: the user-info
/// key "hybridShouldHandleKey" when it is a Boolean, else false.
bool hybridShouldHandle(const platform::Error& error);

} // namespace vellicor
