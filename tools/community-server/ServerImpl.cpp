// The server's state: lookups, issuing and pruning.

#include "tools/community-server/ServerImpl.hpp"

#include <algorithm>
#include <chrono>

namespace communityserver {

CommunityServer::Impl::Impl(ServerOptions options) : options(std::move(options)) {
    if (!this->options.community) return;
    users.push_back({defaultUser(), {{"0NF000000000001AAA", "Welcome to the community!", false}}});
    installBuiltinRoutes();
}

double CommunityServer::Impl::now() const {
    if (clock) return clock();
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

CommunityServer::Impl::UserEntry* CommunityServer::Impl::userById(const std::string& userId) {
    for (auto& entry : users) {
        if (entry.user.userId == userId) return &entry;
    }
    return nullptr;
}

CommunityServer::Impl::UserEntry* CommunityServer::Impl::userByName(const std::string& username) {
    for (auto& entry : users) {
        if (equalsIgnoringCase(entry.user.username, username)) return &entry;
    }
    return nullptr;
}

bool CommunityServer::Impl::clientAllowed(const std::string& clientId, const std::string& redirectUri) const {
    auto it = clients.find(clientId);
    if (it == clients.end()) return false;
    return std::find(it->second.begin(), it->second.end(), redirectUri) != it->second.end();
}

CommunityServer::Impl::UserEntry* CommunityServer::Impl::userForToken(const std::string& token) {
    auto it = accessTokens.find(token);
    if (it == accessTokens.end() || it->second.revoked || now() >= it->second.expiresAt) return nullptr;
    return userById(it->second.userId);
}

CommunityServer::Impl::UserEntry* CommunityServer::Impl::userForSession(const httplib::Request& req) {
    auto sid = cookieValue(req, kSessionCookie);
    if (!sid) return nullptr;
    auto it = sessions.find(*sid);
    if (it == sessions.end() || now() >= it->second.expiresAt) return nullptr;
    return userById(it->second.userId);
}

void CommunityServer::Impl::rememberIssued(const std::string& token) {
    issued.push_back(token);
    while (issued.size() > kIssuedTokenMemory) issued.pop_front();
}

void CommunityServer::Impl::pruneExpired() {
    const double time = now();
    if (time >= lastPrune && time - lastPrune < kPruneInterval) return;
    lastPrune = time;
    std::erase_if(codes, [&](const auto& item) { return time >= item.second.expiresAt; });
    std::erase_if(sessions, [&](const auto& item) { return time >= item.second.expiresAt; });
    std::erase_if(pending, [&](const auto& item) { return time - item.second.createdAt > kPendingRequestLifetime; });
    std::erase_if(accessTokens,
                  [&](const auto& item) { return item.second.revoked || time >= item.second.expiresAt; });
    std::erase_if(refreshTokens,
                  [&](const auto& item) { return item.second.revoked || time >= item.second.expiresAt; });
    for (auto& [token, refresh] : refreshTokens) {
        std::erase_if(refresh.accessTokens, [&](const std::string& access) { return !accessTokens.count(access); });
    }
}

std::string CommunityServer::Impl::baseFor(const httplib::Request& req) const {
    if (req.has_header("Host")) {
        auto host = req.get_header_value("Host");
        if (hostMatches(host, options)) return "https://" + host;
    }
    return "https://" + options.hostName + ":" + std::to_string(port);
}

std::string CommunityServer::Impl::identityUrl(const std::string& base, const User& user) {
    return base + "/vapi/identity/" + user.orgId + "/" + user.userId;
}

CommunityServer::Impl::Params CommunityServer::Impl::params(const httplib::Request& req) {
    Params all(req.params.begin(), req.params.end());
    if (req.get_header_value("Content-Type").starts_with("application/x-www-form-urlencoded")) {
        for (auto& field : parseForm(req.body)) all.push_back(std::move(field));
    }
    return all;
}

std::string CommunityServer::Impl::param(const Params& all, std::string_view name) {
    for (const auto& [key, value] : all) {
        if (key == name) return value;
    }
    return {};
}

} // namespace communityserver
