// The marketing SDK's registration of an installation, under any host (tests
// and scripted runs map the marketing hosts of the sample app to this server).

#include "tools/community-server/ServerImpl.hpp"

namespace communityserver {

std::vector<nlohmann::json> CommunityServer::marketingRegistrations() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->marketingRegistrations;
}

void CommunityServer::Impl::handleMarketingRegistration(const httplib::Request& req, httplib::Response& res,
                                                        const std::smatch&) {
    const auto token = bearerToken(req);
    if (!token || token->empty()) {
        sendErrors(res, 401, "INVALID_SESSION", "A bearer token is required.");
        return;
    }
    auto body = Json::parse(req.body, nullptr, false);
    const bool valid = body.is_object() && body.contains("applicationId") && body["applicationId"].is_string() &&
                       body.contains("deviceId") && body["deviceId"].is_string();
    if (!valid) {
        sendErrors(res, 400, "MALFORMED_REQUEST",
                   "The body must be a JSON object with the strings \"applicationId\" and \"deviceId\".");
        return;
    }
    std::size_t count = 0;
    {
        std::lock_guard lock(mutex);
        marketingRegistrations.push_back(body);
        count = marketingRegistrations.size();
    }
    sendJson(res, {{"registrationId", "registration-" + std::to_string(count)}});
}

} // namespace communityserver
