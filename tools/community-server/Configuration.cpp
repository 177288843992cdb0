// The community's configuration document (community.json): read whole and
// checked before anything is applied.

#include "tools/community-server/ServerImpl.hpp"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace communityserver {

namespace {

std::optional<std::string> readString(const Json& object, const char* key, std::string& out, bool required) {
    auto it = object.find(key);
    if (it == object.end()) {
        if (required) return std::string("missing \"") + key + "\"";
        return std::nullopt;
    }
    if (!it->is_string()) return std::string("\"") + key + "\" must be a string";
    out = it->get<std::string>();
    return std::nullopt;
}

std::optional<std::string> readLifetime(const Json& document, const char* key, std::optional<double>& out) {
    auto it = document.find(key);
    if (it == document.end()) return std::nullopt;
    if (!it->is_number() || it->get<double>() < 0) return std::string("\"") + key + "\" must be a number of seconds";
    out = it->get<double>();
    return std::nullopt;
}

/// A record content: {"body": "<text>"} or {"file": "<path, relative to the folder>"},
/// with optional "contentType" and "guestReadable".
std::optional<std::string> readContent(const Json& description, const std::filesystem::path& folder, std::string& bytes,
                                       std::string& contentType, bool& guestReadable) {
    if (!description.is_object()) return "must be an object";
    std::string file;
    if (auto error = readString(description, "file", file, false)) return error;
    if (auto error = readString(description, "body", bytes, false)) return error;
    if (file.empty() == !description.contains("body")) return "needs either \"body\" or \"file\"";
    if (!file.empty()) {
        const auto path = folder / file;
        std::ifstream in(path, std::ios::binary);
        if (!in) return "cannot read " + path.string();
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad()) return "cannot read " + path.string();
    }
    if (auto error = readString(description, "contentType", contentType, false)) return error;
    if (auto it = description.find("guestReadable"); it != description.end()) {
        if (!it->is_boolean()) return "\"guestReadable\" must be true or false";
        guestReadable = it->get<bool>();
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> CommunityServer::configure(const nlohmann::ordered_json& ordered,
                                                      const std::filesystem::path& folder) {
    if (!ordered.is_object()) return "the configuration must be a JSON object";
    // Read as a plain document; custom attributes are taken from the ordered one to keep their order.
    const Json document = Json::parse(ordered.dump());
    struct ParsedUser {
        User user;
        std::vector<UserNotification> notifications;
    };
    std::vector<ParsedUser> parsedUsers;
    if (auto it = document.find("users"); it != document.end()) {
        if (!it->is_array()) return "\"users\" must be an array";
        for (std::size_t index = 0; index < it->size(); ++index) {
            const auto& item = (*it)[index];
            if (!item.is_object()) return "each user must be an object";
            ParsedUser parsed;
            auto& user = parsed.user;
            for (auto [key, target] : {std::pair{"username", &user.username}, {"password", &user.password},
                                       {"userId", &user.userId}, {"orgId", &user.orgId}}) {
                if (auto error = readString(item, key, *target, true)) return "user: " + *error;
            }
            for (auto [key, target] : {std::pair{"email", &user.email}, {"displayName", &user.displayName}}) {
                if (auto error = readString(item, key, *target, false)) return "user: " + *error;
            }
            std::string contact;
            if (auto error = readString(item, "contactId", contact, false)) return "user: " + *error;
            if (item.contains("contactId")) user.contactId = contact;
            if (auto attributes = item.find("customAttributes"); attributes != item.end()) {
                if (!attributes->is_object()) return "user: \"customAttributes\" must be an object";
                user.customAttributes = ordered["users"][index]["customAttributes"];
            }
            if (auto api = item.find("apiEnabled"); api != item.end()) {
                if (!api->is_boolean()) return "user: \"apiEnabled\" must be true or false";
                user.apiEnabled = api->get<bool>();
            }
            if (auto list = item.find("notifications"); list != item.end()) {
                if (!list->is_array()) return "user: \"notifications\" must be an array";
                for (const auto& n : *list) {
                    UserNotification notification;
                    if (!n.is_object()) return "user: each notification must be an object";
                    if (auto error = readString(n, "id", notification.id, true)) return "notification: " + *error;
                    if (auto error = readString(n, "message", notification.message, false)) {
                        return "notification: " + *error;
                    }
                    if (n.contains("read")) {
                        if (!n["read"].is_boolean()) return "notification: \"read\" must be true or false";
                        notification.read = n["read"].get<bool>();
                    }
                    parsed.notifications.push_back(std::move(notification));
                }
            }
            parsedUsers.push_back(std::move(parsed));
        }
    }
    bool replaceUsers = false;
    if (auto it = document.find("replaceUsers"); it != document.end()) {
        if (!it->is_boolean()) return "\"replaceUsers\" must be true or false";
        replaceUsers = it->get<bool>();
    }
    std::optional<double> accessLifetime, refreshLifetime;
    if (auto error = readLifetime(document, "accessTokenLifetime", accessLifetime)) return error;
    if (auto error = readLifetime(document, "refreshTokenLifetime", refreshLifetime)) return error;
    std::vector<std::pair<std::string, Page>> parsedPages;
    if (auto it = document.find("pages"); it != document.end()) {
        if (!it->is_object()) return "\"pages\" must be an object";
        for (const auto& [path, item] : it->items()) {
            if (!path.starts_with("/s")) return "page paths must start with /s";
            if (!item.is_object()) return "each page must be an object";
            Page page;
            if (auto error = readString(item, "title", page.title, true)) return "page: " + *error;
            if (auto error = readString(item, "body", page.body, false)) return "page: " + *error;
            if (item.contains("requiresSession")) {
                if (!item["requiresSession"].is_boolean()) return "page: \"requiresSession\" must be true or false";
                page.requiresSession = item["requiresSession"].get<bool>();
            }
            parsedPages.emplace_back(path, std::move(page));
        }
    }
    struct ParsedContent {
        std::string field, bytes, contentType;
        bool guestReadable = false;
    };
    struct ParsedRecord {
        std::string type, id;
        Json fields;
        bool guestReadable = false;
        std::vector<ParsedContent> contents;
    };
    std::vector<ParsedRecord> parsedRecords;
    if (auto it = document.find("records"); it != document.end()) {
        if (!it->is_array()) return "\"records\" must be an array";
        for (const auto& item : *it) {
            if (!item.is_object()) return "each record must be an object";
            ParsedRecord record;
            if (auto error = readString(item, "type", record.type, true)) return "record: " + *error;
            if (auto error = readString(item, "id", record.id, true)) return "record: " + *error;
            record.fields = item.value("fields", Json::object());
            if (!record.fields.is_object()) return "record: \"fields\" must be an object";
            if (item.contains("guestReadable")) {
                if (!item["guestReadable"].is_boolean()) return "record: \"guestReadable\" must be true or false";
                record.guestReadable = item["guestReadable"].get<bool>();
            }
            if (auto contents = item.find("contents"); contents != item.end()) {
                if (!contents->is_object()) return "record: \"contents\" must be an object";
                for (const auto& [field, description] : contents->items()) {
                    ParsedContent content{field, {}, "application/octet-stream", record.guestReadable};
                    if (auto error = readContent(description, folder, content.bytes, content.contentType,
                                                 content.guestReadable)) {
                        return "record content \"" + field + "\": " + *error;
                    }
                    record.contents.push_back(std::move(content));
                }
            }
            parsedRecords.push_back(std::move(record));
        }
    }
    std::vector<std::pair<std::string, std::vector<std::string>>> parsedClients;
    if (auto it = document.find("clients"); it != document.end()) {
        if (!it->is_array()) return "\"clients\" must be an array";
        for (const auto& item : *it) {
            if (!item.is_object()) return "each client must be an object";
            std::string clientId;
            if (auto error = readString(item, "clientId", clientId, true)) return "client: " + *error;
            auto uris = item.find("redirectUris");
            if (uris == item.end() || !uris->is_array() || uris->empty() ||
                !std::all_of(uris->begin(), uris->end(), [](const Json& uri) { return uri.is_string(); })) {
                return "client: \"redirectUris\" must be a non-empty array of strings";
            }
            parsedClients.emplace_back(clientId, uris->get<std::vector<std::string>>());
        }
    }
    std::optional<Json> authConfiguration;
    if (auto it = document.find("authConfiguration"); it != document.end()) {
        if (!it->is_object()) return "\"authConfiguration\" must be an object";
        authConfiguration = *it;
    }
    std::optional<std::string> movedTo;
    if (auto it = document.find("movedTo"); it != document.end()) {
        if (!it->is_string()) return "\"movedTo\" must be a string";
        movedTo = it->get<std::string>();
    }
    std::optional<std::pair<Json, int>> storeLookup;
    if (auto it = document.find("storeLookup"); it != document.end()) {
        const auto answer = it->is_object() ? it->find("answer") : it->end();
        if (!it->is_object() || answer == it->end()) return "\"storeLookup\" must be an object with an \"answer\"";
        const auto status = it->value("status", Json(200));
        if (!status.is_number_integer() || status.get<int>() < 100 || status.get<int>() > 599) {
            return "storeLookup: \"status\" must be an HTTP status";
        }
        storeLookup.emplace(*answer, status.get<int>());
    }

    {
        std::lock_guard lock(impl_->mutex);
        if (replaceUsers) impl_->users.clear();
        for (auto& parsed : parsedUsers) {
            if (auto* entry = impl_->userByName(parsed.user.username)) {
                *entry = {std::move(parsed.user), std::move(parsed.notifications)};
            } else {
                impl_->users.push_back({std::move(parsed.user), std::move(parsed.notifications)});
            }
        }
        if (accessLifetime) impl_->accessTokenLifetime = *accessLifetime;
        if (refreshLifetime) impl_->refreshTokenLifetime = *refreshLifetime;
        for (auto& [path, page] : parsedPages) impl_->pages[normalizedPagePath(path)] = std::move(page);
        if (authConfiguration) {
            impl_->authConfiguration = std::move(authConfiguration);
            impl_->authConfigurationEnabled = true;
        }
        for (auto& [clientId, uris] : parsedClients) impl_->clients[clientId] = std::move(uris);
        if (movedTo) impl_->movedTo = std::move(*movedTo);
        if (storeLookup) {
            impl_->storeLookup = std::move(storeLookup->first);
            impl_->storeLookupStatus = storeLookup->second;
        }
    }
    for (auto& record : parsedRecords) {
        putRecord(record.type, record.id, std::move(record.fields), record.guestReadable);
        for (auto& content : record.contents) {
            putRecordContent(record.type, record.id, content.field, std::move(content.bytes),
                             std::move(content.contentType), content.guestReadable);
        }
    }
    return std::nullopt;
}

} // namespace communityserver
