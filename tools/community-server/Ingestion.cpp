// The crash and log ingestion service: keeps and writes out what it receives.

#include "tools/community-server/HttpHelpers.hpp"
#include "tools/community-server/ServerImpl.hpp"

#include <httplib.h>
#include <openssl/evp.h>

#include <fstream>

namespace communityserver {

namespace {

// Standard Base64 with padding; none for text that is not.
std::optional<std::string> decodeBase64(const std::string& text) {
    if (text.size() % 4 != 0) return std::nullopt;
    if (text.empty()) return std::string();
    std::string bytes(text.size() / 4 * 3, '\0');
    const int length = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                       reinterpret_cast<const unsigned char*>(text.data()),
                                       static_cast<int>(text.size()));
    if (length < 0) return std::nullopt;
    // EVP_DecodeBlock counts the padding's bytes as zeros.
    std::size_t padding = 0;
    if (text.ends_with("==")) padding = 2;
    else if (text.ends_with("=")) padding = 1;
    bytes.resize(static_cast<std::size_t>(length) - padding);
    return bytes;
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A file name the document gives, kept inside its folder.
std::optional<std::string> safeFileName(const Json& log) {
    const auto name = log.value("fileName", std::string());
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        name == "document.json") {
        return std::nullopt;
    }
    return name;
}

} // namespace

void CommunityServer::setIngestionStatus(int status) {
    std::lock_guard lock(impl_->mutex);
    impl_->ingestionStatus = status;
}

std::vector<IngestedLog> CommunityServer::ingestedLogs() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->ingestedLogs;
}

std::filesystem::path CommunityServer::Impl::ingestionFolder() const {
    return options.dataFolder.empty() ? temporaryFolder : options.dataFolder;
}

void CommunityServer::Impl::handleIngestion(const httplib::Request& req, httplib::Response& res, const std::smatch&) {
    if (req.get_param_value("Api-Version") != "1.0.0") {
        sendErrors(res, 400, "BAD_REQUEST", "Unsupported API version.");
        return;
    }
    IngestedLog log;
    log.installId = req.get_header_value("install-id");
    log.appSecret = req.get_header_value("app-secret");
    log.document = Json::parse(req.body, nullptr, false);
    if (log.document.is_discarded()) log.document = nullptr;

    int status = 200;
    {
        std::lock_guard lock(mutex);
        log.folder = ingestionFolder() / "logs" / std::to_string(ingestedLogs.size() + 1);
        status = ingestionStatus;
        std::error_code error;
        std::filesystem::create_directories(log.folder, error);
        writeFile(log.folder / "document.json", req.body);
        if (log.document.is_object() && log.document.contains("logs") && log.document["logs"].is_array()) {
            std::size_t unnamed = 0;
            for (const auto& entry : log.document["logs"]) {
                if (!entry.is_object() || entry.value("type", std::string()) != "errorAttachment") continue;
                const auto data = entry.value("data", std::string());
                const auto bytes = decodeBase64(data);
                if (!bytes) continue;
                auto name = safeFileName(entry);
                if (!name) name = "attachment-" + std::to_string(++unnamed) + ".txt";
                writeFile(log.folder / *name, *bytes);
            }
        }
        ingestedLogs.push_back(log);
    }
    sendJson(res, Json::object(), status);
}

} // namespace communityserver
