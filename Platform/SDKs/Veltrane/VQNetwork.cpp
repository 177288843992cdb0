#include "Platform/SDKs/Veltrane/VQNetwork.hpp"

namespace platform::veltrane {

std::shared_ptr<VQNetwork> VQNetwork::sharedEphemeralInstance() {
    static auto* instance = new std::shared_ptr<VQNetwork>(new VQNetwork(HttpSession::ephemeral()));
    return *instance;
}

std::shared_ptr<VQNetwork> VQNetwork::sharedInstance() {
    static auto* instance = new std::shared_ptr<VQNetwork>(new VQNetwork(HttpSession::shared()));
    return *instance;
}

std::shared_ptr<HttpDataTask> VQNetwork::sendRequest(HttpRequest request, HttpCompletion dataResponseBlock) {
    if (!dataResponseBlock) dataResponseBlock = [](std::optional<Data>, std::optional<HttpResponse>, std::optional<Error>) {};
    return session_->send(std::move(request), std::move(dataResponseBlock));
}

} // namespace platform::veltrane
