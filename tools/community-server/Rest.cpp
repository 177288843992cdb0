// The REST API: versions, records with their contents, notifications.

#include "tools/community-server/ServerImpl.hpp"

#include <algorithm>
#include <regex>
#include <set>

namespace communityserver {

namespace {

constexpr int kOldestApiMajorVersion = 20;

struct ApiVersion {
    int major = 0;
    int minor = 0;
};

std::optional<ApiVersion> parseApiVersion(const std::string& text) {
    static const std::regex pattern(R"(v(\d{1,3})\.(\d))");
    std::smatch match;
    if (!std::regex_match(text, match, pattern)) return std::nullopt;
    return ApiVersion{std::stoi(match[1].str()), std::stoi(match[2].str())};
}

std::vector<std::string> splitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start < path.size()) {
        auto end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

} // namespace

void CommunityServer::Impl::handleRest(const httplib::Request& req, httplib::Response& res, const std::smatch& match) {
    const std::string endpoint = match[1].str() + "/vapi/data";
    const auto parts = splitPath(match[2].str());
    std::lock_guard lock(mutex);
    // Without a bearer token the request is a guest's.
    UserEntry* entry = nullptr;
    if (auto token = bearerToken(req)) {
        entry = userForToken(*token);
        if (!entry) {
            sendErrors(res, 401, "INVALID_SESSION", "Session expired or invalid");
            return;
        }
    }
    if (entry && !entry->user.apiEnabled) {
        sendErrors(res, 403, "API_DISABLED", "The REST API is not enabled for this user.");
        return;
    }
    const std::string method = req.method == "HEAD" ? "GET" : req.method;
    if (parts.empty()) {
        if (method != "GET") return methodNotAllowed(req, res);
        sendJson(res, Json::array({{{"version", kLatestApiVersion},
                                    {"label", "Latest"},
                                    {"url", endpoint + "/v" + std::string(kLatestApiVersion)}}}));
        return;
    }
    auto version = parseApiVersion(parts[0]);
    auto latest = *parseApiVersion("v" + std::string(kLatestApiVersion));
    if (!version || version->major < kOldestApiMajorVersion ||
        std::pair(version->major, version->minor) > std::pair(latest.major, latest.minor)) {
        sendErrors(res, 404, "NOT_FOUND", "The requested API version does not exist.");
        return;
    }
    const std::string versionPath = endpoint + "/" + parts[0];
    std::vector<std::string> rest(parts.begin() + 1, parts.end());
    if (rest.empty()) {
        if (method != "GET") return methodNotAllowed(req, res);
        sendJson(res, {{"records", versionPath + "/records"}, {"connect", versionPath + "/connect"}});
        return;
    }
    if (rest[0] == "records") return handleRecords(req, res, method, versionPath, rest, entry);
    if (rest[0] == "connect" && rest.size() >= 2 && rest[1] == "notifications") {
        return handleNotifications(req, res, method, rest, entry);
    }
    sendErrors(res, 404, "NOT_FOUND", "The requested resource does not exist.");
}

void CommunityServer::Impl::methodNotAllowed(const httplib::Request& req, httplib::Response& res) {
    sendErrors(res, 405, "METHOD_NOT_ALLOWED", "HTTP method '" + req.method + "' is not allowed here.");
}

std::optional<CommunityServer::Impl::Record> CommunityServer::Impl::findRecord(const std::string& type,
                                                                               const std::string& id) {
    if (auto it = records.find({type, id}); it != records.end()) return it->second;
    if (type == "user") {
        if (auto* user = userById(id)) {
            Json fields = {{"Id", user->user.userId},
                           {"Username", user->user.username},
                           {"Name", user->user.displayName},
                           {"Email", user->user.email}};
            if (user->user.contactId) fields["ContactId"] = *user->user.contactId;
            return Record{fields, false, {}};
        }
    }
    return std::nullopt;
}

void CommunityServer::Impl::handleRecords(const httplib::Request& req, httplib::Response& res,
                                          const std::string& method, const std::string& versionPath,
                                          const std::vector<std::string>& rest, UserEntry* entry) {
    if (method != "GET") return methodNotAllowed(req, res);
    if (rest.size() == 1) {
        if (!entry) {
            sendErrors(res, 401, "INVALID_SESSION", "Session expired or invalid");
            return;
        }
        std::set<std::string> types = {"user"};
        for (const auto& [key, record] : records) types.insert(key.first);
        sendJson(res, {{"objects", Json(std::vector<std::string>(types.begin(), types.end()))}});
        return;
    }
    if (rest.size() < 3 || rest.size() > 4) {
        sendErrors(res, 404, "NOT_FOUND", "The requested resource does not exist.");
        return;
    }
    const auto& type = rest[1];
    const auto& id = rest[2];
    auto record = findRecord(type, id);
    if (!record) {
        sendErrors(res, 404, "NOT_FOUND", "The requested resource does not exist.");
        return;
    }
    if (rest.size() == 3) {
        if (!entry && !record->guestReadable) {
            sendErrors(res, 401, "INVALID_SESSION", "Session expired or invalid");
            return;
        }
        Json fields = record->fields;
        fields["attributes"] = {{"type", type}, {"url", versionPath + "/records/" + type + "/" + id}};
        sendJson(res, fields);
        return;
    }
    auto content = record->contents.find(rest[3]);
    if (content == record->contents.end()) {
        sendErrors(res, 404, "NOT_FOUND", "The requested resource does not exist.");
        return;
    }
    if (!entry && !content->second.guestReadable) {
        sendErrors(res, 401, "INVALID_SESSION", "Session expired or invalid");
        return;
    }
    res.status = 200;
    res.set_content(content->second.bytes, content->second.contentType);
}

Json CommunityServer::Impl::notificationJson(const UserNotification& notification) {
    return {{"id", notification.id}, {"message", notification.message}, {"read", notification.read}};
}

void CommunityServer::Impl::handleNotifications(const httplib::Request& req, httplib::Response& res,
                                                const std::string& method, const std::vector<std::string>& rest,
                                                UserEntry* entry) {
    if (!entry) {
        sendErrors(res, 401, "INVALID_SESSION", "Session expired or invalid");
        return;
    }
    auto& list = entry->notifications;
    const auto unread = std::count_if(list.begin(), list.end(), [](const auto& n) { return !n.read; });
    if (rest.size() == 2) {
        if (method != "GET") return methodNotAllowed(req, res);
        Json items = Json::array();
        for (const auto& notification : list) items.push_back(notificationJson(notification));
        sendJson(res, {{"notifications", items}, {"unreadCount", unread}});
        return;
    }
    if (rest.size() != 3) {
        sendErrors(res, 404, "NOT_FOUND", "The requested resource does not exist.");
        return;
    }
    if (rest[2] == "status") {
        if (method != "GET") return methodNotAllowed(req, res);
        sendJson(res, {{"unreadCount", unread}, {"unseenCount", unread}});
        return;
    }
    auto it = std::find_if(list.begin(), list.end(), [&](const auto& n) { return n.id == rest[2]; });
    if (it == list.end()) {
        sendErrors(res, 404, "NOT_FOUND", "The requested resource does not exist.");
        return;
    }
    if (method == "GET") {
        sendJson(res, notificationJson(*it));
        return;
    }
    if (method != "PATCH") return methodNotAllowed(req, res);
    auto body = Json::parse(req.body, nullptr, false);
    const Json* read = body.is_object() && body.contains("read") ? &body["read"] : nullptr;
    std::optional<bool> value;
    if (read && read->is_boolean()) value = read->get<bool>();
    if (read && read->is_string()) {
        if (read->get<std::string>() == "true") value = true;
        if (read->get<std::string>() == "false") value = false;
    }
    if (!value) {
        sendErrors(res, 400, "MALFORMED_REQUEST", "The body must be a JSON object with \"read\": true or false.");
        return;
    }
    it->read = *value;
    sendJson(res, notificationJson(*it));
}

} // namespace communityserver
