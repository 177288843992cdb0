#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Json.hpp"

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform::veltrane {

/// The boot configuration of the hybrid web container: the OAuth client,
/// the pages to open and whether to sign in first.
///
/// The configuration is a string-keyed JSON dictionary; the typed members read
/// and write its entries, and configDict() gives it back whole, unknown keys
/// included, so a configuration survives a round trip through its dictionary.
/// Keys and the value a missing (or wrongly typed) entry reads as:
///
///   remoteAccessConsumerKey   string, the OAuth client id          none
///   oauthRedirectURI          string                                none
///   oauthScopes               array of strings                      empty
///   isLocal                   Boolean: the start page is in the app package   false
///   startPage                 string, the page opened after sign-in none
///   unauthenticatedStartPage  string, absolute URL opened signed out none
///   shouldAuthenticate        Boolean: sign in before the first page true
///
/// The app package's default configuration is the file kDefaultConfigFileName
/// ("bootconfig.json") in the package root: a JSON object of those keys.
class PLATFORM_EXPORT VQHybridViewConfig {
public:
    static constexpr const char* kDefaultConfigFileName = "bootconfig.json";

    /// The main bundle's default configuration; none when the package has no
    /// such file or it does not hold a JSON object.
    static std::shared_ptr<VQHybridViewConfig> fromDefaultConfigFile();
    /// A configuration from a JSON file; none when it is missing or not a JSON object.
    static std::shared_ptr<VQHybridViewConfig> fromConfigFile(const std::filesystem::path& path);
    /// A configuration over a dictionary. Given no dictionary: the package's
    /// default configuration (none only when the package has none). Given a
    /// value that is not a JSON object: none.
    static std::shared_ptr<VQHybridViewConfig> create(const std::optional<Json>& dictionary = std::nullopt);

    /// The whole dictionary, as it would be written back.
    Json configDict() const;

    std::optional<std::string> remoteAccessConsumerKey() const;
    void setRemoteAccessConsumerKey(std::optional<std::string> value);
    std::optional<std::string> oauthRedirectURI() const;
    void setOauthRedirectURI(std::optional<std::string> value);
    std::vector<std::string> oauthScopes() const;
    void setOauthScopes(const std::vector<std::string>& scopes);
    bool isLocal() const;
    void setIsLocal(bool value);
    std::optional<std::string> startPage() const;
    void setStartPage(std::optional<std::string> value);
    std::optional<std::string> unauthenticatedStartPage() const;
    void setUnauthenticatedStartPage(std::optional<std::string> value);
    bool shouldAuthenticate() const;
    void setShouldAuthenticate(bool value);

private:
    explicit VQHybridViewConfig(Json dictionary) : dict_(std::move(dictionary)) {}
    std::optional<std::string> string(const char* key) const;
    void setString(const char* key, std::optional<std::string> value);
    bool boolean(const char* key, bool fallback) const;
    void setBoolean(const char* key, bool value);

    mutable std::mutex mutex_;
    Json dict_;
};

} // namespace platform::veltrane
