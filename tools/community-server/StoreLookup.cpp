// The app store's public lookup, answered with what the test set.

#include "tools/community-server/ServerImpl.hpp"

namespace communityserver {

void CommunityServer::setStoreLookup(nlohmann::json answer, int status) {
    std::lock_guard lock(impl_->mutex);
    impl_->storeLookup = std::move(answer);
    impl_->storeLookupStatus = status;
}

void CommunityServer::Impl::handleStoreLookup(const httplib::Request&, httplib::Response& res, const std::smatch&) {
    Json answer;
    int status = 200;
    {
        std::lock_guard lock(mutex);
        answer = storeLookup;
        status = storeLookupStatus;
    }
    sendJson(res, answer, status);
}

} // namespace communityserver
