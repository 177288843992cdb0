// The front door, web sessions and community pages.

#include "tools/community-server/ServerImpl.hpp"

#include <regex>

namespace communityserver {

std::string CommunityServer::Impl::safeReturnUrl(const httplib::Request& req, const std::string& returnTo) const {
    const auto base = baseFor(req);
    if (returnTo.empty()) return base + "/s/";
    if (returnTo.front() == '/' && (returnTo.size() == 1 || returnTo[1] != '/')) return base + returnTo;
    static const std::regex absolute(R"(https://([^/?#]+)([/?#].*)?)", std::regex::icase);
    std::smatch match;
    if (std::regex_match(returnTo, match, absolute) && hostMatches(match[1].str(), options)) return returnTo;
    return base + "/s/";
}

void CommunityServer::Impl::handleFrontDoor(const httplib::Request& req, httplib::Response& res, const std::smatch&) {
    const auto all = params(req);
    const auto returnTo = param(all, "returnTo");
    // The app encodes the token for a query value before the query item is
    // encoded, so the value read here is still encoded once.
    const auto token = percentDecoded(param(all, "sid"));
    std::lock_guard lock(mutex);
    auto* entry = userForToken(token);
    if (!entry && frontDoorRefusalStatus) {
        const int status = *frontDoorRefusalStatus;
        sendHtml(res, status, status == 401 ? "Unauthorized" : "Forbidden",
                 "<h1>Session expired</h1><p>The access token is not valid.</p>");
        return;
    }
    if (!entry) {
        sendRedirect(res, baseFor(req) + "/s/login/?ec=302&startAt=" +
                              percentEncoded(returnTo.empty() ? "/s/" : returnTo));
        return;
    }
    auto sessionId = randomToken(24);
    sessions[sessionId] = {entry->user.userId, now() + sessionLifetime};
    res.set_header("Set-Cookie", std::string(kSessionCookie) + "=" + sessionId + "; Path=/; Secure; HttpOnly");
    sendRedirect(res, safeReturnUrl(req, returnTo));
}

void CommunityServer::Impl::handleLogout(const httplib::Request& req, httplib::Response& res, const std::smatch&) {
    {
        std::lock_guard lock(mutex);
        if (auto sid = cookieValue(req, kSessionCookie)) sessions.erase(*sid);
    }
    res.set_header("Set-Cookie", std::string(kSessionCookie) + "=; Path=/; Max-Age=0; Secure; HttpOnly");
    sendHtml(res, 200, "Logged Out", "<h1>Logged Out</h1><p>You have been logged out.</p>");
}

void CommunityServer::Impl::handleSingleSignOn(const httplib::Request&, httplib::Response& res, const std::smatch&) {
    sendHtml(res, 200, "Single Sign-On",
             "<h1>Single Sign-On</h1><p>Sign in with your organisation's account.</p>"
             "<form method=\"post\"><input name=\"username\"><input name=\"password\" type=\"password\"></form>");
}

void CommunityServer::Impl::handleRoot(const httplib::Request& req, httplib::Response& res, const std::smatch&) {
    sendRedirect(res, baseFor(req) + "/s/");
}

void CommunityServer::setMovedTo(std::string baseUrl) {
    std::lock_guard lock(impl_->mutex);
    impl_->movedTo = std::move(baseUrl);
}

void CommunityServer::Impl::handlePage(const httplib::Request& req, httplib::Response& res, const std::smatch&) {
    const auto path = normalizedPagePath(req.path);
    std::lock_guard lock(mutex);
    if (!movedTo.empty()) {
        auto host = req.get_header_value("Host");
        if (const auto colon = host.rfind(':'); colon != std::string::npos) host.resize(colon);
        if (host == options.hostName) {
            res.status = 301;
            res.set_header("Location", movedTo + req.path);
            return;
        }
    }
    auto it = pages.find(path);
    if (it == pages.end()) {
        sendHtml(res, 404, "Page Not Found",
                 "<h1>Page Not Found</h1><p>The page you were looking for does not exist.</p>");
        return;
    }
    auto* entry = userForSession(req);
    if (it->second.requiresSession && !entry) {
        sendRedirect(res, baseFor(req) + "/s/login/?ec=302&startAt=" + percentEncoded(req.path));
        return;
    }
    std::string who = entry ? "Signed in as " + htmlEscaped(entry->user.displayName) : std::string("Guest");
    sendHtml(res, 200, it->second.title,
             "<h1>" + htmlEscaped(it->second.title) + "</h1>\n<p class=\"user\" id=\"user\">" + who + "</p>\n" +
                 it->second.body);
}

} // namespace communityserver
