#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/Json.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::veltrane {

/// How an org's custom domain signs users in, as its sign-in configuration says.
class PLATFORM_EXPORT VQOAuthOrgAuthConfiguration {
public:
    /// Reads the configuration document; none when it is not a JSON object.
    static std::shared_ptr<VQOAuthOrgAuthConfiguration> fromJson(const Json& document);

    /// The whole document.
    const Json& authConfigDict() const { return dict_; }
    /// "loginPage" → "loginPageUrl".
    std::optional<std::string> loginPageUrl() const;
    /// The "ssoUrl" of each of the "samlProviders"; none when the document lists no providers.
    std::optional<std::vector<std::string>> ssoUrls() const;
    /// "useNativeBrowserForAuthentication"; false when absent.
    bool useNativeBrowserForAuthentication() const;

private:
    explicit VQOAuthOrgAuthConfiguration(Json dict) : dict_(std::move(dict)) {}
    Json dict_;
};

/// Reads an org's sign-in configuration from its custom domain.
class PLATFORM_EXPORT VQSDKAuthConfigUtil {
public:
    using Completion = std::function<void(std::shared_ptr<VQOAuthOrgAuthConfiguration> configuration,
                                          std::optional<Error> error)>;

    /// Fetches "https://<login domain>/vapi/identity/auth-configuration". The
    /// completion runs once on a worker thread: the configuration; no
    /// configuration and no error when the domain has none (404); or an error
    /// (the transfer's, an HTTP status, or an answer that is not a JSON object).
    static void getCustomDomainAuthConfig(Completion completion, const std::string& loginDomain);
};

} // namespace platform::veltrane
