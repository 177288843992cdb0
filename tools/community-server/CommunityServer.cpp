// The public face of the community server: construction and the calls tests
// and the program make to set it up and look into it. Handlers live in
// Routing.cpp, OAuth.cpp, Pages.cpp and Rest.cpp.

#include "tools/community-server/CommunityServer.hpp"

#include "tools/community-server/ServerImpl.hpp"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace communityserver {

std::optional<std::string> RecordedRequest::header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (equalsIgnoringCase(key, name)) return value;
    }
    return std::nullopt;
}

std::optional<std::string> RecordedRequest::param(std::string_view name) const {
    for (const auto& [key, value] : params) {
        if (key == name) return value;
    }
    return std::nullopt;
}

CommunityServer::CommunityServer(ServerOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

CommunityServer::~CommunityServer() { stop(); }

bool CommunityServer::isRunning() const { return impl_->server && impl_->server->is_running(); }
int CommunityServer::port() const { return impl_->port; }
const std::string& CommunityServer::hostName() const { return impl_->options.hostName; }
std::string CommunityServer::baseUrl() const {
    return "https://" + impl_->options.hostName + ":" + std::to_string(impl_->port);
}
std::filesystem::path CommunityServer::caFile() const {
    return impl_->certificate ? impl_->certificate->caFile() : std::filesystem::path();
}

User CommunityServer::defaultUser() {
    User user;
    user.username = "alice@example.test";
    user.password = "alice-password";
    user.userId = "0US000000000001AAA";
    user.orgId = "0OR000000000001AAA";
    user.email = "alice@example.test";
    user.displayName = "Alice Example";
    user.contactId = "093000000000001AAA";
    user.customAttributes = {{"ENABLE_BIOMETRICS_UNLOCK", "FALSE"}, {"REQUIRE_BIOMETRICS_AFTER", "15"}};
    return user;
}

void CommunityServer::addUser(User user) {
    std::lock_guard lock(impl_->mutex);
    if (auto* entry = impl_->userByName(user.username)) {
        entry->user = std::move(user);
        return;
    }
    impl_->users.push_back({std::move(user), {}});
}

bool CommunityServer::removeUser(const std::string& username) {
    std::lock_guard lock(impl_->mutex);
    return std::erase_if(impl_->users, [&](const auto& entry) { return equalsIgnoringCase(entry.user.username, username); }) > 0;
}

std::vector<User> CommunityServer::users() const {
    std::lock_guard lock(impl_->mutex);
    std::vector<User> result;
    for (const auto& entry : impl_->users) result.push_back(entry.user);
    return result;
}

void CommunityServer::registerClient(const std::string& clientId, std::vector<std::string> redirectUris) {
    std::lock_guard lock(impl_->mutex);
    impl_->clients[clientId] = std::move(redirectUris);
}

void CommunityServer::setAccessTokenLifetime(double seconds) {
    std::lock_guard lock(impl_->mutex);
    impl_->accessTokenLifetime = seconds;
}

void CommunityServer::setRefreshTokenLifetime(double seconds) {
    std::lock_guard lock(impl_->mutex);
    impl_->refreshTokenLifetime = seconds;
}

void CommunityServer::setAuthorizationCodeLifetime(double seconds) {
    std::lock_guard lock(impl_->mutex);
    impl_->codeLifetime = seconds;
}

void CommunityServer::setClock(std::function<double()> now) {
    std::lock_guard lock(impl_->mutex);
    impl_->clock = std::move(now);
}

void CommunityServer::expireAccessTokens() {
    std::lock_guard lock(impl_->mutex);
    const double time = impl_->now();
    for (auto& [token, info] : impl_->accessTokens) info.expiresAt = std::min(info.expiresAt, time);
}

void CommunityServer::revokeRefreshTokens() {
    std::lock_guard lock(impl_->mutex);
    for (auto& [token, info] : impl_->refreshTokens) info.revoked = true;
}

bool CommunityServer::isAccessTokenValid(const std::string& token) const {
    std::lock_guard lock(impl_->mutex);
    return impl_->userForToken(token) != nullptr;
}

std::vector<std::string> CommunityServer::issuedTokens() const {
    std::lock_guard lock(impl_->mutex);
    return {impl_->issued.begin(), impl_->issued.end()};
}

std::vector<std::filesystem::path> CommunityServer::filesHoldingTokens(const std::filesystem::path& folder) const {
    std::vector<std::string> needles;
    for (const auto& token : issuedTokens()) {
        const auto once = percentEncoded(token);
        needles.push_back(token);
        needles.push_back(once);
        needles.push_back(percentEncoded(once));
    }
    std::vector<std::filesystem::path> files;
    std::error_code error;
    if (std::filesystem::is_regular_file(folder, error)) {
        files.push_back(folder);
    } else if (std::filesystem::is_directory(folder, error)) {
        for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            if (it->is_regular_file(error)) files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    std::erase_if(files, [&needles](const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return std::none_of(needles.begin(), needles.end(),
                            [&text](const std::string& needle) { return text.find(needle) != std::string::npos; });
    });
    return files;
}

std::optional<std::string> CommunityServer::issueAuthorizationCode(const std::string& username,
                                                                   const std::string& clientId,
                                                                   const std::string& redirectUri,
                                                                   const std::string& codeChallenge) {
    std::lock_guard lock(impl_->mutex);
    auto* entry = impl_->userByName(username);
    if (!entry || !impl_->clientAllowed(clientId, redirectUri)) return std::nullopt;
    return impl_->issueCode(*entry, clientId, redirectUri, codeChallenge, {});
}

void CommunityServer::failNextRequests(int count, int status, std::string errorCode, std::string message,
                                       std::string pathPrefix) {
    if (count <= 0) return;
    std::lock_guard lock(impl_->mutex);
    impl_->failures.push_back({count, status, std::move(errorCode), std::move(message), std::move(pathPrefix)});
}

void CommunityServer::setPage(const std::string& path, Page page) {
    std::lock_guard lock(impl_->mutex);
    impl_->pages[normalizedPagePath(path)] = std::move(page);
}

void CommunityServer::putRecord(const std::string& type, const std::string& id, nlohmann::json fields,
                                bool guestReadable) {
    if (!fields.is_object()) fields = Json::object();
    if (!fields.contains("Id")) fields["Id"] = id;
    std::lock_guard lock(impl_->mutex);
    auto& record = impl_->records[{type, id}];
    record.fields = std::move(fields);
    record.guestReadable = guestReadable;
}

void CommunityServer::putRecordContent(const std::string& type, const std::string& id, const std::string& field,
                                       std::string bytes, std::string contentType, bool guestReadable) {
    std::lock_guard lock(impl_->mutex);
    auto& record = impl_->records[{type, id}];
    if (!record.fields.contains("Id")) record.fields["Id"] = id;
    record.contents[field] = {std::move(bytes), std::move(contentType), guestReadable};
}

void CommunityServer::addNotification(const std::string& userId, UserNotification notification) {
    std::lock_guard lock(impl_->mutex);
    if (auto* entry = impl_->userById(userId)) entry->notifications.push_back(std::move(notification));
}

std::vector<UserNotification> CommunityServer::notifications(const std::string& userId) const {
    std::lock_guard lock(impl_->mutex);
    auto* entry = impl_->userById(userId);
    return entry ? entry->notifications : std::vector<UserNotification>{};
}

void CommunityServer::setAuthConfiguration(nlohmann::json configuration) {
    std::lock_guard lock(impl_->mutex);
    impl_->authConfiguration = std::move(configuration);
    impl_->authConfigurationEnabled = true;
}

void CommunityServer::setFrontDoorRefusalStatus(std::optional<int> status) {
    std::lock_guard lock(impl_->mutex);
    impl_->frontDoorRefusalStatus = status;
}

void CommunityServer::setAccessTokenPrefix(std::string prefix) {
    std::lock_guard lock(impl_->mutex);
    impl_->accessTokenPrefix = std::move(prefix);
}

void CommunityServer::disableAuthConfiguration() {
    std::lock_guard lock(impl_->mutex);
    impl_->authConfigurationEnabled = false;
}

void CommunityServer::addRoute(const std::string& method, const std::string& pattern, RouteHandler handler) {
    auto route =
        std::make_shared<const Impl::Route>(Impl::Route{method, std::regex(pattern), std::move(handler), pattern});
    std::lock_guard lock(impl_->mutex);
    impl_->customRoutes.push_back(route);
    if (!impl_->options.community && impl_->server) impl_->installOnHttpServer(route);
}

httplib::SSLServer& CommunityServer::httpServer() {
    if (!impl_->server) throw std::logic_error("the community server is not running");
    return *impl_->server;
}

const ServerCertificate& CommunityServer::certificate() const {
    if (!impl_->certificate) throw std::logic_error("the community server has no certificate before start()");
    return *impl_->certificate;
}

std::vector<RecordedRequest> CommunityServer::requests() const {
    std::lock_guard lock(impl_->mutex);
    return {impl_->recorded.begin(), impl_->recorded.end()};
}

std::size_t CommunityServer::requestCount() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->receivedCount;
}

void CommunityServer::clearRequests() {
    std::lock_guard lock(impl_->mutex);
    impl_->recorded.clear();
    impl_->receivedCount = 0;
}

void CommunityServer::setRequestObserver(std::function<void(const RecordedRequest&)> observer) {
    std::lock_guard lock(impl_->mutex);
    impl_->observer = std::move(observer);
}

} // namespace communityserver
