#include "Platform/SDKs/Veltrane/VQSDKAuthConfigUtil.hpp"

#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthClient.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthError.hpp"
#include "Platform/SDKs/Veltrane/VeltraneSDKManager.hpp"

namespace platform::veltrane {

std::shared_ptr<VQOAuthOrgAuthConfiguration> VQOAuthOrgAuthConfiguration::fromJson(const Json& document) {
    if (!document.is_object()) return nullptr;
    return std::shared_ptr<VQOAuthOrgAuthConfiguration>(new VQOAuthOrgAuthConfiguration(document));
}

std::optional<std::string> VQOAuthOrgAuthConfiguration::loginPageUrl() const {
    const Json* page = jsonObject(dict_, "loginPage");
    return page ? jsonString(*page, "loginPageUrl") : std::nullopt;
}

std::optional<std::vector<std::string>> VQOAuthOrgAuthConfiguration::ssoUrls() const {
    const Json* providers = jsonArray(dict_, "samlProviders");
    if (!providers) return std::nullopt;
    std::vector<std::string> urls;
    for (const auto& provider : *providers) {
        if (auto url = jsonString(provider, "ssoUrl")) urls.push_back(*url);
    }
    return urls;
}

bool VQOAuthOrgAuthConfiguration::useNativeBrowserForAuthentication() const {
    return jsonBool(dict_, "useNativeBrowserForAuthentication").value_or(false);
}

void VQSDKAuthConfigUtil::getCustomDomainAuthConfig(Completion completion, const std::string& loginDomain) {
    if (!completion) completion = [](std::shared_ptr<VQOAuthOrgAuthConfiguration>, std::optional<Error>) {};
    auto session = HttpSession::ephemeral();
    auto url = loginDomain.empty()
                   ? std::nullopt
                   : Url::parse(VQOAuthClient::baseUrl(loginDomain) + "/vapi/identity/auth-configuration");
    if (!url) {
        session->delegateQueue()->async([completion = std::move(completion)] {
            completion(nullptr, makeOAuthError(VQOAuthErrorCode::invalidRequest, "The login domain makes no URL."));
        });
        return;
    }
    HttpRequest request(*url);
    request.setValue("application/json", "Accept");
    if (auto manager = VeltraneSDKManager::sharedManagerIfAny()) request.setValue(manager->userAgent(), "User-Agent");
    session->send(std::move(request), [completion = std::move(completion)](std::optional<Data> data,
                                                                           std::optional<HttpResponse> response,
                                                                           std::optional<Error> error) {
        if (error) return completion(nullptr, error);
        const int status = response ? response->statusCode() : 0;
        if (status == 404) return completion(nullptr, std::nullopt);
        if (status != 200) {
            return completion(nullptr, makeOAuthError(VQOAuthErrorCode::unknown,
                                                      "The sign-in configuration answered with HTTP status " +
                                                          std::to_string(status) + "."));
        }
        auto document = data ? parseJson(*data) : std::nullopt;
        auto configuration = document ? VQOAuthOrgAuthConfiguration::fromJson(*document) : nullptr;
        if (!configuration) {
            return completion(nullptr, makeOAuthError(VQOAuthErrorCode::malformedResponse,
                                                      "The sign-in configuration is not a JSON object."));
        }
        completion(std::move(configuration), std::nullopt);
    });
}

} // namespace platform::veltrane
